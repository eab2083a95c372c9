#include "publish/publishwindow.h"

#include "project/projectfiles.h"
#include "publish/directorychooser.h"
#include "publish/publishwebsite.h"
#include "publish/sitecheck.h"
#include "publish/sitecheckwindow.h"

#include "assets/icons.h"
#include "platform/files.h"
#include "widgets/cp1252text.h"
#include "widgets/panelparts.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QBoxLayout>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <exception>
#include <thread>

namespace Publish {

namespace {

constexpr QSize ClientSize(377, 153);

// What the status says once Cancel is pressed, and how the cancelled run ended.
constexpr const char *CancellingStatus = "Cancelling...";
constexpr const char *CancelledStatus = "Cancelled; nothing was published.";
constexpr const char *CancelledReplacingStatus = "Cancelled; the earlier website is unchanged.";

/// The page a browser shows first: index.html, written when the home page is published,
/// otherwise the first page of the site.
std::string homePageOf(const Model::Project &project, const std::string &website)
{
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (Model::pageIncluded(project, page.id))
            return website + "/" + (page.id == 1 ? "index.html" : page.pageFile);
    }
    return website;
}

} // namespace

PublishWindow::PublishWindow(Platform::Dialogs &dialogs, std::string homeDir,
    Model::ProjectSession &session, Publish::DirectoryChooser &chooser, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
    , m_dialogs(dialogs)
    , m_homeDir(std::move(homeDir))
    , m_session(session)
    , m_chooser(chooser)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Publish Website"));

    auto *window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    createHeading();
    window->addWidget(m_heading);
    auto *body = new QVBoxLayout;
    body->setContentsMargins(8, 9, 8, 6);
    body->setSpacing(0);
    createDirectoryRow();
    auto *directoryRow = new QHBoxLayout;
    directoryRow->setContentsMargins(0, 0, 3, 0);
    directoryRow->setSpacing(4);
    directoryRow->addWidget(m_directoryBox, 1);
    directoryRow->addWidget(m_browse);
    body->addLayout(directoryRow);
    // A taller box (for a larger font) takes from the gap below it first.
    body->addSpacing(std::max(8, 15 - (m_directoryBox->minimumHeight() - 21)));
    createProgress();
    body->addWidget(m_status);
    body->addSpacing(2);
    body->addWidget(m_gauge);
    body->addSpacing(9);
    body->addStretch(1);
    createButtons();
    createFinishRow();
    body->addWidget(m_siteLocation);
    auto *next = new QHBoxLayout;
    next->setSpacing(3);
    next->addWidget(m_openFolder);
    next->addWidget(m_viewSite);
    next->addWidget(m_upload);
    next->addStretch(1);
    body->addLayout(next);
    body->addSpacing(9);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    buttons->addWidget(m_publish);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_close);
    body->addLayout(buttons);
    window->addLayout(body, 1);
    Widgets::fixWindowSize(this, ClientSize);
    setTabOrder(m_directoryBox, m_browse);
    setTabOrder(m_browse, m_openFolder);
    setTabOrder(m_openFolder, m_viewSite);
    setTabOrder(m_viewSite, m_upload);
    setTabOrder(m_upload, m_publish);
    setTabOrder(m_publish, m_cancel);
    setTabOrder(m_cancel, m_close);
    resetProgress();
}

void PublishWindow::createHeading()
{
    m_heading = new QLabel(
        QStringLiteral("Choose a directory to which your website must be published:"), this);
    m_heading->setObjectName(QStringLiteral("Label1"));
    m_heading->setMinimumHeight(33);
    m_heading->setIndent(8);
    m_heading->setWordWrap(true);
    m_heading->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Widgets::fillPanel(m_heading, QPalette::Midlight);
}

void PublishWindow::createDirectoryRow()
{
    m_directoryBox = new QLineEdit(this);
    m_directoryBox->setObjectName(QStringLiteral("Edit1"));
    Widgets::keepAtLeast(m_directoryBox, QSize(0, 21));
    m_directoryBox->setReadOnly(true);
    m_directoryBox->setAccessibleName(QStringLiteral("Publish directory"));
    m_directoryBox->setPlaceholderText(
        QStringLiteral("Choose a folder with the button on the right"));

    m_browse = new QToolButton(this);
    m_browse->setObjectName(QStringLiteral("SpeedButton1"));
    m_browse->setFixedSize(17, 17);
    m_browse->setAutoRaise(true);
    m_browse->setIcon(Assets::icon("publish-browse"));
    m_browse->setIconSize(QSize(13, 13));
    m_browse->setToolTip(QStringLiteral("Choose a directory"));
    m_browse->setAccessibleName(QStringLiteral("Choose a directory"));
    // Reachable with Tab too, so that a directory can be chosen without a mouse.
    m_browse->setFocusPolicy(Qt::StrongFocus);
    connect(m_browse, &QToolButton::clicked, this, &PublishWindow::browseForDirectory);
}

