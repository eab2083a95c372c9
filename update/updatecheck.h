#pragma once

#include "update/download.h"

#include <optional>
#include <string>
#include <string_view>

namespace Update {

/// The update information file: its name on the server and in the cache directory.
inline constexpr const char *UpdateFileName = "updatecv.ini";

inline constexpr const char *DownloadFailedText = "Error in file download!";
inline constexpr const char *NewerVersionText = "There is a newer version available.";
inline constexpr const char *UpToDateText = "You already have the latest version.";

/// "<directory>/updatecv.ini", where each check keeps the copy it fetched.
std::string UpdateFilePath(const std::string &directory);

/// The user's cache directory for the program, made when missing: "corvanta" in the user's
/// cache folder (Platform::userFolder), as a program path. Throws FileError when there is no
/// such folder or it cannot be made.
std::string UpdateCacheDirectory();

/// The folder an update file address lies in: the address up to and including its last "/".
std::string UpdateFolderOf(const std::string &fileAddress);

/// "Preparing to get update from <folder>...", the status before the first check.
std::string PreparingText(const std::string &fileAddress);

/// The latest version text in a fetched update file: its first line, up to the first carriage
/// return or Ctrl-Z (a lone line feed belongs to it). Reads nothing after that line. Throws
/// FileError when the file cannot be opened or read.
std::string ReadLatestVersion(const std::string &path);

/// The versions are not ordered: any text but the current version itself, an older or a
/// malformed one included, counts as newer.
bool IsNewerVersion(std::string_view latestVersion, std::string_view currentVersion);

struct UpdateReport
{
    std::string latestVersion;
    bool newerAvailable = false;
    /// NewerVersionText or UpToDateText.
    const char *statusText() const { return newerAvailable ? NewerVersionText : UpToDateText; }
};

/// Fetches the update file at `fileAddress` into `localPath`, replacing the previous copy only
/// once it came whole, and compares its first line with `currentVersion`. Nothing when the
/// download failed, passed a limit or was cancelled. Throws FileError when the local copy
/// cannot be written or read.
std::optional<UpdateReport> CheckForUpdate(const std::string &fileAddress,
    const std::string &localPath, std::string_view currentVersion,
    const std::atomic<bool> *cancel = nullptr, const DownloadLimits &limits = {});

} // namespace Update
