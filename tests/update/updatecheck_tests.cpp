#include "tests/support/tempdir.h"
#include "tests/update/httpserver.h"
#include "update/connection.h"
#include "update/download.h"
#include "update/updatecheck.h"

#include "platform/fileerror.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <future>
#include <net/if.h>
#include <optional>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Testing;
using namespace std::chrono_literals;

namespace {

struct Served
{
    std::string body;
    std::string latestVersion;
    bool newer;
};

class UpdateCheck : public ::testing::Test
{
protected:
    std::optional<Update::UpdateReport> check(const std::string &path)
    {
        return Update::CheckForUpdate(server.address(path), localCopy, "v1.0");
    }

    HttpServer server;
    TempDir home;
    std::string localCopy = Update::UpdateFilePath(home.path());
};

} // namespace

TEST_F(UpdateCheck, ServerFiles_FirstLineComparedExactly)
{
    const std::vector<Served> files {
        { "v1.0\r\n", "v1.0", false },
        { "v1.0", "v1.0", false },
        { "v1.1", "v1.1", true },
        { "v0.9\r\n", "v0.9", true },
        { "v1.0\n", "v1.0\n", true }, // a lone line feed belongs to the line
        { "v1.0\nv1.1\r\n", "v1.0\nv1.1", true },
        { "", "", true },
        { "V1.0\r\n", "V1.0", true },
        { "v1.0 \r\n", "v1.0 ", true },
        { "v1.0\r\nv2.0\r\n[update]\r\n", "v1.0", false }, // only the first line counts
        { "v1.0\x1Av2.0", "v1.0", false }, // Ctrl-Z ends the file
        { "\r\nv1.0", "", true },
    };
    for (const Served &file : files) {
        SCOPED_TRACE(file.body);
        server.serve("/update/updatecv.ini", whole(file.body));
        const auto report = check("/update/updatecv.ini");
        ASSERT_TRUE(report.has_value());
        EXPECT_EQ(report->latestVersion, file.latestVersion);
        EXPECT_EQ(report->newerAvailable, file.newer);
        EXPECT_EQ(readBytes(localCopy), file.body);
    }
}

TEST_F(UpdateCheck, ErrorStatusWithBody_BodyStoredAndReadAsTheVersion)
{
    server.serve("/gone", whole("<html>Moved away</html>\r\nsee elsewhere", 410));
    const auto report = check("/gone");
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->latestVersion, "<html>Moved away</html>");
    EXPECT_TRUE(report->newerAvailable);
    EXPECT_STREQ(report->statusText(), "There is a newer version available.");
}

TEST_F(UpdateCheck, SlowBodyInChunks_StoredWhole)
{
    server.serve("/slow", { Reply::Kind::Chunked, 200, "v1.0\r\nrest of the file", {}, 3, 40ms });
    const auto report = check("/slow");
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->latestVersion, "v1.0");
    EXPECT_FALSE(report->newerAvailable);
    EXPECT_STREQ(report->statusText(), "You already have the latest version.");
    EXPECT_EQ(readBytes(localCopy), "v1.0\r\nrest of the file");
}

TEST_F(UpdateCheck, HugeEndlessOrSlowAnswers_GiveUpWithinTheLimitsAndThePreviousCopyStays)
{
    writeBytes(localCopy, "v0.5\r\n");
    const Update::DownloadLimits limits { 1500ms, 100, 1s, std::size_t { 64 } * 1024 };
    const auto fetch = [&](const std::string &path) {
        return Update::CheckForUpdate(server.address(path), localCopy, "v1.0", nullptr, limits);
    };
    server.serve("/limit", whole("v1.0\r\n" + std::string(std::size_t { 64 } * 1024 - 6, 'x')));
    EXPECT_TRUE(fetch("/limit").has_value()) << "64 KB is still an update file";
    writeBytes(localCopy, "v0.5\r\n");

    const auto started = std::chrono::steady_clock::now();
    server.serve("/huge", whole("v1.0\r\n" + std::string(std::size_t { 6 } * 1024 * 1024, 'x')));
    EXPECT_FALSE(fetch("/huge").has_value());
    // Fast enough for the speed limit, too slow to end within the total limit.
    server.serve("/endless",
        { Reply::Kind::Chunked, 200, std::string(std::size_t { 60 } * 1024, 'v'), {}, 200, 100ms });
    EXPECT_FALSE(fetch("/endless").has_value());
    server.serve("/trickle", { Reply::Kind::Chunked, 200, std::string(1000, 'v'), {}, 1, 20ms });
    EXPECT_FALSE(fetch("/trickle").has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 6s);
    EXPECT_EQ(readBytes(localCopy), "v0.5\r\n");
    EXPECT_EQ(std::filesystem::directory_iterator(home.path())->path().filename(), "updatecv.ini")
        << "no temporary file stays";
}

TEST_F(UpdateCheck, SecondCheck_ReplacesTheLocalCopy)
{
    server.serve("/f", whole("v1.1\r\na long second line that the next file lacks\r\n"));
    ASSERT_TRUE(check("/f").has_value());
    server.serve("/f", whole("v1.0"));
    const auto report = check("/f");
    ASSERT_TRUE(report.has_value());
    EXPECT_FALSE(report->newerAvailable);
    EXPECT_EQ(readBytes(localCopy), "v1.0");

    server.serve("/f", whole(""));
    ASSERT_TRUE(check("/f").has_value());
    EXPECT_EQ(readBytes(localCopy), "");
}

