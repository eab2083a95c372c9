#include "platform/cachecleaning.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {
namespace {

constexpr std::int64_t Day = std::int64_t { 24 } * 60 * 60;

std::int64_t lastUseOf(const struct stat &status)
{
    return std::max<std::int64_t>(status.st_atim.tv_sec, status.st_mtim.tv_sec);
}

/// When an entry was last used, in seconds since the epoch: for a file when it was last read
/// or written; for a folder when something in it was last made or renamed (its own
/// modification time), or a file or folder right inside it last read or written. A folder's
/// own access time is left out, since looking through the cache reads it.
std::int64_t lastUse(const std::string &path, const struct stat &status)
{
    if (!S_ISDIR(status.st_mode))
        return lastUseOf(status);
    std::int64_t latest = status.st_mtim.tv_sec;
    std::error_code error;
    for (std::filesystem::directory_iterator inside(path, error), end; !error && inside != end;
         inside.increment(error)) {
        struct stat child
        {
        };
        if (::lstat(inside->path().c_str(), &child) == 0)
            latest = std::max(latest, lastUseOf(child));
    }
    return latest;
}

void removeEntries(
    const std::string &folder, const CacheCleaning &cleaning, std::int64_t now, bool top)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        names.push_back(entry->path().filename().string());
    for (const std::string &name : names) {
        const std::string path = folder + "/" + name;
        struct stat status
        {
        };
        if ((top && name == CacheCleanedStamp) || ::lstat(path.c_str(), &status) != 0)
            continue;
        const auto &nested = cleaning.nestedFolders;
        if (top && S_ISDIR(status.st_mode)
            && std::find(nested.begin(), nested.end(), name) != nested.end()) {
            removeEntries(path, cleaning, now, false);
            continue;
        }
        // A hidden entry is a temporary that a run stopped part-way left behind.
        const bool stale = name.starts_with(".")
            ? now - status.st_mtim.tv_sec > Day
            : now - lastUse(path, status) > cleaning.keepUnused.count();
        if (stale)
            std::filesystem::remove_all(path, error);
    }
}

} // namespace

void cleanCacheFolder(const std::string &folder, const CacheCleaning &cleaning)
{
    const std::string stamp = folder + "/" + CacheCleanedStamp;
    const std::int64_t now = std::time(nullptr);
    struct stat status
    {
    };
    if (::stat(stamp.c_str(), &status) == 0) {
        const std::int64_t since = now - status.st_mtim.tv_sec;
        if (since >= 0 && since < Day)
            return;
    }
    const int noted = ::open(stamp.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (noted < 0)
        return; // no cache yet, or none this user may clean
    ::futimens(noted, nullptr);
    ::close(noted);
    removeEntries(folder, cleaning, now, true);
}

void markCacheEntryUsed(const std::string &path)
{
    ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
}

} // namespace Platform
