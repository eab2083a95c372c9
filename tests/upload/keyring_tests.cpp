// Passwords kept in a real Secret Service: gnome-keyring-daemon on a private D-Bus session
// that each test starts and ends, reached by the keyring code in this process and by
// corvanta-cli upload against the test's own sshd.
#include "tests/support/tempdir.h"
#include "tests/upload/testservers.h"
#include "upload/keyring.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using Testing::readBytes;
using Testing::TempDir;
namespace fs = std::filesystem;

namespace {

/// Starts a program with `input` on its standard input and its standard error in `errFile`
/// (else nowhere); returns its process id.
pid_t start(const std::vector<std::string> &arguments, const std::string &input = {},
    const std::string &errFile = "/dev/null")
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[0], 0);
        ::close(pipeEnds[1]);
        ::dup2(::open("/dev/null", O_WRONLY), 1);
        ::dup2(::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        std::vector<char *> argv;
        argv.reserve(arguments.size() + 1);
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[0]);
    if (!input.empty()) {
        EXPECT_EQ(::write(pipeEnds[1], input.data(), input.size()), ssize_t(input.size()));
    }
    ::close(pipeEnds[1]);
    return child;
}

/// Waits for a program; its exit status, or -1 when it did not exit by itself (a crash).
int exitStatus(pid_t child)
{
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// gdbus calling a method of the Secret Service on the session bus; its exit status.
int callSecretService(
    const std::string &method, const std::string &object, const std::vector<std::string> &arguments)
{
    std::vector<std::string> command { "/usr/bin/gdbus", "call", "--session", "--dest",
        "org.freedesktop.secrets", "--object-path", object, "--method", method };
    command.insert(command.end(), arguments.begin(), arguments.end());
    return exitStatus(start(command));
}

/// A private session bus with gnome-keyring-daemon's Secret Service on it, its login keyring
/// made and unlocked in a folder of the test's. The environment of this process (and so of
/// the programs it starts) points at them while the object lives.
class SecretService
{
public:
    explicit SecretService(const std::string &dir)
    {
        fs::create_directories(dir + "/runtime");
        fs::permissions(dir + "/runtime", fs::perms::owner_all);
        std::ofstream(dir + "/bus.conf")
            << "<busconfig><type>session</type><listen>unix:path=" << dir
            << "/bus</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>\n";
        m_bus = start({ "/usr/bin/dbus-daemon", "--config-file=" + dir + "/bus.conf", "--nofork" });
        waitFor([&] { return fs::exists(dir + "/bus"); });
        ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + dir + "/bus").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (dir + "/runtime").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        ::unsetenv("DISPLAY");
        m_keyring = start(
            { "/usr/bin/gnome-keyring-daemon", "--foreground", "--components=secrets", "--unlock" },
            "unlock words");
        waitFor([&] {
            return fs::exists(dir + "/data/keyrings/login.keyring")
                && callSecretService("org.freedesktop.Secret.Service.ReadAlias",
                       "/org/freedesktop/secrets", { "default" })
                == 0;
        });
    }

    ~SecretService()
    {
        for (const pid_t pid : { m_keyring, m_bus }) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    /// Locks the login keyring, as a desktop does on its lock screen.
    void lock()
    {
        ASSERT_EQ(
            callSecretService("org.freedesktop.Secret.Service.Lock", "/org/freedesktop/secrets",
                { "['/org/freedesktop/secrets/collection/login']" }),
            0);
    }

private:
    template <typename Ready> static void waitFor(Ready ready)
    {
        for (int tries = 0; tries < 100 && !ready(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(ready());
    }

    pid_t m_bus = -1;
    pid_t m_keyring = -1;
};

/// A published one-page site in `work` and the server's settings beside its project; with
/// `keyFile` false, the settings ask for a password instead of the key's passphrase.
void prepareSite(const TempDir &work, const Testing::SftpServer &server, bool keyFile = true)
{
    ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
    fs::create_directories(server.root() + "/site");
    fs::create_directories(work.file("out/website"));
    Testing::writeBytes(work.file("out/website/index.html"), "<p>home</p>");
    Upload::HostSettings settings = server.settings();
    if (!keyFile)
        settings.identity.clear();
    Upload::writeHostSettings(work.file("site.cvp.upload"), settings);
}

/// corvanta-cli upload of the site: its exit status and the last line it wrote on stderr.
std::pair<int, std::string> upload(const TempDir &work)
{
    const int status = exitStatus(start({ CORVANTA_CLI, "upload", "--accept-new-host-key",
                                            work.file("site.cvp"), work.file("out") },
        {}, work.file("err")));
    std::string err = readBytes(work.file("err"));
    err.erase(err.find_last_not_of('\n') + 1);
    return { status, err.substr(err.rfind('\n') == std::string::npos ? 0 : err.rfind('\n') + 1) };
}

const std::string KeepItHint
    = ". Set CORVANTA_UPLOAD_PASSWORD, or keep it in the keyring from the Upload window.";

TEST(Keyring, Unlocked_KeepsEachHostsPassword_UploadTakesThePassphraseFromIt)
{
    TempDir work;
    SecretService service(work.file("keyring"));
    Testing::SftpServer server(work.file("server"));
    const Upload::HostSettings host = server.settings();
    Upload::HostSettings otherHost = host;
    otherHost.host = "example.org";

    EXPECT_EQ(Upload::readKeyringPassword(host).password, std::nullopt);
    EXPECT_EQ(Upload::readKeyringPassword(host).keyringProblem, "");
    EXPECT_EQ(Upload::storeKeyringPassword(host, server.password()), "");
    EXPECT_EQ(Upload::storeKeyringPassword(otherHost, "other h\xc3\xb6st"), "");
    EXPECT_EQ(Upload::readKeyringPassword(host).password, server.password());
    EXPECT_EQ(Upload::readKeyringPassword(otherHost).password, "other h\xc3\xb6st");
    otherHost.port = 2222;
    EXPECT_EQ(Upload::readKeyringPassword(otherHost).password, std::nullopt);

    // Without CORVANTA_UPLOAD_PASSWORD the key's passphrase comes from the keyring, and the
    // program ends as cleanly as it uploaded.
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
    server.start();
    prepareSite(work, server);
    const auto [status, lastLine] = upload(work);
    EXPECT_EQ(status, 0) << lastLine;
    EXPECT_EQ(readBytes(server.root() + "/site/index.html"), "<p>home</p>");
}

TEST(Keyring, Locked_SaysSo_EnvironmentPasswordStillWorks)
{
    TempDir work;
    SecretService service(work.file("keyring"));
    Testing::SftpServer server(work.file("server"));
    ASSERT_EQ(Upload::storeKeyringPassword(server.settings(), server.password()), "");
    service.lock();
    const Upload::PasswordAnswer locked = Upload::readKeyringPassword(server.settings());
    EXPECT_EQ(locked.password, std::nullopt);
    EXPECT_EQ(locked.keyringProblem, "the desktop's keyring is locked");

    server.start();
    prepareSite(work, server, false);
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
    EXPECT_EQ(upload(work),
        std::make_pair(
            1, "No password for 127.0.0.1: the desktop's keyring is locked" + KeepItHint));

    prepareSite(work, server);
    ::setenv("CORVANTA_UPLOAD_PASSWORD", server.password().c_str(), 1);
    EXPECT_EQ(upload(work).first, 0);
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
    EXPECT_EQ(readBytes(server.root() + "/site/index.html"), "<p>home</p>");
}

TEST(Keyring, Absent_SaysSo_EnvironmentPasswordStillWorks)
{
    TempDir work;
    Testing::SftpServer server(work.file("server"));
    server.start();
    // No session bus at all: nothing to ask, and no X display to start one from.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + work.file("no-bus")).c_str(), 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");

    prepareSite(work, server, false);
    EXPECT_EQ(upload(work),
        std::make_pair(1,
            "No password for 127.0.0.1: no desktop keyring is running (Could not connect: No "
            "such file or directory)"
                + KeepItHint));

    prepareSite(work, server);
    ::setenv("CORVANTA_UPLOAD_PASSWORD", server.password().c_str(), 1);
    EXPECT_EQ(upload(work).first, 0);
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_EQ(readBytes(server.root() + "/site/index.html"), "<p>home</p>");
}

TEST(Keyring, GitKeyFileWithoutKeyring_WhySaidInTheTerminalsOwnCharacters)
{
    TempDir work;
    // A session bus address the desktop's libraries cannot use; their answer quotes it.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "caf\xc3\xa9:path=/x", 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
    ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
    ASSERT_EQ(exitStatus(start({ CORVANTA_CLI, "new", work.file("site.cvp") })), 0);
    fs::create_directories(work.file("out/website"));
    Testing::writeBytes(work.file("out/website/index.html"), "<p>home</p>");
    Upload::HostSettings settings;
    settings.protocol = Upload::Protocol::Git;
    // Nothing answers on port 1: the run ends once the keyring was asked.
    settings.remote = "ssh://git@127.0.0.1:1/site.git";
    settings.identity = work.file("key");
    Upload::writeHostSettings(work.file("site.cvp.upload"), settings);
    const int status = exitStatus(start(
        { CORVANTA_CLI, "upload", work.file("site.cvp"), work.file("out") }, {}, work.file("err")));
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_EQ(status, 1);
    const std::string err = readBytes(work.file("err"));
    EXPECT_EQ(err.substr(0, err.find('\n')),
        "The key is used without a passphrase: no desktop keyring is running (Unknown or "
        "unsupported transport \xe2\x80\x9c"
        "caf\xc3\xa9\xe2\x80\x9d for address "
        "\xe2\x80\x9c"
        "caf\xc3\xa9:path=/x\xe2\x80\x9d)")
        << err;
}

} // namespace
