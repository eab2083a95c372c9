// Publishing to git against real repositories: a bare repository reached by path, and one
// reached over SSH through the tests' own sshd. The git program itself clones and inspects
// what arrived.
#include "tests/support/tempdir.h"
#include "tests/upload/testservers.h"
#include "upload/gitpublish.h"
#include "upload/gitremote.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

using namespace Upload;
using Testing::readBytes;
using Testing::TempDir;
using Testing::writeBytes;
namespace fs = std::filesystem;

namespace {

struct Ran
{
    int status = -1;
    std::string out;
};

/// Runs git with `arguments`; its stdout is returned, its stderr dropped.
Ran runGit(const std::vector<std::string> &arguments)
{
    int pipeEnds[2];
    EXPECT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], 1);
        ::dup2(::open("/dev/null", O_WRONLY), 2);
        ::close(pipeEnds[0]);
        std::vector<char *> argv { const_cast<char *>("/usr/bin/git") };
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    Ran ran;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        ran.out.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

/// git's output; the test fails when git does not end with status 0.
std::string git(const std::vector<std::string> &arguments)
{
    const Ran ran = runGit(arguments);
    EXPECT_EQ(ran.status, 0) << "git " << arguments.front() << " failed";
    return ran.out;
}

/// Every file below a folder with its bytes, the .git folder left out.
std::map<std::string, std::string> filesBelow(const std::string &folder)
{
    std::map<std::string, std::string> files;
    for (auto entry = fs::recursive_directory_iterator(folder);
         entry != fs::recursive_directory_iterator(); ++entry) {
        if (entry->path().filename() == ".git") {
            entry.disable_recursion_pending();
            continue;
        }
        if (entry->is_regular_file())
            files[entry->path().lexically_relative(folder).generic_string()]
                = readBytes(entry->path());
    }
    return files;
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char text[16] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

TEST(GitSettings, WrittenAndReadBack_AddressesParsed_BadOnesRefusedNamingTheFault)
{
    TempDir dir;
    HostSettings settings;
    settings.protocol = Protocol::Git;
    settings.remote = "git@example.org:rosie/site.git";
    settings.identity = "~/.ssh/id_ed25519";
    settings.authorName = "Rosie";
    writeHostSettings(dir.file("a.cvp.upload"), settings);
    EXPECT_EQ(readBytes(dir.file("a.cvp.upload")),
        "[upload]\nprotocol=git\nremote=git@example.org:rosie/site.git\n"
        "identity=~/.ssh/id_ed25519\nauthor=Rosie\n");
    const HostSettings read = readHostSettings(dir.file("a.cvp.upload"));
    EXPECT_EQ(read.remote, settings.remote);
    EXPECT_EQ(branchOf(read), "pages");
    EXPECT_EQ(read.authorName, "Rosie");

    const GitRemote scp = parseGitRemote("git@example.org:rosie/site.git");
    EXPECT_EQ(std::tie(scp.local, scp.user, scp.host, scp.port, scp.path),
        std::make_tuple(false, "git", "example.org", 22, "rosie/site.git"));
    const GitRemote ssh = parseGitRemote("ssh://git@[::1]:2222/srv/site.git");
    EXPECT_EQ(std::tie(ssh.user, ssh.host, ssh.port, ssh.path),
        std::make_tuple("git", "::1", 2222, "/srv/site.git"));
    EXPECT_TRUE(parseGitRemote("file:///srv/site.git").local);

    const std::string path = dir.file("b.cvp.upload");
    const auto errorFor = [&](const std::string &text) {
        writeBytes(path, "[upload]\nprotocol=git\n" + text);
        return Testing::errorOf([&] { readHostSettings(path); });
    };
    EXPECT_EQ(errorFor(""), path + ": No remote given");
    EXPECT_EQ(errorFor("remote=https://example.org/rosie/site.git\n"),
        path
            + ": The remote https://example.org/rosie/site.git is no SSH address: publishing to "
              "git goes over SSH (git@host:owner/repo.git or ssh://...) or to a folder on this "
              "computer");
    EXPECT_EQ(errorFor("remote=site.git\n"),
        path
            + ": The remote site.git is neither an SSH address (git@host:owner/repo.git) nor a "
              "full path");
    EXPECT_EQ(errorFor("remote=/srv/site.git\nbranch=my pages\n"),
        path + ": The branch name \"my pages\" is not one git takes");
    EXPECT_EQ(errorFor("remote=ssh://h:99999/site.git\n"),
        path + ": The remote ssh://h:99999/site.git has no port from 1 to 65535 after its host");
}

enum class Reach { Path, Ssh };

class GitPublishStory : public testing::TestWithParam<Reach>
{
protected:
    void SetUp() override
    {
        ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", work.file("cache").c_str(), 1);
        if (GetParam() == Reach::Ssh) {
            server = std::make_unique<Testing::SftpServer>(work.file("server"));
            server->start();
            bare = server->root() + "/site.git";
        } else {
            bare = work.file("site.git");
        }
        git({ "init", "-q", "--bare", bare });
        fs::create_directories(site() + "/files");
        writeBytes(site() + "/index.html", "<p>home</p>");
        writeBytes(site() + "/about.html", std::string(300000, 'a'));
        writeBytes(site() + "/styles.css", "body {}");
        writeBytes(site() + "/files/price list \xc3\xa9t\xc3\xa9.pdf", "%PDF brochure");
    }

    std::string site() const { return work.file("website"); }
    GitPublish request()
    {
        GitPublish request;
        request.settings.protocol = Protocol::Git;
        request.websiteDir = site();
        request.siteTitle = "Rosie's Bakery";
        if (server) {
            const HostSettings ssh = server->settings();
            request.settings.remote
                = "ssh://" + ssh.user + "@127.0.0.1:" + std::to_string(server->port()) + bare;
            request.settings.identity = ssh.identity;
            request.passphrase = server->password();
        } else {
            request.settings.remote = bare;
        }
        request.hooks.acceptNewHostKey = [this](const std::string &, const std::string &key) {
            offeredKeys.push_back(key);
            return true;
        };
        return request;
    }
    /// A clone of the branch holds the site and .nojekyll, byte for byte.
    void expectCloneEqualsSite()
    {
        const std::string clone = work.file("clone" + std::to_string(++clones));
        git({ "clone", "-q", "-b", "pages", bare, clone });
        std::map<std::string, std::string> expected = filesBelow(site());
        expected[".nojekyll"] = "";
        EXPECT_EQ(filesBelow(clone), expected);
    }
    std::string commits() { return git({ "--git-dir", bare, "rev-list", "--count", "pages" }); }

    TempDir work;
    Testing::TemporaryHome home; // no git configuration: the site title is the author
    std::unique_ptr<Testing::SftpServer> server;
    std::string bare;
    std::vector<std::string> offeredKeys;
    int clones = 0;
};

std::string reachLabel(const testing::TestParamInfo<Reach> &info)
{
    return info.param == Reach::Ssh ? "ssh" : "path";
}

INSTANTIATE_TEST_SUITE_P(
    Reaches, GitPublishStory, testing::Values(Reach::Path, Reach::Ssh), reachLabel);

TEST_P(GitPublishStory, FirstThenChangedThenNothingThenRemoved_CloneEqualsTheSiteEachTime)
{
    GitPublishResult result = publishToGit(request());
    EXPECT_EQ(result.outcome, UploadOutcome::Completed);
    EXPECT_EQ(result.tries, 1);
    EXPECT_EQ(result.plan.send,
        (std::vector<std::string> { ".nojekyll", "about.html",
            "files/price list \xc3\xa9t\xc3\xa9.pdf", "index.html", "styles.css" }));
    expectCloneEqualsSite();
    EXPECT_EQ(git({ "--git-dir", bare, "log", "--format=%an|%ae|%s|%H", "pages" }),
        "Rosie's Bakery||Publish Rosie's Bakery " + today() + "|" + result.commit + "\n");
    EXPECT_EQ(offeredKeys.size(), GetParam() == Reach::Ssh ? 1u : 0u);

    // One page changed: one commit, whose only new file object is that page; its author is
    // the one git's configuration names now.
    writeBytes(site() + "/about.html", "<p>about us, rewritten</p>");
    writeBytes(std::string(std::getenv("HOME")) + "/.gitconfig",
        "[user]\n\tname = Rosie Baker\n\temail = rosie@example.org\n");
    result = publishToGit(request());
    EXPECT_EQ(result.plan.send, std::vector<std::string> { "about.html" });
    EXPECT_EQ(git({ "--git-dir", bare, "log", "-1", "--format=%an|%ae", "pages" }),
        "Rosie Baker|rosie@example.org\n");
    expectCloneEqualsSite();
    EXPECT_EQ(commits(), "2\n");
    std::set<std::string> newObjects;
    const std::string listed
        = git({ "--git-dir", bare, "rev-list", "--objects", "pages~1..pages" });
    for (std::size_t start = 0, end; (end = listed.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string line = listed.substr(start, end - start);
        if (line.find(' ') != std::string::npos)
            newObjects.insert(line.substr(line.find(' ') + 1));
    }
    EXPECT_EQ(newObjects, (std::set<std::string> { "", "about.html" }));

    // Nothing changed: no commit.
    result = publishToGit(request());
    EXPECT_TRUE(result.plan.empty());
    EXPECT_TRUE(result.commit.empty());
    EXPECT_EQ(commits(), "2\n");

    fs::remove(site() + "/styles.css");
    EXPECT_EQ(planGitPublish(request()).remove, std::vector<std::string> { "styles.css" });
    EXPECT_EQ(commits(), "2\n");
    result = publishToGit(request());
    EXPECT_EQ(result.plan.remove, std::vector<std::string> { "styles.css" });
    expectCloneEqualsSite();
    EXPECT_EQ(commits(), "3\n");
}

TEST_P(GitPublishStory, BranchMovedByAnotherCloneMeanwhile_CommitMadeAgainOnItsTip_BothKept)
{
    publishToGit(request());
    const std::string other = work.file("other");
    git({ "clone", "-q", "-b", "pages", bare, other });
    writeBytes(other + "/notes.txt", "written elsewhere");
    git({ "-C", other, "add", "notes.txt" });
    git({ "-C", other, "-c", "user.name=Other", "-c", "user.email=other@example.org", "commit",
        "-q", "-m", "Notes" });
    const std::string otherCommit = git({ "-C", other, "rev-parse", "HEAD" });

    // The other clone pushes after this publish fetched the branch, before it pushes.
    writeBytes(site() + "/index.html", "<p>home, new</p>");
    GitPublish moved = request();
    bool pushedMeanwhile = false;
    moved.progress = [&](const GitProgress &progress) {
        if (progress.stage == "Writing" && !pushedMeanwhile) {
            pushedMeanwhile = true;
            git({ "-C", other, "push", "-q", "origin", "pages" });
        }
    };
    const GitPublishResult result = publishToGit(moved);
    EXPECT_TRUE(pushedMeanwhile);
    EXPECT_EQ(result.tries, 2);
    expectCloneEqualsSite();
    EXPECT_EQ(commits(), "3\n");
    EXPECT_EQ(runGit({ "--git-dir", bare, "merge-base", "--is-ancestor", otherCommit.substr(0, 40),
                         "pages" })
                  .status,
        0);
    EXPECT_EQ(git({ "--git-dir", bare, "rev-parse", "pages" }), result.commit + "\n");
}

TEST_P(GitPublishStory, CancelWhileTheCommitIsMadeOrSent_BranchUnchanged)
{
    publishToGit(request());
    const std::string before = git({ "--git-dir", bare, "rev-parse", "pages" });
    writeBytes(site() + "/big.jpg", std::string(3000000, 'j'));
    std::atomic<bool> cancel = false;
    GitPublish cancelled = request();
    cancelled.hooks.cancel = &cancel;
    // Over SSH while the objects travel, by path while they are written.
    const std::string stage = GetParam() == Reach::Ssh ? "Sending" : "Writing";
    cancelled.progress = [&](const GitProgress &progress) {
        if (progress.stage == stage)
            cancel = true;
    };
    EXPECT_EQ(publishToGit(cancelled).outcome, UploadOutcome::Cancelled);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(git({ "--git-dir", bare, "rev-parse", "pages" }), before);
    EXPECT_EQ(publishToGit(request()).plan.send, std::vector<std::string> { "big.jpg" });
    expectCloneEqualsSite();
}

using GitOverSsh = GitPublishStory;
INSTANTIATE_TEST_SUITE_P(Reaches, GitOverSsh, testing::Values(Reach::Ssh), reachLabel);

TEST_P(GitOverSsh, CopiesOfRepositoriesNoUploadUsedForMonthsGo_TheOneInUseStays)
{
    publishToGit(request());
    const std::string copies = work.file("cache/corvanta/git");
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(copies))
        names.insert(entry.path().filename().string());
    // Another repository's copy, and this one's, both last used months ago.
    fs::create_directories(copies + "/0123456789abcdef01234567.git/objects");
    writeBytes(copies + "/0123456789abcdef01234567.git/HEAD", "ref: refs/heads/pages\n");
    Testing::setUnusedFor(copies, 100);
    writeBytes(site() + "/index.html", "<p>home, new</p>");
    EXPECT_EQ(publishToGit(request()).plan.send, std::vector<std::string> { "index.html" });

    std::set<std::string> left;
    for (const auto &entry : fs::directory_iterator(copies))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, names);
    expectCloneEqualsSite();
}

