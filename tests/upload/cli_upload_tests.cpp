// corvanta-cli upload, run as a program against the test's own sshd.
#include "tests/support/tempdir.h"
#include "tests/upload/testservers.h"
#include "upload/manifest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace Upload {
void PrintTo(const FileDigest &digest, std::ostream *out)
{
    *out << (digest.known() ? digest.sha256.substr(0, 8) : "-") << " " << digest.size;
}
} // namespace Upload

using Testing::readBytes;
using Testing::TempDir;
using Testing::writeBytes;
namespace fs = std::filesystem;

namespace {

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
    std::string lastErrorLine() const
    {
        const std::string text = err.substr(0, err.find_last_not_of('\n') + 1);
        return text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    }
};

pid_t startCli(const std::vector<std::string> &arguments, const std::string &outFile,
    const std::string &errFile)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(::open(outFile.c_str(), O_WRONLY | O_CREAT, 0644), 1);
        ::dup2(::open(errFile.c_str(), O_WRONLY | O_CREAT, 0644), 2);
        std::vector<char *> argv { const_cast<char *>(CORVANTA_CLI) };
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(CORVANTA_CLI, argv.data());
        ::_exit(127);
    }
    return child;
}

Outcome runCli(const std::vector<std::string> &arguments)
{
    TempDir capture;
    const std::string outFile = capture.file("out"), errFile = capture.file("err");
    const pid_t child = startCli(arguments, outFile, errFile);
    int status = 0;
    ::waitpid(child, &status, 0);
    return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(outFile), readBytes(errFile) };
}

TEST(CliUpload, NewHostKeyThenDryRunThenUploadThenNothingChanged)
{
    TempDir work;
    ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
    Testing::SftpServer server(work.file("server"));
    server.start();
    fs::create_directories(server.root() + "/site");
    const Upload::HostSettings settings = server.settings();
    Upload::writeHostSettings(work.file("my site.cvp.upload"), settings);
    fs::create_directories(work.file("out/website"));
    writeBytes(work.file("out/website/index.html"), "<p>home</p>");
    writeBytes(work.file("out/website/logo.jpg"), "JPEG");
    const std::string project = work.file("my site.cvp"), publishDir = work.file("out");

    ::setenv("CORVANTA_UPLOAD_PASSWORD", server.password().c_str(), 1);
    const Outcome refused = runCli({ "upload", project, publishDir, "--dry-run" });
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("run again with --accept-new-host-key"), std::string::npos);
    EXPECT_TRUE(refused.lastErrorLine().ends_with(") is not known and was not accepted."))
        << refused.err;

    const Outcome dryRun
        = runCli({ "upload", "--accept-new-host-key", project, publishDir, "--dry-run" });
    EXPECT_EQ(dryRun.status, 0) << dryRun.err;
    EXPECT_EQ(dryRun.out, "send logo.jpg\nsend index.html\n");
    EXPECT_TRUE(fs::is_empty(server.root() + "/site"));

    const Outcome upload = runCli({ "upload", project, publishDir });
    EXPECT_EQ(upload.status, 0) << upload.err;
    EXPECT_NE(upload.err.find("[ 26%] index.html\n"), std::string::npos) << upload.err;
    EXPECT_EQ(readBytes(server.root() + "/site/index.html"), "<p>home</p>");

    EXPECT_EQ(runCli({ "upload", project, publishDir, "--dry-run" }).out, "");
    fs::remove(server.root() + "/site/index.html");
    const Outcome verify = runCli({ "upload", "--verify", project, publishDir });
    EXPECT_EQ(verify.status, 0) << verify.err;
    EXPECT_TRUE(verify.err.starts_with("index.html is missing on the host; it is sent again.\n"))
        << verify.err;
    EXPECT_EQ(readBytes(server.root() + "/site/index.html"), "<p>home</p>");

    ::setenv("CORVANTA_UPLOAD_PASSWORD", "wrong", 1);
    const Outcome wrong = runCli({ "upload", project, publishDir });
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.lastErrorLine(),
        "127.0.0.1 refused the key " + settings.identity + " or its passphrase.");
    EXPECT_EQ(runCli({ "upload", project, publishDir, "--force" }).lastErrorLine(),
        "Unknown option --force; see corvanta-cli --help.");
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
}

/// The files below a folder on the host's side, the program's own temporaries included.
Upload::Manifest filesBelow(const std::string &folder)
{
    Upload::Manifest files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).generic_string();
        if (entry.is_regular_file() && name != Upload::ManifestName) {
            const std::string bytes = readBytes(entry.path());
            files[name] = { Upload::sha256Hex(bytes), bytes.size() };
        }
    }
    return files;
}

