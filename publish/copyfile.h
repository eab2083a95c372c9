#pragma once

#include <string>

namespace Publish {

/// Copies a file's bytes block by block (4096 bytes at a time) into a file created or
/// truncated at `targetPath`; dates and permissions are not carried over. The source is
/// opened before the target is touched, so a missing source leaves no empty target.
/// Throws FileError ("File not found", "File access denied", "Disk full", ...).
void CopyFileContents(const std::string &sourcePath, const std::string &targetPath);

} // namespace Publish
