#include "app/programwindows.h"

#include "about/aboutwindow.h"
#include "about/splashwindow.h"
#include "app/editorpublishlinks.h"
#include "app/mainwindow.h"
#include "app/networkwindows.h"
#include "catalogue/templateviewer.h"
#include "editor/pageeditor.h"
#include "platform/userfolders.h"
#include "project/projectfiles.h"
#include "project/projectsession.h"
#include "publish/directorychooser.h"
#include "publish/publishwindow.h"
#include "publish/sitecheckwindow.h"

#include <QDialog>

namespace App {

ProgramWindows::ProgramWindows(Platform::Dialogs &dialogs, Model::ProjectSession &session,
    MainWindow &mainWindow, std::string homeDir)
    : m_dialogs(dialogs)
    , m_session(session)
    , m_mainWindow(mainWindow)
    , m_homeDir(std::move(homeDir))
{ }

ProgramWindows::~ProgramWindows()
{
    // The session takes the page bodies back before their window goes.
    if (m_pageEditor)
        m_session.attachBodyEditor(nullptr);
}

CompanionWindows ProgramWindows::commands()
{
    CompanionWindows windows;
    windows.showSplash = [this] { splashWindow().showSplash(); };
    windows.openTemplateViewer
        = [this] { templateViewer().openViewer(m_session.lists().templates); };
    windows.openUpdateChecker = [this] { updateChecker().exec(); };
    windows.openAbout = [this] { aboutWindow().exec(); };
    windows.openPageEditor = [this](Model::PageId page) { pageEditor().openOnPage(page); };
    windows.openPublishWindow = [this] { publishWindow().openFromMainWindow(); };
    windows.openUploadWindow = [this] { openUploadWindow(); };
    windows.openSiteCheck = [this] { siteCheckWindow().openFromMainWindow(); };
    return windows;
}

Editor::PageEditor &ProgramWindows::pageEditor()
{
    if (!m_pageEditor) {
        m_pageEditor = std::make_unique<Editor::PageEditor>(m_dialogs, m_homeDir);
        plugInPageEditor(m_session, *m_pageEditor);
        plugInEditorSaving(*m_pageEditor, m_mainWindow);
        m_pageEditor->setPreviewer([this](Model::PageId page) { m_mainWindow.previewPage(page); });
    }
    return *m_pageEditor;
}

Publish::DirectoryChooser &ProgramWindows::directoryChooser()
{
    // Where nothing better is known it starts in the user's documents, never in the program's
    // own data folder, and keeps its place from then on.
    if (!m_directoryChooser) {
        m_directoryChooser
            = std::make_unique<Publish::DirectoryChooser>(m_dialogs, Platform::dialogStartPath({}));
    }
    return *m_directoryChooser;
}

Publish::PublishWindow &ProgramWindows::publishWindow()
{
    if (!m_publish) {
        m_publish = std::make_unique<Publish::PublishWindow>(
            m_dialogs, m_homeDir, m_session, directoryChooser());
        m_publish->setUploadCommand([this] { openUploadWindow(); });
    }
    return *m_publish;
}

Publish::SiteCheckWindow &ProgramWindows::siteCheckWindow()
{
    if (!m_siteCheck) {
        // It stays open beside the main window, over it.
        m_siteCheck = std::make_unique<Publish::SiteCheckWindow>(
            m_dialogs, m_session,
            [this](
                Model::PageId page, int line) { openPageEditorAtLine(pageEditor(), page, line); },
            &m_mainWindow);
        m_siteCheck->refreshWhenClosed(pageEditor());
    }
    return *m_siteCheck;
}

Catalogue::TemplateViewer &ProgramWindows::templateViewer()
{
    if (!m_templateViewer) {
        m_templateViewer = std::make_unique<Catalogue::TemplateViewer>(m_dialogs, m_homeDir);
        m_templateViewer->setTemplateUser([this](std::size_t index) {
            m_session.fields().templateName = index;
            m_session.fieldsEdited();
        });
        m_templateViewer->setCatalogueUser([this](const std::vector<std::string> &catalogue) {
            m_session.setTemplates(catalogue);
        });
    }
    return *m_templateViewer;
}

QDialog &ProgramWindows::updateChecker()
{
    if (!m_updateChecker)
        m_updateChecker.reset(networkWindows().createUpdateChecker(m_dialogs));
    return *m_updateChecker;
}

About::AboutWindow &ProgramWindows::aboutWindow()
{
    if (!m_about)
        m_about = std::make_unique<About::AboutWindow>(m_dialogs);
    return *m_about;
}

About::SplashWindow &ProgramWindows::splashWindow()
{
    if (!m_splash)
        m_splash = std::make_unique<About::SplashWindow>();
    return *m_splash;
}

void ProgramWindows::openUploadWindow()
{
    if (m_session.publishDirectory().empty()) {
        const std::optional<std::string> chosen
            = directoryChooser().chooseDirectory(Model::projectDirectoryOf(m_session.fileName()));
        if (!chosen)
            return;
        m_session.setPublishDirectory(*chosen);
    }
    networkWindows().runUploadWindow(m_dialogs, m_session.fileName(), m_session.publishDirectory(),
        m_session.project().siteTitle, &m_mainWindow);
}

} // namespace App
