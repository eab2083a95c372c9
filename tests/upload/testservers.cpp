#include "tests/upload/testservers.h"

#include "tests/update/httpserver.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace Testing {
namespace {

pid_t spawn(const std::vector<std::string> &arguments, bool quiet)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (quiet) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        std::vector<char *> argv;
        argv.reserve(arguments.size() + 1);
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

bool accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected
        = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

/// Every process below `parent`: sshd runs each connection in a process of its own session.
std::vector<pid_t> descendantsOf(pid_t parent)
{
    std::vector<pid_t> found;
    for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent) {
            const pid_t child = std::stoi(name);
            found.push_back(child);
            for (pid_t grandchild : descendantsOf(child))
                found.push_back(grandchild);
        }
    }
    return found;
}

std::string userName()
{
    const passwd *entry = ::getpwuid(::getuid());
    return entry != nullptr ? entry->pw_name : "root";
}

} // namespace

void runProgram(const std::vector<std::string> &arguments)
{
    const pid_t child = spawn(arguments, true);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << arguments.front() << " failed";
}

TestServer::TestServer(std::string workDir, std::string root)
    : m_dir(std::move(workDir))
    , m_root(std::move(root))
    , m_port(unusedPort())
{
    std::filesystem::create_directories(m_root);
}

TestServer::~TestServer() { stop(); }

void TestServer::start()
{
    m_pid = spawn(command(), true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!accepts(m_port)) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the test server did not start";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void TestServer::stop()
{
    if (m_pid <= 0)
        return;
    for (pid_t process : descendantsOf(m_pid))
        ::kill(process, SIGKILL);
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

void TestServer::freeze(bool frozen)
{
    const int signal = frozen ? SIGSTOP : SIGCONT;
    ::kill(m_pid, signal);
    for (pid_t process : descendantsOf(m_pid))
        ::kill(process, signal);
}

SftpServer::SftpServer(const std::string &workDir)
    : TestServer(workDir, workDir + "/remote")
{
    // sshd insists on its privilege separation folder when it runs as root.
    if (::getuid() == 0)
        std::filesystem::create_directories("/run/sshd");
    // One round of the passphrase's key derivation keeps each login quick.
    runProgram({ "/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-a", "1", "-N", password(), "-C",
        "test", "-f", m_dir + "/user_key" });
    changeHostKey();
    std::filesystem::create_directories(m_dir + "/home");
    std::ofstream config(m_dir + "/sshd_config");
    config << "ListenAddress 127.0.0.1:" << m_port << "\n"
           << "HostKey " << m_dir << "/host_key\n"
           << "AuthorizedKeysFile " << m_dir << "/user_key.pub\n"
           << "PidFile none\n"
           << "StrictModes no\n"
           << "UsePAM no\n"
           << "PermitRootLogin prohibit-password\n"
           << "PasswordAuthentication no\n"
           << "KbdInteractiveAuthentication no\n"
           << "Subsystem sftp internal-sftp\n"
           // Commands (git's) run by a shell that reads no start-up files of this machine's
           // user, as on a host's restricted account.
           << "SetEnv HOME=" << m_dir << "/home\n"
           << "LogLevel ERROR\n";
}

void SftpServer::changeHostKey()
{
    std::filesystem::remove(m_dir + "/host_key");
    std::filesystem::remove(m_dir + "/host_key.pub");
    runProgram(
        { "/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", m_dir + "/host_key" });
}

std::vector<std::string> SftpServer::command() const
{
    return { "/usr/sbin/sshd", "-D", "-e", "-f", m_dir + "/sshd_config" };
}

Upload::HostSettings SftpServer::settings() const
{
    return { Upload::Protocol::Sftp, "127.0.0.1", m_port, userName(), m_root + "/site",
        m_dir + "/user_key" };
}

FtpServer::FtpServer(const std::string &workDir, Upload::Protocol protocol)
    : TestServer(workDir, workDir + "/remote")
    , m_protocol(protocol)
{
    runProgram({ "/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
        "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
        "subjectAltName=IP:127.0.0.1", "-keyout", m_dir + "/key.pem", "-out", certificate() });
}

std::vector<std::string> FtpServer::command() const
{
    return { "/usr/bin/python3", CORVANTA_FTP_SERVER, std::to_string(m_port), m_root, "tester",
        password(), certificate(), m_dir + "/key.pem" };
}

Upload::HostSettings FtpServer::settings() const
{
    return { m_protocol, "127.0.0.1", m_port, "tester", "/site", "" };
}

} // namespace Testing
