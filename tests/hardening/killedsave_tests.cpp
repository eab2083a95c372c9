// Saves that are stopped at random moments, and project files that are symbolic links: every
// project that opens afterwards is wholly one save, and nothing of a stopped save stays behind.

#include "tests/hardening/randomproject.h"

#include "platform/filegroup.h"
#include "project/projectfiles.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace Model;
using Testing::TempDir;

namespace {

const ChoiceLists TestLists { { "Classic", "Harbour" }, FontFamilyList({}) };

/// A project whose record, fourteen bodies and settings all differ from those of other seeds.
Project distinctProject(unsigned seed)
{
    std::mt19937 random(seed);
    Project project = Hardening::randomProject(random, seed, TestLists, 0);
    project.siteTitle = "site " + std::to_string(seed);
    project.settings.setValue("site", "address", "https://" + std::to_string(seed) + ".example");
    for (std::string &body : project.pageBody)
        body = std::to_string(seed) + Hardening::randomText(random, 3000, true);
    return project;
}

Project opened(const std::string &projectFile)
{
    Project project = DefaultProject(TestLists);
    PageSelection selection(project);
    ReadProjectFiles(projectFile, selection, TestLists);
    return project;
}

std::vector<std::string> namesIn(const std::string &directory)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    return names;
}

} // namespace

TEST(KilledSave, KilledAtRandomMoments_EveryOpenIsWhollyOneSaveAndNoTemporaryStays)
{
    const unsigned seed
        = std::getenv("KILL_TEST_SEED") ? std::atoi(std::getenv("KILL_TEST_SEED")) : 20261207u;
    std::mt19937 random(seed);
    TempDir dir;
    const std::string projectFile = dir.file("site.cvp");
    const Project first = distinctProject(1);
    const Project second = distinctProject(2);
    WriteProjectFiles(first, projectFile);

    // How long one save takes here sets the range the kills fall in.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        WriteProjectFiles(i % 2 ? first : second, projectFile);
    const auto saveTime = (std::chrono::steady_clock::now() - start) / 5;
    WriteProjectFiles(first, projectFile);

    int mixed = 0;
    int sawSecond = 0;
    for (int kill = 0; kill < 200; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Each child starts with the other project than the one on disk, then alternates.
            try {
                for (int i = 0;; ++i)
                    WriteProjectFiles((i + kill) % 2 ? first : second, projectFile);
            } catch (...) {
                ::_exit(1);
            }
        }
        std::uniform_int_distribution<long long> moment(0, 3 * saveTime.count());
        std::this_thread::sleep_for(std::chrono::steady_clock::duration(moment(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);

        const Project now = opened(projectFile);
        if (now == second)
            ++sawSecond;
        else if (!(now == first))
            ++mixed;
    }
    EXPECT_EQ(mixed, 0) << "seed " << seed;
    EXPECT_GT(sawSecond, 0) << "the kills all fell before any save finished";

    WriteProjectFiles(second, projectFile);
    EXPECT_EQ(namesIn(dir.path()).size(), 16u) << "seed " << seed;
    EXPECT_EQ(opened(projectFile), second);
}

TEST(KilledSave, ProjectFilesThatAreLinks_AreWrittenThroughAndStayLinks)
{
    TempDir project;
    TempDir synced;
    Testing::writeBytes(synced.file("real.cvp"), "old");
    Testing::writeBytes(synced.file("page3.dat"), "old");
    std::filesystem::create_symlink(synced.file("real.cvp"), project.file("site.cvp"));
    std::filesystem::create_symlink(
        "../" + std::filesystem::path(synced.path()).filename().string() + "/page3.dat",
        project.file("3.dat"));

    const Project saved = distinctProject(3);
    WriteProjectFiles(saved, project.file("site.cvp"));

    EXPECT_TRUE(std::filesystem::is_symlink(project.file("site.cvp")));
    EXPECT_TRUE(std::filesystem::is_symlink(project.file("3.dat")));
    EXPECT_EQ(Testing::readBytes(synced.file("real.cvp")), encodeProjectRecord(saved));
    EXPECT_EQ(Testing::readBytes(synced.file("page3.dat")), saved.pageBody[2]);
    EXPECT_EQ(opened(project.file("site.cvp")), saved);
    EXPECT_EQ(namesIn(synced.path()).size(), 2u);
}
