// A project in a place the user may read but not write: saving is refused with "File access
// denied" and leaves the files as they were, and the project still opens. Where only the
// folder is closed but the files are writable, the save writes the files in place.

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
using Hardening::SmallDisk;
using Testing::TempDir;

namespace {

const ChoiceLists TestLists { { "Classic", "Harbour" }, FontFamilyList({ "Noto Sans" }) };

using Testing::errorOf;
Project someProject(unsigned seed)
{
    std::mt19937 random(seed);
    return Hardening::randomProject(random, seed, TestLists, 2000);
}

/// Saves `replacement` over the project file, then opens it; reports the save's error and
/// whether what opened is `expected`.
std::string saveThenOpen(
    const std::string &projectFile, const Project &replacement, const Project &expected)
{
    const std::string saveError = errorOf([&] { WriteProjectFiles(replacement, projectFile); });
    Project opened = DefaultProject(TestLists);
    PageSelection selection(opened);
    const std::string openError
        = errorOf([&] { ReadProjectFiles(projectFile, selection, TestLists); });
    return saveError + " | open: " + openError + " | "
        + (opened == expected ? "the saved project" : "another project");
}

std::string snapshot(const std::string &directory)
{
    std::string all;
    for (const auto &entry : std::filesystem::directory_iterator(directory))
        all += entry.path().filename().string() + "=" + Testing::readBytes(entry.path().string())
            + ";";
    return all;
}

} // namespace

TEST(NoWritePermission, ProjectDirectoryReadOnly_FilesWritable_SavedInPlace)
{
    TempDir base;
    const std::string directory = base.file("project");
    std::filesystem::create_directory(directory);
    const Project old = someProject(11);
    WriteProjectFiles(old, directory + "/site.cvp");
    // A folder that no new file can be made in, holding files that every user may write: the
    // fifteen of a project saved by an older version, without a settings file.
    std::filesystem::remove(directory + "/site.cvp.settings");
    for (const auto &entry : std::filesystem::directory_iterator(directory))
        ::chmod(entry.path().c_str(), 0666);
    ::chmod(base.path().c_str(), 0755);
    ::chmod(directory.c_str(), 0555);

    const Hardening::ChildResult result = Hardening::runInChildProcess(
        [&] { return saveThenOpen(directory + "/site.cvp", someProject(12), someProject(12)); },
        Hardening::ChildUser::Unprivileged);

    ASSERT_TRUE(result.ran) << result.problem;
    EXPECT_EQ(result.output, "(no error) | open: (no error) | the saved project");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory),
                  std::filesystem::directory_iterator()),
        15);
}

TEST(NoWritePermission, PublishDirectoryReadOnly_WebsiteDirectoryCannotBeMade)
{
    TempDir base;
    ::chmod(base.path().c_str(), 0555);
    Project project = someProject(13);
    project.templateName = 0;

    const Hardening::ChildResult result = Hardening::runInChildProcess(
        [&] {
            const Publish::PublishResult result = Publish::PublishWebsite({ .project = project,
                .lists = TestLists,
                .homeDir = CORVANTA_DATA_DIR,
                .target = base.path() });
            const auto notice = Publish::stoppedNotice(result);
            return std::to_string(static_cast<int>(result.outcome)) + " "
                + (notice ? notice->title + ": " + notice->text : "?");
        },
        Hardening::ChildUser::Unprivileged);

    ASSERT_TRUE(result.ran) << result.problem;
    EXPECT_EQ(result.output,
        std::to_string(static_cast<int>(Publish::PublishOutcome::DirectoryNotCreated))
            + " Error: Cannot create directory.\nPossible cause: the directory WEBSITE may "
              "already exist in the specified directory.");
    EXPECT_TRUE(std::filesystem::is_empty(base.path()));
}

TEST(ReadOnlyDisk, SaveDeniedAndTheProjectStillOpens)
{
    SmallDisk disk(std::size_t { 256 } * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "no disk to make read-only: " << disk.reason();
    const Project old = someProject(14);
    WriteProjectFiles(old, disk.file("site.cvp"));
    const std::string before = snapshot(disk.path());
    disk.makeReadOnly();

    EXPECT_EQ(saveThenOpen(disk.file("site.cvp"), someProject(15), old),
        "File access denied | open: (no error) | the saved project");
    EXPECT_EQ(errorOf([&] { WriteProjectFiles(old, disk.file("new.cvp")); }), "File access denied");
    EXPECT_EQ(snapshot(disk.path()), before);
}

TEST(NoWritePermission, PageFileOfAnotherUserInTheUsersOwnFolder_RefusedAndNothingChanges)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    TempDir base;
    const std::string directory = base.file("project");
    std::filesystem::create_directory(directory);
    WriteProjectFiles(someProject(16), directory + "/site.cvp");
    // The folder and the files are the user's (nobody), but for 5.dat, which root owns and
    // only root may write. The folder's permissions alone would let the user rename over it.
    constexpr uid_t Nobody = 65534;
    ::chmod(base.path().c_str(), 0755);
    ASSERT_EQ(::chown(directory.c_str(), Nobody, Nobody), 0);
    for (const auto &entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().filename() != "5.dat") {
            ASSERT_EQ(::chown(entry.path().c_str(), Nobody, Nobody), 0);
        }
    }
    ::chmod((directory + "/5.dat").c_str(), 0644);
    const std::string before = snapshot(directory);

    const Hardening::ChildResult result = Hardening::runInChildProcess(
        [&] {
            return errorOf([&] { WriteProjectFiles(someProject(17), directory + "/site.cvp"); });
        },
        Hardening::ChildUser::Unprivileged);

    ASSERT_TRUE(result.ran) << result.problem;
    EXPECT_EQ(result.output, "File access denied: " + directory + "/5.dat");
    EXPECT_EQ(snapshot(directory), before);
    struct stat info
    {
    };
    ASSERT_EQ(::stat((directory + "/5.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u);
}
