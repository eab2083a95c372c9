#include "tests/app/mainwindowfixture.h"

#include "project/project.h"
#include "project/projectfiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace Testing {
namespace {

using App::OrganiserPane;
using Model::Column;
using List = std::vector<std::string>;

class PagesTest : public MainWindowTest
{
protected:
    QCheckBox *box(const char *name) { return control<QCheckBox>(name); }
    void clickEntry(int row)
    {
        auto *list = control<QListWidget>("ListBox1");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
            list->visualItemRect(list->item(row)).center());
    }
    std::string curitem() { return control<QLineEdit>("curitem")->text().toStdString(); }
};

TEST_F(PagesTest, Boxes_AreGreyedByColumnAndKeepTheirTicks)
{
    press(Qt::Key_F7);
    EXPECT_TRUE(box("CheckBox18")->isChecked());
    EXPECT_FALSE(box("CheckBox18")->isEnabled());
    EXPECT_TRUE(box("CheckBox4")->isChecked());
    EXPECT_FALSE(box("CheckBox4")->isEnabled());
    EXPECT_TRUE(box("CheckBox19")->isEnabled());
    EXPECT_FALSE(box("CheckBox5")->isEnabled());

    click(box("CheckBox19")); // personal Contact
    EXPECT_TRUE(box("CheckBox19")->isChecked());
    click(control<QRadioButton>("RadioButton2"));
    EXPECT_EQ(session->project().siteType, Model::SiteType::Business);
    EXPECT_FALSE(box("CheckBox19")->isEnabled());
    EXPECT_TRUE(box("CheckBox19")->isChecked());
    EXPECT_TRUE(box("CheckBox5")->isEnabled());
    EXPECT_FALSE(box("CheckBox4")->isEnabled());

    // A greyed box ignores clicks.
    click(box("CheckBox20"));
    EXPECT_FALSE(session->selection().tick(Column::Personal, 3));
}

TEST_F(PagesTest, Ticks_AddAndRemoveListEntriesColumnByColumn)
{
    click(box("CheckBox19")); // personal Contact
    click(control<QRadioButton>("RadioButton2"));
    click(box("CheckBox5")); // business Contact
    EXPECT_EQ(shownList(), List({ "Home", "Contact", "Contact" }));
    click(box("CheckBox5"));
    EXPECT_EQ(shownList(), List({ "Home", "Contact" }));
    EXPECT_TRUE(Model::pageIncluded(session->project(), 2));
}

TEST_F(PagesTest, CheckAll_TicksAGreyedColumnOnceInPageOrder)
{
    click(box("CheckBox7")); // greyed business Events: no effect
    click(control<QToolButton>("Label45"));
    EXPECT_EQ(shownList(),
        List({ "Home", "Contact", "About", "Events", "Downloads", "FAQ", "Links", "Gallery",
            "Portfolio", "Products", "Services", "Press", "Support", "Jobs" }));
    EXPECT_TRUE(box("CheckBox17")->isChecked());
    EXPECT_FALSE(box("CheckBox17")->isEnabled());
    click(control<QToolButton>("Label45"));
    EXPECT_EQ(shownList().size(), 14u);

    click(box("CheckBox21")); // personal Events
    click(control<QToolButton>("Label10"));
    EXPECT_EQ(shownList().size(), 14u + 8u);
    EXPECT_EQ(shownList()[14], "Events");
    EXPECT_EQ(shownList()[15], "Contact");
}

TEST_F(PagesTest, EditPages_StartsAtTheTopAndFollowsSelections)
{
    click(box("CheckBox24")); // Links
    click(box("CheckBox20")); // About
    press(Qt::Key_F8);
    clickEntry(2);
    EXPECT_EQ(curitem(), "2");

    // Keyboard moves change `curitem` too.
    control<QListWidget>("ListBox1")->setFocus();
    press(Qt::Key_Up);
    EXPECT_EQ(curitem(), "1");

    // Coming back starts at 0 again; the highlight is left where it was.
    press(Qt::Key_F5);
    click(control<QToolButton>("SpeedButton4"));
    EXPECT_EQ(curitem(), "0");
    EXPECT_EQ(control<QListWidget>("ListBox1")->currentRow(), 1);
    EXPECT_EQ(session->selection().selectedPage(), 1);
}

