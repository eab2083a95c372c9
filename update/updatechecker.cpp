#include "update/updatechecker.h"

#include "update/updatecheck.h"

#include "assets/icons.h"
#include "widgets/cp1252text.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <optional>
#include <thread>

namespace Update {

namespace {

constexpr int WindowMargin = 8;

// A panel's text is what a screen reader reads; the row's caption describes it.
QLabel *sunkenPanel(const QString &name, const QString &caption, QWidget *parent)
{
    auto *panel = new QLabel(parent);
    panel->setObjectName(name);
    panel->setAccessibleDescription(caption);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Whatever the server sends is shown as it stands, never read as markup.
    panel->setTextFormat(Qt::PlainText);
    panel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    panel->setMargin(2);
    return panel;
}

QLabel *boldLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

UpdateChecker::UpdateChecker(
    Platform::Dialogs &dialogs, std::string cacheDir, Update::UpdateSource source, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::WindowStaysOnTopHint)
    , m_dialogs(dialogs)
    , m_cacheDir(std::move(cacheDir))
    , m_source(std::move(source))
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Update Checker"));

    auto *body = new QVBoxLayout;
    body->setContentsMargins(WindowMargin, WindowMargin, WindowMargin, WindowMargin);
    body->setSpacing(8);
    body->addLayout(createInstructions());
    body->addStretch(1);
    body->addLayout(createVersionRows());
    body->addStretch(1);

    // The status panel reaches the window's edges, as a status bar does.
    auto *window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addLayout(body, 1);
    window->addWidget(createStatusPanel());

    // Room for two lines of status, so that the rows above stay put when the status changes.
    const int frame = 2 * (m_status->frameWidth() + m_status->margin());
    m_status->setMinimumHeight(2 * m_status->fontMetrics().lineSpacing() + frame);
    Widgets::fixWindowSize(this, QSize(353, 176));
    startConnectionWatch();
}

QLayout *UpdateChecker::createInstructions()
{
    auto *row = new QHBoxLayout;
    row->setSpacing(8);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setFixedSize(41, 41);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(Assets::pixmap("update-checker"));
    picture->setAccessibleName(QStringLiteral("Update Checker"));
    row->addWidget(picture, 0, Qt::AlignTop);

    // The three sentences flow as one paragraph so that they fit whatever the font.
    auto *instructions
        = new QLabel(QStringLiteral("Use this utility to check for Corvanta updates. "
                                    "Make sure that you are connected to the Internet and click "
                                    "Get Update Information to see if there are any available."),
            this);
    instructions->setObjectName(QStringLiteral("Label1"));
    instructions->setWordWrap(true);
    instructions->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    row->addWidget(instructions, 1);
    return row;
}

QLayout *UpdateChecker::createVersionRows()
{
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);

    m_currentVersion
        = sunkenPanel(QStringLiteral("Panel1"), QStringLiteral("Current Version"), this);
    m_currentVersion->setText(QString::fromLatin1(Platform::ProgramVersion));
    m_latestVersion = sunkenPanel(QStringLiteral("Panel2"), QStringLiteral("Latest Version"), this);
    m_latestVersion->setText(QStringLiteral("Please wait..."));

    m_getUpdate = new QPushButton(QStringLiteral("&Get Update Information"), this);
    m_getUpdate->setObjectName(QStringLiteral("Button1"));
    m_getUpdate->setDefault(true);
    connect(m_getUpdate, &QPushButton::clicked, this, &UpdateChecker::checkNow);

    // No command is bound to it: it only shows whether there is something to download.
    m_downloadUpdate = new QPushButton(QStringLiteral("&Download Update"), this);
    m_downloadUpdate->setObjectName(QStringLiteral("Button2"));
    m_downloadUpdate->setAutoDefault(false);

    grid->addWidget(
        boldLabel(QStringLiteral("Label2"), QStringLiteral("Current Version:"), this), 0, 0);
    grid->addWidget(m_currentVersion, 0, 1);
    grid->addWidget(m_getUpdate, 0, 2);
    grid->addWidget(
        boldLabel(QStringLiteral("Label3"), QStringLiteral("Latest Version:"), this), 1, 0);
    grid->addWidget(m_latestVersion, 1, 1);
    grid->addWidget(m_downloadUpdate, 1, 2);
    grid->setColumnStretch(1, 1);
    return grid;
}

QWidget *UpdateChecker::createStatusPanel()
{
    m_status = sunkenPanel(QStringLiteral("Panel3"), QStringLiteral("Status"), this);
    m_status->setWordWrap(true);
    m_status->setText(Widgets::fromCp1252(Update::PreparingText(m_source.fileAddress)));
    return m_status;
}

void UpdateChecker::startConnectionWatch()
{
    m_connectionWatch = new QTimer(this);
    m_connectionWatch->setObjectName(QStringLiteral("Timer1"));
    m_connectionWatch->setInterval(ConnectionWatchInterval);
    connect(m_connectionWatch, &QTimer::timeout, this, &UpdateChecker::checkConnection);
    m_connectionWatch->start();
}

void UpdateChecker::checkConnection()
{
    Widgets::runCommand(m_dialogs, [this] {
        if (!m_source.isConnected()) {
            m_getUpdate->setEnabled(false);
            m_downloadUpdate->setEnabled(false);
            return;
        }
        // "Download Update" keeps whatever state the last check gave it.
        m_getUpdate->setEnabled(true);
        m_connectionWatch->stop();
    });
}

void UpdateChecker::checkNow()
{
    if (m_checking) {
        m_cancel = true;
        return;
    }
    Widgets::runCommand(m_dialogs, [this] {
        if (!m_source.isConnected())
            return;
        const std::string address = m_source.fileAddress;
        const std::string localPath = Update::UpdateFilePath(m_cacheDir);
        const std::string current = Widgets::toCp1252(m_currentVersion->text());
        const Update::DownloadLimits limits = m_source.limits;
        std::optional<Update::UpdateReport> report;
        std::exception_ptr failure;

        // The windows keep working while the file comes; the button cancels meanwhile.
        m_cancel = false;
        m_checking = true;
        const QString caption = m_getUpdate->text();
        m_getUpdate->setText(QStringLiteral("&Cancel"));
        QEventLoop waiting;
        std::atomic<bool> done = false;
        std::thread worker([&] {
            try {
                report = Update::CheckForUpdate(address, localPath, current, &m_cancel, limits);
            } catch (...) {
                failure = std::current_exception();
            }
            done = true;
            QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
        });
        waiting.exec();
        // The program may be ending, which ends every event loop: the check ends with it.
        if (!done)
            m_cancel = true;
        worker.join();
        m_checking = false;
        m_getUpdate->setText(caption);
        if (failure)
            std::rethrow_exception(failure);
        if (m_cancel)
            return;
        if (!report) {
            m_dialogs.notify({ Platform::ApplicationTitle, Update::DownloadFailedText,
                Platform::MessageIcon::None, Platform::MessageButtons::Ok });
            return;
        }
        // The panel shows a few words; a server that sends a long first line would keep the
        // window busy laying out text nobody can see.
        m_latestVersion->setText(
            Widgets::fromCp1252(report->latestVersion.substr(0, MaxShownVersionLength)));
        m_status->setText(QString::fromLatin1(report->statusText()));
        m_downloadUpdate->setEnabled(report->newerAvailable);
    });
}

void UpdateChecker::reject()
{
    m_cancel = true;
    QDialog::reject();
}

} // namespace Update
