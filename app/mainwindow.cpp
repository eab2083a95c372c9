#include "app/mainwindow.h"

#include "app/editpagespane.h"
#include "app/finishpane.h"
#include "app/mainmenus.h"
#include "app/siteinfopane.h"
#include "assets/icons.h"
#include "platform/files.h"
#include "platform/maker.h"
#include "platform/userfolders.h"
#include "project/projectfiles.h"
#include "project/recentprojects.h"
#include "publish/previewpage.h"
#include "widgets/cp1252text.h"
#include "widgets/editcommands.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTimer>

#include <algorithm>

namespace App {

using Model::PageId;

namespace {

constexpr int ClientWidth = 604;
constexpr int ClientHeight = 405;

// What a trimmed file name keeps: blanks and control characters at either end go.
bool isBlankName(const std::string &name)
{
    return std::all_of(
        name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

Platform::FileDialogSpec projectDialog(
    Platform::FileDialogSpec::Mode mode, const char *title, const std::string &lastName)
{
    Platform::FileDialogSpec request;
    request.mode = mode;
    request.title = title;
    request.filters = { { "Corvanta Files (*.cvp)", "*.cvp" } };
    request.defaultExtension = "cvp";
    request.initialPath = Platform::dialogStartPath(lastName);
    return request;
}

} // namespace

MainWindow::MainWindow(Platform::Dialogs &dialogs, Model::ProjectSession &session,
    const std::string &homeDir, QWidget *parent)
    : QMainWindow(parent)
    , m_dialogs(dialogs)
    , m_session(session)
    , m_homeDir(homeDir)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(Platform::ProgramNameAndVersion));
    setWindowIcon(Assets::icon("corvanta"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
        | Qt::WindowCloseButtonHint);
    createOrganiser();
    createMenus();
    m_statusBar = new HintStatusBar(this);
    setStatusBar(m_statusBar);
    showPane(OrganiserPane::SiteInfo);
    Widgets::rememberPlace(this, QSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height()));
}

MainWindow::~MainWindow() = default;

void MainWindow::createOrganiser()
{
    auto *central = new QWidget(this);
    setCentralWidget(central);
    auto *homedirBox = new QLineEdit(Widgets::fromCp1252(m_homeDir), central);
    homedirBox->setObjectName(QStringLiteral("homedir"));
    homedirBox->setVisible(false);
    auto *sidebar = new Sidebar(central);
    connect(sidebar, &Sidebar::paneChosen, this, &MainWindow::choosePane);

    m_organiser = new OrganiserArea(m_session, m_dialogs, central);
    auto *row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    row->addWidget(sidebar);
    row->addWidget(m_organiser, 1);
    connect(m_organiser->siteInfo(), &SiteInfoPane::templateViewerRequested, this, [this] {
        runCommand([this] {
            if (m_windows.openTemplateViewer)
                m_windows.openTemplateViewer();
            // The viewer may have set the project's template.
            m_organiser->siteInfo()->showProject();
        });
    });
    connect(m_organiser->editPages(), &EditPagesPane::editSelectedPage, this,
        &MainWindow::editSelectedPage);
    connect(m_organiser->editPages(), &EditPagesPane::previewSelectedPage, this,
        &MainWindow::previewSelectedPage);
    connect(m_organiser->finish(), &FinishPane::saveRequested, this, &MainWindow::saveProject);
    connect(m_organiser->finish(), &FinishPane::publishRequested, this, &MainWindow::publishHtml);
    connect(m_organiser, &OrganiserArea::helpRequested, this, &MainWindow::openHelp);
}

void MainWindow::createMenus()
{
    m_editCommands = new Widgets::EditCommands(this);
    addMainMenus(*this, *menuBar(), *m_editCommands);
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("PopupMenu1"));
    m_editCommands->addTo(m_contextMenu);
}

OrganiserPane MainWindow::currentPane() const { return m_organiser->currentPane(); }

