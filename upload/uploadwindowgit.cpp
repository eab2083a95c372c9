// The Upload window's part for publishing to git: the repository's rows and the run.
#include "upload/gitpublish.h"
#include "upload/uploadwindow.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <memory>

namespace Upload {
namespace {

QString fromUtf8(const std::string &text) { return QString::fromStdString(text); }

} // namespace

void UploadWindow::createGitRows(QFormLayout *form)
{
    // The repository and branch follow the protocol; the author comes last.
    int row = 1;
    const auto lineEdit = [this, form, &row](const char *name, const QString &label,
                              const QString &placeholder, const QString &accessibleName) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setPlaceholderText(placeholder);
        edit->setAccessibleName(accessibleName);
        form->insertRow(row < 0 ? form->rowCount() : row++, label, edit);
        return edit;
    };
    m_remote = lineEdit("remote", tr("&Repository:"),
        tr("git@codeberg.org:you/pages.git, or a folder"), tr("Repository"));
    m_remote->setToolTip(tr("The repository's SSH address, or the full path of a repository on "
                            "this computer"));
    m_branch
        = lineEdit("branch", tr("&Branch:"), QString::fromLatin1(DefaultGitBranch), tr("Branch"));
    row = -1;
    m_authorName = lineEdit("authorName", tr("Author na&me:"),
        tr("optional: your git name, else the site title"), tr("Author name"));
    m_authorEmail = lineEdit("authorEmail", tr("Author e-m&ail:"),
        tr("optional: your git e-mail address"), tr("Author e-mail"));
}

void UploadWindow::showGitSettings(const HostSettings &settings)
{
    m_remote->setText(fromUtf8(settings.remote));
    m_branch->setText(fromUtf8(settings.branch));
    m_authorName->setText(fromUtf8(settings.authorName));
    m_authorEmail->setText(fromUtf8(settings.authorEmail));
}

void UploadWindow::readGitSettings(HostSettings &settings) const
{
    settings.host.clear();
    settings.port = 0;
    settings.user.clear();
    settings.folder.clear();
    settings.remote = m_remote->text().trimmed().toStdString();
    settings.branch = m_branch->text().trimmed().toStdString();
    settings.authorName = m_authorName->text().trimmed().toStdString();
    settings.authorEmail = m_authorEmail->text().trimmed().toStdString();
}

void UploadWindow::showGitRows(bool git)
{
    for (QWidget *field : std::initializer_list<QWidget *> { m_host, m_port, m_user, m_folder })
        m_form->setRowVisible(field, !git);
    for (QWidget *field :
        std::initializer_list<QWidget *> { m_remote, m_branch, m_authorName, m_authorEmail })
        m_form->setRowVisible(field, git);
    m_checkHost->setVisible(!git);
    m_identity->setPlaceholderText(
        git ? tr("e.g. ~/.ssh/id_ed25519, or empty") : tr("optional, e.g. ~/.ssh/id_ed25519"));
    m_identity->setToolTip(git ? tr("Left empty, the keys of the SSH agent are used") : QString());
    if (auto *label = qobject_cast<QLabel *>(m_form->labelForField(m_identity)))
        label->setText(git ? tr("&Key file:") : tr("&Key file (SFTP):"));
    if (auto *label = qobject_cast<QLabel *>(m_form->labelForField(m_password)))
        label->setText(git ? tr("Key pass&phrase:") : tr("Pass&word:"));
    m_rememberPassword->setText(git ? tr("&Keep the passphrase in the desktop's keyring")
                                    : tr("&Keep the password in the desktop's keyring"));
}

void UploadWindow::startGitRun(const std::string &websiteDir, bool testOnly)
{
    startRun([this, websiteDir, testOnly](
                 const HostSettings &settings, const std::string &password) {
        GitPublish request;
        request.settings = settings;
        request.websiteDir = websiteDir;
        request.siteTitle = m_siteTitle;
        request.passphrase = password;
        request.hooks.cancel = &m_cancel;
        request.hooks.warning = [this](const std::string &text) {
            post([this, text] { m_warnings.push_back(text); });
        };
        request.hooks.acceptNewHostKey
            = [this](const std::string &host, const std::string &fingerprint) {
                  return askFromWorker({ Platform::ApplicationTitle,
                      Platform::utf8ToCp1252(host + " is not known yet. Its key's fingerprint is\n"
                          + fingerprint + "\nAccept it if your host confirms this fingerprint."),
                      Platform::MessageIcon::Question, Platform::MessageButtons::OkCancel });
              };
        // Only a change of stage or of whole percent reaches the window.
        auto shown = std::make_shared<std::pair<std::string, int>>("", -1);
        request.progress = [this, shown](const GitProgress &progress) {
            const int percent = progress.total == 0
                ? 100
                : static_cast<int>(progress.done * 100 / progress.total);
            if (shown->first == progress.stage && shown->second == percent)
                return;
            *shown = { progress.stage, percent };
            post([this, progress, percent] {
                m_progress->setValue(percent);
                m_currentFile->setText(fromUtf8(progress.stage));
                m_bytes->setText(tr("%1 of %2 objects")
                                     .arg(static_cast<qulonglong>(progress.done))
                                     .arg(static_cast<qulonglong>(progress.total)));
            });
        };
        if (testOnly) {
            const std::optional<std::size_t> files = fetchGitBranch(request);
            const QString branch = fromUtf8(branchOf(settings));
            post([this, files, branch, settings] {
                finishRun(files ? tr("Connected to %1; the branch %2 holds %3 files.")
                                      .arg(fromUtf8(settings.remote), branch)
                                      .arg(static_cast<qulonglong>(*files))
                                : tr("Connected to %1; the branch %2 does not exist yet, and the "
                                     "first upload makes it.")
                                      .arg(fromUtf8(settings.remote), branch));
            });
            return;
        }
        const GitPublishResult result = publishToGit(request);
        post([this, result] {
            if (result.outcome == UploadOutcome::Cancelled) {
                finishRun(tr("Cancelled."));
                return;
            }
            m_progress->setValue(100);
            if (result.commit.empty()) {
                finishRun(tr("Upload complete: nothing changed."));
                return;
            }
            finishRun(tr("Upload complete: %1 files sent, %2 deleted.")
                          .arg(static_cast<qulonglong>(result.plan.send.size()))
                          .arg(static_cast<qulonglong>(result.plan.remove.size())));
        });
    });
}

} // namespace Upload
