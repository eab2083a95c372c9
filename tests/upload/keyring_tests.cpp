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
using Testing::writeBytes;
namespace fs = std::filesystem;

namespace {

/// Starts a program with `input` on its standard input; returns its process id.
pid_t startProgram(const std::vector<std::string> &arguments, const std::string &input = {})
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[0], 0);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        std::vector<char *> argv;
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[0]);
    if (!input.empty()) {
        EXPECT_EQ(
            ::write(pipeEnds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    }
    ::close(pipeEnds[1]);
    return child;
}

/// A private session bus with gnome-keyring-daemon's Secret Service on it, its login keyring
/// made and unlocked in a folder of the test's. The environment of this process (and so of
/// the programs it starts) points at them while the object lives.
class SecretService
{
public:
    explicit SecretService(const std::string &dir)
        : m_dir(dir)
    {
        fs::create_directories(m_dir + "/runtime");
        fs::permissions(m_dir + "/runtime", fs::perms::owner_all);
        const std::string socket = m_dir + "/bus";
        std::ofstream(m_dir + "/bus.conf")
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
               "1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:path="
            << socket
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>\n";
        m_bus = startProgram(
            { "/usr/bin/dbus-daemon", "--config-file=" + m_dir + "/bus.conf", "--nofork" });
        waitFor([&] { return fs::exists(socket); });
        ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (m_dir + "/runtime").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (m_dir + "/data").c_str(), 1);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        m_keyring = startProgram(
            { "/usr/bin/gnome-keyring-daemon", "--foreground", "--components=secrets", "--unlock" },
            "unlock words");
        waitFor([&] { return call("Get", "org.freedesktop.Secret.Service", "Collections"); });
        waitFor([&] { return fs::exists(m_dir + "/data/keyrings/login.keyring"); });
    }

    ~SecretService()
    {
        for (const pid_t pid : { m_keyring, m_bus }) {
            ::kill(pid, SIGTERM);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    /// Locks the login keyring, as a desktop does after a while or on a lock screen.
    void lock()
    {
        const pid_t child = startProgram({ "/usr/bin/gdbus", "call", "--session", "--dest",
            "org.freedesktop.secrets", "--object-path", "/org/freedesktop/secrets", "--method",
            "org.freedesktop.Secret.Service.Lock",
            "['/org/freedesktop/secrets/collection/login']" });
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0);
    }

private:
    /// Whether a property of the Secret Service can be read over the bus.
    bool call(const std::string &method, const std::string &interface, const std::string &name)
    {
        const pid_t child = startProgram({ "/usr/bin/gdbus", "call", "--session", "--dest",
            "org.freedesktop.secrets", "--object-path", "/org/freedesktop/secrets", "--method",
            "org.freedesktop.DBus.Properties." + method, interface, name });
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    template <typename Ready> void waitFor(Ready ready)
    {
        for (int tries = 0; tries < 100 && !ready(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(ready());
    }

    std::string m_dir;
    pid_t m_bus = -1;
    pid_t m_keyring = -1;
};

struct Outcome
{
    int status = -1;
    std::string err;
    std::string lastErrorLine() const
    {
        const std::string text = err.substr(0, err.find_last_not_of('\n') + 1);
        return text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    }
};

/// corvanta-cli upload of a one-page site, its exit status and what it said on stderr; -1 when
/// it did not exit by itself (a crash).
Outcome upload(const TempDir &work, const std::vector<std::string> &extra = {})
{
    const std::string errFile = work.file("err");
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(::open("/dev/null", O_WRONLY), 1);
        ::dup2(::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        std::vector<std::string> arguments { CORVANTA_CLI, "upload", "--accept-new-host-key",
            work.file("site.cvp"), work.file("out") };
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        std::vector<char *> argv;
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(CORVANTA_CLI, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(errFile) };
}

/// A published one-page site and its host settings for the server, in `work`.
void prepareSite(const TempDir &work, const Testing::SftpServer &server)
{
    ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
    fs::create_directories(server.root() + "/site");
    Upload::writeHostSettings(work.file("site.cvp.upload"), server.settings());
    fs::create_directories(work.file("out/website"));
    writeBytes(work.file("out/website/index.html"), "<p>home</p>");
}

/// The host settings with a password instead of the key file.
void usePassword(const TempDir &work, const Testing::SftpServer &server)
{
    Upload::HostSettings settings = server.settings();
    settings.identity.clear();
    Upload::writeHostSettings(work.file("site.cvp.upload"), settings);
}

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
    const Outcome outcome = upload(work);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
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
    prepareSite(work, server);
    usePassword(work, server);
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
    const Outcome refused = upload(work);
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_EQ(refused.lastErrorLine(),
        "No password for 127.0.0.1: " + locked.keyringProblem
            + ". Set CORVANTA_UPLOAD_PASSWORD, or keep it in the keyring from the Upload window.");

    Upload::writeHostSettings(work.file("site.cvp.upload"), server.settings());
    ::setenv("CORVANTA_UPLOAD_PASSWORD", server.password().c_str(), 1);
    const Outcome uploaded = upload(work);
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
    EXPECT_EQ(uploaded.status, 0) << uploaded.err;
    EXPECT_EQ(readBytes(server.root() + "/site/index.html"), "<p>home</p>");
}

TEST(Keyring, Absent_SaysSo_EnvironmentPasswordStillWorks)
{
    TempDir work;
    Testing::SftpServer server(work.file("server"));
    server.start();
    prepareSite(work, server);
    // No session bus at all: nothing to ask, and no X display to start one from.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + work.file("no-bus")).c_str(), 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");

    usePassword(work, server);
    const Outcome refused = upload(work);
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_EQ(refused.lastErrorLine(),
        "No password for 127.0.0.1: no desktop keyring is running (Could not connect: No such file "
        "or directory). Set CORVANTA_UPLOAD_PASSWORD, or keep it in the keyring from the Upload "
        "window.");

    Upload::writeHostSettings(work.file("site.cvp.upload"), server.settings());
    ::setenv("CORVANTA_UPLOAD_PASSWORD", server.password().c_str(), 1);
    const Outcome uploaded = upload(work);
    ::unsetenv("CORVANTA_UPLOAD_PASSWORD");
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_EQ(uploaded.status, 0) << uploaded.err;
    EXPECT_EQ(readBytes(server.root() + "/site/index.html"), "<p>home</p>");
}

} // namespace
