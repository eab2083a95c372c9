#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Upload {

/// The name of the manifest the remote folder keeps of what was last uploaded into it.
inline constexpr const char *ManifestName = ".corvanta-manifest";

/// The largest remote manifest that is read; a site of ten thousand files needs about 1 MB.
inline constexpr std::uint64_t ManifestSizeLimit = std::uint64_t { 16 } * 1024 * 1024;

/// One file of a site: its SHA-256 (64 lower-case hex digits) and size in bytes. An empty
/// SHA-256 marks a file whose content on the host is not known: a run was about to change it
/// when it stopped, so the next run sends it again, or deletes it when the site no longer has it.
struct FileDigest
{
    std::string sha256;
    std::uint64_t size = 0;
    bool known() const { return !sha256.empty(); }
    bool operator==(const FileDigest &) const = default;
};

/// Files by relative name ("about.html", "files/a b.pdf"; UTF-8, "/" between folders).
using Manifest = std::map<std::string, FileDigest>;

/// The manifest's text: one line per file, "SHA256 SIZE NAME", in name order; a file whose
/// content is not known has "-" for its SHA-256 (which earlier versions skip, so they resend it).
std::string formatManifest(const Manifest &manifest);

/// Reads a manifest's text. A line that is not "SHA256 SIZE NAME" is skipped: its file is
/// then neither deleted nor taken as present, so a damaged manifest costs a resend, never a
/// wrong deletion. So is a last line without its line break (a write cut short). A name that is
/// no safe file name (see nameProblem) is skipped too, with a line for the user in `warnings`.
Manifest parseManifest(const std::string &text, std::vector<std::string> *warnings = nullptr);

/// Why `name` cannot stand for a file of the site on a host, or "" when it can: it must be
/// relative, free of control characters, and each part between "/" must be a real name (not
/// empty, ".", "..", nor starting or ending with a blank). The program's own files on the host
/// (the manifest, the temporaries) are never a site's files.
std::string nameProblem(const std::string &name);

/// A name for messages: control characters written as \xNN.
std::string printableName(const std::string &name);

/// The SHA-256 of bytes in memory, as 64 lower-case hex digits.
std::string sha256Hex(const std::string &bytes);

/// The published website folder, opened once and read through that handle: nothing in it is
/// reached by path again, no link is followed, and the folder itself must be the user's own,
/// so that no one else can swap it for a link to private files. Names are UTF-8, as on disk.
class LocalSite
{
public:
    /// Opens `websiteDir` (UTF-8 path; links above it are followed, being the user's choice).
    /// Throws Platform::FileError when it is missing, a link, or owned by another user.
    explicit LocalSite(const std::string &websiteDir);
    LocalSite(LocalSite &&other) noexcept;
    LocalSite &operator=(LocalSite &&other) = delete;
    LocalSite(const LocalSite &) = delete;
    LocalSite &operator=(const LocalSite &) = delete;
    ~LocalSite();

    /// Every regular file below the folder with its digest; the manifest's own name is left out.
    /// Throws Platform::FileError naming a link found in the folder, or a name a manifest
    /// cannot hold.
    Manifest scan() const;
    /// The same files with their sizes only (no SHA-256), as checked as scan checks them.
    Manifest list() const;
    /// Opens the file `name` below the folder for reading, no link followed; the caller closes
    /// the descriptor. Throws Platform::FileError.
    int open(const std::string &name) const;

    const std::string &path() const { return m_path; }

private:
    void scanFolder(int fd, const std::string &prefix, Manifest &manifest, bool hashing) const;

    std::string m_path;
    int m_fd = -1;
};

/// The files of a published website folder (UTF-8 path), as LocalSite::scan reads them.
Manifest scanWebsite(const std::string &websiteDir);

} // namespace Upload
