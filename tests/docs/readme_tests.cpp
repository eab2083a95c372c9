// The README's command lines, run as a reader would run them: against the program installed
// into a "stage" folder, from the folder that holds it, with a home folder of their own, and
// with the test's own SFTP server as the web host.
#include "tests/support/tempdir.h"
#include "tests/upload/testservers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

using Testing::TempDir;
namespace fs = std::filesystem;

namespace {

std::string readmeText()
{
    std::ifstream in(CORVANTA_SOURCE_DIR "/README.md");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

/// The README's example command lines for the command-line program, in the order a reader
/// meets them: the indented lines that run `corvanta-cli` from the stage, and the `mkdir`
/// lines that prepare their folders.
std::vector<std::string> cliCommandLines(const std::string &readme)
{
    std::vector<std::string> lines;
    std::istringstream in(readme);
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with("    "))
            continue;
        const std::string command = line.substr(4);
        if (command.find("stage/bin/corvanta-cli") != std::string::npos
            || command.starts_with("mkdir "))
            lines.push_back(command);
    }
    return lines;
}

/// Runs one line with /bin/sh in `folder`, as a reader's terminal would; the exit status.
int runLine(const std::string &line, const std::string &folder, const std::string &log)
{
    const std::string command = "cd '" + folder + "' && { " + line + " ; } >>'" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(Readme, EveryCommandLineRunsAsWritten)
{
    TempDir work;
    const std::string home = work.file("home"), log = work.file("log");
    fs::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);
    for (const char *name :
        { "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME" })
        ::unsetenv(name);
    ASSERT_EQ(runLine("'" CORVANTA_CMAKE "' --install '" CORVANTA_BINARY_DIR
                      "' --prefix stage >/dev/null",
                  work.path(), log),
        0);

    Testing::SftpServer server(work.file("server"));
    server.start();
    fs::create_directories(server.root() + "/site");
    fs::create_directories(home + "/mysite");
    Upload::writeHostSettings(home + "/mysite/site.cvp.upload", server.settings());
    const std::string password = "CORVANTA_UPLOAD_PASSWORD='" + server.password() + "'";

    const std::vector<std::string> lines = cliCommandLines(readmeText());
    ASSERT_GE(lines.size(), 8u) << "the README lost its command lines";
    bool hostAccepted = false;
    for (std::string line : lines) {
        line = replaced(line, "CORVANTA_UPLOAD_PASSWORD=...", password);
        // The README tells the reader to check the host's key once and accept it; the test's
        // host is its own.
        if (line.find(" upload ") != std::string::npos && !hostAccepted) {
            ASSERT_EQ(runLine(password
                              + " stage/bin/corvanta-cli upload --accept-new-host-key "
                                "~/mysite/site.cvp ~/public --dry-run",
                          work.path(), log),
                0);
            hostAccepted = true;
        }
        EXPECT_EQ(runLine(line, work.path(), log), 0) << line << "\n" << Testing::readBytes(log);
    }
    EXPECT_TRUE(hostAccepted) << "the README shows no upload";
    // What the lines promise: a site in ~/public/website with the page a host shows for the
    // bare address, on the host too.
    EXPECT_TRUE(fs::is_regular_file(home + "/public/website/index.html"));
    EXPECT_TRUE(fs::is_regular_file(server.root() + "/site/index.html"));
    EXPECT_TRUE(fs::is_regular_file(work.file("site.json")));
}

} // namespace
