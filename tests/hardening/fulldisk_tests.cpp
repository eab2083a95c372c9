// Saves and publishes onto a disk that really fills up (a small tmpfs), or under a real file
// size limit, and checks what the user is told and what is left on the disk.

#include "tests/hardening/randomproject.h"
#include "tests/hardening/smalldisk.h"

#include "platform/fileerror.h"
#include "platform/files.h"
#include "project/projectfiles.h"
#include "publish/publishwebsite.h"
#include "tests/support/tempdir.h"
#include "tests/update/httpserver.h"
#include "update/updatecheck.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sys/resource.h>

using namespace Model;
using Hardening::SmallDisk;
using Testing::TempDir;
using Files = std::map<std::string, std::string>;

namespace {

const ChoiceLists TestLists { { "Classic", "Harbour", "Meadow", "Midnight" }, FontFamilyList({}) };

using Testing::errorOf;
/// The files of a directory with their bytes; the disk's filler is not one of them.
Files filesIn(const std::string &directory)
{
    Files files;
    for (const auto &entry : std::filesystem::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (name != ".filler")
            files[name] = Testing::readBytes(entry.path().string());
    }
    return files;
}

/// The sixteen files a project is saved as, by name.
Files savedFiles(const Project &project)
{
    Files files { { "site.cvp", encodeProjectRecord(project) },
        { "site.cvp.settings", project.settings.text() } };
    for (const PageInfo &page : PageCatalogue)
        files[page.contentFile] = project.pageBody[static_cast<std::size_t>(page.id - 1)];
    return files;
}

Project projectWithBodies(unsigned seed, std::size_t bodySize)
{
    std::mt19937 random(seed);
    Project project = Hardening::randomProject(random, seed, TestLists, 0);
    for (std::string &body : project.pageBody)
        body = Hardening::randomText(random, bodySize, true);
    return project;
}

} // namespace

