#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct dirent;

namespace Platform {

/// Paths are Windows-1252 text with "/" as separator; they are converted to the system's
/// UTF-8 names only when the file system is asked. Every failure throws FileError.

/// How a failure to open or create a file is worded: by its errno ("File not found",
/// "File access denied") or, for files handled as streams, by name ("Cannot open file %s",
/// "Cannot create file %s").
enum class OpenFailure { ErrnoText, NamedText };

/// An open file; closed on destruction (close() reports the errors of closing).
class File
{
public:
    enum class Mode { Read, CreateTruncate, Append };

    /// Opens `path`. Append requires the file to exist. Only a regular file opens: a directory,
    /// a named pipe or a device is refused as access denied, without waiting on it.
    File(const std::string &path, Mode mode, OpenFailure failure = OpenFailure::ErrnoText);
    File(File &&other) noexcept;
    File &operator=(File &&other) noexcept;
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    ~File();
    /// Takes over an open descriptor of a plain file; `path` names it in messages.
    static File adopt(int fd, std::string path);

    /// Reads up to `size` bytes; 0 at the end of the file.
    std::size_t read(char *buffer, std::size_t size);
    /// Reads until `size` bytes are in or the file ends; returns the count read.
    std::size_t readFully(char *buffer, std::size_t size);
    /// Reads up to `size` bytes from `offset`, leaving the position as it is; 0 at the end.
    std::size_t readAt(char *buffer, std::size_t size, std::uint64_t offset) const;
    /// The file's size now.
    std::uint64_t size() const;
    /// Writes all bytes; a full disk is "Disk full", other failures their errno text.
    void write(std::string_view bytes);
    /// Writes the whole content of `source`, from its start, at this file's position. The
    /// bytes are copied inside the system where it can, without passing through memory here.
    void writeContentsOf(const File &source);
    /// Writes the first `size` bytes of `source` at `offset` of this file, leaving its position
    /// as it is, inside the system where it can. A source that holds fewer bytes by then was cut
    /// short by someone else, which is an error.
    void writeContentsAt(const File &source, std::uint64_t size, std::uint64_t offset);
    /// Where the next write goes.
    std::uint64_t position() const;
    /// Moves where the next write goes; past the end, the bytes between are left to be written.
    void moveTo(std::uint64_t offset);
    /// The same open file under a second descriptor, closed on its own.
    File duplicate() const;
    /// Closes the file, reporting what closing reports.
    void close();

    const std::string &path() const { return m_path; }
    /// The open file's descriptor, for asking the system about the file itself.
    int descriptor() const { return m_fd; }

private:
    File() = default;

    int m_fd = -1;
    std::string m_path;
};

/// Collects small writes into large ones; what it writes goes through File::write.
class BufferedWriter
{
public:
    explicit BufferedWriter(File &file, std::size_t capacity = 1 << 16);
    ~BufferedWriter() = default;
    void write(std::string_view bytes);
    /// Writes the bytes followed by a carriage return and a line feed.
    void writeLine(std::string_view bytes);
    /// Writes the whole content of another file after what is buffered.
    void writeContentsOf(const File &source);
    void flush();

private:
    File &m_file;
    std::string m_buffer;
    std::size_t m_capacity;
};

/// The whole content of a file. `failure` words a failure to open it.
std::string readWholeFile(const std::string &path, OpenFailure failure = OpenFailure::ErrnoText);

/// The whole content of an open file, from its start, into `content`, whose memory is used
/// again when it is large enough; the file's position stays as it is.
void readWholeFile(const File &file, std::string &content);

/// Replaces the file at `path` with `bytes` so that the old file stays whole when anything
/// fails: the bytes go to a new file beside it, which is then renamed over the old one.
/// A file whose owner has no write permission is not replaced ("File access denied").
/// With NamedText, a file that cannot be created is "Cannot create file %s" and an
/// incomplete write "Stream write error"; otherwise the errno texts apply.
void replaceFile(
    const std::string &path, std::string_view bytes, OpenFailure failure = OpenFailure::ErrnoText);

enum class EntryKind { File, Directory, SymbolicLink, Other };

struct DirectoryEntry
{
    std::string name; ///< Windows-1252
    EntryKind kind;
};

/// The entries of a directory, without "." and "..", in no particular order; names that
/// Windows-1252 cannot hold are skipped. A missing directory gives no entries.
std::vector<DirectoryEntry> listDirectory(const std::string &directory);

/// The kind of an entry read from the open directory `directory`: from the listing itself
/// where the file system gives it, else looked up without following a link.
EntryKind entryKindAt(int directory, const ::dirent &entry);

bool pathExists(const std::string &path);
bool isDirectory(const std::string &path);

/// True when the file exists and its owner has no write permission.
bool isReadOnly(const std::string &path);
/// Gives the file's owner write permission back.
void clearReadOnly(const std::string &path);

/// Makes one directory; returns the errno of a failure, 0 on success.
int makeDirectory(const std::string &path);
/// Makes a directory and the directories missing on the way to it; returns the errno of a
/// failure, 0 when the directory is there afterwards (made now or before).
int makeDirectories(const std::string &path);

/// The process's working directory, without a trailing "/" (the root stays "/").
std::string currentDirectory();

/// The part of a path after its last "/".
std::string fileNameOf(const std::string &path);
/// The path of the file named `name` in the same directory as `path` (the part of `path`
/// after its last "/" replaced by `name`).
std::string siblingPath(const std::string &path, const std::string &name);

/// A path read by its names alone, as a web server reads an address and as the system reads a
/// path when no link is followed: its parts between "/" with the empty and "." parts dropped
/// and each ".." taking away the part before it ("a/./b/../c" is "a" and "c").
struct FoldedPath
{
    std::vector<std::string> parts;
    /// A ".." had no part before it to take away: the path leads above where it starts (at the
    /// root of a full path this is the root itself).
    bool leadsAbove = false;
};
FoldedPath foldPath(std::string_view path);

} // namespace Platform
