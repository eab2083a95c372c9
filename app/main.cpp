#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "app/sessionguard.h"
#include "app/widgetdialogs.h"
#include "platform/homedirectory.h"
#include "widgets/editcommands.h"
#include "widgets/firstframe.h"
#include "widgets/windowbehaviour.h"

#include <QApplication>
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
    Widgets::redoWithCtrlYEverywhere();

    // The home directory holds the templates, help and read-me: the working directory when it
    // has templates, else the program's installed data folder. The other windows are made
    // when first opened.
    App::WidgetDialogs dialogs;
    const std::string home = Platform::defaultHomeDirectory();
    Model::ProjectSession session(App::programChoiceLists(home));
    App::MainWindow mainWindow(dialogs, session, home);
    App::ProgramWindows windows(dialogs, session, mainWindow, home);
    mainWindow.setCompanionWindows(windows.commands());
    Widgets::returnFocusWhenWindowsClose(&mainWindow);
    QObject::connect(&mainWindow, &App::MainWindow::programEnds, &application, &QApplication::quit,
        Qt::QueuedConnection);
    // Unsaved work is kept in a recovery snapshot until it is saved or the program ends normally.
    Model::RecoveryStore recovery(static_cast<int>(::getpid()));
    App::SessionGuard guard(session, mainWindow, recovery);
    QObject::connect(
        &mainWindow, &App::MainWindow::programEnds, &guard, &App::SessionGuard::programEnds);

    Widgets::quitAfterFirstFrameWhenAsked(mainWindow);
    mainWindow.show();
    // A desktop activates a newly shown window by itself; asking makes sure the first
    // activation, which shows the splash, also happens where nothing manages the windows.
    mainWindow.activateWindow();
    QTimer::singleShot(0, &mainWindow, [&] {
        if (App::offerRecovery(dialogs, session, recovery))
            mainWindow.showProject();
    });
    return application.exec();
}