TEST(FullDisk, SaveOnAFullDisk_DiskFullAndTheOldProjectStaysWholeAndOpens)
{
    SmallDisk disk(std::size_t { 512 } * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk to fill: " << disk.reason();
    const Project old = projectWithBodies(1, 3000);
    const std::string projectFile = disk.file("site.cvp");
    WriteProjectFiles(old, projectFile);

    disk.fillLeaving(0);
    EXPECT_EQ(
        errorOf([&] { WriteProjectFiles(projectWithBodies(2, 3000), projectFile); }), "Disk full");

    EXPECT_EQ(filesIn(disk.path()), savedFiles(old)); // no half-written or temporary file
    Project opened = DefaultProject(TestLists);
    PageSelection selection(opened);
    ReadProjectFiles(projectFile, selection, TestLists);
    EXPECT_EQ(opened, old);
}

TEST(FullDisk, SaveRunsOutOfSpaceAtEveryPoint_EachFileOldOrNewAndWhole)
{
    SmallDisk disk(std::size_t { 1024 } * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk to fill: " << disk.reason();
    const Project old = projectWithBodies(3, 5000);
    const Project replacement = projectWithBodies(4, 9000);
    const Files oldFiles = savedFiles(old);
    const Files newFiles = savedFiles(replacement);
    const std::string projectFile = disk.file("site.cvp");

    // From no room at all to room for everything, a page at a time: the save stops with the
    // message of the file it could not write, and the sixteen files are wholly the old project
    // until the save succeeds.
    std::set<std::string> messages;
    for (std::size_t free = 0;; free += 4096) {
        disk.removeFiller();
        WriteProjectFiles(old, projectFile);
        disk.fillLeaving(free);
        const std::string error = errorOf([&] { WriteProjectFiles(replacement, projectFile); });
        const Files files = filesIn(disk.path());
        if (error == "(no error)") {
            EXPECT_EQ(files, newFiles);
            break;
        }
        messages.insert(error);
        ASSERT_EQ(files, oldFiles) << error << " with " << free << " bytes free";
    }
    EXPECT_EQ(messages, (std::set<std::string> { "Disk full", "Stream write error" }));
}

TEST(FullDisk, NoRoomForAnotherFile_PageFilesCannotBeCreated)
{
    // Room for the bytes but not for one more file: the old project (16 files and the disk's
    // own directory) and the new project file fill every slot.
    SmallDisk disk(std::size_t { 1024 } * 1024, 18);
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk to fill: " << disk.reason();
    const Project old = projectWithBodies(5, 100);
    WriteProjectFiles(old, disk.file("site.cvp"));

    const Project other = projectWithBodies(6, 100);
    EXPECT_EQ(errorOf([&] { WriteProjectFiles(other, disk.file("other.cvp")); }),
        "Cannot create file " + disk.file("1.dat"));
    EXPECT_EQ(filesIn(disk.path()), savedFiles(old));
}

TEST(FullDisk, PublishRunsOutOfSpaceAtEveryPoint_DiskFullAndWhatWasWrittenStays)
{
    SmallDisk disk(std::size_t { 2 } * 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk to fill: " << disk.reason();
    const std::string home = CORVANTA_DATA_DIR;
    TempDir elsewhere;
    Project project = projectWithBodies(7, 6000);
    project.templateName = 1;
    project.businessPages.fill(true);
    project.addTextNavigation = true;
    project.logoPath = elsewhere.file("logo.png");
    Testing::writeBytes(project.logoPath, "\x89PNG\r\n\x1A\n" + std::string(5000, 'L'));

    ASSERT_EQ(
        Publish::PublishWebsite(
            { .project = project, .lists = TestLists, .homeDir = home, .target = elsewhere.path() })
            .outcome,
        Publish::PublishOutcome::Completed);
    const Files site = filesIn(elsewhere.file("website"));

    std::set<std::string> lastFiles;
    for (std::size_t free = 0;; free += 4096) {
        std::filesystem::remove_all(disk.file("website"));
        disk.removeFiller();
        disk.fillLeaving(free);
        std::string status;
        Publish::PublishResult result;
        const std::string error = errorOf([&] {
            result = Publish::PublishWebsite({ .project = project,
                .lists = TestLists,
                .homeDir = home,
                .target = disk.path(),
                .progress = [&](int, const std::string &text) { status = text; } });
        });
        const Files written = filesIn(disk.file("website"));
        if (error == "(no error)") {
            EXPECT_EQ(result.outcome, Publish::PublishOutcome::Completed);
            EXPECT_EQ(written, site);
            break;
        }
        // The run stops at once: the step that failed still showing, and every file it got to
        // is the one a whole run writes, but for the last, which may be cut short, and the
        // navigation scripts, which hold the pages written so far.
        ASSERT_EQ(error, "Disk full") << "with " << free << " bytes free";
        EXPECT_NE(status, Publish::PublishStatus::Completed);
        std::size_t cutShort = 0;
        for (const auto &[name, bytes] : written) {
            ASSERT_TRUE(site.contains(name)) << name;
            if (bytes != site.at(name)) {
                cutShort += name != "mainnav.js" && name != "bottomnav.js";
                EXPECT_EQ(bytes, site.at(name).substr(0, bytes.size())) << name;
            }
        }
        EXPECT_LE(cutShort, 1u) << "with " << free << " bytes free";
        EXPECT_EQ(
            written.contains("styles.css"), status == Publish::PublishStatus::CreatingStylesheets);
        lastFiles.clear();
        for (const auto &entry : written)
            lastFiles.insert(entry.first);
    }
    // The last run that failed had got as far as the stylesheet.
    EXPECT_TRUE(lastFiles.contains("styles.css"));
}

TEST(FullDisk, LargeBodyFilesCopiedBesideTheWriting_DiskFullAndEveryPageWholeOrCutShort)
{
    SmallDisk disk(std::size_t { 4 } * 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk to fill: " << disk.reason();
    TempDir elsewhere;
    Project project = projectWithBodies(9, 100000);
    project.templateName = 1;
    project.businessPages.fill(true);
    project.logoPath.clear();
    // The bodies come from their files, as the command line publishes them.
    Publish::PageBodyFiles bodyFiles;
    for (std::size_t index = 0; index < bodyFiles.size(); ++index) {
        const std::string path = elsewhere.file(std::to_string(index + 1) + ".dat");
        Testing::writeBytes(path, project.pageBody.at(index));
        bodyFiles.at(index).emplace(path, Platform::File::Mode::Read);
    }
    Publish::PublishRequest request { .project = project,
        .lists = TestLists,
        .homeDir = CORVANTA_DATA_DIR,
        .bodyFiles = &bodyFiles,
        .target = elsewhere.path() };
    ASSERT_EQ(Publish::PublishWebsite(request).outcome, Publish::PublishOutcome::Completed);
    const Files site = filesIn(elsewhere.file("website"));

    // Room for the pages' beginnings and ends but not for all their bodies.
    disk.fillLeaving(std::size_t { 700 } * 1024);
    request.target = disk.path();
    EXPECT_EQ(errorOf([&] { Publish::PublishWebsite(request); }), "Disk full");
    for (const auto &[name, bytes] : filesIn(disk.file("website"))) {
        ASSERT_TRUE(site.contains(name)) << name;
        EXPECT_TRUE(site.at(name).starts_with(bytes))
            << name << " is not the whole run's, cut short";
    }
}

TEST(FullDisk, ReplacingRunOutOfSpace_LeavesTheEarlierSiteWholeAndNothingBeside)
{
    SmallDisk disk(std::size_t { 2 } * 1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk to fill: " << disk.reason();
    Project project = projectWithBodies(7, 6000);
    project.templateName = 1;
    project.businessPages.fill(true);
    project.logoPath.clear();
    const Publish::PublishRequest replacing { .project = project,
        .lists = TestLists,
        .homeDir = CORVANTA_DATA_DIR,
        .target = disk.path(),
        .existing = Publish::ExistingWebsite::Replace };
    ASSERT_EQ(Publish::PublishWebsite(replacing).outcome, Publish::PublishOutcome::Completed);
    const Files site = filesIn(disk.file("website"));

    project.siteTitle = "A new title";
    disk.fillLeaving(std::size_t { 16 } * 1024);
    EXPECT_EQ(errorOf([&] { Publish::PublishWebsite(replacing); }), "Disk full");
    EXPECT_EQ(filesIn(disk.file("website")), site);
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(disk.path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string> { ".filler", "website" }));

    // With room again, the same run replaces it.
    disk.removeFiller();
    EXPECT_EQ(Publish::PublishWebsite(replacing).outcome, Publish::PublishOutcome::Completed);
    EXPECT_NE(filesIn(disk.file("website")), site);
}

TEST(FileSizeLimit, SaveAndPublishOverTheLimit_IOError27ForTheFilesTheErrnoNames)
{
    // A limit on the size of one file (ulimit -f) is not a full disk: the program names the
    // error by its number, as for any error it has no words for.
    TempDir dir;
    Project project = projectWithBodies(8, 10000);
    project.templateName = 0;
    project.businessPages[0] = true;
    const Project old = projectWithBodies(9, 100);
    WriteProjectFiles(old, dir.file("site.cvp"));
    TempDir out;

    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = 1000;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string saveError
        = errorOf([&] { WriteProjectFiles(project, dir.file("site.cvp")); });
    limit.rlim_cur = 4000;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string pageError
        = errorOf([&] { WriteProjectFiles(project, dir.file("site.cvp")); });
    const std::string publishError = errorOf([&] {
        Publish::PublishWebsite({ .project = project,
            .lists = TestLists,
            .homeDir = CORVANTA_DATA_DIR,
            .target = out.path() });
    });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(saveError, "I/O error " + std::to_string(EFBIG));
    EXPECT_EQ(pageError, "Stream write error");
    EXPECT_EQ(filesIn(dir.path()), savedFiles(old));
    EXPECT_EQ(publishError, "I/O error " + std::to_string(EFBIG));
    // The first page was cut at the limit and stays as far as it got.
    const PageId first = [&] {
        for (const PageInfo &page : PageCatalogue)
            if (pageIncluded(project, page.id))
                return page.id;
        return 0;
    }();
    ASSERT_NE(first, 0);
    EXPECT_EQ(std::filesystem::file_size(out.file("website/") + pageInfo(first).pageFile), 4000u);
}

TEST(FullDisk, UpdateCheckOnAFullDisk_DiskFullAndNoVersionReported)
{
    SmallDisk disk(std::size_t { 256 } * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk to fill: " << disk.reason();
    Testing::HttpServer server;
    server.serve("/update/updatecv.ini", Testing::whole("v1.1\r\n" + std::string(50000, 'x')));
    const std::string localCopy = Update::UpdateFilePath(disk.path());

    for (std::size_t free : { 0, 8192 }) {
        disk.removeFiller();
        disk.fillLeaving(free);
        EXPECT_EQ(errorOf([&] {
            Update::CheckForUpdate(server.address("/update/updatecv.ini"), localCopy, "v1.0");
        }),
            "Disk full")
            << "with " << free << " bytes free";
    }
    disk.removeFiller();
    const auto report
        = Update::CheckForUpdate(server.address("/update/updatecv.ini"), localCopy, "v1.0");
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->latestVersion, "v1.1");
}

TEST(FileSizeLimit, WriteThatCrossesTheLimit_EndsTheCommandNotTheProgram)
{
    // Left to the system, crossing the limit stops the program with SIGXFSZ and the unsaved
    // project is lost; the file layer makes it a file error instead.
    TempDir dir;
    const Project project = projectWithBodies(10, 100);
    const Hardening::ChildResult result = Hardening::runInChildProcess(
        [&] {
            rlimit limit {};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 1000;
            ::setrlimit(RLIMIT_FSIZE, &limit);
            return errorOf([&] { WriteProjectFiles(project, dir.file("site.cvp")); });
        },
        Hardening::ChildUser::Same);
    ASSERT_TRUE(result.ran) << result.problem;
    EXPECT_EQ(result.output, "I/O error " + std::to_string(EFBIG));
}
