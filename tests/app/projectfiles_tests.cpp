#include "tests/app/mainwindowfixture.h"

#include "project/project.h"
#include "project/projectfiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <filesystem>

namespace Testing {
namespace {

using App::OrganiserPane;

class ProjectFilesTest : public MainWindowTest
{
protected:
    /// A project saved with the core's writer, every body "<name> N".
    Model::Project writeProject(const std::string &file, const std::string &name)
    {
        Model::Project project = Model::DefaultProject(session->lists());
        project.siteTitle = name + " title";
        project.businessPages[1] = true;
        for (int page = 0; page < Model::PageCount; ++page)
            project.pageBody[page] = name + " " + std::to_string(page + 1);
        Model::WriteProjectFiles(project, home.file(file));
        return project;
    }
};

TEST_F(ProjectFilesTest, SaveThenOpen_GivesTheSameProjectInTheControls)
{
    QTest::keyClicks(control<QLineEdit>("Edit2"), "Harbour Bakery");
    QTest::keyClicks(control<QLineEdit>("Edit5"), "2002, 2003");
    click(control<QRadioButton>("RadioButton2"));
    control<QComboBox>("ComboBox10")->setCurrentIndex(1);
    control<QComboBox>("ComboBox5")->setCurrentIndex(3);
    control<QComboBox>("ComboBox4")->setCurrentIndex(2);
    dialogs.answerColour(Platform::Colour { 0, 128, 255 });
    click(control<QAbstractButton>("linkColorButton"));
    click(control<QCheckBox>("CheckBox2"));
    press(Qt::Key_F7);
    click(control<QCheckBox>("CheckBox13"));
    const Model::Project edited = session->project();

    saveAs(home.file("bakery.cvp"));
    EXPECT_TRUE(dialogs.notices().empty());
    EXPECT_EQ(std::filesystem::file_size(home.file("bakery.cvp")), Model::ProjectRecordSize);
    for (int page = 1; page <= Model::PageCount; ++page)
        EXPECT_TRUE(std::filesystem::exists(home.file(std::to_string(page) + ".dat")));
    EXPECT_EQ(window->currentPane(), OrganiserPane::Pages);

    dialogs.answerConfirm(true);
    choose("New1");
    press(Qt::Key_F9);
    openFrom(home.file("bakery.cvp"));
    EXPECT_TRUE(dialogs.notices().empty());
    EXPECT_EQ(session->project(), edited);
    EXPECT_EQ(window->currentPane(), OrganiserPane::SiteInfo);
    EXPECT_EQ(window->heading(), "Website Organiser :: Site Info");
    EXPECT_EQ(control<QLineEdit>("Edit2")->text(), "Harbour Bakery");
    EXPECT_TRUE(control<QRadioButton>("RadioButton2")->isChecked());
    EXPECT_EQ(control<QComboBox>("ComboBox10")->currentText(), "Beta");
    EXPECT_EQ(control<QComboBox>("ComboBox5")->currentText(), "medium");
    EXPECT_EQ(control<QLabel>("sizeUnitLabel")->text(), "");
    EXPECT_EQ(control<QLabel>("linkColorText")->text(), "#0080FF");
    EXPECT_TRUE(control<QCheckBox>("CheckBox2")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("CheckBox13")->isChecked());
    EXPECT_EQ(shownList(), std::vector<std::string>({ "Home", "Products" }));
}

TEST_F(ProjectFilesTest, Dialogs_StartInDocuments_HaveTheirTitlesFilterAndRememberTheirOwnLastNames)
{
    const Testing::TemporaryHome user;
    saveAs(home.file("one.cvp"));
    openFrom(home.file("one.cvp"));
    dialogs.answerFile(std::nullopt);
    choose("SaveProjectAs1");
    dialogs.answerFile(std::nullopt);
    choose("OpenProject1");

    const auto &asked = dialogs.asked();
    ASSERT_EQ(asked.size(), 4u);
    const Platform::FileDialogSpec &save = asked[0].fileDialog;
    EXPECT_EQ(save.mode, Platform::FileDialogSpec::Mode::Save);
    EXPECT_EQ(save.title, "Save Project");
    ASSERT_EQ(save.filters.size(), 1u);
    EXPECT_EQ(save.filters[0].text, "Corvanta Files (*.cvp)");
    EXPECT_EQ(save.filters[0].patterns, "*.cvp");
    EXPECT_EQ(save.defaultExtension, "cvp");
    EXPECT_TRUE(save.confirmOverwrite);
    EXPECT_EQ(save.initialPath, user.documents() + "/My Website/My Website.cvp");
    const Platform::FileDialogSpec &open = asked[1].fileDialog;
    EXPECT_EQ(open.mode, Platform::FileDialogSpec::Mode::Open);
    EXPECT_EQ(open.title, "Open Project");
    EXPECT_EQ(open.defaultExtension, "cvp");
    EXPECT_FALSE(open.confirmOverwrite);
    EXPECT_EQ(open.initialPath, user.documents());
    EXPECT_EQ(asked[2].fileDialog.initialPath, home.file("one.cvp"));
    EXPECT_EQ(asked[3].fileDialog.initialPath, home.file("one.cvp"));
}

TEST_F(ProjectFilesTest, CancelledOrBlankName_WritesAndChangesNothing)
{
    dialogs.answerFile(std::nullopt);
    choose("SaveProject1");
    dialogs.answerFile(" \t ");
    click(control<QAbstractButton>("finishSaveButton"));
    dialogs.answerFile(std::nullopt);
    choose("OpenProject1");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.path()),
                  std::filesystem::directory_iterator()),
        1); // the templates directory only
    EXPECT_EQ(session->project(), Model::DefaultProject(session->lists()));
    EXPECT_EQ(dialogs.asked().size(), 3u);
}