QString MainWindow::heading() const { return m_organiser->heading(); }

void MainWindow::showPane(OrganiserPane pane) { m_organiser->showPane(pane); }

void MainWindow::choosePane(OrganiserPane pane)
{
    if (pane == OrganiserPane::EditPages)
        enterEditPages();
    else
        showPane(pane);
}

void MainWindow::setCompanionWindows(CompanionWindows windows) { m_windows = std::move(windows); }

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_splashPending) {
        m_splashPending = false;
        // Right after the events at hand, so that the window's first picture is not kept
        // waiting for the splash's.
        QTimer::singleShot(0, this, [this] {
            runCommand([this] {
                if (m_windows.showSplash)
                    m_windows.showSplash();
            });
        });
    }
    if (event->type() == QEvent::StatusTip) {
        // Highlighted menu items: "Cut", "Copy", "Paste", or nothing.
        m_statusBar->showHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::contextMenuEvent(QContextMenuEvent *event)
{
    m_editCommands->refresh();
    m_contextMenu->popup(event->globalPos());
}

bool MainWindow::settleUnsavedWork(const std::string &leaving)
{
    if (!m_session.isModified())
        return true;
    const std::string &file = m_session.fileName();
    const std::string what = file.empty() ? std::string("this new project")
                                          : "the changes to " + Platform::fileNameOf(file);
    const Platform::SaveChoice choice = m_dialogs.askToSave({ Platform::ApplicationTitle,
        "Do you want to save " + what + " before " + leaving
            + "?\nIf you don't save, your changes will be lost.",
        Platform::MessageIcon::Warning, Platform::MessageButtons::OkCancel });
    switch (choice) {
    case Platform::SaveChoice::Save:
        return save(false);
    case Platform::SaveChoice::DontSave:
        return true;
    case Platform::SaveChoice::Cancel:
        break;
    }
    return false;
}

bool MainWindow::confirmExit()
{
    // Unsaved work gets the three-way question; otherwise the plain one.
    if (m_session.isModified())
        return settleUnsavedWork("exiting Corvanta");
    return m_dialogs.confirm({ "Confirm", "Are you sure you want to exit Corvanta?",
        Platform::MessageIcon::Question, Platform::MessageButtons::OkCancel });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_exitConfirmed && !confirmExit()) {
        event->ignore();
        return;
    }
    m_exitConfirmed = true;
    event->accept();
    emit programEnds();
}

void MainWindow::exitProgram()
{
    runCommand([this] {
        if (!confirmExit())
            return;
        // The close question is not asked a second time.
        m_exitConfirmed = true;
        close();
    });
}

void MainWindow::runCommand(const std::function<void()> &command)
{
    Widgets::runCommand(m_dialogs, command);
}

void MainWindow::newProject()
{
    if (m_session.isModified()) {
        if (!settleUnsavedWork("starting a new project"))
            return;
    } else if (!m_dialogs.confirm({ "Warning",
                   "Are you sure you want to erase all fields and start a new project?",
                   Platform::MessageIcon::Warning, Platform::MessageButtons::OkCancel })) {
        return;
    }
    runCommand([&] { m_session.newProject(); });
    m_organiser->showProject();
    showPane(OrganiserPane::SiteInfo);
}

void MainWindow::showProject() { m_organiser->showProject(); }

void MainWindow::undoNewProject()
{
    if (!m_session.canUndoNew())
        return;
    runCommand([&] { m_session.undoNew(); });
    showProject();
}

void MainWindow::saveProject() { save(false); }

void MainWindow::saveProjectAs() { save(true); }

