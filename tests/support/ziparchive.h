#pragma once

#include <string>
#include <vector>

namespace Testing {

/// One entry of a test archive: a file with its bytes, a folder (name ending in "/"), or a
/// symbolic link to `bytes`.
struct ZipEntry
{
    enum class Kind { File, Folder, Link };
    std::string name;
    std::string bytes;
    Kind kind = Kind::File;
};

/// Writes a .zip archive with libarchive's writer, entry names exactly as given (absolute
/// and ".." names included); fails the test when it cannot.
void writeZip(const std::string &path, const std::vector<ZipEntry> &entries);

} // namespace Testing
