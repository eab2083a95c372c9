#include "tests/hardening/randomproject.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "project/projectfiles.h"
#include "publish/publishwebsite.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

using namespace Model;
using Hardening::randomProject;
using Testing::TempDir;

namespace {

/// Lists long enough that every position a project file can store (0 to 254) exists.
ChoiceLists longLists()
{
    ChoiceLists lists;
    lists.templates.reserve(255);
    for (int i = 0; i < 255; ++i)
        lists.templates.push_back("template " + std::to_string(i));
    std::vector<std::string> installed;
    installed.reserve(300);
    for (int i = 0; i < 300; ++i)
        installed.push_back("Family " + std::to_string(i));
    lists.fonts = FontFamilyList(installed);
    return lists;
}

/// Where two projects first differ, in words a failing test can show.
std::string firstDifference(const Project &a, const Project &b)
{
    const std::string recordA = encodeProjectRecord(a);
    const std::string recordB = encodeProjectRecord(b);
    const auto mismatch = std::mismatch(recordA.begin(), recordA.end(), recordB.begin());
    if (mismatch.first != recordA.end())
        return "project file byte " + std::to_string(mismatch.first - recordA.begin());
    for (std::size_t page = 0; page < a.pageBody.size(); ++page) {
        if (a.pageBody[page] != b.pageBody[page])
            return "body of page " + std::to_string(page + 1);
    }
    return a == b ? "nothing" : "a field the project file does not show";
}

/// Every file below a directory, by its path relative to it, with its bytes.
std::map<std::string, std::string> filesBelow(const std::string &directory)
{
    std::map<std::string, std::string> files;
    const std::filesystem::path root = Platform::nativePath(directory);
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[entry.path().lexically_relative(root).string()]
                = Testing::readBytes(entry.path().string());
    }
    return files;
}

std::string firstDifference(
    const std::map<std::string, std::string> &a, const std::map<std::string, std::string> &b)
{
    for (const auto &[name, bytes] : a) {
        const auto other = b.find(name);
        if (other == b.end())
            return name + " only in the first site";
        if (other->second != bytes)
            return name + " differs";
    }
    for (const auto &[name, bytes] : b) {
        if (!a.contains(name))
            return name + " only in the second site";
    }
    return "nothing";
}

std::vector<std::string> installedTemplates(const std::string &home)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(home + "/templates")) {
        if (entry.path().extension() == ".t")
            names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> publishedSite(
    const Project &project, const ChoiceLists &lists, const std::string &home)
{
    TempDir out;
    const Publish::PublishResult result = Publish::PublishWebsite(
        { .project = project, .lists = lists, .homeDir = home, .target = out.path() });
    EXPECT_EQ(result.outcome, Publish::PublishOutcome::Completed);
    return filesBelow(out.file("website"));
}

} // namespace

TEST(RoundTrip, RandomProjects_SavedAndOpenedAgain_CompareEqual)
{
    const ChoiceLists lists = longLists();
    TempDir dir;
    std::mt19937 random(1664);
    // Each project is opened over the one before it, as Open replaces every stored field.
    Project opened = DefaultProject(lists);
    PageSelection selection(opened);
    for (std::size_t index = 0; index < 300; ++index) {
        const Project saved = randomProject(random, index, lists, 3000);
        WriteProjectFiles(saved, dir.file("site.cvp"));
        ReadProjectFiles(dir.file("site.cvp"), selection, lists);
        ASSERT_EQ(firstDifference(opened, saved), "nothing") << "project " << index;
    }
}

TEST(RoundTrip, SameProjectPublishedTwiceAndAfterReopening_IdenticalSites)
{
    const std::string home = CORVANTA_DATA_DIR;
    ChoiceLists lists = longLists();
    lists.templates = installedTemplates(home);
    ASSERT_FALSE(lists.templates.empty());
    TempDir projectDir;
    const std::string logo = projectDir.file("logo \xE9.png");
    Testing::writeBytes(Platform::nativePath(logo), "\x89PNG\r\n\x1A\n logo bytes");
    std::mt19937 random(302);

    for (std::size_t index = 0; index < 12; ++index) {
        Project project = randomProject(random, index, lists, 20000);
        project.templateName = index % lists.templates.size();
        project.logoPath = index % 3 == 0 ? logo : index % 3 == 1 ? "" : "ab";
        project.businessPages[static_cast<std::size_t>(index % PageCount)] = true;

        const auto first = publishedSite(project, lists, home);
        const auto second = publishedSite(project, lists, home);
        ASSERT_EQ(firstDifference(first, second), "nothing") << "project " << index;
        EXPECT_TRUE(first.contains("styles.css"));
        EXPECT_TRUE(first.contains(pageInfo(static_cast<PageId>(index % PageCount) + 1).pageFile));

        WriteProjectFiles(project, projectDir.file("site.cvp"));
        Project reopened = DefaultProject(lists);
        PageSelection selection(reopened);
        ReadProjectFiles(projectDir.file("site.cvp"), selection, lists);
        ASSERT_EQ(firstDifference(first, publishedSite(reopened, lists, home)), "nothing")
            << "project " << index << " after saving and opening";
    }
}