TEST_F(ProjectFilesTest, ShortFile_IsRefusedAndNothingChanges)
{
    writeBytes(home.file("short.cvp"), std::string(1663, '\1'));
    press(Qt::Key_F6);
    openFrom(home.file("short.cvp"));
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].text, "Read beyond end of file.");
    EXPECT_EQ(dialogs.notices()[0].title, "Corvanta");
    EXPECT_EQ(dialogs.notices()[0].icon, Platform::MessageIcon::Error);
    EXPECT_EQ(session->project(), Model::DefaultProject(session->lists()));
    EXPECT_EQ(window->currentPane(), OrganiserPane::Options);
}

TEST_F(ProjectFilesTest, MissingPageFile_AppliesWhatCameBeforeIt)
{
    writeProject("old.cvp", "old");
    openFrom(home.file("old.cvp"));
    std::filesystem::create_directory(home.file("new"));
    Model::Project next = Model::DefaultProject(session->lists());
    next.siteTitle = "new title";
    next.personalPages[5] = true; // FAQ
    for (int page = 0; page < Model::PageCount; ++page)
        next.pageBody[page] = "new " + std::to_string(page + 1);
    Model::WriteProjectFiles(next, home.file("new/new.cvp"));
    std::filesystem::remove(home.file("new/7.dat"));

    press(Qt::Key_F7);
    openFrom(home.file("new/new.cvp"));
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].text, "Cannot open file " + home.file("new/7.dat") + ".");
    EXPECT_EQ(window->currentPane(), OrganiserPane::Pages);
    EXPECT_EQ(session->project().siteTitle, "new title");
    EXPECT_EQ(control<QLineEdit>("Edit2")->text(), "new title");
    EXPECT_TRUE(control<QCheckBox>("CheckBox23")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("CheckBox5")->isChecked());
    EXPECT_EQ(shownList(), std::vector<std::string>({ "Home", "FAQ" }));
    for (int page = 1; page <= Model::PageCount; ++page) {
        EXPECT_EQ(session->project().pageBody[page - 1],
            (page < 7 ? "new " : "old ") + std::to_string(page));
    }
}

TEST_F(ProjectFilesTest, ReadOnlyProjectFile_OpensButIsNotReplaced)
{
    const Model::Project saved = writeProject("locked.cvp", "locked");
    std::filesystem::permissions(home.file("locked.cvp"),
        std::filesystem::perms::owner_read | std::filesystem::perms::group_read
            | std::filesystem::perms::others_read);
    openFrom(home.file("locked.cvp"));
    EXPECT_TRUE(dialogs.notices().empty());
    EXPECT_EQ(session->project(), saved);

    saveAs(home.file("locked.cvp"));
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].text, "File access denied.");
}

TEST_F(ProjectFilesTest, PageBodies_RoundTripByteForByte)
{
    Model::Project project = Model::DefaultProject(session->lists());
    project.pageBody[0] = "<p>Caf\xe9</p>\r\n";
    project.pageBody[13] = std::string("\0\x1a\xff", 3);
    Model::WriteProjectFiles(project, home.file("bodies.cvp"));
    openFrom(home.file("bodies.cvp"));
    std::filesystem::create_directory(home.file("copy"));
    saveAs(home.file("copy/bodies.cvp"));
    EXPECT_EQ(readBytes(home.file("copy/1.dat")), project.pageBody[0]);
    EXPECT_EQ(readBytes(home.file("copy/14.dat")), project.pageBody[13]);
    EXPECT_EQ(readBytes(home.file("copy/bodies.cvp")), readBytes(home.file("bodies.cvp")));
}

TEST_F(ProjectFilesTest, TemplateNoLongerInstalled_NamedInAWarning_KeptUntilAnotherIsChosen)
{
    writeProject("gone.cvp", "gone");
    writeBytes(home.file("gone.cvp.settings"), "[choices]\ntemplate=Gone\n");
    openFrom(home.file("gone.cvp"));
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].title, "Warning");
    EXPECT_EQ(dialogs.notices()[0].text,
        "The template \"Gone\" chosen for this project is not installed. The project keeps it "
        "until you choose another template.");
    EXPECT_EQ(control<QComboBox>("ComboBox10")->currentIndex(), -1);

    saveAs(home.file("gone.cvp"));
    EXPECT_EQ(readBytes(home.file("gone.cvp.settings")),
        "[choices]\ntemplate=Gone\nfontFamily=arial, sans-serif, verdana\nfontFamilyPosition=0\n");
    control<QComboBox>("ComboBox10")->setCurrentIndex(1);
    saveAs(home.file("gone.cvp"));
    EXPECT_EQ(readBytes(home.file("gone.cvp.settings")),
        "[choices]\ntemplate=Beta\nfontFamily=arial, sans-serif, verdana\nfontFamilyPosition=0\n"
        "templatePosition=1\n");
    EXPECT_EQ(dialogs.notices().size(), 1u);
}

} // namespace
} // namespace Testing
