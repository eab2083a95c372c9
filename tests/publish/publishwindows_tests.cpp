#include "publish/directorychooser.h"
#include "publish/publishwindow.h"
#include "publish/sitecheckwindow.h"
#include "tests/publish/site.h"
#include "tests/support/scripteddialogs.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

using namespace Testing;
using Strings = std::vector<std::string>;

namespace {

template <typename T> T *child(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

/// A double click on a list entry, where the user would click it.
void doubleClick(QListWidget *list, QListWidgetItem *item)
{
    ASSERT_NE(item, nullptr);
    list->scrollToItem(item);
    QCoreApplication::processEvents();
    // The first click of a double click is a click of its own.
    const QPoint where = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, where);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, where);
}

/// Runs `act` once the window's modal run has started.
void whileShown(QWidget &window, const std::function<void()> &act)
{
    QTimer::singleShot(0, &window, [&window, act] {
        EXPECT_TRUE(window.isVisible());
        act();
    });
}

/// A directory with a few subdirectories, and things that are not.
struct StartDirectory : TempDir
{
    StartDirectory()
    {
        for (const char *name : { "beta", "Alpha", "gamma", ".hidden", "gamma/inner" })
            std::filesystem::create_directory(file(name));
        writeBytes(file("file.txt"), "");
        std::filesystem::create_directory_symlink(file("beta"), file("link"));
    }
};

/// The chooser started in that directory.
class DirectoryChooser : public ::testing::Test
{
protected:
    QListWidget *list() { return child<QListWidget>(chooser, "DirectoryListBox1"); }
    Strings entries()
    {
        Strings names;
        for (int row = 0; row < list()->count(); ++row)
            names.push_back(list()->item(row)->text().toStdString());
        return names;
    }
    int rowOf(const std::string &name)
    {
        const auto found = list()->findItems(QString::fromStdString(name), Qt::MatchExactly);
        return found.isEmpty() ? -1 : list()->row(found.front());
    }
    /// The names from the root down to the start directory.
    Strings trailToStart()
    {
        Strings names { "/" };
        for (const auto &part : std::filesystem::path(start.path()).relative_path())
            names.push_back(part.string());
        return names;
    }

    StartDirectory start;
    ScriptedDialogs dialogs;
    Publish::DirectoryChooser chooser { dialogs, start.path() };
};

/// The publish window over a site whose template renders, with its chooser.
class PublishWindow : public ::testing::Test
{
protected:
    PublishWindow()
    {
        site.writeTemplate("<!--$NAV$-->\r\n<!--$IMG$-->\r\nback.gif\r\n<!--$ENDIMG$-->");
        site.writePicture("back.gif");
        site.writeNavigationPictures();
        session.fields() = site.project;
        // Pages with text, so that the check before publishing finds nothing.
        session.fields().pageBody.fill("<p>Text</p>");
        QObject::connect(gauge(), &QProgressBar::valueChanged, gauge(), [this](int value) {
            steps.push_back(std::to_string(value) + " " + status()->text().toStdString());
        });
    }

