#include "tests/hardening/smalldisk.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Hardening {
namespace {

constexpr unsigned NobodyId = 65534;

std::string systemError(const std::string &what, int errorNumber)
{
    return what + ": " + std::strerror(errorNumber);
}

/// Moves the test process into a mount namespace of its own, once: mounts made afterwards are
/// private to it and vanish with it, even when a test crashes before unmounting.
const std::string &privateMountNamespace()
{
    static const std::string problem = []() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0)
            return systemError(
                "cannot make a private mount namespace (mounting needs root)", errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return systemError("cannot make the mounts private", errno);
        return {};
    }();
    return problem;
}

} // namespace

SmallDisk::SmallDisk(std::size_t sizeBytes, std::size_t maxFiles)
    : m_path(m_mountPoint.file("disk"))
{
    ::mkdir(m_path.c_str(), 0755);
    m_reason = privateMountNamespace();
    if (!m_reason.empty())
        return;
    std::string options = "size=" + std::to_string(sizeBytes) + ",mode=0755";
    if (maxFiles != 0)
        options += ",nr_inodes=" + std::to_string(maxFiles);
    if (::mount("corvanta-small-disk", m_path.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        m_reason = systemError("cannot mount a tmpfs of " + options, errno);
        return;
    }
    m_mounted = true;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(m_path.c_str(), MNT_DETACH);
}

void SmallDisk::fillLeaving(std::size_t freeBytes)
{
    const std::string filler = file(".filler");
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const std::string block(std::size_t { 64 } * 1024, 'f');
    for (;;) {
        // Smaller and smaller writes take up the last partly free block too.
        std::size_t size = block.size();
        ssize_t written = -1;
        while (size > 0 && (written = ::write(fd, block.data(), size)) <= 0)
            size /= 2;
        if (size == 0)
            break;
    }
    struct stat info
    {
    };
    ::fstat(fd, &info);
    const auto page = static_cast<off_t>(::sysconf(_SC_PAGESIZE));
    const auto release = (static_cast<off_t>(freeBytes) + page - 1) / page * page;
    ::ftruncate(fd, info.st_size > release ? info.st_size - release : 0);
    ::close(fd);
}

void SmallDisk::removeFiller() { ::unlink(file(".filler").c_str()); }

std::size_t SmallDisk::freeBytes() const
{
    struct statvfs info
    {
    };
    if (::statvfs(m_path.c_str(), &info) != 0)
        return 0;
    return static_cast<std::size_t>(info.f_bavail) * info.f_frsize;
}

void SmallDisk::makeReadOnly()
{
    ::mount(nullptr, m_path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
}

ChildResult runInChildProcess(
    const std::function<std::string()> &action, ChildUser user, unsigned timeLimitSeconds)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return { false, {}, systemError("pipe", errno) };
    const pid_t child = ::fork();
    if (child < 0)
        return { false, {}, systemError("fork", errno) };

    if (child == 0) {
        ::close(channel[0]);
        ::alarm(timeLimitSeconds);
        std::string report;
        if (user == ChildUser::Unprivileged && ::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setresgid(NobodyId, NobodyId, NobodyId) != 0
                || ::setresuid(NobodyId, NobodyId, NobodyId) != 0)) {
            report = "!" + systemError("cannot become user nobody", errno);
        } else {
            try {
                report = " " + action();
            } catch (const std::exception &error) {
                report = std::string("!exception: ") + error.what();
            }
        }
        for (std::size_t sent = 0; sent < report.size();) {
            const ssize_t count = ::write(channel[1], report.data() + sent, report.size() - sent);
            if (count <= 0)
                break;
            sent += static_cast<std::size_t>(count);
        }
        // Straight out: the child must not run the test framework's exit handlers.
        ::_exit(0);
    }

    ::close(channel[1]);
    std::string received;
    char buffer[4096];
    for (ssize_t count; (count = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        received.append(buffer, static_cast<std::size_t>(count));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        return { false, {}, "still running after " + std::to_string(timeLimitSeconds) + " s" };
    if (WIFSIGNALED(status))
        return { false, {}, std::string("stopped by ") + ::strsignal(WTERMSIG(status)) };
    if (!WIFEXITED(status) || received.empty())
        return { false, {}, "the child process ended without a report" };
    if (received.front() == '!')
        return { false, {}, received.substr(1) };
    return { true, received.substr(1), {} };
}

} // namespace Hardening