bool MainWindow::save(bool askWhere)
{
    std::string path = m_session.fileName();
    if (askWhere || path.empty()) {
        std::optional<std::string> chosen;
        runCommand([&] { chosen = chooseSaveName(); });
        if (!chosen)
            return false;
        path = *chosen;
    }
    bool saved = false;
    runCommand([&] {
        // A proposed folder of its own is made once the user takes it; when it cannot be,
        // the save says why.
        Platform::makeDirectories(Platform::siblingPath(path, ""));
        m_session.save(path);
        saved = true;
    });
    if (saved)
        rememberRecent(path);
    return saved;
}

std::optional<std::string> MainWindow::chooseSaveName()
{
    Platform::FileDialogSpec request = projectDialog(
        Platform::FileDialogSpec::Mode::Save, "Save Project", m_session.lastSaveName());
    request.confirmOverwrite = true;
    // A project never saved is offered a folder of its own, named after it, beside the folder
    // of the project last saved (in it, when that one has no folder of its own), or in
    // Documents.
    if (m_session.fileName().empty()) {
        const std::string &last = m_session.lastSaveName();
        std::string parent
            = last.empty() ? Platform::dialogStartPath({}) : Model::projectDirectoryOf(last);
        const std::string stem
            = Platform::fileNameOf(last).substr(0, Platform::fileNameOf(last).rfind('.'));
        if (!last.empty() && Platform::fileNameOf(parent) == stem)
            parent = Model::projectDirectoryOf(parent);
        request.initialPath = Model::proposedProjectFile(parent, m_session.fields().siteTitle);
    } else {
        request.initialPath = m_session.fileName();
    }
    for (;;) {
        std::optional<std::string> chosen = m_dialogs.chooseFile(request);
        if (!chosen)
            return std::nullopt;
        m_session.setLastSaveName(*chosen);
        if (isBlankName(*chosen))
            return std::nullopt;
        // The page files beside a project file are its own: a second project there would
        // overwrite them.
        const std::string other = Model::otherProjectInFolder(*chosen);
        if (other.empty())
            return chosen;
        const std::string folder = Model::projectDirectoryOf(*chosen);
        m_dialogs.notify({ "Save Project",
            "The folder " + folder + " already holds the project " + other
                + ", whose pages this project's pages would overwrite.\n"
                  "Please save this project in a folder of its own.",
            Platform::MessageIcon::Warning, Platform::MessageButtons::Ok });
        request.initialPath = Model::proposedProjectFile(folder, m_session.fields().siteTitle);
    }
}

void MainWindow::openProject()
{
    // Only unsaved changes give Open something to ask.
    if (!settleUnsavedWork("opening another project"))
        return;
    const std::optional<std::string> chosen = m_dialogs.chooseFile(projectDialog(
        Platform::FileDialogSpec::Mode::Open, "Open Project", m_session.lastOpenName()));
    if (!chosen)
        return;
    m_session.setLastOpenName(*chosen);
    if (isBlankName(*chosen))
        return;
    openProjectFile(*chosen);
}

void MainWindow::openProjectFile(const std::string &path)
{
    bool opened = false;
    std::vector<std::string> warnings;
    runCommand([&] {
        warnings = m_session.open(path);
        opened = true;
    });
    // What was read before an error stays applied and shows.
    m_organiser->showProject();
    if (opened) {
        rememberRecent(path);
        showPane(OrganiserPane::SiteInfo);
    }
    for (const std::string &warning : warnings) {
        m_dialogs.notify(
            { "Warning", warning, Platform::MessageIcon::Warning, Platform::MessageButtons::Ok });
    }
}

namespace {

constexpr const char *RecentProjectsKey = "recentProjects";

QSettings programSettings()
{
    return QSettings(QStringLiteral("corvanta"), QStringLiteral("corvanta"));
}

Model::RecentProjects storedRecentProjects()
{
    std::vector<std::string> paths;
    for (const QString &path : programSettings().value(RecentProjectsKey).toStringList())
        paths.push_back(Widgets::toCp1252(path));
    return Model::RecentProjects(paths);
}

void storeRecentProjects(const Model::RecentProjects &recent)
{
    QStringList paths;
    for (const std::string &path : recent.paths())
        paths.push_back(Widgets::fromCp1252(path));
    programSettings().setValue(RecentProjectsKey, paths);
}

} // namespace