    QProgressBar *gauge() { return child<QProgressBar>(window, "Gauge1"); }
    QLabel *status() { return child<QLabel>(window, "Label2"); }
    QLineEdit *directoryBox() { return child<QLineEdit>(window, "Edit1"); }
    /// Chooses `directory` through the browse button and the chooser's "&OK".
    void choose(const std::string &directory)
    {
        whileShown(chooser, [this, directory] {
            // Opening the root first, then the directory: the chooser lists one level at a time.
            auto *list = child<QListWidget>(chooser, "DirectoryListBox1");
            list->setCurrentRow(0);
            QTest::keyClick(list, Qt::Key_Return);
            for (const auto &part : std::filesystem::path(directory).relative_path()) {
                const auto found
                    = list->findItems(QString::fromStdString(part.string()), Qt::MatchExactly);
                ASSERT_FALSE(found.isEmpty()) << part;
                doubleClick(list, found.back());
            }
            QTest::mouseClick(child<QPushButton>(chooser, "BitBtn1"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QToolButton>(window, "SpeedButton1"), Qt::LeftButton);
    }
    /// Opens the window as the main window does and runs `act` in it.
    void open(const std::function<void()> &act)
    {
        whileShown(window, act);
        window.openFromMainWindow();
    }
    std::vector<std::string> notices()
    {
        std::vector<std::string> texts;
        for (const Platform::Message &notice : dialogs.notices())
            texts.push_back(notice.title + "|" + notice.text);
        return texts;
    }

    Site site;
    ScriptedDialogs dialogs;
    Publish::DirectoryChooser chooser { dialogs, site.home.path() };
    Model::ProjectSession session { site.lists };
    Publish::PublishWindow window { dialogs, site.home.path(), session, chooser };
    Strings steps;
};

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 6 && std::abs(a.green() - b.green()) < 6
        && std::abs(a.blue() - b.blue()) < 6;
}

} // namespace

TEST_F(DirectoryChooser, Start_ListsThePathDownToItThenItsSubdirectories)
{
    EXPECT_EQ(chooser.currentDirectory(), start.path());
    Strings expected = trailToStart();
    const std::size_t trailLength = expected.size();
    expected.insert(expected.end(), { "Alpha", "beta", "gamma", "link" });
    EXPECT_EQ(entries(), expected);
    EXPECT_EQ(list()->currentRow(), static_cast<int>(trailLength) - 1);
}

TEST_F(DirectoryChooser, Opening_ByDoubleClickOrEnterMakesTheEntryCurrent)
{
    chooser.show();
    doubleClick(list(), list()->item(rowOf("gamma")));
    EXPECT_EQ(chooser.currentDirectory(), start.file("gamma"));
    EXPECT_EQ(entries().back(), "inner");

    // Enter opens the highlighted entry; it does not press "&OK".
    list()->setCurrentRow(0);
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(chooser.currentDirectory(), "/");
    QTest::keyClick(list(), Qt::Key_Escape);
    EXPECT_TRUE(chooser.isVisible());
    EXPECT_EQ(entries().front(), "/");
    EXPECT_EQ(list()->currentRow(), 0);
    chooser.hide();
}

TEST_F(DirectoryChooser, OkGivesTheOpenedDirectoryNotTheHighlightedOne_CancelGivesNothing)
{
    chooser.openEntry(rowOf("beta"));
    whileShown(chooser, [&] {
        list()->setCurrentRow(0);
        QTest::mouseClick(child<QPushButton>(chooser, "BitBtn1"), Qt::LeftButton);
    });
    EXPECT_EQ(chooser.chooseDirectory(), start.file("beta"));

    whileShown(chooser, [&] {
        // The chooser keeps its place between openings.
        EXPECT_EQ(entries().back(), "beta");
        chooser.openEntry(0);
        QTest::mouseClick(child<QPushButton>(chooser, "BitBtn2"), Qt::LeftButton);
    });
    EXPECT_EQ(chooser.chooseDirectory(), std::nullopt);
    EXPECT_EQ(chooser.currentDirectory(), "/");
}

TEST_F(DirectoryChooser, CurrentDirectoryRemoved_ReopensAtTheNearestParent)
{
    chooser.openEntry(rowOf("gamma"));
    chooser.openEntry(rowOf("inner"));
    std::filesystem::remove_all(start.file("gamma"));
    whileShown(chooser, [&] {
        EXPECT_EQ(chooser.currentDirectory(), start.path());
        EXPECT_EQ(rowOf("gamma"), -1);
        chooser.cancelChoice();
    });
    chooser.chooseDirectory();
}

TEST_F(DirectoryChooser, NewFolder_MadeInsideTheHighlightedOneWhichOkThenGives)
{
    dialogs.answerText("Fresh folder");
    whileShown(chooser, [&] {
        list()->setCurrentRow(rowOf("gamma"));
        QTest::mouseClick(child<QPushButton>(chooser, "newFolderButton"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(chooser, "BitBtn1"), Qt::LeftButton);
    });
    EXPECT_EQ(chooser.chooseDirectory(), start.file("gamma/Fresh folder"));
    EXPECT_TRUE(std::filesystem::is_directory(start.file("gamma/Fresh folder")));
    EXPECT_EQ(entries().back(), "Fresh folder");
    EXPECT_EQ(list()->currentRow(), list()->count() - 1);
    ASSERT_EQ(dialogs.prompts().size(), 1u);
    EXPECT_EQ(dialogs.prompts()[0], "Name of the new folder in " + start.file("gamma") + ":");

    // Cancel makes nothing and stays where it was.
    dialogs.answerText("");
    chooser.makeNewFolder();
    EXPECT_EQ(chooser.currentDirectory(), start.file("gamma/Fresh folder"));
    EXPECT_TRUE(std::filesystem::is_empty(start.file("gamma/Fresh folder")));
    EXPECT_TRUE(dialogs.notices().empty());
}

TEST_F(DirectoryChooser, NewFolder_NamesThatCannotBeMade_SayWhyAndChangeNothing)
{
    const std::pair<std::string, std::string> refused[] = {
        { "  ", "Type a name for the new folder." },
        { "a/b", "A folder name cannot contain \"/\": a/b." },
        { "..", "\"..\" cannot be the name of a new folder." },
        { ".", "\".\" cannot be the name of a new folder." },
        { "beta", "A folder or file named \"beta\" is there already." },
        { "file.txt", "A folder or file named \"file.txt\" is there already." },
    };
    for (const auto &[name, message] : refused) {
        dialogs.answerText(name);
        chooser.makeNewFolder();
        ASSERT_EQ(dialogs.notices().size(), 1u) << name;
        EXPECT_EQ(dialogs.notices()[0].title, "Corvanta");
        EXPECT_EQ(dialogs.notices()[0].text, message);
        EXPECT_EQ(dialogs.notices()[0].icon, Platform::MessageIcon::Error);
        EXPECT_EQ(chooser.currentDirectory(), start.path()) << name;
        dialogs.clear();
    }
    EXPECT_FALSE(std::filesystem::exists(start.file("a")));
    EXPECT_TRUE(std::filesystem::is_empty(start.file("beta")));

    // A folder where not even the superuser may make one.
    Publish::DirectoryChooser system { dialogs, "/sys" };
    dialogs.answerText("corvanta");
    system.makeNewFolder();
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].text, "Cannot create folder /sys/corvanta: File access denied.");
    EXPECT_EQ(system.currentDirectory(), "/sys");
}

