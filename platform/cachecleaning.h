#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace Platform {

/// How long a cache keeps what it holds, and how it is laid out.
struct CacheCleaning
{
    /// An entry not used for this long is removed.
    std::chrono::seconds keepUnused = std::chrono::hours(24 * 90);
    /// Folders of the cache whose entries are looked at one by one (its indexes), rather than
    /// taken as one entry.
    std::vector<std::string> nestedFolders {};
};

/// The file in a cache folder whose time says when the folder was last looked through.
inline constexpr const char *CacheCleanedStamp = ".cleaned";

/// Keeps a cache folder (the system's UTF-8 path) from growing without end: removes each
/// entry, a file or a folder, not used for `keepUnused`, and hidden entries (a killed run's
/// temporaries) older than a day. An entry counts as used when it, or a file right inside it,
/// was last read or written: reading a file sets its access time, which the system keeps
/// within a day of the last reading. The folder is looked through at most once a day, so that
/// otherwise this costs one look at its stamp. Never throws: a cache that cannot be cleaned
/// only stays larger.
void cleanCacheFolder(const std::string &folder, const CacheCleaning &cleaning);

/// Notes that a cache entry (a file or a folder) is used now, for file systems that keep no
/// access times.
void markCacheEntryUsed(const std::string &path);

} // namespace Platform