void PublishWindow::createProgress()
{
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Label2"));
    // The status comes later; its line is kept for it.
    Widgets::keepAtLeast(m_status, QSize(0, std::max(16, m_status->fontMetrics().height())));
    QFont bold = m_status->font();
    bold.setBold(true);
    m_status->setFont(bold);

    m_gauge = new QProgressBar(this);
    m_gauge->setObjectName(QStringLiteral("Gauge1"));
    m_gauge->setFixedHeight(std::max(17, m_gauge->fontMetrics().height() + 2));
    m_gauge->setRange(0, 100);
    m_gauge->setTextVisible(true);
    m_gauge->setFormat(QStringLiteral("%p%"));
    m_gauge->setAlignment(Qt::AlignCenter);
    m_gauge->setAccessibleName(QStringLiteral("Progress"));
}

void PublishWindow::createButtons()
{
    m_publish = new QPushButton(Assets::icon("publish-publish"), QStringLiteral("&Publish"), this);
    m_publish->setObjectName(QStringLiteral("BitBtn1"));
    Widgets::fixButtonSize(m_publish, QSize(121, 25));
    m_publish->setAccessibleName(QStringLiteral("Publish"));
    // Enter anywhere in the window publishes.
    m_publish->setDefault(true);
    connect(m_publish, &QPushButton::clicked, this, &PublishWindow::publish);

    m_close = new QPushButton(Assets::icon("publish-close"), QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("BitBtn2"));
    Widgets::fixButtonSize(m_close, QSize(121, 25));
    m_close->setAccessibleName(QStringLiteral("Close"));
    m_close->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &PublishWindow::closeWindow);

    // In the place of "&Close" while a run goes on.
    m_cancel = new QPushButton(Assets::icon("publish-close"), QStringLiteral("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    Widgets::fixButtonSize(m_cancel, QSize(121, 25));
    m_cancel->setAccessibleName(QStringLiteral("Cancel publishing"));
    m_cancel->setToolTip(QStringLiteral("Stop publishing; nothing of this run is kept"));
    m_cancel->setAutoDefault(false);
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, &PublishWindow::cancelRun);
}

void PublishWindow::createFinishRow()
{
    m_siteLocation = new QLabel(this);
    m_siteLocation->setObjectName(QStringLiteral("siteLocation"));
    m_siteLocation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path is cut at the window's edge; its tooltip holds it whole.
    m_siteLocation->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_siteLocation->setMinimumHeight(std::max(20, m_siteLocation->fontMetrics().height() + 4));

    const auto makeButton = [this](const QString &text, const char *name, int width) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QLatin1String(name));
        Widgets::fixButtonSize(button, QSize(width, 25));
        button->setAutoDefault(false);
        return button;
    };
    m_openFolder = makeButton(QStringLiteral("Open &Folder"), "openFolderButton", 113);
    m_openFolder->setToolTip(QStringLiteral("Open the folder of the published site"));
    connect(m_openFolder, &QPushButton::clicked, this, &PublishWindow::openSiteFolder);
    m_viewSite = makeButton(QStringLiteral("&View Site"), "viewSiteButton", 113);
    m_viewSite->setToolTip(QStringLiteral("Open the site's home page in the browser"));
    connect(m_viewSite, &QPushButton::clicked, this, &PublishWindow::viewSite);
    m_upload = makeButton(QStringLiteral("&Upload"), "uploadButton", 113);
    m_upload->setToolTip(QStringLiteral("Copy the site to your web host"));
    connect(m_upload, &QPushButton::clicked, this, [this] {
        if (m_uploadCommand)
            m_uploadCommand();
    });
    // Shown only after publishing; until then their places stay empty, so the window keeps
    // its size.
    for (QWidget *part :
        std::initializer_list<QWidget *> { m_siteLocation, m_openFolder, m_viewSite, m_upload }) {
        QSizePolicy policy = part->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        part->setSizePolicy(policy);
        part->hide();
    }
}

void PublishWindow::showFinished(bool finished)
{
    const QString website = Widgets::fromCp1252(websiteDirectoryOf(m_session.publishDirectory()));
    m_siteLocation->setText(finished ? QStringLiteral("Your site is in ") + website : QString());
    m_siteLocation->setToolTip(finished ? website : QString());
    m_siteLocation->setVisible(finished);
    m_openFolder->setVisible(finished);
    m_viewSite->setVisible(finished);
    // The site is ready for the host: uploading is the next step.
    m_upload->setVisible(finished && m_uploadCommand);
}

void PublishWindow::openFromMainWindow()
{
    // New forgets the directory; every opening shows the session's.
    m_directoryBox->setText(Widgets::fromCp1252(m_session.publishDirectory()));
    resetProgress();
    exec();
}