void MainWindow::rememberRecent(const std::string &path)
{
    Model::RecentProjects recent = storedRecentProjects();
    recent.add(path);
    storeRecentProjects(recent);
}

void MainWindow::fillReopenMenu(QMenu *menu)
{
    menu->clear();
    const Model::RecentProjects recent = storedRecentProjects();
    for (const std::string &path : recent.paths()) {
        QAction *action = menu->addAction(Widgets::fromCp1252(path));
        connect(action, &QAction::triggered, this, [this, path] { reopenProject(path); });
    }
    menu->setEnabled(!recent.paths().empty());
}

void MainWindow::reopenProject(const std::string &path)
{
    if (!Platform::pathExists(path)) {
        Model::RecentProjects recent = storedRecentProjects();
        recent.remove(path);
        storeRecentProjects(recent);
        m_dialogs.notify(
            { "Reopen", "The project " + path + " no longer exists.\nIt was removed from the list.",
                Platform::MessageIcon::Warning, Platform::MessageButtons::Ok });
        return;
    }
    if (!settleUnsavedWork("opening another project"))
        return;
    openProjectFile(path);
}

void MainWindow::publishHtml()
{
    runCommand([this] {
        if (m_windows.openPublishWindow)
            m_windows.openPublishWindow();
    });
}

void MainWindow::uploadWebsite()
{
    runCommand([this] {
        if (m_windows.openUploadWindow)
            m_windows.openUploadWindow();
    });
}

void MainWindow::checkForUpdates()
{
    runCommand([this] {
        if (m_windows.openUpdateChecker)
            m_windows.openUpdateChecker();
    });
}

void MainWindow::checkSite()
{
    runCommand([this] {
        if (m_windows.openSiteCheck)
            m_windows.openSiteCheck();
    });
}

void MainWindow::showAbout()
{
    runCommand([this] {
        if (m_windows.openAbout)
            m_windows.openAbout();
    });
}

void MainWindow::enterEditPages()
{
    runCommand([this] {
        showPane(OrganiserPane::EditPages);
        m_session.selection().enterEditPages();
        m_organiser->showEditPagesList();
    });
}

void MainWindow::editSelectedPage()
{
    runCommand([&] {
        const PageId page = m_session.selection().selectedPage();
        if (m_windows.openPageEditor)
            m_windows.openPageEditor(page);
    });
}

void MainWindow::previewSelectedPage() { previewPage(m_session.selection().selectedPage()); }

void MainWindow::previewPage(PageId page)
{
    runCommand([&] {
        const Publish::PublishResult preview
            = Publish::PreviewPage(Publish::requestFor(m_session, m_homeDir), page);
        // The files that could not be copied are the check's to name, not the preview's.
        if (const auto notice = Publish::stoppedNotice(preview))
            m_dialogs.notify(*notice);
        m_dialogs.openDocument(Publish::previewedPage(preview, page));
    });
}

void MainWindow::openHelp(const char *relativePath)
{
    // Joined as they stand: at the root the path starts with two slashes.
    runCommand([&] { m_dialogs.openDocument(m_homeDir + relativePath); });
}

void MainWindow::showHelp() { openHelp("/help/index.html"); }

void MainWindow::showReadme() { openHelp("/readme.txt"); }

void MainWindow::openMakerWebsite()
{
    runCommand([this] { m_dialogs.openDocument(Platform::Maker::WebSite); });
}

void MainWindow::emailMaker()
{
    runCommand(
        [this] { m_dialogs.openDocument(std::string("mailto:") + Platform::Maker::EmailAddress); });
}

void MainWindow::openSupportPage()
{
    runCommand([this] { m_dialogs.openDocument(Platform::Maker::SupportPage); });
}

} // namespace App