TEST_P(GitOverSsh, HostRefusesTheUpdate_RefusalNamedAtOnce_BranchUnchanged)
{
    publishToGit(request());
    writeBytes(bare + "/hooks/pre-receive", "#!/bin/sh\necho 'pages are frozen' >&2\nexit 1\n");
    fs::permissions(bare + "/hooks/pre-receive", fs::perms::owner_all);
    writeBytes(site() + "/index.html", "<p>home, new</p>");
    EXPECT_EQ(Testing::errorOf([&] { publishToGit(request()); }),
        request().settings.remote
            + " refused to update the branch pages: pre-receive hook declined (the host said: "
              "pages are frozen)");
    EXPECT_EQ(commits(), "1\n");
}

TEST_P(GitOverSsh, HostHangsBeforeThePush_CancelEndsTheRunWithinASecond)
{
    publishToGit(request());
    writeBytes(site() + "/index.html", "<p>home, new</p>");
    std::atomic<bool> cancel = false;
    std::chrono::steady_clock::time_point cancelledAt;
    std::thread canceller;
    GitPublish hung = request();
    hung.hooks.cancel = &cancel;
    hung.progress = [&](const GitProgress &progress) {
        if (progress.stage != "Writing" || canceller.joinable())
            return;
        server->freeze(true);
        canceller = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            cancelledAt = std::chrono::steady_clock::now();
            cancel = true;
        });
    };
    EXPECT_EQ(publishToGit(hung).outcome, UploadOutcome::Cancelled);
    const auto returnedAt = std::chrono::steady_clock::now();
    canceller.join();
    EXPECT_LT(returnedAt - cancelledAt, std::chrono::seconds(1));
    server->freeze(false);
    EXPECT_EQ(commits(), "1\n");
    EXPECT_EQ(publishToGit(request()).plan.send, std::vector<std::string> { "index.html" });
    expectCloneEqualsSite();
}

