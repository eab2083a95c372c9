// Projects, templates and logos whose files are not what they should be: named pipes,
// devices, names at the length limit. Every command must end with a message, never hang or
// read without end. Each story runs in a child process with a time limit, so a hang fails it.

#include "tests/hardening/randomproject.h"
#include "tests/hardening/smalldisk.h"

#include "platform/fileerror.h"
#include "project/projectfiles.h"
#include "publish/publishwebsite.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace Model;
using Hardening::ChildUser;
using Hardening::runInChildProcess;
using Testing::TempDir;

namespace {

const ChoiceLists TestLists { { "Classic" }, FontFamilyList({}) };
constexpr unsigned TimeLimit = 5;

using Testing::errorOf;
Project someProject(unsigned seed)
{
    std::mt19937 random(seed);
    Project project = Hardening::randomProject(random, seed, TestLists, 500);
    project.templateName = 0;
    return project;
}

/// Opens the project in a child process; reports the error and the first page whose body
/// did not come from its file.
std::string openInChild(const std::string &projectFile, const Project &saved)
{
    const Hardening::ChildResult result = runInChildProcess(
        [&] {
            Project opened = DefaultProject(TestLists);
            for (std::string &body : opened.pageBody)
                body = "previous";
            PageSelection selection(opened);
            const std::string error
                = errorOf([&] { ReadProjectFiles(projectFile, selection, TestLists); });
            std::size_t read = 0;
            while (read < opened.pageBody.size() && opened.pageBody[read] == saved.pageBody[read])
                ++read;
            return error + " | pages read: " + std::to_string(read);
        },
        ChildUser::Same, TimeLimit);
    return result.ran ? result.output : result.problem;
}

std::string publishInChild(const Project &project, const std::string &home)
{
    TempDir out;
    const Hardening::ChildResult result = runInChildProcess(
        [&] {
            return errorOf([&] {
                Publish::PublishWebsite({ .project = project,
                    .lists = TestLists,
                    .homeDir = home,
                    .target = out.path() });
            });
        },
        ChildUser::Same, TimeLimit);
    return result.ran ? result.output : result.problem;
}

/// A copy of the installed Classic template in a home directory of its own.
struct CopiedHome
{
    CopiedHome()
    {
        std::filesystem::create_directory(home.file("templates"));
        for (const auto &entry :
            std::filesystem::directory_iterator(std::string(CORVANTA_DATA_DIR) + "/templates")) {
            if (entry.path().filename().string().starts_with("Classic"))
                std::filesystem::copy(entry.path(), home.file("templates"));
        }
    }
    std::string templateFile(const std::string &name) const
    {
        return home.file("templates/" + name);
    }
    TempDir home;
};

} // namespace

TEST(BrokenFiles, PageFileIsANamedPipe_OpenEndsWithItsPathInsteadOfWaiting)
{
    TempDir dir;
    const Project saved = someProject(1);
    WriteProjectFiles(saved, dir.file("site.cvp"));
    std::filesystem::remove(dir.file("3.dat"));
    ASSERT_EQ(::mkfifo(dir.file("3.dat").c_str(), 0644), 0);

    EXPECT_EQ(openInChild(dir.file("site.cvp"), saved),
        "Cannot open file " + dir.file("3.dat") + " | pages read: 2");
}

TEST(BrokenFiles, PageFileIsADevice_OpenEndsWithItsPathInsteadOfReadingForever)
{
    TempDir dir;
    const Project saved = someProject(2);
    WriteProjectFiles(saved, dir.file("site.cvp"));
    std::filesystem::remove(dir.file("5.dat"));
    std::filesystem::create_symlink("/dev/zero", dir.file("5.dat"));

    EXPECT_EQ(openInChild(dir.file("site.cvp"), saved),
        "Cannot open file " + dir.file("5.dat") + " | pages read: 4");
}

TEST(BrokenFiles, ProjectFileIsANamedPipe_OpenRefusedAndNothingChanges)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("site.cvp").c_str(), 0644), 0);
    EXPECT_EQ(openInChild(dir.file("site.cvp"), DefaultProject(TestLists)),
        "File access denied | pages read: 0");
}

TEST(BrokenFiles, TemplatePictureOrLogoIsAPipeOrDevice_PublishEndsWithAnError)
{
    CopiedHome site;
    Project project = someProject(3);
    project.businessPages.fill(true);
    project.logoPath.clear();
    ASSERT_EQ(publishInChild(project, site.home.path()), "(no error)");

    // The navigation picture of the About page, a named pipe.
    std::filesystem::remove(site.templateFile("Classicabout.gif"));
    ASSERT_EQ(::mkfifo(site.templateFile("Classicabout.gif").c_str(), 0644), 0);
    EXPECT_EQ(publishInChild(project, site.home.path()),
        "The template picture \"Classicabout.gif\" is not a file.");

    // A logo picked from the devices: it would be copied without end.
    std::filesystem::remove(site.templateFile("Classicabout.gif"));
    std::filesystem::copy(std::string(CORVANTA_DATA_DIR) + "/templates/Classicabout.gif",
        site.templateFile("Classicabout.gif"));
    project.logoPath = "/dev/zero";
    EXPECT_EQ(publishInChild(project, site.home.path()), "File access denied");
}

TEST(BrokenFiles, ProjectFileNameOfTheLongestLength_SavesAndOpens)
{
    TempDir dir;
    const std::string projectFile = dir.file(std::string(251, 'n') + ".cvp");
    const Project saved = someProject(4);
    ASSERT_EQ(errorOf([&] { WriteProjectFiles(saved, projectFile); }), "(no error)");
    EXPECT_EQ(openInChild(projectFile, saved), "(no error) | pages read: 14");
}
