#include "tests/app/mainwindowfixture.h"

#include "project/projectfiles.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <map>

namespace Testing {
namespace {

using Model::PageId;

/// Plugs recording windows into the main window: the page editor's texts are a map.
class CompanionTest : public MainWindowTest
{
protected:
    CompanionTest()
    {
        App::CompanionWindows windows;
        windows.openTemplateViewer = [this] { calls.push_back("viewer"); };
        windows.openPublishWindow = [this] {
            calls.push_back("publish");
            bodyAtPublish = window->project().pageBody[1];
        };
        windows.clearPublishDirectory = [this] { calls.push_back("clear directory"); };
        windows.openUpdateChecker = [this] { calls.push_back("update"); };
        windows.openAbout = [this] { calls.push_back("about"); };
        windows.pageEditor.openOnPage
            = [this](PageId page) { calls.push_back("editor " + std::to_string(page)); };
        windows.pageEditor.pageText = [this](PageId page) { return texts[page]; };
        windows.pageEditor.setPageText = [this](PageId page, const std::string &body) {
            texts[page] = body;
            replaced.push_back(page);
        };
        window->setCompanionWindows(std::move(windows));
        replaced.clear();
    }

    std::vector<std::string> calls;
    std::map<PageId, std::string> texts;
    std::vector<PageId> replaced;
    std::string bodyAtPublish;
};

TEST_F(CompanionTest, Commands_OpenTheirWindows)
{
    press(Qt::Key_U, Qt::ControlModifier);
    press(Qt::Key_F4);
    click(control<QAbstractButton>("templateViewerButton"));
    texts[2] = "<p>Contact us</p>";
    press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(calls, std::vector<std::string>({ "update", "about", "viewer", "publish" }));
    EXPECT_EQ(bodyAtPublish, "<p>Contact us</p>");
    EXPECT_TRUE(dialogs.asked().empty());
}

TEST_F(CompanionTest, DoubleClick_OpensTheEditorOnThatPage)
{
    press(Qt::Key_F7);
    click(control<QAbstractButton>("CheckBox23")); // FAQ
    click(control<QAbstractButton>("CheckBox20")); // About
    press(Qt::Key_F8);
    auto *list = control<QListWidget>("ListBox1");
    // A double click is a click followed by the double-click event.
    const QPoint faq = list->visualItemRect(list->item(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, faq);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, faq);
    EXPECT_EQ(control<QLineEdit>("curitem")->text(), "1");
    // "Edit Selected Page" opens the page at `curitem`, the one double-clicked.
    click(control<QAbstractButton>("BitBtn9"));
    EXPECT_EQ(calls, std::vector<std::string>({ "editor 6", "editor 6" }));
}

TEST_F(CompanionTest, SaveOpenAndNew_KeepTheEditorsTextsInStep)
{
    texts[1] = "home page";
    texts[9] = "portfolio";
    saveAs(home.file("site.cvp"));
    EXPECT_EQ(readBytes(home.file("1.dat")), "home page");
    EXPECT_EQ(readBytes(home.file("9.dat")), "portfolio");

    texts[1] = "changed";
    openFrom(home.file("site.cvp"));
    EXPECT_EQ(texts[1], "home page");
    EXPECT_EQ(replaced, std::vector<PageId>({ 1 }));

    dialogs.answerConfirm(true);
    choose("New1");
    EXPECT_EQ(texts[1], "");
    EXPECT_EQ(texts[9], "");
    EXPECT_EQ(calls, std::vector<std::string>({ "clear directory" }));
}

TEST(Splash, ShowsOnTheFirstActivationOnly)
{
    TempDir home;
    ScriptedDialogs dialogs;
    App::MainWindow window(dialogs, home.path());
    int splashes = 0;
    App::CompanionWindows windows;
    windows.showSplash = [&] { ++splashes; };
    window.setCompanionWindows(std::move(windows));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(splashes, 1);

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(splashes, 1);
}

} // namespace
} // namespace Testing
