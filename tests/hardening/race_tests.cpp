// Publishing into a directory that another user can write, while that user swaps the new
// website directory (and the one a replacing run builds beside it) for links to elsewhere.

#include "platform/fileerror.h"
#include "publish/publishwebsite.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <filesystem>
#include <grp.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr unsigned NobodyId = 65534;

/// Forever: every "website" or ".website-new-..." entry of `directory` is moved aside and a
/// link to `target` put in its place, then after a random moment the links are taken away
/// again, so that the run can make its directory anew.
[[noreturn]] void swapInLinks(
    const std::string &directory, const std::string &target, unsigned seed)
{
    std::mt19937 random(seed);
    for (unsigned long count = 0;; ++count) {
        std::vector<std::string> swapped;
        if (DIR *listing = ::opendir(directory.c_str())) {
            while (const dirent *entry = ::readdir(listing)) {
                const std::string name = entry->d_name;
                if (name == "website" || name.starts_with(".website-new-"))
                    swapped.push_back(name);
            }
            ::closedir(listing);
        }
        if (swapped.empty())
            swapped.push_back("website");
        for (const std::string &name : swapped) {
            const std::string path = directory + "/" + name;
            ::rename(path.c_str(), (directory + "/aside-" + std::to_string(count)).c_str());
            ::symlink(target.c_str(), path.c_str());
        }
        ::usleep(random() % 300);
        for (const std::string &name : swapped)
            ::unlink((directory + "/" + name).c_str());
        ::usleep(random() % 300);
    }
}

/// The other user's process, stopped when the test ends, however it ends.
struct OtherProcess
{
    ~OtherProcess()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    pid_t pid = -1;
};

} // namespace

TEST(PublishRace, WebsiteSwappedForALinkAgainAndAgain_NothingIsWrittenOutside)
{
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Testing::TempDir base;
    const std::string publish = base.file("publish");
    const std::string elsewhere = base.file("elsewhere");
    std::filesystem::create_directory(publish);
    std::filesystem::create_directory(elsewhere);
    // The other user may pass through the base directory and write the publish directory.
    ::chmod(base.path().c_str(), 0755);
    ::chmod(publish.c_str(), 0777);

    const Model::ChoiceLists lists { { "Classic" }, Model::FontFamilyList({}) };
    Model::Project project = Model::DefaultProject(lists);
    project.businessPages.fill(true);
    project.addTextNavigation = true;

    OtherProcess other;
    other.pid = ::fork();
    ASSERT_GE(other.pid, 0);
    if (other.pid == 0) {
        if (::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setresgid(NobodyId, NobodyId, NobodyId) != 0
                || ::setresuid(NobodyId, NobodyId, NobodyId) != 0))
            ::_exit(1);
        swapInLinks(publish, elsewhere, seed);
    }

    int completed = 0;
    std::mt19937 random(seed);
    for (int run = 0; run < 240; ++run) {
        const bool replace = random() % 2 == 0;
        if (!replace) {
            std::error_code ignored;
            std::filesystem::remove_all(publish + "/website", ignored);
        }
        try {
            completed += Publish::PublishWebsite(
                             { .project = project,
                                 .lists = lists,
                                 .homeDir = CORVANTA_DATA_DIR,
                                 .target = publish,
                                 .existing = replace ? Publish::ExistingWebsite::Replace
                                                     : Publish::ExistingWebsite::Keep })
                             .outcome
                == Publish::PublishOutcome::Completed;
        } catch (const Platform::FileError &) {
            // The run noticed the swap; what matters is where it wrote.
        }
        ASSERT_TRUE(std::filesystem::is_empty(elsewhere)) << "after run " << run;
    }
    int status = 0;
    EXPECT_EQ(::waitpid(other.pid, &status, WNOHANG), 0) << "the other user's process ended early";
    EXPECT_GT(completed, 0);
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(base.path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string> { "publish", "elsewhere" }));
}