TEST_F(PublishWindow, Window_PublishIsTheDefaultAndTheBarHasTheDesktopsColours)
{
    EXPECT_TRUE(child<QPushButton>(window, "BitBtn1")->isDefault());
    EXPECT_FALSE(child<QPushButton>(window, "BitBtn2")->autoDefault());
    EXPECT_TRUE(directoryBox()->isReadOnly());
    EXPECT_EQ(status()->text(), "Waiting...");
    // The bar is drawn in the palette's colours, as the desktop's theme gives them: the done
    // part in the highlight colour, the rest in the base colour.
    gauge()->setValue(50);
    const QImage bar = gauge()->grab().toImage();
    const QPalette palette = gauge()->palette();
    // The style shades the done part a little; its hue is the highlight's.
    EXPECT_NEAR(bar.pixelColor(20, 8).hue(), palette.color(QPalette::Highlight).hue(), 8)
        << bar.pixelColor(20, 8).name().toStdString();
    EXPECT_TRUE(near(bar.pixelColor(340, 8), palette.color(QPalette::Base)))
        << bar.pixelColor(340, 8).name().toStdString();
    EXPECT_EQ(gauge()->text(), "50%");
}

TEST_F(PublishWindow, Publish_IntoAChosenDirectoryShowsEveryStepInOrder)
{
    session.fields().businessPages[5] = true; // FAQ
    open([&] {
        choose(site.out.path());
        EXPECT_EQ(window.publishDirectory(), site.out.path());
        EXPECT_EQ(directoryBox()->text().toStdString(), site.out.path());
        // Enter presses "&Publish", the default button.
        QTest::keyClick(directoryBox(), Qt::Key_Return);
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(status()->text(), "Completed");
        EXPECT_EQ(gauge()->value(), 100);
        window.closeWindow();
    });

    Strings expected;
    for (int page = 1; page <= 14; ++page)
        expected.push_back(std::to_string(6 + 6 * page) + " Creating HTML pages and images...");
    expected.insert(expected.begin(), "6 Creating HTML pages and images...");
    expected.insert(expected.end(),
        { "93 Creating Stylesheets...", "96 Creating Stylesheets...", "100 Completed",
            "0 Completed" });
    EXPECT_EQ(steps, expected);
    // Everything was copied, so there is no closing notice.
    EXPECT_EQ(notices(), Strings {});
    EXPECT_TRUE(std::filesystem::exists(site.website() + "/home.html"));
    EXPECT_TRUE(std::filesystem::exists(site.website() + "/index.html"));
    EXPECT_TRUE(std::filesystem::exists(site.website() + "/faq.html"));
    EXPECT_TRUE(std::filesystem::exists(site.website() + "/styles.css"));
    EXPECT_FALSE(window.isVisible());
    // "&Close" leaves the last status until the next opening resets it.
    EXPECT_EQ(status()->text(), "Completed");
}

