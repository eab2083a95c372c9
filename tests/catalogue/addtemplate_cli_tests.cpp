// corvanta-cli's template verbs as a person runs them: stopped at random moments while adding
// a template, and listing templates whose names hold control characters.

#include "catalogue/templatecatalogue.h"
#include "tests/support/tempdir.h"
#include "tests/support/ziparchive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace Testing;
namespace fs = std::filesystem;

namespace {

/// A program home, a user data folder in XDG_DATA_HOME and a file that answers "yes".
class TemplateVerbs : public ::testing::Test
{
protected:
    TemplateVerbs()
    {
        fs::create_directories(dir.file("home/templates"));
        ::setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
        writeBytes(dir.file("yes"), "y\n");
    }
    ~TemplateVerbs() override { ::unsetenv("XDG_DATA_HOME"); }

    /// Starts corvanta-cli with `arguments`, stdin from the "yes" file, output to files.
    pid_t start(const std::vector<std::string> &arguments)
    {
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(::open(dir.file("yes").c_str(), O_RDONLY), 0);
            ::dup2(::open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            ::dup2(::open(dir.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            std::vector<std::string> all { CORVANTA_CLI, "--home", dir.file("home") };
            all.insert(all.end(), arguments.begin(), arguments.end());
            std::vector<char *> argv;
            argv.reserve(all.size() + 1);
            for (std::string &argument : all)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            ::execv(CORVANTA_CLI, argv.data());
            ::_exit(127);
        }
        return child;
    }
    /// Runs corvanta-cli to its end; its exit status.
    int run(const std::vector<std::string> &arguments)
    {
        int status = 0;
        ::waitpid(start(arguments), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    /// The files of the template "Sea" as they are now: name and bytes.
    std::map<std::string, std::string> seaFiles() const
    {
        std::map<std::string, std::string> files;
        const std::string folder = Catalogue::TemplateDirectory(dir.file("home"), "Sea");
        for (const auto &entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("Sea"))
                files[name] = readBytes(entry.path().string());
        }
        return files;
    }
    std::vector<std::string> stagingFolders() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir.file("data/corvanta/templates"))) {
            if (entry.path().filename().string().starts_with(".adding-"))
                names.push_back(entry.path().filename().string());
        }
        return names;
    }

    TempDir dir;
};

} // namespace

TEST_F(
    TemplateVerbs, AddTemplateKilledAtRandomMoments_TemplateWhollyOldOrNew_NextRunLeavesNoStaging)
{
    const unsigned seed
        = std::getenv("KILL_TEST_SEED") ? std::atoi(std::getenv("KILL_TEST_SEED")) : 20261207u;
    std::mt19937 random(seed);
    // Two versions of one template: the same 400 names, other bytes.
    std::map<std::string, std::string> versions[2];
    for (int version = 0; version < 2; ++version) {
        std::vector<ZipEntry> entries { { "Sea.t", "version " + std::to_string(version) } };
        for (int i = 0; i < 400; ++i)
            entries.push_back({ "Sea" + std::to_string(i) + ".gif",
                std::to_string(version) + std::string(200, static_cast<char>('a' + i % 26)) });
        for (const ZipEntry &entry : entries)
            versions[version][entry.name] = entry.bytes;
        writeZip(dir.file("v" + std::to_string(version) + ".zip"), entries);
    }
    const auto archive
        = [&](int version) { return dir.file("v" + std::to_string(version) + ".zip"); };

    // How long one whole run takes here sets the range the kills fall in.
    ASSERT_EQ(run({ "add-template", archive(0) }), 0);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(run({ "add-template", archive(1) }), 0);
    const auto runTime = std::chrono::steady_clock::now() - begin;

    int kills = 0, mixed = 0, sawNew = 0, sawOld = 0;
    int onDisk = 1;
    for (int attempt = 0; kills < 30 && attempt < 200; ++attempt) {
        const int adding = 1 - onDisk;
        const pid_t child = start({ "add-template", archive(adding) });
        std::uniform_int_distribution<long long> moment(0, runTime.count() * 6 / 5);
        std::this_thread::sleep_for(std::chrono::steady_clock::duration(moment(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        // Either it was stopped, or it had ended well before the kill came.
        ASSERT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
            << status;
        kills += WIFSIGNALED(status);

        const std::map<std::string, std::string> now = seaFiles();
        if (now == versions[adding])
            ++sawNew;
        else if (now == versions[onDisk])
            ++sawOld;
        else
            ++mixed;
        // Each run removed what the runs killed before it left: the killed one's own at most.
        EXPECT_LE(stagingFolders().size(), 1u) << "seed " << seed;
        if (now == versions[adding])
            onDisk = adding;
    }
    // The next run finishes, and leaves no staging folder.
    ASSERT_EQ(run({ "add-template", archive(1 - onDisk) }), 0);
    EXPECT_EQ(readBytes(dir.file("out")), "Sea\n");
    EXPECT_EQ(stagingFolders(), std::vector<std::string> {});
    EXPECT_EQ(seaFiles(), versions[1 - onDisk]);
    EXPECT_GE(kills, 30);
    EXPECT_EQ(mixed, 0) << "seed " << seed << ": " << sawOld << " old, " << sawNew << " new";
    EXPECT_GT(sawNew, 0) << "the kills all fell before any adding finished";
}

TEST_F(TemplateVerbs, TemplatesWithControlCharacters_ListedWithoutThem)
{
    for (const char *name : { "Plain.t", "Red\x1b[31mAlert.t", "Two\nLines.t", "Back\\slash.t" })
        writeBytes(dir.file("home/templates/") + name, "");
    ASSERT_EQ(run({ "templates" }), 0);
    EXPECT_EQ(
        readBytes(dir.file("out")), "Back\\x5cslash\nPlain\nRed\\x1b[31mAlert\nTwo\\x0aLines\n");
}
