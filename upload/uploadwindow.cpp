#include "upload/uploadwindow.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "publish/websitefolder.h"
#include "upload/gitremote.h"
#include "upload/keyring.h"
#include "upload/siteupload.h"
#include "widgets/cp1252text.h"
#include "widgets/runcommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <exception>
#include <filesystem>

namespace Upload {
namespace {

/// A host's name, a user or a remote folder as the form shows it: these are UTF-8, as the host
/// takes them.
QString fromUtf8(const std::string &text) { return QString::fromStdString(text); }

QString megabytes(std::uint64_t bytes)
{
    return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

/// A question put together from the host's names (UTF-8), as the program asks it.
Platform::Message question(const std::string &utf8Text)
{
    return { Platform::ApplicationTitle, Platform::utf8ToCp1252(utf8Text),
        Platform::MessageIcon::Question, Platform::MessageButtons::OkCancel };
}

/// The warning shown when the keyring would not keep a password; `problem` says why (a program
/// text, "the desktop's keyring is locked").
Platform::Message passwordNotKeptNotice(const std::string &problem)
{
    return { Platform::ApplicationTitle,
        "The password was not kept in the desktop's keyring: " + problem
            + ".\nThe password you typed is used this time. To keep it for next time, unlock "
              "the desktop's keyring (or start one, such as GNOME Keyring or KWallet), then "
              "type the password again with \"Keep the password in the desktop's keyring\" "
              "ticked.",
        Platform::MessageIcon::Warning, Platform::MessageButtons::Ok };
}

} // namespace

UploadWindow::UploadWindow(Platform::Dialogs &dialogs, std::string projectFilePath,
    std::string publishDirectory, QWidget *parent, const std::string &siteTitle)
    : QDialog(parent)
    , m_dialogs(dialogs)
    , m_projectFilePath(std::move(projectFilePath))
    , m_publishDirectory(std::move(publishDirectory))
    , m_siteTitle(Platform::cp1252ToUtf8(siteTitle))
{
    setObjectName(QStringLiteral("UploadWindow"));
    setWindowTitle(tr("Upload Website"));
    createSettingsForm();
    createProgressArea();
    createButtons();

    const std::string settingsPath = hostSettingsPath(Platform::nativePath(m_projectFilePath));
    if (!m_projectFilePath.empty() && std::filesystem::exists(settingsPath))
        Widgets::runCommand(m_dialogs, [&] { showSettings(readHostSettings(settingsPath)); });
    showProtocolHints();
}

UploadWindow::~UploadWindow()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

void UploadWindow::createSettingsForm()
{
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_form = form;
    layout->addLayout(form);

    m_protocol = new QComboBox(this);
    m_protocol->setObjectName(QStringLiteral("protocol"));
    m_protocol->addItem(tr("SFTP (SSH)"));
    m_protocol->addItem(tr("FTPS (FTP with TLS)"));
    m_protocol->addItem(tr("FTP (unencrypted)"));
    m_protocol->addItem(tr("Git (a branch of a repository)"));
    connect(m_protocol, &QComboBox::currentIndexChanged, this, [this] { showProtocolHints(); });
    form->addRow(tr("&Protocol:"), m_protocol);

    const auto lineEdit = [this, form](const char *name, const QString &label) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        form->addRow(label, edit);
        return edit;
    };
    m_host = lineEdit("host", tr("&Host:"));
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setRange(0, 65535);
    m_port->setSpecialValueText(tr("default"));
    form->addRow(tr("P&ort:"), m_port);
    m_user = lineEdit("user", tr("&User:"));
    m_password = lineEdit("password", tr("Pass&word:"));
    m_password->setEchoMode(QLineEdit::Password);
    m_rememberPassword = new QCheckBox(tr("&Keep the password in the desktop's keyring"), this);
    m_rememberPassword->setObjectName(QStringLiteral("rememberPassword"));
    form->addRow(QString(), m_rememberPassword);
    m_folder = lineEdit("folder", tr("Remote &folder:"));
    m_folder->setPlaceholderText(QStringLiteral("/var/www/site"));
    m_identity = lineEdit("identity", tr("&Key file (SFTP):"));
    m_identity->setPlaceholderText(tr("optional, e.g. ~/.ssh/id_ed25519"));
    createGitRows(form);

