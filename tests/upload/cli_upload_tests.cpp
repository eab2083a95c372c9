// corvanta-cli upload, run as a program against the test's own sshd.
#include "tests/support/tempdir.h"
#include "tests/upload/testservers.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

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

Outcome runCli(const std::vector<std::string> &arguments)
{
    TempDir capture;
    const std::string outFile = capture.file("out"), errFile = capture.file("err");
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

    ::setenv("CORVANTA_UPLOAD_PASSWORD", "wrong", 1);
    const Outcome wrong = runCli({ "upload", project, publishDir });
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.lastErrorLine(),
        "127.0.0.1 refused the key " + settings.identity + " or its passphrase.");
    EXPECT_EQ(runCli({ "upload", project, publishDir, "--force" }).lastErrorLine(),
        "Unknown option --force; see corvanta-cli --help.");
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
}

} // namespace
