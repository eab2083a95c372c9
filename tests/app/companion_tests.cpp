#include "tests/app/mainwindowfixture.h"

#include "app/programwindows.h"
#include "editor/pageeditor.h"
#include "project/projectfiles.h"

#include <QApplication>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <map>
#include <set>

namespace Testing {
namespace {

using Model::PageId;

/// Page texts kept in a map, recording which pages were replaced.
struct RecordedBodies : Model::PageBodyEditor
{
    std::string pageText(PageId page) const override
    {
        const auto found = texts.find(page);
        return found == texts.end() ? std::string() : found->second;
    }
    void setPageText(PageId page, const std::string &body) override
    {
        texts[page] = body;
        replaced.push_back(page);
    }
    void markTextsSaved() override { }
    /// A text changed in the window (as by a tool), not counting as unsaved.
    void edit(PageId page, const std::string &body)
    {
        texts[page] = body;
        reportEdit(page, false);
    }

    std::map<PageId, std::string> texts;
    std::vector<PageId> replaced;
};

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
            bodyAtPublish = session->project().pageBody[1];
        };
        windows.openUpdateChecker = [this] { calls.push_back("update"); };
        windows.openAbout = [this] { calls.push_back("about"); };
        windows.openPageEditor
            = [this](PageId page) { calls.push_back("editor " + std::to_string(page)); };
        window->setCompanionWindows(std::move(windows));
        session->attachBodyEditor(&bodies);
        replaced.clear();
    }
    ~CompanionTest() override { session->attachBodyEditor(nullptr); }

    std::vector<std::string> calls;
    RecordedBodies bodies;
    std::map<PageId, std::string> &texts = bodies.texts;
    std::vector<PageId> &replaced = bodies.replaced;
    std::string bodyAtPublish;
};

TEST_F(CompanionTest, Commands_OpenTheirWindows)
{
    press(Qt::Key_U, Qt::ControlModifier);
    press(Qt::Key_F4);
    click(control<QAbstractButton>("templateViewerButton"));
    bodies.edit(2, "<p>Contact us</p>");
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
    bodies.edit(1, "home page");
    bodies.edit(9, "portfolio");
    saveAs(home.file("site.cvp"));
    EXPECT_EQ(readBytes(home.file("1.dat")), "home page");
    EXPECT_EQ(readBytes(home.file("9.dat")), "portfolio");

    bodies.edit(1, "changed");
    openFrom(home.file("site.cvp"));
    EXPECT_EQ(texts[1], "home page");
    EXPECT_EQ(replaced, std::vector<PageId>({ 1 }));

    dialogs.answerConfirm(true);
    choose("New1");
    EXPECT_EQ(texts[1], "");
    EXPECT_EQ(texts[9], "");
    EXPECT_TRUE(calls.empty());
}

TEST_F(MainWindowTest, ProgramWindows_MadeWhenFirstNeeded_ThePageEditorThenHoldsTheBodies)
{
    const auto windowsNow = [] {
        std::multiset<std::string> names;
        for (QWidget *widget : QApplication::topLevelWidgets())
            names.insert(widget->objectName().toStdString());
        return names;
    };
    const std::multiset<std::string> before = windowsNow();
    session->fields().pageBody[2] = "<p>Opening hours</p>"; // page 3
    {
        App::ProgramWindows windows(dialogs, *session, *window, home.path());
        EXPECT_EQ(windowsNow(), before) << "nothing but the main window at start";

        Editor::PageEditor &editor = windows.pageEditor();
        EXPECT_EQ(&windows.pageEditor(), &editor) << "made once";
        EXPECT_EQ(editor.pageText(3), "<p>Opening hours</p>");
        editor.setPageText(3, "<p>Closed on Sundays</p>");
        EXPECT_EQ(session->project().pageBody[2], "<p>Closed on Sundays</p>");
        EXPECT_EQ(&windows.publishWindow(), &windows.publishWindow());
    }
    // The bodies stay with the session when the windows go.
    EXPECT_EQ(session->project().pageBody[2], "<p>Closed on Sundays</p>");
    EXPECT_EQ(windowsNow(), before);
}

TEST(Splash, ShowsOnTheFirstActivationOnly)
{
    TempDir home;
    ScriptedDialogs dialogs;
    Model::ProjectSession session({});
    App::MainWindow window(dialogs, session, home.path());
    int splashes = 0;
    App::CompanionWindows windows;
    windows.showSplash = [&] { ++splashes; };
    window.setCompanionWindows(std::move(windows));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return splashes == 1; }));

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::qWait(10);
    EXPECT_EQ(splashes, 1);
}

} // namespace
} // namespace Testing
