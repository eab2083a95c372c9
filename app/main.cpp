#include "about/aboutwindow.h"
#include "about/splashwindow.h"
#include "app/editorpublishlinks.h"
#include "app/mainwindow.h"
#include "app/sessionguard.h"
#include "app/widgetdialogs.h"
#include "catalogue/templateviewer.h"
#include "editor/pageeditor.h"
#include "platform/files.h"
#include "publish/directorychooser.h"
#include "publish/publishwindow.h"
#include "publish/sitecheckwindow.h"
#include "update/updatecheck.h"
#include "update/updatechecker.h"
#include "upload/uploadwindow.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

bool isSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

// Without a display Qt would stop the program with a message about plug-ins; say plainly
// what is missing instead.
bool displayAvailable()
{
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char **argv)
{
    if (!displayAvailable()) {
        std::fprintf(stderr,
            "corvanta: no display to open the window on: neither DISPLAY (X11) nor "
            "WAYLAND_DISPLAY (Wayland) is set.\n"
            "Start Corvanta from a desktop session, or use corvanta-cli to work "
            "without a window.\n");
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    // Lets the desktop match the running program with its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("corvanta"));

    // The windows are created hidden, the main window first; it takes the working directory
    // as the home directory, where the templates, help and read-me are found.
    App::WidgetDialogs dialogs;
    const std::string home = Platform::currentDirectory();
    Model::ProjectSession session(App::programChoiceLists(home));
    App::MainWindow mainWindow(dialogs, session, home);
    About::SplashWindow splash;
    Catalogue::TemplateViewer templateViewer(dialogs, home);
    Editor::PageEditor pageEditor(dialogs, home);
    About::AboutWindow aboutWindow(dialogs);
    // The publish window holds its directory chooser, so the chooser, which starts at the
    // working directory, is made just before it.
    Publish::DirectoryChooser directoryChooser(dialogs, home);
    Publish::PublishWindow publishWindow(dialogs, home, session, directoryChooser);
    Update::UpdateChecker updateChecker(dialogs, Update::UpdateCacheDirectory());
    Publish::SiteCheckWindow siteCheck(
        dialogs, session, [&pageEditor](Model::PageId page, int line) {
            App::openPageEditorAtLine(pageEditor, page, line);
        });

    templateViewer.setTemplateUser(
        [&session](std::size_t index) { session.fields().templateName = index; });
    App::CompanionWindows windows;
    windows.showSplash = [&splash] { splash.showSplash(); };
    windows.openTemplateViewer
        = [&templateViewer, &session] { templateViewer.openViewer(session.lists().templates); };
    windows.openUpdateChecker = [&updateChecker] { updateChecker.exec(); };
    windows.openAbout = [&aboutWindow] { aboutWindow.exec(); };
    App::plugInPageEditor(windows, session, pageEditor);
    pageEditor.setPreviewer([&mainWindow](Model::PageId page) { mainWindow.previewPage(page); });
    App::plugInPublishWindow(windows, publishWindow);
    windows.openUploadWindow = [&] {
        if (session.publishDirectory().empty()) {
            const std::optional<std::string> chosen = directoryChooser.chooseDirectory();
            if (!chosen)
                return;
            session.setPublishDirectory(*chosen);
        }
        Upload::UploadWindow window(
            dialogs, session.fileName(), session.publishDirectory(), &mainWindow);
        window.exec();
    };
    publishWindow.setUploadCommand(windows.openUploadWindow);
    App::plugInSiteCheck(windows, siteCheck);
    mainWindow.setCompanionWindows(std::move(windows));
    QObject::connect(&mainWindow, &App::MainWindow::programEnds, &application, &QApplication::quit,
        Qt::QueuedConnection);
    // Unsaved work is kept in a recovery snapshot until it is saved or the program ends normally.
    Model::RecoveryStore recovery(static_cast<int>(::getpid()));
    App::SessionGuard guard(session, mainWindow, recovery);
    QObject::connect(
        &mainWindow, &App::MainWindow::programEnds, &guard, &App::SessionGuard::programEnds);

    mainWindow.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, mainWindow.size(),
        mainWindow.screen()->availableGeometry()));
    mainWindow.show();
    // A desktop activates a newly shown window by itself; asking makes sure the first
    // activation, which shows the splash, also happens where nothing manages the windows.
    mainWindow.activateWindow();
    QTimer::singleShot(0, &mainWindow, [&] {
        if (App::offerRecovery(dialogs, session, recovery)) {
            mainWindow.showProject();
            guard.check();
        }
    });
    return application.exec();
}
