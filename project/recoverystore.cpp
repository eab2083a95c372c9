#include "project/recoverystore.h"

#include "platform/fileerror.h"
#include "platform/userfolders.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace Model {
namespace {

constexpr const char *SnapshotSuffix = ".snapshot";

std::string recoveryDirectory()
{
    const std::optional<std::string> state = Platform::userFolder(Platform::UserFolder::State);
    return state ? *state + "/corvanta/recovery" : std::string();
}

/// Writes a snapshot whole or not at all: into a new file (0600) beside it, synced, then
/// renamed over it. Throws FileError.
void writeSnapshot(const std::string &directory, const std::string &path, std::string_view bytes)
{
    // Only the user may enter the folder, so nobody else can read a snapshot or put anything
    // in its place.
    Platform::makePrivateFolder(directory);
    std::string temporary = path + ".new-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        Platform::throwErrno(errno);
    int error = ::fchmod(fd, 0600) == 0 ? 0 : errno;
    while (error == 0 && !bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            error = count < 0 ? errno : ENOSPC;
        else
            bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        Platform::throwErrno(error);
    }
}

/// The process id in a snapshot's name ("1234.snapshot"), or 0.
int processOf(const std::string &name)
{
    const std::string suffix = SnapshotSuffix;
    if (name.size() <= suffix.size() || !name.ends_with(suffix))
        return 0;
    int pid = 0;
    for (const char digit : name.substr(0, name.size() - suffix.size())) {
        if (digit < '0' || digit > '9' || pid > 100000000)
            return 0;
        pid = pid * 10 + (digit - '0');
    }
    return pid;
}

} // namespace

RecoveryStore::RecoveryStore(int pid)
    : m_directory(recoveryDirectory())
    , m_path(m_directory.empty() ? std::string()
                                 : m_directory + "/" + std::to_string(pid) + SnapshotSuffix)
    , m_writer([this] { writerLoop(); })
{ }

RecoveryStore::~RecoveryStore()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_writer.join();
}

std::optional<std::string> RecoveryStore::leftSnapshot() const
{
    if (!available())
        return std::nullopt;
    DIR *handle = ::opendir(m_directory.c_str());
    if (handle == nullptr)
        return std::nullopt;
    std::optional<std::string> newest;
    struct timespec newestTime
    {
    };
    while (const dirent *entry = ::readdir(handle)) {
        const std::string path = m_directory + "/" + entry->d_name;
        const int pid = processOf(entry->d_name);
        // A snapshot of a program that still runs is that program's own.
        if (pid == 0 || path == m_path || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        struct stat info
        {
        };
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        if (!newest || info.st_mtim.tv_sec > newestTime.tv_sec
            || (info.st_mtim.tv_sec == newestTime.tv_sec
                && info.st_mtim.tv_nsec > newestTime.tv_nsec)) {
            newest = path;
            newestTime = info.st_mtim;
        }
    }
    ::closedir(handle);
    return newest;
}

void RecoveryStore::write(std::function<std::string()> makeBytes)
{
    if (!available())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_pending = std::move(makeBytes);
    }
    m_changed.notify_all();
}

void RecoveryStore::write(std::string bytes)
{
    write([bytes = std::move(bytes)] { return bytes; });
}

void RecoveryStore::flush()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_pending && !m_busy; });
}

void RecoveryStore::remove()
{
    std::unique_lock lock(m_mutex);
    m_pending = nullptr;
    m_changed.wait(lock, [this] { return !m_busy; });
    if (!m_lastWritten.empty())
        ::unlink(m_path.c_str());
    m_lastWritten.clear();
}

void RecoveryStore::writerLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || m_pending; });
        if (!m_pending)
            return;
        const std::function<std::string()> makeBytes = std::exchange(m_pending, nullptr);
        m_busy = true;
        lock.unlock();
        // Only this thread changes the last bytes written while it is busy.
        std::string bytes;
        try {
            bytes = makeBytes();
            if (bytes != m_lastWritten)
                writeSnapshot(m_directory, m_path, bytes);
        } catch (const std::exception &) {
            // No snapshot this time; the next change tries again.
            bytes.clear();
        }
        lock.lock();
        m_lastWritten = std::move(bytes);
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace Model