TEST(CliUpload, KilledAtRandomWhileTwoSitesAlternate_NextUploadLeavesExactlyTheSite)
{
    TempDir work;
    ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", work.file("state").c_str(), 1);
    Testing::SftpServer server(work.file("server"));
    server.start();
    const std::string remote = server.root() + "/site";
    fs::create_directories(remote);
    Upload::writeHostSettings(work.file("site.cvp.upload"), server.settings());
    ::setenv("CORVANTA_UPLOAD_PASSWORD", server.password().c_str(), 1);
    // Two versions of a site: pages on both with other content, pictures and folders on one.
    const std::string sites[2] = { work.file("a"), work.file("b") };
    for (int version = 0; version < 2; ++version) {
        const std::string website = sites[version] + "/website";
        const std::string mark(1, static_cast<char>('A' + version));
        fs::create_directories(website + "/files");
        writeBytes(website + "/index.html", "<p>home " + mark + "</p>");
        writeBytes(website + "/about.html", std::string(600000, mark[0]));
        writeBytes(website + "/styles.css", "body { color: " + mark + " }");
        writeBytes(website + "/picture" + mark + ".jpg", std::string(300000, 'p'));
        writeBytes(website + "/files/brochure" + mark + ".pdf", std::string(200000, 'f'));
        writeBytes(website + "/only" + mark + ".html", "<p>" + mark + "</p>");
    }
    const std::string project = work.file("site.cvp");
    ASSERT_EQ(runCli({ "upload", "--accept-new-host-key", project, sites[1] }).status, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(runCli({ "upload", project, sites[0] }).status, 0);
    const auto uploadTime = std::chrono::steady_clock::now() - start;

    // Each round kills an upload that changes the host (of the site the host does not hold)
    // at a moment drawn from the time such an upload takes, then uploads either site whole.
    std::mt19937 random(24);
    std::uniform_int_distribution<int> coin(0, 1);
    std::uniform_int_distribution<long> moment(
        0, std::chrono::duration_cast<std::chrono::microseconds>(uploadTime).count());
    int held = 0;
    int kills = 0;
    for (int round = 0; kills < 30; ++round) {
        ASSERT_LT(round, 60) << "the uploads end before they can be killed";
        const pid_t child = startCli({ "upload", project, sites[1 - held] },
            work.file("killed.out"), work.file("killed.err"));
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        // Killed, or finished before the signal came.
        ASSERT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
            << readBytes(work.file("killed.err"));
        kills += WIFSIGNALED(status) ? 1 : 0;

        held = coin(random);
        const Outcome clean = runCli({ "upload", project, sites[held] });
        ASSERT_EQ(clean.status, 0) << clean.err;
        const Upload::Manifest expected = Upload::scanWebsite(sites[held] + "/website");
        ASSERT_EQ(filesBelow(remote), expected) << "round " << round;
        ASSERT_EQ(Upload::parseManifest(readBytes(remote + "/" + Upload::ManifestName)), expected)
            << "round " << round;
    }
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
}

} // namespace

namespace {

TEST(CliUpload, GitOverSsh_HostKeyAskedDryRunPublishRemovedNothingChanged_CloneEqualsTheSite)
{
    TempDir work;
    Testing::TemporaryHome home; // no git configuration: the site title is the author
    ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", work.file("cache").c_str(), 1);
    Testing::SftpServer server(work.file("server"));
    server.start();
    const std::string bare = server.root() + "/site.git";
    Testing::runProgram({ "/usr/bin/git", "init", "-q", "--bare", bare });
    const std::string project = work.file("site.cvp"), publishDir = work.file("out");
    ASSERT_EQ(runCli({ "new", project }).status, 0);
    writeBytes(work.file("site.json"), "{\"siteTitle\": \"Rosie's Bakery\"}");
    ASSERT_EQ(runCli({ "import", work.file("site.json"), project }).status, 0);
    Upload::HostSettings settings;
    settings.protocol = Upload::Protocol::Git;
    settings.remote
        = "ssh://" + server.settings().user + "@127.0.0.1:" + std::to_string(server.port()) + bare;
    settings.identity = server.settings().identity;
    Upload::writeHostSettings(project + ".upload", settings);
    fs::create_directories(publishDir + "/website");
    writeBytes(publishDir + "/website/index.html", "<p>home</p>");
    writeBytes(publishDir + "/website/logo.jpg", "JPEG");
    ::setenv("CORVANTA_UPLOAD_PASSWORD", server.password().c_str(), 1);

    const Outcome refused = runCli({ "upload", project, publishDir });
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("run again with --accept-new-host-key"), std::string::npos);
    const Outcome dryRun
        = runCli({ "upload", "--accept-new-host-key", project, publishDir, "--dry-run" });
    EXPECT_EQ(dryRun.status, 0) << dryRun.err;
    EXPECT_EQ(dryRun.out, "send .nojekyll\nsend index.html\nsend logo.jpg\n");

    const Outcome first = runCli({ "upload", project, publishDir });
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(first.lastErrorLine().ends_with(" on pages: 3 files sent, 0 deleted")) << first.err;
    fs::remove(publishDir + "/website/logo.jpg");
    EXPECT_EQ(runCli({ "upload", project, publishDir, "--dry-run" }).out, "delete logo.jpg\n");
    EXPECT_EQ(runCli({ "upload", project, publishDir }).status, 0);
    const Outcome unchanged = runCli({ "upload", project, publishDir });
    EXPECT_EQ(unchanged.status, 0);
    EXPECT_EQ(unchanged.lastErrorLine(), "[100%] nothing changed");

    Testing::runProgram({ "/usr/bin/git", "clone", "-q", "-b", "pages", bare, work.file("clone") });
    EXPECT_EQ(readBytes(work.file("clone/index.html")), "<p>home</p>");
    EXPECT_EQ(readBytes(work.file("clone/.nojekyll")), "");
    EXPECT_FALSE(fs::exists(work.file("clone/logo.jpg")));
    EXPECT_EQ(std::distance(fs::directory_iterator(work.file("clone")), fs::directory_iterator()),
        3); // .git, .nojekyll, index.html
    // The passphrase is in no file the program keeps.
    for (const auto &entry : fs::recursive_directory_iterator(work.path())) {
        if (entry.is_regular_file() && !entry.path().string().starts_with(server.root())) {
            EXPECT_EQ(readBytes(entry.path()).find(server.password()), std::string::npos)
                << entry.path();
        }
    }
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
}

} // namespace
