#include "about/tform2.h"
#include "about/tform5.h"
#include "app/editorpublishlinks.h"
#include "app/tform1.h"
#include "app/widgetdialogs.h"
#include "catalogue/tform3.h"
#include "editor/tform4.h"
#include "platform/files.h"
#include "publish/tform7.h"
#include "publish/tform9.h"
#include "update/tform8.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

#include <cstdio>
#include <cstdlib>

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
    App::TForm1 form1(dialogs, home);
    TForm2 form2;
    TForm3 form3(dialogs, home);
    TForm4 form4(dialogs, home);
    TForm5 form5(dialogs);
    // The publish window holds its directory chooser, so the chooser, which starts at the
    // working directory, is made just before it.
    TForm9 form9(home);
    TForm7 form7(
        dialogs, home, [&form1]() -> const Corvanta::Project & { return form1.project(); },
        form1.lists(), form9);
    TForm8 form8(dialogs, home);

    App::CompanionWindows windows;
    windows.showSplash = [&form2] { form2.showSplash(); };
    windows.openTemplateViewer = [&form3, &form1] { form3.openViewer(form1.lists().templates); };
    windows.openUpdateChecker = [&form8] { form8.exec(); };
    windows.openAbout = [&form5] { form5.exec(); };
    windows.pageEditor = App::pageEditorLink(form4);
    App::plugInPublishWindow(windows, form7);
    form1.setCompanionWindows(std::move(windows));
    QObject::connect(
        &form1, &App::TForm1::programEnds, &application, &QApplication::quit, Qt::QueuedConnection);

    form1.setGeometry(QStyle::alignedRect(
        Qt::LeftToRight, Qt::AlignCenter, form1.size(), form1.screen()->availableGeometry()));
    form1.show();
    // A desktop activates a newly shown window by itself; asking makes sure the first
    // activation, which shows the splash, also happens where nothing manages the windows.
    form1.activateWindow();
    return application.exec();
}
