#include "tests/support/everywindow.h"

#include "about/aboutwindow.h"
#include "about/splashwindow.h"
#include "app/editorpublishlinks.h"
#include "app/mainwindow.h"
#include "catalogue/templateviewer.h"
#include "editor/pageeditor.h"
#include "publish/directorychooser.h"
#include "publish/publishwindow.h"
#include "publish/sitecheckwindow.h"
#include "tests/support/scripteddialogs.h"
#include "update/updatechecker.h"
#include "upload/uploadwindow.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace Testing {

namespace {

// Runs `open`, which shows `window` modally, and visits the window once it is on screen;
// the visit ends the modal loop.
void visitModal(const std::string &name, QDialog &window, const std::function<void()> &open,
    const std::function<void(const OpenWindow &)> &visit)
{
    bool visited = false;
    QTimer::singleShot(0, &window, [&] {
        if (!QTest::qWaitForWindowExposed(&window)) {
            ADD_FAILURE() << name << " did not come on screen";
        } else {
            visit({ name, &window });
            visited = true;
        }
        window.reject();
    });
    open();
    EXPECT_TRUE(visited) << name << " was not opened";
}

} // namespace

void visitEveryWindow(const std::string &homeDir, const std::string &scratchDir,
    const std::function<void(const OpenWindow &)> &visit)
{
    ScriptedDialogs dialogs;
    Model::ProjectSession session(App::programChoiceLists(homeDir));
    Editor::PageEditor pageEditor(dialogs, homeDir);
    App::plugInPageEditor(session, pageEditor);

    // A project with a title, a page to write in and findings for the site check.
    session.fields().siteTitle = "Bakery on the Corner";
    pageEditor.setPageText(1,
        "<h1>Fresh bread every morning</h1>\r\n<p>Come in and taste.</p>\r\n"
        "<img src=\"pictures/loaf.jpg\">\r\n");
    const std::string publishDir = scratchDir + "/published";
    std::filesystem::create_directories(publishDir);
    session.save(scratchDir + "/bakery.cvp");
    session.setPublishDirectory(publishDir);

    {
        App::MainWindow mainWindow(dialogs, session, homeDir);
        mainWindow.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
        for (const App::PaneInfo &pane : App::OrganiserPanes) {
            mainWindow.showPane(pane.pane);
            visit({ std::string("Main window (") + pane.caption + ")", &mainWindow });
        }
    }

    visitModal(
        "Page editor", pageEditor, [&] { pageEditor.openOnPage(1); }, visit);

    Catalogue::TemplateViewer templateViewer(dialogs, homeDir);
    visitModal(
        "Template viewer", templateViewer,
        [&] { templateViewer.openViewer(session.lists().templates); }, visit);

    Publish::DirectoryChooser directoryChooser(dialogs, scratchDir);
    visitModal(
        "Directory chooser", directoryChooser, [&] { directoryChooser.chooseDirectory(); }, visit);

    Publish::PublishWindow publishWindow(dialogs, homeDir, session, directoryChooser);
    visitModal(
        "Publish window", publishWindow, [&] { publishWindow.openFromMainWindow(); }, visit);

    Publish::SiteCheckWindow siteCheck(dialogs, session, [](Model::PageId, int) {});
    // Check Site stays open beside the main window: it is not modal.
    siteCheck.openFromMainWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&siteCheck));
    visit({ "Check Site", &siteCheck });
    siteCheck.close();

    Update::UpdateChecker updateChecker(dialogs, scratchDir);
    visitModal(
        "Update checker", updateChecker, [&] { updateChecker.exec(); }, visit);

    About::AboutWindow aboutWindow(dialogs);
    visitModal(
        "About", aboutWindow, [&] { aboutWindow.exec(); }, visit);

    Upload::UploadWindow uploadWindow(dialogs, session.fileName(), session.publishDirectory());
    visitModal(
        "Upload", uploadWindow, [&] { uploadWindow.exec(); }, visit);

    About::SplashWindow splash;
    splash.showSplash();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&splash));
    visit({ "Splash", &splash });
    splash.hide();
}

} // namespace Testing