TEST_F(PublishWindow, PublishSucceeded_SaysWhereTheSiteIsAndOpensItsFolderPageAndUpload)
{
    int uploads = 0;
    window.setUploadCommand([&] { ++uploads; });
    auto *location = child<QLabel>(window, "siteLocation");
    const auto next = [&] {
        std::vector<QPushButton *> buttons;
        for (const char *name : { "openFolderButton", "viewSiteButton", "uploadButton" })
            buttons.push_back(child<QPushButton>(window, name));
        return buttons;
    };
    open([&] {
        for (QPushButton *button : next())
            EXPECT_FALSE(button->isVisible());
        EXPECT_FALSE(location->isVisible());
        choose(site.out.path());
        window.publish();
        EXPECT_TRUE(location->isVisible());
        EXPECT_EQ(location->text().toStdString(), "Your site is in " + site.website());
        for (QPushButton *button : next()) {
            ASSERT_TRUE(button->isVisible());
            QTest::mouseClick(button, Qt::LeftButton);
        }
        window.closeWindow();
    });
    EXPECT_EQ(uploads, 1);
    ASSERT_EQ(dialogs.asked().size(), 2u);
    EXPECT_EQ(dialogs.asked()[0].target, site.website());
    EXPECT_EQ(dialogs.asked()[1].target, site.website() + "/index.html");
    // The next opening starts without them.
    open([&] {
        EXPECT_FALSE(location->isVisible());
        EXPECT_FALSE(next()[0]->isVisible());
        window.closeWindow();
    });
}

