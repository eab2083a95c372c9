#include "platform/fileerror.h"
#include "platform/files.h"
#include "project/pageselection.h"
#include "project/projectfiles.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace Model;
using List = std::vector<std::string>;

namespace {

const ChoiceLists SomeLists { { "blue" }, FontFamilyList({}) };

/// The Edit Pages list holds "Home" once and one entry per ticked box of pages 2 to 14.
::testing::AssertionResult listFollowsTicks(const PageSelection &selection)
{
    const List &list = selection.editPagesList();
    if (std::count(list.begin(), list.end(), "Home") != 1)
        return ::testing::AssertionFailure() << "Home is not in the list once";
    std::size_t expectedSize = 1;
    for (PageId page = 2; page <= PageCount; ++page) {
        const int ticks = (page <= PersonalPageCount && selection.tick(Column::Personal, page))
            + selection.tick(Column::Business, page);
        expectedSize += static_cast<std::size_t>(ticks);
        if (std::count(list.begin(), list.end(), pageInfo(page).caption) != ticks)
            return ::testing::AssertionFailure()
                << pageInfo(page).caption << " has not " << ticks << " entries";
    }
    if (list.size() != expectedSize)
        return ::testing::AssertionFailure() << "the list holds other entries";
    return ::testing::AssertionSuccess();
}

struct Organiser
{
    Project project = DefaultProject(SomeLists);
    PageSelection selection { project };
};

} // namespace

TEST(PageSelection, TickingContactInBothColumns_GivesTwoEntries_UntickingRemovesOne)
{
    Organiser o;
    o.selection.SetPageTick(Column::Personal, 2, true);
    o.selection.SetPageTick(Column::Business, 2, true);
    EXPECT_EQ(o.selection.editPagesList(), (List { "Home", "Contact", "Contact" }));
    o.selection.SetPageTick(Column::Business, 2, false);
    EXPECT_EQ(o.selection.editPagesList(), (List { "Home", "Contact" }));
    EXPECT_FALSE(o.selection.SetPageTick(Column::Personal, 2, true)); // no change, no entry
    EXPECT_EQ(o.selection.editPagesList(), (List { "Home", "Contact" }));
}

TEST(PageSelection, HomeTicksChangeNoEntry)
{
    Organiser o;
    EXPECT_TRUE(o.selection.SetPageTick(Column::Business, 1, false));
    EXPECT_EQ(o.selection.editPagesList(), (List { "Home" }));
    o.selection.SetPageTick(Column::Business, 1, true);
    EXPECT_EQ(o.selection.editPagesList(), (List { "Home" }));
}

TEST(PageSelection, CheckAllOfTheGreyedColumn_TicksItInPageOrder_SecondTimeNothing)
{
    Organiser o;
    EXPECT_FALSE(o.selection.isChangeable(Column::Business, 3));
    o.selection.checkAll(Column::Business);
    const List expected { "Home", "Contact", "About", "Events", "Downloads", "FAQ", "Links",
        "Gallery", "Portfolio", "Products", "Services", "Press", "Support", "Jobs" };
    EXPECT_EQ(o.selection.editPagesList(), expected);
    o.selection.checkAll(Column::Business);
    EXPECT_EQ(o.selection.editPagesList(), expected);
    o.selection.checkAll(Column::Personal);
    EXPECT_EQ(o.selection.editPagesList().size(), expected.size() + 8);
}

TEST(PageSelection, SiteTypeSwitch_ChangesOnlyWhichColumnIsChangeable)
{
    Organiser o;
    o.selection.SetPageTick(Column::Personal, 7, true);
    const List before = o.selection.editPagesList();
    o.selection.setSiteType(SiteType::Business);
    EXPECT_EQ(o.selection.editPagesList(), before);
    EXPECT_TRUE(o.selection.tick(Column::Personal, 7));
    EXPECT_TRUE(pageIncluded(o.project, 7));
    EXPECT_FALSE(o.selection.isChangeable(Column::Personal, 7));
    EXPECT_TRUE(o.selection.isChangeable(Column::Business, 14));
    EXPECT_FALSE(o.selection.isChangeable(Column::Business, 1));
    o.selection.setSiteType(SiteType::Personal);
    EXPECT_TRUE(o.selection.isChangeable(Column::Personal, 9));
    EXPECT_FALSE(o.selection.isChangeable(Column::Personal, 1));
}

