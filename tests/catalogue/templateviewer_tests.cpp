#include "catalogue/templateviewer.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"
#include "tests/support/ziparchive.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <jerror.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Testing;

namespace {

class TemplateViewer : public ::testing::Test
{
protected:
    TemplateViewer() { std::filesystem::create_directory(home.file("templates")); }

    // A preview picture in one colour, saved as JPEG under the templates directory (the file
    // name is given as the file system spells it, in UTF-8).
    void installPreview(const std::string &fileName, QColor colour, QSize size = { 201, 145 })
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(
            picture.save(QString::fromStdString(home.file("templates/" + fileName)), "JPG", 95));
    }
    QColor shown()
    {
        const QImage picture = viewer.findChild<QLabel *>("Image1")->pixmap().toImage();
        return picture.isNull() ? QColor() : picture.pixelColor(100, 70);
    }
    QComboBox *list() { return viewer.findChild<QComboBox *>("ComboBox1"); }
    QPushButton *button(const char *name) { return viewer.findChild<QPushButton *>(name); }
    std::string errorBox(const std::string &text) { return "Corvanta|" + text; }
    std::vector<std::string> boxes()
    {
        std::vector<std::string> result;
        for (const Platform::Message &notice : dialogs.notices()) {
            EXPECT_EQ(notice.icon, Platform::MessageIcon::Error);
            result.push_back(notice.title + "|" + notice.text);
        }
        return result;
    }

    TempDir home;
    ScriptedDialogs dialogs;
    Catalogue::TemplateViewer viewer { dialogs, home.path() };
};

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8
        && std::abs(a.blue() - b.blue()) < 8;
}

} // namespace

