#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace Upload {

/// The name of the manifest the remote folder keeps of what was last uploaded into it.
inline constexpr const char *ManifestName = ".corvanta-manifest";

/// One file of a site: its SHA-256 (64 lower-case hex digits) and size in bytes.
struct FileDigest
{
    std::string sha256;
    std::uint64_t size = 0;
    bool operator==(const FileDigest &) const = default;
};

/// Files by relative name ("about.html", "files/a b.pdf"; UTF-8, "/" between folders).
using Manifest = std::map<std::string, FileDigest>;

/// The manifest's text: one line per file, "SHA256 SIZE NAME", in name order.
std::string formatManifest(const Manifest &manifest);

/// Reads a manifest's text. A line that is not "SHA256 SIZE NAME" is skipped: its file is
/// then neither deleted nor taken as present, so a damaged manifest costs a resend, never a
/// wrong deletion.
Manifest parseManifest(const std::string &text);

/// The SHA-256 and size of a local file (UTF-8 path). Throws Platform::FileError.
FileDigest digestFile(const std::string &path);

/// The SHA-256 of bytes in memory, as 64 lower-case hex digits.
std::string sha256Hex(const std::string &bytes);

/// Every regular file below a published website folder (UTF-8 path), with its digest. The
/// manifest's own name is left out. Throws Platform::FileError when the folder cannot be read
/// or a name cannot be written in a manifest (a line break in it).
Manifest scanWebsite(const std::string &websiteDir);

} // namespace Upload