    m_ftpWarning = new QLabel(
        tr("With plain FTP the password travels unencrypted. Choose SFTP or FTPS if your host "
           "offers them."),
        this);
    m_ftpWarning->setObjectName(QStringLiteral("ftpWarning"));
    m_ftpWarning->setWordWrap(true);
    // A warning red that reads on the window's own background, light or dark.
    QPalette warning = m_ftpWarning->palette();
    const bool darkWindow = warning.color(QPalette::Window).lightness() < 128;
    warning.setColor(
        QPalette::WindowText, darkWindow ? QColor(0xFF, 0x8C, 0x8C) : QColor(0xA0, 0x00, 0x00));
    m_ftpWarning->setPalette(warning);
    layout->addWidget(m_ftpWarning);

    auto *site
        = new QLabel(tr("Uploads the folder %1")
                         .arg(Widgets::fromCp1252(Publish::websiteDirectoryOf(m_publishDirectory))),
            this);
    site->setObjectName(QStringLiteral("siteFolder"));
    site->setWordWrap(true);
    layout->addWidget(site);
}

void UploadWindow::createProgressArea()
{
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_currentFile = new QLabel(this);
    m_currentFile->setObjectName(QStringLiteral("currentFile"));
    m_bytes = new QLabel(this);
    m_bytes->setObjectName(QStringLiteral("bytesSent"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    auto *layout = static_cast<QVBoxLayout *>(this->layout());
    layout->addWidget(m_progress);
    layout->addWidget(m_currentFile);
    layout->addWidget(m_bytes);
    layout->addWidget(m_status);
}

void UploadWindow::createButtons()
{
    auto *row = new QHBoxLayout;
    m_test = new QPushButton(tr("&Test Connection"), this);
    m_test->setObjectName(QStringLiteral("testConnection"));
    m_upload = new QPushButton(tr("&Upload"), this);
    m_upload->setObjectName(QStringLiteral("upload"));
    m_upload->setDefault(true);
    m_cancelButton = new QPushButton(tr("&Close"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancel"));
    connect(m_test, &QPushButton::clicked, this, [this] { testConnection(); });
    m_checkHost = new QPushButton(tr("Check th&e Host"), this);
    m_checkHost->setObjectName(QStringLiteral("checkHost"));
    m_checkHost->setToolTip(tr("Lists the files on the host and sends again every file that is "
                               "missing there or has another size"));
    connect(m_upload, &QPushButton::clicked, this, [this] { upload(); });
    connect(m_checkHost, &QPushButton::clicked, this, [this] { checkHost(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancelOrClose(); });
    row->addWidget(m_test);
    row->addWidget(m_checkHost);
    row->addStretch();
    row->addWidget(m_upload);
    row->addWidget(m_cancelButton);
    static_cast<QVBoxLayout *>(layout())->addLayout(row);
}

void UploadWindow::showSettings(const HostSettings &settings)
{
    m_protocol->setCurrentIndex(static_cast<int>(settings.protocol));
    m_host->setText(fromUtf8(settings.host));
    m_port->setValue(settings.port);
    m_user->setText(fromUtf8(settings.user));
    m_folder->setText(fromUtf8(settings.folder));
    m_identity->setText(fromUtf8(settings.identity));
    showGitSettings(settings);
}

void UploadWindow::showProtocolHints()
{
    const auto protocol = static_cast<Protocol>(m_protocol->currentIndex());
    m_ftpWarning->setVisible(protocol == Protocol::Ftp);
    m_identity->setEnabled(protocol == Protocol::Sftp || protocol == Protocol::Git);
    showGitRows(protocol == Protocol::Git);
}

HostSettings UploadWindow::formSettings() const
{
    HostSettings settings;
    settings.protocol = static_cast<Protocol>(m_protocol->currentIndex());
    settings.host = m_host->text().trimmed().toStdString();
    settings.port = m_port->value();
    settings.user = m_user->text().trimmed().toStdString();
    settings.folder = m_folder->text().trimmed().toStdString();
    if (settings.protocol == Protocol::Sftp || settings.protocol == Protocol::Git)
        settings.identity = m_identity->text().trimmed().toStdString();
    if (settings.protocol == Protocol::Git)
        readGitSettings(settings);
    return settings;
}

QString UploadWindow::statusText() const { return m_status->text(); }

void UploadWindow::post(std::function<void()> update)
{
    QMetaObject::invokeMethod(this, std::move(update), Qt::QueuedConnection);
}

bool UploadWindow::askFromWorker(const Platform::Message &message)
{
    bool answer = false;
    QMetaObject::invokeMethod(
        this, [&] { answer = m_dialogs.confirm(message); }, Qt::BlockingQueuedConnection);
    return answer;
}

void UploadWindow::setRunning(bool running)
{
    m_running = running;
    m_test->setEnabled(!running);
    m_upload->setEnabled(!running);
    m_checkHost->setEnabled(!running);
    for (QWidget *field : std::initializer_list<QWidget *> {
             m_protocol, m_host, m_port, m_user, m_password, m_folder, m_rememberPassword })
        field->setEnabled(!running);
    const auto protocol = static_cast<Protocol>(m_protocol->currentIndex());
    m_identity->setEnabled(!running && (protocol == Protocol::Sftp || protocol == Protocol::Git));
    for (QWidget *field :
        std::initializer_list<QWidget *> { m_remote, m_branch, m_authorName, m_authorEmail })
        field->setEnabled(!running);
    m_cancelButton->setText(running ? tr("&Cancel") : tr("&Close"));
}

void UploadWindow::startRun(std::function<void(const HostSettings &, const std::string &)> work)
{
    if (m_running)
        return;
    const HostSettings settings = formSettings();
    checkHostSettings(settings);
    if (!m_projectFilePath.empty())
        writeHostSettings(hostSettingsPath(Platform::nativePath(m_projectFilePath)), settings);
    const std::string password = runPassword(settings);
    if (m_worker.joinable())
        m_worker.join();
    m_cancel = false;
    m_status->clear();
    m_progress->setValue(0);
    setRunning(true);
    m_worker = std::thread([this, settings, password, work = std::move(work)] {
        try {
            work(settings, password);
        } catch (const TransferCancelled &) {
            post([this] { finishRun(tr("Cancelled.")); });
        } catch (...) {
            // The failure ends in the window's error boundary, as a command's would.
            post([this, failure = std::current_exception()] {
                finishRun(tr("Stopped."));
                Widgets::runCommand(m_dialogs, [&] { std::rethrow_exception(failure); });
            });
        }
    });
}

std::string UploadWindow::runPassword(const HostSettings &settings)
{
    std::string password = m_password->text().toStdString();
    // A repository on this computer needs no password, and the keyring is not asked.
    const bool localGit
        = settings.protocol == Protocol::Git && parseGitRemote(settings.remote).local;
    if (password.empty() && !localGit) {
        PasswordAnswer kept = readKeyringPassword(settings);
        if (kept.password)
            return std::move(*kept.password);
        const std::string &problem = kept.keyringProblem;
        // Without a key file the host asks for the password; a key may need no passphrase.
        if (!problem.empty() && settings.protocol != Protocol::Git && settings.identity.empty()) {
            throw Platform::FileError("No password for " + Platform::utf8ToCp1252(settings.host)
                + ": " + problem
                + ". Type it in the password box, or unlock the desktop's keyring and try again");
        }
        if (!problem.empty() && !settings.identity.empty()) {
            m_dialogs.notify({ Platform::ApplicationTitle,
                "The key is used without a passphrase: " + problem + ".",
                Platform::MessageIcon::Warning, Platform::MessageButtons::Ok });
        }
    } else if (m_rememberPassword->isChecked()) {
        if (const std::string problem = storeKeyringPassword(settings, password); !problem.empty())
            m_dialogs.notify(passwordNotKeptNotice(problem));
    }
    return password;
}

void UploadWindow::finishRun(const QString &status)
{
    if (m_worker.joinable())
        m_worker.join();
    setRunning(false);
    m_status->setText(status);
    if (!m_warnings.empty()) {
        std::string text;
        for (const std::string &warning : m_warnings)
            text += (text.empty() ? "" : "\n") + warning + ".";
        m_warnings.clear();
        m_dialogs.notify({ Platform::ApplicationTitle, text, Platform::MessageIcon::Warning,
            Platform::MessageButtons::Ok });
    }
}

TransferHooks UploadWindow::runHooks()
{
    TransferHooks hooks;
    hooks.cancel = &m_cancel;
    hooks.acceptNewHostKey = [this](const std::string &host, const std::string &fingerprint) {
        return askFromWorker(question(host + " is not known yet. Its key's fingerprint is\n"
            + fingerprint + "\nAccept it if your host confirms this fingerprint."));
    };
    return hooks;
}

void UploadWindow::testConnection()
{
    Widgets::runCommand(m_dialogs, [this] {
        if (m_protocol->currentIndex() == static_cast<int>(Protocol::Git)) {
            startGitRun(
                Publish::websiteDirectoryOf(Platform::nativePath(m_publishDirectory)), true);
            return;
        }
        startRun([this](const HostSettings &settings, const std::string &password) {
            RemoteFolder remote(settings, password, runHooks());
            if (!remote.exists()) {
                if (!askFromWorker(question("The folder " + settings.folder + " does not exist on "
                        + settings.host + ". Create it?"))) {
                    post([this] { finishRun(tr("Connected; the remote folder does not exist.")); });
                    return;
                }
                remote.create();
            }
            post([this, settings] {
                finishRun(tr("Connected to %1; the folder %2 is there.")
                              .arg(fromUtf8(settings.host), fromUtf8(settings.folder)));
            });
        });
    });
}

void UploadWindow::upload()
{
    Widgets::runCommand(m_dialogs, [this] { startUpload(false); });
}

void UploadWindow::checkHost()
{
    Widgets::runCommand(m_dialogs, [this] { startUpload(true); });
}

void UploadWindow::startUpload(bool checkingHost)
{
    const std::string websiteFolder = Publish::websiteDirectoryOf(m_publishDirectory);
    const std::string websiteDir = Platform::nativePath(websiteFolder);
    if (!std::filesystem::exists(std::filesystem::symlink_status(websiteDir)))
        throw Platform::FileError("No published site in " + websiteFolder + "; publish it first");
    if (m_protocol->currentIndex() == static_cast<int>(Protocol::Git)) {
        startGitRun(websiteDir, false);
        return;
    }
    startRun([this, websiteDir, checkingHost](
                 const HostSettings &settings, const std::string &password) {
        const LocalSite site(websiteDir);
        TransferHooks hooks = runHooks();
        hooks.warning = [this](const std::string &text) {
            post([this, text] { m_warnings.push_back(text); });
        };
        // Only a change of file or of whole percent reaches the window, so the transfer never
        // floods its event queue.
        auto shown = std::make_shared<std::pair<std::string, int>>("", -1);
        hooks.progress = [this, shown](const Progress &progress) {
            const int percent = progress.bytesTotal == 0
                ? 100
                : static_cast<int>(progress.bytesSent * 100 / progress.bytesTotal);
            if (shown->first == progress.currentFile && shown->second == percent)
                return;
            *shown = { progress.currentFile, percent };
            post([this, progress, percent] {
                m_progress->setValue(percent);
                m_currentFile->setText(fromUtf8(progress.currentFile));
                m_bytes->setText(
                    tr("%1 of %2 sent")
                        .arg(megabytes(progress.bytesSent), megabytes(progress.bytesTotal)));
            });
        };
        RemoteFolder remote(settings, password, hooks);
        if (!remote.exists()) {
            if (!askFromWorker(question("The folder " + settings.folder + " does not exist on "
                    + settings.host + ". Create it and upload?"))) {
                post([this] { finishRun(tr("Nothing uploaded.")); });
                return;
            }
            remote.create();
        }
        const RemoteState state
            = checkingHost ? planHostCheck(remote, site) : planWebsiteUpload(remote, site);
        const UploadOutcome outcome = uploadWebsite(remote, site, state);
        const auto sent = static_cast<int>(state.plan.send.size());
        const auto deleted = static_cast<int>(state.plan.remove.size());
        const bool unchanged = state.plan.empty();
        post([this, outcome, sent, deleted, unchanged] {
            if (outcome == UploadOutcome::Cancelled) {
                finishRun(tr("Cancelled."));
                return;
            }
            m_progress->setValue(100);
            if (unchanged) {
                finishRun(tr("Upload complete: nothing changed."));
                return;
            }
            finishRun(tr("Upload complete: %1 files sent, %2 deleted.").arg(sent).arg(deleted));
        });
    });
}

void UploadWindow::cancelOrClose()
{
    if (m_running) {
        m_cancel = true;
        m_status->setText(tr("Cancelling..."));
    } else {
        QDialog::reject();
    }
}

void UploadWindow::reject() { cancelOrClose(); }

} // namespace Upload
