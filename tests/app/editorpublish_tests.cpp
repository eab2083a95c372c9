#include "tests/app/mainwindowfixture.h"

#include "app/programwindows.h"
#include "editor/pageeditor.h"
#include "editor/pagetext.h"
#include "publish/directorychooser.h"
#include "publish/publishwindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace Testing {
namespace {

/// The main window with the real page editor, publish window and directory chooser plugged
/// in as the program does it.
class EditorAndPublish : public MainWindowTest
{
protected:
    EditorAndPublish() { window->setCompanionWindows(windows.commands()); }

    /// Runs `act` once `modal` has started its modal run.
    static void whileShown(QWidget &modal, const std::function<void()> &act)
    {
        QTimer::singleShot(0, &modal, [&modal, act] {
            EXPECT_TRUE(modal.isVisible());
            act();
        });
    }
    template <typename T> static T *part(QWidget &owner, const char *name)
    {
        T *found = owner.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    App::ProgramWindows windows { dialogs, *session, *window, home.path() };
    Editor::PageEditor &editor = windows.pageEditor();
    Publish::DirectoryChooser &chooser = windows.directoryChooser();
    Publish::PublishWindow &publish = windows.publishWindow();
};

TEST_F(EditorAndPublish, EditSelectedPage_OpensThePageWhoseTextIsSavedOpenedAndEmptiedByNew)
{
    press(Qt::Key_F7);
    click(control<QAbstractButton>("CheckBox23")); // FAQ
    press(Qt::Key_F8);
    auto *list = control<QListWidget>("ListBox1");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
        list->visualItemRect(list->item(1)).center());

    QString caption;
    whileShown(editor, [&] {
        caption = editor.windowTitle();
        EXPECT_EQ(editor.shownPage(), 6);
        editor.pageControl(6)->setFocus();
        QTest::keyClicks(editor.pageControl(6), "Questions");
        QTest::keyClick(editor.pageControl(6), Qt::Key_Return);
        QTest::mouseClick(part<QPushButton>(editor, "BitBtn1"), Qt::LeftButton);
    });
    click(control<QAbstractButton>("BitBtn9"));
    EXPECT_EQ(caption, "Editing Page - FAQ");
    EXPECT_FALSE(editor.isVisible());

    saveAs(home.file("site.cvp"));
    EXPECT_EQ(readBytes(home.file("6.dat")), "Questions<br>\r\n");
    EXPECT_EQ(readBytes(home.file("1.dat")), "");

    dialogs.answerConfirm(true);
    choose("New1");
    EXPECT_EQ(editor.pageText(6), "");

    openFrom(home.file("site.cvp"));
    EXPECT_EQ(editor.pageText(6), "Questions<br>\r\n");
}

TEST_F(EditorAndPublish, Preview_OpensTheUnsavedPageFromTheCacheAndNeverWritesThePublishDirectory)
{
    ::setenv("XDG_CACHE_HOME", home.file("cache").c_str(), 1);
    writeBytes(home.file("templates/alpha.t"), "<h1>Site</h1>\r\n<!--$CONTENT$-->\r\n");
    for (const Model::PageInfo &page : Model::PageCatalogue)
        writeBytes(home.file(std::string("templates/alpha") + page.pictureSuffix), "gif");
    std::filesystem::create_directory(home.file("out"));
    session->setPublishDirectory(home.file("out"));
    editor.setPageText(1, "<p>Draft</p>");

    press(Qt::Key_F8);
    click(control<QAbstractButton>("PreviewPage1"));
    const std::string shown = home.file("cache/corvanta/preview/website/home.html");
    ASSERT_FALSE(dialogs.asked().empty());
    EXPECT_EQ(dialogs.asked().back().kind, Asked::Kind::OpenDocument);
    EXPECT_EQ(dialogs.asked().back().target, shown);
    EXPECT_EQ(readBytes(shown), "<h1>Site</h1>\r\n<p>Draft</p>\r\n");
    EXPECT_TRUE(dialogs.notices().empty()) << "publishing's reminder is not for a preview";
    EXPECT_TRUE(std::filesystem::is_empty(home.file("out")));

    editor.setPageText(1, "<p>Second draft</p>");
    part<QAction>(editor, "Preview1")->trigger();
    EXPECT_EQ(dialogs.asked().back().target, shown);
    EXPECT_EQ(readBytes(shown), "<h1>Site</h1>\r\n<p>Second draft</p>\r\n");

    editor.selectPage(10); // Products: not part of a personal site
    part<QAction>(editor, "Preview1")->trigger();
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].text,
        "The page Products is not part of the website; tick it on the Pages pane to preview it.");
    ::unsetenv("XDG_CACHE_HOME");
}