void PublishWindow::resetProgress()
{
    m_gauge->setValue(0);
    m_status->setText(QString::fromLatin1(Publish::PublishStatus::Waiting));
    showFinished(false);
}

void PublishWindow::setPublishDirectory(const std::string &directory)
{
    m_session.setPublishDirectory(directory);
    m_directoryBox->setText(Widgets::fromCp1252(directory));
}

void PublishWindow::browseForDirectory()
{
    Widgets::runCommand(m_dialogs, [this] {
        // The folder used last; before one is chosen, the project's own folder.
        const std::string &last = m_session.publishDirectory();
        const std::optional<std::string> chosen = m_chooser.chooseDirectory(
            isDirectoryChosen(last) ? last : Model::projectDirectoryOf(m_session.fileName()));
        if (chosen)
            setPublishDirectory(*chosen);
    });
}

void PublishWindow::showStep(int percent, const QString &status)
{
    if (m_stop.stop_requested())
        return;
    m_status->setText(status);
    m_gauge->setValue(percent);
}

void PublishWindow::setRunning(bool running)
{
    m_running = running;
    m_publish->setEnabled(!running);
    m_browse->setEnabled(!running);
    m_close->setVisible(!running);
    m_cancel->setVisible(running);
    if (running)
        m_cancel->setFocus();
    else if (m_cancel->hasFocus() || focusWidget() == nullptr)
        m_publish->setFocus();
}

PublishResult PublishWindow::runAside(PublishRequest &request)
{
    m_stop = std::stop_source();
    request.cancel = m_stop.get_token();
    request.progress = [this](int percent, const std::string &status) {
        QMetaObject::invokeMethod(
            this, [this, percent, text = Widgets::fromCp1252(status)] { showStep(percent, text); },
            Qt::QueuedConnection);
    };
    std::optional<PublishResult> result;
    std::exception_ptr failure;
    QEventLoop running;
    setRunning(true);
    std::thread run([&] {
        try {
            result = PublishWebsite(request);
        } catch (...) {
            failure = std::current_exception();
        }
        // After the steps it posted, so that every step is shown before the run ends.
        QMetaObject::invokeMethod(&running, &QEventLoop::quit, Qt::QueuedConnection);
    });
    running.exec();
    run.join();
    setRunning(false);
    if (failure)
        std::rethrow_exception(failure);
    return std::move(*result);
}

void PublishWindow::cancelRun()
{
    if (!m_running || m_stop.stop_requested())
        return;
    m_stop.request_stop();
    m_status->setText(QString::fromLatin1(CancellingStatus));
}

void PublishWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape is bound to no button here, but for Cancel while a run goes on.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_running)
            m_cancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PublishWindow::reject()
{
    if (m_running)
        cancelRun();
    else
        QDialog::reject();
}

void PublishWindow::publish()
{
    if (m_running)
        return;
    // A failure stops the run where it is; the window stays open with that step showing.
    Widgets::runCommand(m_dialogs, [this] {
        showFinished(false);
        PublishRequest request = requestFor(m_session, m_homeDir);
        if (isDirectoryChosen(request.target)) {
            // The bodies are read once, for the check and for the files the run copies.
            readPagesOnce(request);
            const std::vector<SiteFinding> findings = CheckSite(request).findings;
            if (!findings.empty() && !m_dialogs.confirm(publishAnywayQuestion(findings)))
                return;
            // An earlier site is replaced only when the user says so; No changes nothing.
            if (Platform::isDirectory(websiteDirectoryOf(request.target))) {
                if (!m_dialogs.confirm(replaceWebsiteQuestion(request.target)))
                    return;
                request.existing = ExistingWebsite::Replace;
            }
        }
        const PublishResult result = runAside(request);
        if (result.outcome == PublishOutcome::Cancelled) {
            m_gauge->setValue(0);
            m_status->setText(QString::fromLatin1(request.existing == ExistingWebsite::Replace
                    ? CancelledReplacingStatus
                    : CancelledStatus));
            return;
        }
        for (const auto &notice : { stoppedNotice(result), notCopiedWarning(result) }) {
            if (notice)
                m_dialogs.notify(*notice);
        }
        if (result.outcome == PublishOutcome::DirectoryNotCreated)
            close();
        showFinished(result.outcome == PublishOutcome::Completed);
    });
}

void PublishWindow::openSiteFolder()
{
    Widgets::runCommand(m_dialogs,
        [this] { m_dialogs.openDocument(websiteDirectoryOf(m_session.publishDirectory())); });
}

void PublishWindow::viewSite()
{
    Widgets::runCommand(m_dialogs, [this] {
        m_dialogs.openDocument(
            homePageOf(m_session.project(), websiteDirectoryOf(m_session.publishDirectory())));
    });
}

void PublishWindow::closeWindow()
{
    Widgets::runCommand(m_dialogs, [this] {
        m_gauge->setValue(0);
        close();
    });
}

} // namespace Publish