TEST_F(PublishWindow, Chooser_StartsInTheProjectsFolderThenTheLastUsed_AndTakesATypedPath)
{
    std::filesystem::create_directories(site.home.file("projects/bakery/public"));
    session.save(site.home.file("projects/bakery/bakery.cvp"));
    auto *pathBox = child<QLineEdit>(chooser, "pathBox");
    open([&] {
        whileShown(chooser, [&] {
            EXPECT_EQ(chooser.currentDirectory(), site.home.file("projects/bakery"));
            EXPECT_EQ(pathBox->text().toStdString(), site.home.file("projects/bakery"));
            // A path typed or pasted, with Enter, then OK.
            pathBox->setFocus();
            pathBox->selectAll();
            QTest::keyClicks(pathBox, QString::fromStdString(site.out.path() + "/"));
            QTest::keyClick(pathBox, Qt::Key_Return);
            EXPECT_EQ(chooser.currentDirectory(), site.out.path());
            QTest::mouseClick(child<QPushButton>(chooser, "BitBtn1"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QToolButton>(window, "SpeedButton1"), Qt::LeftButton);
        EXPECT_EQ(window.publishDirectory(), site.out.path());

        whileShown(chooser, [&] {
            EXPECT_EQ(chooser.currentDirectory(), site.out.path()) << "the last used";
            // A typed folder that does not exist is refused and the chooser stays.
            pathBox->setText(QStringLiteral("/no/such/folder"));
            QTest::mouseClick(child<QPushButton>(chooser, "BitBtn1"), Qt::LeftButton);
            EXPECT_TRUE(chooser.isVisible());
            // Typed and not yet opened, OK takes it.
            pathBox->setText(QString::fromStdString(site.home.file("projects/bakery/public")));
            QTest::mouseClick(child<QPushButton>(chooser, "BitBtn1"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QToolButton>(window, "SpeedButton1"), Qt::LeftButton);
        EXPECT_EQ(window.publishDirectory(), site.home.file("projects/bakery/public"));
        window.closeWindow();
    });
    EXPECT_EQ(notices(),
        Strings { "Corvanta|There is no folder /no/such/folder.\nType a folder's "
                  "full path, such as "
            + QDir::homePath().toStdString() + "." });
}

TEST_F(PublishWindow, CheckFindsSomething_AsksFirstAndCancelPublishesNothing)
{
    session.fields().pageBody[0] = "<p><img src=\"bread.jpg\" alt=\"\"></p>";
    open([&] {
        choose(site.out.path());
        dialogs.answerConfirm(false);
        window.publish();
        EXPECT_FALSE(std::filesystem::exists(site.website()));
        dialogs.answerConfirm(true);
        window.publish();
        window.closeWindow();
    });
    ASSERT_EQ(dialogs.asked().size(), 3u);
    EXPECT_EQ(dialogs.asked()[1].kind, Asked::Kind::Confirm);
    EXPECT_EQ(dialogs.asked()[0].message.text,
        "The check of the site found this:\nHome, line 1: picture \"bread.jpg\" cannot be "
        "found: the project has not been saved yet\n\nPublish anyway?");
    EXPECT_TRUE(std::filesystem::exists(site.website() + "/home.html"));
    // The unsaved project's picture is named again when the run ends.
    EXPECT_EQ(notices().back(),
        "Corvanta|These files that the pages refer to could not be copied into the website:\n"
        "\"bread.jpg\" (home.html) cannot be found: the project has not been saved yet");
}

TEST_F(PublishWindow, NoDirectory_AsksForOneAndStaysOpen)
{
    open([&] {
        QTest::mouseClick(child<QPushButton>(window, "BitBtn1"), Qt::LeftButton);
        EXPECT_TRUE(window.isVisible());
        window.closeWindow();
    });
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].title, "Corvanta");
    EXPECT_EQ(dialogs.notices()[0].text, "Please specify a directory before continuing.");
    EXPECT_EQ(dialogs.notices()[0].icon, Platform::MessageIcon::Error);
    EXPECT_TRUE(steps.empty());
}

TEST_F(PublishWindow, SecondRun_NoKeepsTheEarlierSiteQuietly_YesReplacesIt)
{
    open([&] {
        choose(site.out.path());
        window.publish();
        writeBytes(site.website() + "/mine.txt", "kept");
        dialogs.clear();
        dialogs.answerConfirm(false);
        window.publish();
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(std::filesystem::exists(site.website() + "/mine.txt"));
        dialogs.answerConfirm(true);
        window.publish();
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(status()->text(), "Completed");
        window.closeWindow();
    });
    EXPECT_FALSE(std::filesystem::exists(site.website() + "/mine.txt"));
    ASSERT_EQ(dialogs.asked().size(), 2u) << "no notice after No";
    for (const Asked &asked : dialogs.asked()) {
        EXPECT_EQ(
            asked.message.text, "A website already exists in " + site.out.path() + ". Replace it?");
        EXPECT_EQ(asked.message.buttons, Platform::MessageButtons::YesNo);
    }
}

TEST_F(PublishWindow, FileError_EndsTheRunInTheErrorBoxAndKeepsTheStepShowing)
{
    std::filesystem::remove(site.templates() + "/Blue.t");
    open([&] {
        choose(site.out.path());
        window.publish();
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(status()->text(), "Creating HTML pages and images...");
        EXPECT_EQ(gauge()->value(), 6);
        window.closeWindow();
    });
    EXPECT_EQ(notices(), Strings { "Corvanta|File not found." });
    EXPECT_EQ(dialogs.notices()[0].icon, Platform::MessageIcon::Error);
}

TEST_F(PublishWindow, OpeningAgain_StartsAtZeroAndWaiting_NewForgetsTheDirectory)
{
    open([&] {
        choose(site.out.path());
        window.publish();
        // Escape is bound to nothing: the window stays.
        QTest::keyClick(directoryBox(), Qt::Key_Escape);
        EXPECT_TRUE(window.isVisible());
        window.close();
    });
    EXPECT_EQ(gauge()->value(), 100);
    open([&] {
        EXPECT_EQ(gauge()->value(), 0);
        EXPECT_EQ(status()->text(), "Waiting...");
        // The chooser's "&Cancel" keeps the directory.
        whileShown(chooser, [&] { chooser.cancelChoice(); });
        QTest::mouseClick(child<QToolButton>(window, "SpeedButton1"), Qt::LeftButton);
        EXPECT_EQ(window.publishDirectory(), site.out.path());
        window.closeWindow();
    });
    // New forgets the directory: the next opening shows none.
    session.newProject();
    open([&] {
        EXPECT_EQ(directoryBox()->text(), "");
        window.closeWindow();
    });
    EXPECT_EQ(window.publishDirectory(), "");
}

TEST_F(PublishWindow, CancelWhilePicturesAreMade_StopsAtOnceAndKeepsTheEarlierSiteAsItWas)
{
    // A saved project whose home page shows twelve camera-sized photos, each of its own (the
    // bytes after a JPEG's end are not read), so that making them for the web takes a while.
    QImage image(4000, 3000, QImage::Format_RGB32);
    image.fill(QColor(200, 90, 40));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(image.save(&buffer, "JPG"));
    const std::string runOwn = std::to_string(std::random_device()());
    std::filesystem::create_directories(site.home.file("shop"));
    std::string gallery;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "photo" + std::to_string(i) + ".jpg";
        writeBytes(site.home.file("shop/" + name), jpeg.toStdString() + runOwn + "-" + name);
        gallery += "<img src=\"" + name + "\" alt=\"Loaf " + std::to_string(i) + "\">";
    }
    session.fields().pageBody[0] = "<p>" + gallery + "</p>";
    session.save(site.home.file("shop/shop.cvp"));
    std::filesystem::create_directories(site.website());
    writeBytes(site.website() + "/home.html", "the earlier site");

    auto *cancel = child<QPushButton>(window, "cancelButton");
    QTimer watch;
    std::string statusWhenPressed;
    std::function<void()> press;
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        // The person stops the run once a photo is being made.
        if (!statusWhenPressed.empty() || !status()->text().startsWith("Making pictures"))
            return;
        statusWhenPressed = status()->text().toStdString();
        EXPECT_TRUE(cancel->isVisible());
        EXPECT_FALSE(child<QPushButton>(window, "BitBtn1")->isEnabled());
        EXPECT_FALSE(child<QPushButton>(window, "BitBtn2")->isVisible());
        EXPECT_EQ(window.focusWidget(), cancel);
        press();
        EXPECT_EQ(status()->text(), "Cancelling...");
    });
    const auto publishAndStop = [&](const std::function<void()> &stop) {
        press = stop;
        statusWhenPressed.clear();
        dialogs.answerConfirm(true); // replace the earlier site
        watch.start(5);
        window.publish();
        watch.stop();
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(status()->text(), "Cancelled; the earlier website is unchanged.");
        EXPECT_EQ(gauge()->value(), 0);
        EXPECT_FALSE(cancel->isVisible());
        EXPECT_TRUE(child<QPushButton>(window, "BitBtn2")->isVisible());
        EXPECT_FALSE(child<QLabel>(window, "siteLocation")->isVisible());
        EXPECT_TRUE(statusWhenPressed.starts_with("Making pictures for the web ("))
            << statusWhenPressed;
    };
    open([&] {
        EXPECT_FALSE(cancel->isVisible());
        choose(site.out.path());
        publishAndStop([&] { QTest::keyClick(cancel, Qt::Key_Escape); });
        // Closing the window (Alt+F4) while a run goes on cancels it too.
        publishAndStop([&] { window.close(); });
        window.closeWindow();
    });

    EXPECT_EQ(cancel->accessibleName(), "Cancel publishing");
    // Nothing of the cancelled run is left beside the earlier site, which kept its bytes.
    std::vector<std::string> left;
    for (const auto &entry : std::filesystem::directory_iterator(site.out.path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, Strings { "website" });
    EXPECT_EQ(site.websiteFiles(), std::set<std::string> { "home.html" });
    EXPECT_EQ(site.read("home.html"), "the earlier site");
    // A cancelled run is no failure: nothing was said about it in a message.
    EXPECT_EQ(notices(), Strings {});
}

TEST(SiteCheckWindow, ListsFindingsByCaption_DoubleClickOpensTheEditorThereAndChecksAgain)
{
    Site site;
    ScriptedDialogs dialogs;
    Model::ProjectSession session(site.lists);
    session.fields().pageBody[0] = "<p>Hello</p>\r\n<img src=\"a.gif\" alt=\"\">";
    std::vector<std::string> opened;
    Publish::SiteCheckWindow window(dialogs, session, [&](Model::PageId page, int line) {
        opened.push_back(std::to_string(page) + ":" + std::to_string(line));
        session.fields().pageBody[0] = "<p>Mended</p>";
    });
    window.refresh();
    auto *list = child<QListWidget>(window, "siteCheckList");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(),
        "Home, line 2: picture \"a.gif\" cannot be found: the project has not been saved yet");
    window.show();
    doubleClick(list, list->item(0));
    EXPECT_EQ(opened, Strings { "1:2" });
    EXPECT_EQ(list->item(0)->text().toStdString(), "Nothing found: the site is ready to publish.");
    doubleClick(list, list->item(0));
    EXPECT_EQ(opened.size(), 1u);
}