TEST_F(TemplateViewer, Window_LayoutTextsAndKeyboardOrder)
{
    EXPECT_EQ(viewer.windowTitle(), "Template Viewer");
    EXPECT_EQ(viewer.size(), QSize(407, 190));
    EXPECT_LT(viewer.minimumSize().width(), viewer.maximumSize().width()) << "resizable";
    EXPECT_TRUE(viewer.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(viewer.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(
        viewer.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(viewer.findChild<QLabel *>("Image1")->width(), 201);
    EXPECT_GE(viewer.findChild<QLabel *>("Image1")->height(), 145);
    EXPECT_EQ(viewer.findChild<QLabel *>("Label1")->text(), "Select a template to view:");
    EXPECT_FALSE(list()->isEditable());
    EXPECT_EQ(list()->width(), 185);
    EXPECT_EQ(button("Button1")->text(), "&Download More Templates");
    EXPECT_EQ(button("Button1")->toolTip(), "Download more templates");
    EXPECT_EQ(button("Button2")->text(), "&Close");
    EXPECT_EQ(button("Button2")->toolTip(), "Close Template Viewer");
    EXPECT_EQ(button("addTemplate")->text(), "&Add Template...");
    EXPECT_EQ(button("addTemplate")->nextInFocusChain(), button("Button1"));
    EXPECT_EQ(button("Button1")->nextInFocusChain(), list());
    EXPECT_EQ(list()->nextInFocusChain(), button("Button3"));
    EXPECT_EQ(button("Button3")->text(), "&Use This Template");
    EXPECT_EQ(button("Button3")->nextInFocusChain(), button("Button2"));
    EXPECT_FALSE(list()->accessibleName().isEmpty());
    EXPECT_FALSE(viewer.findChild<QLabel *>("Image1")->accessibleName().isEmpty());
}

TEST(TemplateViewerFont, LargeDesktopFont_WindowGrowsForItsCaptions)
{
    const QFont desktopFont = QApplication::font();
    QFont large = desktopFont;
    large.setPointSizeF(14);
    QApplication::setFont(large);
    ScriptedDialogs dialogs;
    Catalogue::TemplateViewer viewer(dialogs, "/nowhere");
    QApplication::setFont(desktopFont);
    viewer.show();
    EXPECT_GT(viewer.width(), 407);
    for (const char *name : { "Label1", "addTemplate", "Button1", "Button2" }) {
        const auto *control = viewer.findChild<QWidget *>(name);
        EXPECT_GE(control->width(), control->sizeHint().width()) << name;
        EXPECT_LE(control->geometry().bottom(), viewer.height()) << name;
    }
}

TEST_F(TemplateViewer, Opening_ListsTheCatalogueAndShowsTheFirstPreview)
{
    installPreview("a.jpg", Qt::red);
    installPreview("b.jpg", Qt::blue);
    installPreview("caf\u00E9.jpg", Qt::green);
    ASSERT_TRUE(viewer.prepareViewer({ "a", "b", "caf\xE9" }));
    ASSERT_EQ(list()->count(), 3);
    EXPECT_EQ(list()->itemText(2), QString::fromUtf8("caf\u00E9"));
    EXPECT_EQ(list()->currentIndex(), 0);
    EXPECT_TRUE(near(shown(), Qt::red));

    list()->setCurrentIndex(2);
    EXPECT_TRUE(near(shown(), Qt::green));
    EXPECT_TRUE(dialogs.asked().empty());
}

TEST_F(TemplateViewer, EachOpening_StartsAgainAtTheFirstTemplate)
{
    installPreview("a.jpg", Qt::red);
    installPreview("b.jpg", Qt::blue);
    ASSERT_TRUE(viewer.prepareViewer({ "a", "b" }));
    list()->setCurrentIndex(1);
    ASSERT_TRUE(near(shown(), Qt::blue));

    ASSERT_TRUE(viewer.prepareViewer({ "a", "b" }));
    EXPECT_EQ(list()->currentIndex(), 0);
    EXPECT_TRUE(near(shown(), Qt::red));

    ASSERT_TRUE(viewer.prepareViewer({ "b" }));
    EXPECT_EQ(list()->count(), 1);
    EXPECT_TRUE(near(shown(), Qt::blue));
}

TEST_F(TemplateViewer, KeyboardSelection_ShowsThatPreview)
{
    installPreview("a.jpg", Qt::red);
    installPreview("b.jpg", Qt::blue);
    ASSERT_TRUE(viewer.prepareViewer({ "a", "b" }));
    viewer.show();
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_EQ(list()->currentIndex(), 1);
    EXPECT_TRUE(near(shown(), Qt::blue));
}

TEST_F(TemplateViewer, FirstPreviewMissing_ErrorAndViewerNotShown)
{
    installPreview("b.jpg", Qt::blue);
    bool closedByTest = false;
    QTimer::singleShot(3000, &viewer, [&] {
        closedByTest = true;
        viewer.reject();
    });
    EXPECT_FALSE(viewer.openViewer({ "x", "b" }));
    EXPECT_FALSE(closedByTest) << "the viewer was shown";
    EXPECT_EQ(boxes(),
        std::vector<std::string> {
            errorBox("Cannot open file " + home.path() + "/templates/x.jpg.") });
}

TEST_F(TemplateViewer, EmptyCatalogue_LooksForTheNamelessPreview)
{
    EXPECT_FALSE(viewer.prepareViewer({}));
    EXPECT_EQ(boxes(),
        std::vector<std::string> {
            errorBox("Cannot open file " + home.path() + "/templates/.jpg.") });

    dialogs.clear();
    installPreview(".jpg", Qt::red);
    EXPECT_TRUE(viewer.prepareViewer({}));
    EXPECT_EQ(list()->count(), 0);
    EXPECT_TRUE(near(shown(), Qt::red));
    EXPECT_TRUE(dialogs.asked().empty());
}

TEST_F(TemplateViewer, LaterPreviewBroken_ErrorAndThePreviousPictureStays)
{
    installPreview("a.jpg", Qt::red);
    writeBytes(home.file("templates/notes.jpg"), "these are notes, not a picture\r\n");
    ASSERT_TRUE(viewer.prepareViewer({ "a", "missing", "notes" }));
    viewer.show();

    list()->setCurrentIndex(1);
    list()->setCurrentIndex(2);
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_TRUE(near(shown(), Qt::red));
    EXPECT_EQ(boxes(),
        (std::vector<std::string> {
            errorBox("Cannot open file " + home.path() + "/templates/missing.jpg."),
            errorBox("JPEG error #" + std::to_string(JERR_NO_SOI) + "."),
        }));
}

TEST_F(TemplateViewer, LargePreview_DrawnAtItsOwnSizeAndCutOff)
{
    // Green where the design's frame is, red beyond it: a scaled picture would show red there.
    QImage picture(402, 290, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QPainter(&picture).fillRect(0, 0, 201, 145, Qt::green);
    ASSERT_TRUE(picture.save(QString::fromStdString(home.file("templates/big.jpg")), "JPG", 95));
    ASSERT_TRUE(viewer.prepareViewer({ "big" }));
    viewer.show();
    const QImage drawn = viewer.findChild<QLabel *>("Image1")->grab().toImage();
    ASSERT_GE(drawn.height(), 150);
    EXPECT_EQ(drawn.width(), 201);
    EXPECT_TRUE(near(drawn.pixelColor(4, 4), Qt::green));
    EXPECT_TRUE(near(drawn.pixelColor(195, 139), Qt::green));
    EXPECT_TRUE(near(drawn.pixelColor(100, 149), Qt::red));
}

TEST_F(TemplateViewer, DownloadMoreThenClose_SiteOpenedAndOpeningReturns)
{
    installPreview("a.jpg", Qt::red);
    bool openAfterDownload = false;
    QTimer::singleShot(0, &viewer, [&] {
        QTest::mouseClick(button("Button1"), Qt::LeftButton);
        openAfterDownload = viewer.isVisible();
        QTest::mouseClick(button("Button2"), Qt::LeftButton);
    });
    EXPECT_TRUE(viewer.openViewer({ "a" }));
    EXPECT_TRUE(openAfterDownload);
    EXPECT_FALSE(viewer.isVisible());
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked().front().kind, Asked::Kind::OpenDocument);
    EXPECT_EQ(dialogs.asked().front().target, "https://www.corvanta.example/");
}

TEST_F(TemplateViewer, UseThisTemplate_HandsOverTheShownOneAndCloses)
{
    installPreview("a.jpg", Qt::red);
    installPreview("b.jpg", Qt::blue);
    std::vector<std::size_t> used;
    viewer.setTemplateUser([&](std::size_t index) { used.push_back(index); });
    QTimer::singleShot(0, &viewer, [&] {
        list()->setCurrentIndex(1);
        QTest::mouseClick(button("Button3"), Qt::LeftButton);
    });
    EXPECT_TRUE(viewer.openViewer({ "a", "b" }));
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_EQ(used, std::vector<std::size_t> { 1 });
}

TEST_F(TemplateViewer, EnterAnywhere_UsesTheShownTemplate)
{
    installPreview("a.jpg", Qt::red);
    installPreview("b.jpg", Qt::blue);
    std::vector<std::size_t> used;
    viewer.setTemplateUser([&](std::size_t index) { used.push_back(index); });
    // On "Download More Templates", where the focus starts, and on the list.
    QTimer::singleShot(0, &viewer, [&] {
        list()->setCurrentIndex(1);
        QTest::keyClick(button("Button1"), Qt::Key_Return);
    });
    QTimer::singleShot(3000, &viewer, [&] { viewer.reject(); });
    EXPECT_TRUE(viewer.openViewer({ "a", "b" }));
    QTimer::singleShot(0, &viewer, [&] { QTest::keyClick(list(), Qt::Key_Enter); });
    QTimer::singleShot(3000, &viewer, [&] { viewer.reject(); });
    EXPECT_TRUE(viewer.openViewer({ "a", "b" }));
    EXPECT_EQ(used, (std::vector<std::size_t> { 1, 0 }));
    EXPECT_TRUE(dialogs.asked().empty()) << "the web site was not opened";
}

TEST_F(TemplateViewer, AddTemplate_FromAnArchive_ListedAndShownAndHandedOn)
{
    installPreview("a.jpg", Qt::red);
    installPreview("b.jpg", Qt::blue);
    ::setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    QImage preview(201, 145, QImage::Format_RGB32);
    preview.fill(Qt::green);
    preview.save(QString::fromStdString(home.file("Ab.jpg")), "JPG", 95);
    writeZip(home.file("Ab.zip"), { { "Ab.t", "" }, { "Ab.jpg", readBytes(home.file("Ab.jpg")) } });
    writeZip(home.file("notes.zip"), { { "notes.txt", "" } });
    writeBytes(home.file("templates/a.t"), "");
    writeBytes(home.file("templates/b.t"), "");
    std::vector<std::vector<std::string>> catalogues;
    viewer.setCatalogueUser(
        [&](const std::vector<std::string> &catalogue) { catalogues.push_back(catalogue); });
    ASSERT_TRUE(viewer.prepareViewer({ "a", "b" }));

    dialogs.answerFile(home.file("Ab.zip"));
    QTest::mouseClick(button("addTemplate"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !viewer.isAdding(); }));
    EXPECT_EQ(list()->count(), 3);
    EXPECT_EQ(list()->currentText(), "Ab");
    EXPECT_TRUE(near(shown(), Qt::green));
    EXPECT_EQ(catalogues, (std::vector<std::vector<std::string>> { { "a", "Ab", "b" } }));

    // The next archive is chosen in the same folder, with an empty name box; one that holds
    // no template is refused with what a template archive holds.
    dialogs.answerFile(home.file("notes.zip"));
    QTest::mouseClick(button("addTemplate"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !viewer.isAdding(); }));
    ::unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(dialogs.asked().size(), 4u);
    EXPECT_EQ(dialogs.asked()[0].fileDialog.title, "Add Template");
    EXPECT_EQ(dialogs.asked()[1].message.text,
        "The template \"Ab\" was added.\nIt can be chosen on the Site Info pane now.");
    EXPECT_EQ(dialogs.asked()[2].fileDialog.initialPath, home.path() + "/");
    EXPECT_EQ(dialogs.asked()[3].message.text,
        "The archive " + home.file("notes.zip")
            + " cannot be added as a template: it holds no template (\".t\" file).\n"
              "A template archive holds one template file NAME.t and the template's pictures, "
              "whose names begin with NAME (such as NAME.jpg and NAMEhome.gif), all at the top "
              "of the archive or all in one folder.");
    EXPECT_EQ(catalogues.size(), 1u);
}

TEST_F(TemplateViewer, Adding_RunsBesideTheWindow_WhichShowsProgressAndCancels)
{
    installPreview("a.jpg", Qt::red);
    ::setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    // An archive that arrives through a pipe only when the test sends it: the adding waits
    // for it while the window goes on.
    const std::string pipe = home.file("slow.zip");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    writeZip(home.file("Ab.zip"), { { "Ab.t", "" } });
    ASSERT_TRUE(viewer.prepareViewer({ "a" }));
    viewer.show();

    dialogs.answerFile(pipe);
    QTest::mouseClick(button("addTemplate"), Qt::LeftButton);
    int sender = -1;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        sender = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        return sender >= 0;
    }));
    EXPECT_TRUE(viewer.isAdding());
    EXPECT_TRUE(viewer.findChild<QProgressBar *>("addingProgress")->isVisible());
    for (const char *name : { "Button3", "addTemplate", "Button1", "Button2" })
        EXPECT_FALSE(button(name)->isEnabled()) << name;
    QTest::keyClick(&viewer, Qt::Key_Escape);
    EXPECT_TRUE(viewer.isVisible()) << "Escape cancels the adding, not the viewer";
    EXPECT_FALSE(button("cancelAdding")->isEnabled());

    const std::string bytes = readBytes(home.file("Ab.zip"));
    ::fcntl(sender, F_SETFL, 0);
    EXPECT_EQ(::write(sender, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(sender);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !viewer.isAdding(); }));
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(viewer.findChild<QProgressBar *>("addingProgress")->isVisible());
    EXPECT_TRUE(button("Button3")->isEnabled());
    EXPECT_EQ(list()->count(), 1);
    EXPECT_TRUE(std::filesystem::is_empty(home.file("data/corvanta/templates")));
    EXPECT_EQ(dialogs.asked().size(), 1u) << "only the file dialog";
}