TEST_P(GitOverSsh, HostKeyUnknownThenChanged_WrongKey_EachRefusedAndNothingPublished)
{
    GitPublish unknown = request();
    unknown.hooks.acceptNewHostKey = nullptr;
    const std::string refused = Testing::errorOf([&] { publishToGit(unknown); });
    EXPECT_TRUE(refused.starts_with("The host key of 127.0.0.1 (SHA256:")) << refused;
    EXPECT_TRUE(refused.ends_with(") is not known and was not accepted")) << refused;
    EXPECT_EQ(runGit({ "--git-dir", bare, "rev-parse", "--verify", "-q", "pages" }).status, 1);

    publishToGit(request());
    ASSERT_EQ(offeredKeys.size(), 1u);
    server->stop();
    server->changeHostKey();
    server->start();
    writeBytes(site() + "/index.html", "<p>home, new</p>");
    const std::string changed = Testing::errorOf([&] { publishToGit(request()); });
    EXPECT_TRUE(changed.starts_with(
        "The host key of 127.0.0.1 has changed: it was " + offeredKeys[0] + " and is now SHA256:"))
        << changed;
    EXPECT_EQ(offeredKeys.size(), 1u);
    EXPECT_EQ(commits(), "1\n");

    // Back to the key that is known; then a key the host does not take, and a wrong passphrase.
    fs::remove(work.file("config/corvanta/known_hosts"));
    GitPublish otherKey = request();
    Testing::runProgram(
        { "/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", work.file("stranger") });
    otherKey.settings.identity = work.file("stranger");
    otherKey.passphrase.clear();
    EXPECT_EQ(Testing::errorOf([&] { publishToGit(otherKey); }),
        "127.0.0.1 refused the key " + work.file("stranger") + " or its passphrase");
    GitPublish wrongPassphrase = request();
    wrongPassphrase.passphrase = "wrong";
    EXPECT_EQ(Testing::errorOf([&] { publishToGit(wrongPassphrase); }),
        "127.0.0.1 refused the key " + wrongPassphrase.settings.identity + " or its passphrase");
    EXPECT_EQ(commits(), "1\n");

    // No key file: the keys of the SSH agent, when one runs.
    GitPublish agent = request();
    agent.settings.identity.clear();
    agent.passphrase.clear();
    ::unsetenv("SSH_AUTH_SOCK");
    EXPECT_EQ(Testing::errorOf([&] { publishToGit(agent); }),
        "No key for 127.0.0.1: name a key file (identity), or start an SSH agent that holds one");
    const std::string agentKey = work.file("agent_key");
    fs::copy_file(request().settings.identity, agentKey);
    Testing::runProgram(
        { "/usr/bin/ssh-keygen", "-q", "-p", "-P", server->password(), "-N", "", "-f", agentKey });
    Testing::runProgram({ "/bin/sh", "-c",
        "/usr/bin/ssh-agent -a '" + work.file("agent.sock") + "' > '" + work.file("agent") + "'" });
    const std::string started = readBytes(work.file("agent"));
    const auto pidAt = started.find("SSH_AGENT_PID=");
    ASSERT_NE(pidAt, std::string::npos) << started;
    const pid_t agentPid = std::atoi(started.c_str() + pidAt + 14);
    ::setenv("SSH_AUTH_SOCK", work.file("agent.sock").c_str(), 1);
    Testing::runProgram({ "/usr/bin/ssh-add", "-q", agentKey });
    EXPECT_FALSE(publishToGit(agent).commit.empty());
    ::kill(agentPid, SIGTERM);
    ::unsetenv("SSH_AUTH_SOCK");
    expectCloneEqualsSite();
}

} // namespace