TEST(PageSelection, SortIsCaselessAndOnce_LaterTicksAppend)
{
    Organiser o;
    o.selection.SetPageTick(Column::Personal, 7, true); // Links
    o.selection.SetPageTick(Column::Personal, 3, true); // About
    o.selection.sortList();
    EXPECT_EQ(o.selection.editPagesList(), (List { "About", "Home", "Links" }));
    o.selection.SetPageTick(Column::Business, 14, true);
    EXPECT_EQ(o.selection.editPagesList(), (List { "About", "Home", "Links", "Jobs" }));
}

TEST(PageSelection, EnteringEditPagesStartsAtZero_SelectionPicksThePage)
{
    Organiser o;
    o.selection.SetPageTick(Column::Personal, 6, true);
    o.selection.SetPageTick(Column::Personal, 3, true);
    o.selection.selectEntry(2);
    EXPECT_EQ(o.selection.selectedPage(), 3);
    o.selection.enterEditPages();
    EXPECT_EQ(o.selection.curitem(), "0");
    EXPECT_EQ(o.selection.selectedPage(), 1);
    o.selection.selectEntry(1);
    EXPECT_EQ(
        pageInfo(o.selection.selectedPage()).editorCaption, std::string("Editing Page - FAQ"));
}

TEST(PageSelection, CuritemPastTheEnd_ListIndexOutOfBounds)
{
    Organiser o;
    o.selection.SetPageTick(Column::Personal, 2, true);
    o.selection.selectEntry(1);
    o.selection.SetPageTick(Column::Personal, 2, false);
    try {
        o.selection.selectedPage();
        FAIL() << "no error";
    } catch (const Platform::FileError &error) {
        EXPECT_STREQ(error.what(), "List index out of bounds (1)");
    }
}

TEST(PageSelection, New_ClearsTicksAndList_KeepsCuritem)
{
    Organiser o;
    o.selection.checkAll(Column::Personal);
    o.selection.SetPageTick(Column::Business, 1, false);
    o.selection.selectEntry(3);
    o.selection.resetForNew();
    EXPECT_EQ(o.selection.editPagesList(), (List { "Home" }));
    EXPECT_TRUE(o.selection.tick(Column::Business, 1));
    EXPECT_EQ(o.project.personalPages, DefaultProject(SomeLists).personalPages);
    EXPECT_EQ(o.selection.curitem(), "3");
}

TEST(PageSelection, RandomClicksCheckAllNewAndOpen_ListAlwaysFollowsTicks)
{
    Testing::TempDir dir;
    std::mt19937 random(20240611);
    std::vector<std::string> savedProjects; // each in its own directory, random ticks
    for (int i = 0; i < 6; ++i) {
        Project saved = DefaultProject(SomeLists);
        for (bool &tick : saved.personalPages)
            tick = random() % 2;
        for (bool &tick : saved.businessPages)
            tick = random() % 2;
        const std::string directory = dir.file(std::to_string(i));
        ASSERT_EQ(Platform::makeDirectory(directory), 0);
        savedProjects.push_back(directory + "/p.cvp");
        WriteProjectFiles(saved, savedProjects.back());
    }
    Organiser o;
    for (int step = 0; step < 3000; ++step) {
        const auto column = random() % 2 ? Column::Personal : Column::Business;
        const PageId page
            = 2 + static_cast<PageId>(random() % (column == Column::Personal ? 8 : 13));
        switch (random() % 20) {
        case 0:
            o.selection.checkAll(column);
            break;
        case 1:
            o.selection.resetForNew();
            break;
        case 2:
            o.selection.sortList();
            break;
        case 3:
            ReadProjectFiles(
                savedProjects[random() % savedProjects.size()], o.selection, SomeLists);
            break;
        default: // a click on a box
            o.selection.SetPageTick(column, page, !o.selection.tick(column, page));
        }
        ASSERT_TRUE(listFollowsTicks(o.selection)) << "after step " << step;
    }
}