TEST_F(UpdateCheck, NoAnswer_DownloadFailsAndPreviousCopyStays)
{
    writeBytes(localCopy, "v0.5\r\n");
    server.serve("/hang-up", { Reply::Kind::CloseAtOnce, 200, {}, {}, 1, 0ms });
    EXPECT_FALSE(check("/hang-up").has_value());
    EXPECT_FALSE(Update::CheckForUpdate(
        "http://127.0.0.1:" + std::to_string(unusedPort()) + "/update/updatecv.ini", localCopy,
        "v1.0")
                     .has_value());
    EXPECT_FALSE(Update::CheckForUpdate("not an address at all", localCopy, "v1.0").has_value());
    EXPECT_EQ(readBytes(localCopy), "v0.5\r\n");
}

TEST_F(UpdateCheck, ConnectionLostMidBody_DownloadFailsAndThePreviousCopyStays)
{
    writeBytes(localCopy, "v0.5\r\n");
    server.serve("/cut", { Reply::Kind::CloseMidBody, 200, "v1.1\r\n0123456789", {}, 1, 0ms });
    EXPECT_FALSE(Update::DownloadUrlToFile(server.address("/cut"), localCopy));
    EXPECT_EQ(readBytes(localCopy), "v0.5\r\n");
}

TEST_F(UpdateCheck, MovedFile_FollowedOnlyToWebAddresses)
{
    server.serve("/update/updatecv.ini", whole("v1.1"));
    server.serve(
        "/old", { Reply::Kind::Whole, 301, "moved", "Location: /update/updatecv.ini\r\n", 1, 0ms });
    const auto report = check("/old");
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->latestVersion, "v1.1");

    writeBytes(home.file("secret.txt"), "v9.9");
    server.serve("/local",
        { Reply::Kind::Whole, 302, "moved", "Location: file://" + home.file("secret.txt") + "\r\n",
            1, 0ms });
    EXPECT_FALSE(check("/local").has_value());
}

TEST_F(UpdateCheck, Request_NamesTheProgramAsUserAgent)
{
    server.serve("/update/updatecv.ini", whole("v1.0"));
    ASSERT_TRUE(check("/update/updatecv.ini").has_value());
    EXPECT_EQ(server.lastUserAgent(), "update_tests");
    EXPECT_EQ(server.requests().back(), "GET /update/updatecv.ini HTTP/1.1");
}

TEST_F(UpdateCheck, LocalCopyCannotBeWritten_FileErrorWithItsText)
{
    server.serve("/update/updatecv.ini", whole("v1.1"));
    std::filesystem::create_directory(localCopy);
    try {
        check("/update/updatecv.ini");
        ADD_FAILURE() << "a directory in the copy's place was overwritten";
    } catch (const Platform::FileError &error) {
        EXPECT_STREQ(error.what(), "File access denied");
    }

    try {
        Update::CheckForUpdate(server.address("/update/updatecv.ini"),
            Update::UpdateFilePath(home.file("missing")), "v1.0");
        ADD_FAILURE() << "a copy was written into a missing directory";
    } catch (const Platform::FileError &error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
}

// A new network namespace has nothing but loopback: not connected, even with loopback up.
TEST(UpdateCacheDirectory, MadeWithItsParentsInTheCacheFolder_RefusedWithoutHomeNeverTmp)
{
    const auto variable = [](const char *name) {
        const char *value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const std::optional<std::string> previousCache = variable("XDG_CACHE_HOME"),
                                     previousHome = variable("HOME");
    TempDir cache;
    ::setenv("XDG_CACHE_HOME", cache.file("deep/cache/").c_str(), 1);
    EXPECT_EQ(Update::UpdateCacheDirectory(), cache.file("deep/cache/corvanta"));
    EXPECT_TRUE(std::filesystem::is_directory(cache.file("deep/cache/corvanta")));

    ::unsetenv("XDG_CACHE_HOME");
    ::unsetenv("HOME");
    EXPECT_EQ(errorOf([] { Update::UpdateCacheDirectory(); }),
        "Cannot find the cache folder: HOME is not set");
    for (const auto &[name, value] :
        { std::pair { "XDG_CACHE_HOME", previousCache }, std::pair { "HOME", previousHome } }) {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
}

TEST(IsInternetConnected, OnlyLoopback_NotConnected)
{
    auto inIsolation = std::async(std::launch::async, []() -> std::optional<bool> {
        if (::unshare(CLONE_NEWNET) != 0)
            return std::nullopt;
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq request {};
        std::snprintf(request.ifr_name, IFNAMSIZ, "lo");
        request.ifr_flags = IFF_UP;
        const bool loopbackUp = ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
        ::close(fd);
        if (!loopbackUp)
            return std::nullopt;
        return Update::IsInternetConnected();
    });
    const std::optional<bool> connected = inIsolation.get();
    if (!connected)
        GTEST_SKIP() << "no permission for a network namespace here";
    EXPECT_FALSE(*connected);
}
