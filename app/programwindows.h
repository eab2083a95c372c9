#pragma once

#include "app/companionwindows.h"
#include "platform/dialogs.h"

#include <memory>
#include <string>

namespace About {
class AboutWindow;
class SplashWindow;
}
namespace Catalogue {
class TemplateViewer;
}
namespace Editor {
class PageEditor;
}
namespace Model {
class ProjectSession;
}
namespace Publish {
class DirectoryChooser;
class PublishWindow;
class SiteCheckWindow;
}
class QDialog;

namespace App {

class MainWindow;

/// The program's windows beside the main window. Each is made the first time it is needed,
/// so that nothing but the main window stands between starting the program and its window on
/// the screen, and is then kept (with its place, texts and choices) until the program ends.
class ProgramWindows
{
public:
    ProgramWindows(Platform::Dialogs &dialogs, Model::ProjectSession &session,
        MainWindow &mainWindow, std::string homeDir);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    /// The commands that open the windows, for the main window.
    CompanionWindows commands();

    Editor::PageEditor &pageEditor();
    Publish::DirectoryChooser &directoryChooser();
    Publish::PublishWindow &publishWindow();
    Publish::SiteCheckWindow &siteCheckWindow();
    Catalogue::TemplateViewer &templateViewer();
    QDialog &updateChecker();
    About::AboutWindow &aboutWindow();
    About::SplashWindow &splashWindow();

private:
    void openUploadWindow();

    Platform::Dialogs &m_dialogs;
    Model::ProjectSession &m_session;
    MainWindow &m_mainWindow;
    std::string m_homeDir;

    std::unique_ptr<About::SplashWindow> m_splash;
    std::unique_ptr<Catalogue::TemplateViewer> m_templateViewer;
    std::unique_ptr<Editor::PageEditor> m_pageEditor;
    std::unique_ptr<About::AboutWindow> m_about;
    std::unique_ptr<Publish::DirectoryChooser> m_directoryChooser;
    std::unique_ptr<Publish::PublishWindow> m_publish;
    std::unique_ptr<QDialog> m_updateChecker;
    std::unique_ptr<Publish::SiteCheckWindow> m_siteCheck;
};

} // namespace App