TEST_F(EditorAndPublish, Preview_ShowsThePicturesTheBodyRefersToBesideTheProjectFile)
{
    ::setenv("XDG_CACHE_HOME", home.file("cache").c_str(), 1);
    writeBytes(home.file("templates/alpha.t"), "<!--$CONTENT$-->\r\n");
    for (const Model::PageInfo &page : Model::PageCatalogue)
        writeBytes(home.file(std::string("templates/alpha") + page.pictureSuffix), "gif");
    std::filesystem::create_directories(home.file("project/img"));
    writeBytes(home.file("project/img/bread.jpg"), "BREAD");
    editor.setPageText(1, "<img src=\"img/bread.jpg\" alt=\"Bread\">");
    saveAs(home.file("project/site.cvp"));

    part<QAction>(editor, "Preview1")->trigger();
    EXPECT_EQ(readBytes(home.file("cache/corvanta/preview/website/img/bread.jpg")), "BREAD");
    EXPECT_TRUE(dialogs.notices().empty());
    ::unsetenv("XDG_CACHE_HOME");
}

TEST_F(EditorAndPublish, Publish_WritesTheEditorsBodiesIntoTheChosenDirectory)
{
    writeBytes(home.file("templates/alpha.t"), "<h1>Site</h1>\r\n<!--$CONTENT$-->\r\n");
    for (const Model::PageInfo &page : Model::PageCatalogue)
        writeBytes(home.file(std::string("templates/alpha") + page.pictureSuffix), "gif");
    std::filesystem::create_directory(home.file("out"));
    editor.setPageText(1, "<p>Welcome</p>");
    auto *gauge = part<QProgressBar>(publish, "Gauge1");
    auto *status = part<QLabel>(publish, "Label2");

    whileShown(publish, [&] {
        EXPECT_EQ(gauge->value(), 0);
        EXPECT_EQ(status->text(), "Waiting...");
        whileShown(chooser, [&] {
            auto *path = part<QLineEdit>(chooser, "pathBox");
            path->setFocus();
            path->selectAll();
            QTest::keyClicks(path, QString::fromStdString(home.file("out")));
            QTest::keyClick(path, Qt::Key_Return);
            QTest::mouseClick(part<QPushButton>(chooser, "BitBtn1"), Qt::LeftButton);
        });
        QTest::mouseClick(part<QToolButton>(publish, "SpeedButton1"), Qt::LeftButton);
        QTest::mouseClick(part<QPushButton>(publish, "BitBtn1"), Qt::LeftButton);
        EXPECT_EQ(status->text(), "Completed");
        QTest::mouseClick(part<QPushButton>(publish, "BitBtn2"), Qt::LeftButton);
    });
    press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(publish.isVisible());
    EXPECT_EQ(publish.publishDirectory(), home.file("out"));
    EXPECT_EQ(readBytes(home.file("out/website/home.html")), "<h1>Site</h1>\r\n<p>Welcome</p>\r\n");
    // Nothing to copy: no closing notice.
    EXPECT_TRUE(dialogs.notices().empty());

    // Every opening starts from 0 and "Waiting...", whatever the last run left.
    status->setText("Completed");
    gauge->setValue(100);
    whileShown(publish, [&] {
        EXPECT_EQ(gauge->value(), 0);
        EXPECT_EQ(status->text(), "Waiting...");
        publish.closeWindow();
    });
    press(Qt::Key_F9);
    click(control<QAbstractButton>("finishPublishButton"));

    dialogs.answerConfirm(true);
    choose("New1");
    EXPECT_EQ(publish.publishDirectory(), "");
    EXPECT_EQ(editor.pageText(1), "");
}

TEST_F(EditorAndPublish, PictureBeforeTheFirstSave_SavesThenAndGoesOnInserting)
{
    writeBytes(home.file("bread.jpg"), "BREAD");
    dialogs.answerText(home.file("bread.jpg"));
    dialogs.answerConfirm(true);
    dialogs.answerFile(home.file("bakery/bakery.cvp"));
    dialogs.answerText("Our bread");
    whileShown(editor, [&] {
        QTest::mouseClick(part<QToolButton>(editor, "SpeedButton13"), Qt::LeftButton);
        editor.closeEditor();
    });
    press(Qt::Key_F8);
    click(control<QAbstractButton>("BitBtn9"));
    EXPECT_EQ(dialogs.asked()[1].message.text,
        "Save the project now so the picture can be copied beside it?");
    EXPECT_EQ(readBytes(home.file("bakery/images/bread.jpg")), "BREAD");
    EXPECT_EQ(editor.pageText(1), "<img src=\"images/bread.jpg\" alt=\"Our bread\">");
}

} // namespace
} // namespace Testing
