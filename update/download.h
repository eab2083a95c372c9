#pragma once

#include <string>

namespace Update {

/// Fetches `address` over HTTP (the system's proxy settings apply) and stores the response
/// body, whatever the status of the response, in the file at `localPath`, replacing it.
/// Returns false when the address cannot be fetched or the transfer breaks off; the file is
/// then untouched, or holds the part of the body that came. Blocks until the transfer ends;
/// libcurl's own time-outs apply. Throws FileError when the local file cannot be created or
/// written ("File access denied", "Disk full").
bool DownloadUrlToFile(const std::string &address, const std::string &localPath);

/// The running program's file name without its directory; the download's user agent.
std::string ProgramFileName();

} // namespace Update