TEST_F(PagesTest, Sort_OrdersOnceAndLaterTicksGoToTheEnd)
{
    click(box("CheckBox24")); // Links
    click(box("CheckBox20")); // About
    press(Qt::Key_F8);
    clickEntry(1);
    click(control<QAbstractButton>("BitBtn10"));
    EXPECT_EQ(shownList(), List({ "About", "Home", "Links" }));
    EXPECT_EQ(curitem(), "1");
    press(Qt::Key_F7);
    click(box("CheckBox25")); // Gallery
    EXPECT_EQ(shownList(), List({ "About", "Home", "Links", "Gallery" }));
}

TEST_F(PagesTest, EditSelectedPage_PastTheListEndShowsTheIndexError)
{
    // A project in which only Home is ticked, whose "7.dat" is missing.
    Model::Project saved = Model::DefaultProject(session->lists());
    Model::WriteProjectFiles(saved, home.file("home-only.cvp"));
    std::remove(home.file("7.dat").c_str());

    click(box("CheckBox19"));
    click(box("CheckBox20"));
    press(Qt::Key_F8);
    clickEntry(2);
    dialogs.answerSave(Platform::SaveChoice::DontSave); // the ticks are unsaved changes
    openFrom(home.file("home-only.cvp"));
    EXPECT_EQ(window->currentPane(), OrganiserPane::EditPages);
    EXPECT_EQ(shownList(), List({ "Home" }));
    dialogs.clear();

    click(control<QAbstractButton>("BitBtn9"));
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].title, "Corvanta");
    EXPECT_EQ(dialogs.notices()[0].text, "List index out of bounds (2)");
    EXPECT_EQ(dialogs.notices()[0].icon, Platform::MessageIcon::Error);
}

TEST_F(PagesTest, New_AfterEditsGivesTheDefaultProjectAndKeepsTheSitemapFlag)
{
    // A project that carries the site map flag, which only a file can set.
    Model::Project flagged = Model::DefaultProject(session->lists());
    flagged.generateSitemap = true;
    Model::WriteProjectFiles(flagged, home.file("flagged.cvp"));
    openFrom(home.file("flagged.cvp"));

    QTest::keyClicks(control<QLineEdit>("Edit2"), "My site");
    click(control<QRadioButton>("RadioButton2"));
    click(control<QToolButton>("Label45"));
    click(control<QToolButton>("Label10"));
    control<QComboBox>("ComboBox5")->setCurrentIndex(3);
    press(Qt::Key_F8);
    clickEntry(3);

    dialogs.answerSave(Platform::SaveChoice::Cancel);
    choose("New1");
    EXPECT_EQ(session->project().siteTitle, "My site");

    dialogs.answerSave(Platform::SaveChoice::DontSave);
    choose("New1");
    Model::Project expected = Model::DefaultProject(session->lists());
    expected.generateSitemap = true;
    EXPECT_EQ(session->project(), expected);
    EXPECT_EQ(shownList(), List({ "Home" }));
    EXPECT_EQ(curitem(), "3"); // New leaves it
    EXPECT_EQ(window->currentPane(), OrganiserPane::SiteInfo);
    EXPECT_EQ(control<QLineEdit>("Edit2")->text(), "");
    EXPECT_TRUE(control<QRadioButton>("RadioButton1")->isChecked());
    EXPECT_EQ(control<QLabel>("sizeUnitLabel")->text(), "px");
    EXPECT_TRUE(box("CheckBox4")->isChecked());
    EXPECT_FALSE(box("CheckBox5")->isChecked());
    EXPECT_TRUE(box("CheckBox20")->isEnabled());

    const auto questions = dialogs.asked();
    ASSERT_EQ(questions.size(), 3u); // the open dialog and the two questions
    EXPECT_EQ(questions.back().kind, Asked::Kind::AskToSave);
}

} // namespace
} // namespace Testing
