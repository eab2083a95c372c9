#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>

namespace Update {

/// When a download gives up: past `total`, when less than `lowSpeedBytes` a second arrive
/// for `lowSpeedTime`, or when the body grows past `maxBytes`.
struct DownloadLimits
{
    std::chrono::milliseconds total { 30000 };
    long lowSpeedBytes = 100;
    std::chrono::seconds lowSpeedTime { 10 };
    std::size_t maxBytes = std::size_t { 64 } * 1024;
};

/// Fetches `address` over HTTP (the system's proxy settings apply) and, once the whole body
/// has come, whatever the status of the response, replaces the file at `localPath` with it
/// (written beside it and renamed in). Returns false when the address cannot be fetched, the
/// transfer breaks off, a limit is passed or `cancel` becomes true (checked ten times a
/// second); the file is then untouched. Throws FileError when the local file cannot be
/// written ("File access denied", "Disk full").
bool DownloadUrlToFile(const std::string &address, const std::string &localPath,
    const std::atomic<bool> *cancel = nullptr, const DownloadLimits &limits = {});

/// The running program's file name without its directory; the download's user agent.
std::string ProgramFileName();

} // namespace Update
