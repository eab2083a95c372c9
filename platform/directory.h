#pragma once

#include "platform/fileerror.h"
#include "platform/files.h"

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Platform {

/// Why a file below a directory was refused by Directory::openBeneath.
class ConfinementError : public FileError
{
public:
    enum class Reason {
        LeadsOutside, ///< the name, or a link on the way, leads out of the directory
        NotAFile ///< a directory, a named pipe, a device or a socket
    };
    ConfinementError(Reason reason, const std::string &message);
    Reason reason() const { return m_reason; }

private:
    Reason m_reason;
};

/// An open directory. Files are read and written by their names below it, so that nothing
/// can redirect them once the directory is open: renaming the directory or putting a link
/// in its place afterwards changes nothing for the files opened through it. Names are
/// Windows-1252, like paths. Failures throw FileError.
class Directory
{
public:
    /// Opens the directory at `path` (links on the way are followed: the path is the user's
    /// choice). Throws FileError with the errno text ("File not found").
    explicit Directory(const std::string &path);
    Directory(Directory &&other) noexcept;
    Directory &operator=(Directory &&other) noexcept;
    Directory(const Directory &) = delete;
    Directory &operator=(const Directory &) = delete;
    ~Directory();

    /// The path the directory was reached by, for messages.
    const std::string &path() const { return m_path; }

    /// True when the current user owns the directory.
    bool ownedByCurrentUser() const;

    /// Makes the directory `name` inside with `permissions` (less the umask); returns the
    /// errno of a failure, 0 on success.
    int makeDirectory(const std::string &name, mode_t permissions = 0755) const;
    /// Makes a new directory named `prefix` and six random letters and digits inside; returns
    /// its name. Throws FileError.
    std::string makeUniqueDirectory(const std::string &prefix) const;
    /// Opens the directory `name` right inside; a link in its place is refused, never followed.
    Directory openDirectory(const std::string &name) const;

    /// Creates the file `name` for writing with `permissions` (less the umask). A file of that
    /// name already here is emptied and written again; a link, a directory or anything else
    /// that is not a plain file is refused and left alone.
    File createFile(const std::string &name, mode_t permissions = 0644) const;
    /// Creates the file `name` for writing with `permissions` (less the umask) only when
    /// nothing of that name is there yet; returns nothing when something is. Throws FileError.
    std::optional<File> createNewFile(const std::string &name, mode_t permissions = 0644) const;
    /// Opens the existing plain file `name` for appending; a link is refused.
    File openForAppend(const std::string &name) const;
    /// Opens for reading the plain file at `relativePath` below this directory. Links on the
    /// way are followed while they stay below it; anything leading out of it throws
    /// ConfinementError (LeadsOutside), and so does a path that is not plain file
    /// (NotAFile), without opening it. A missing file is "File not found".
    File openBeneath(const std::string &relativePath) const;

    /// True when `name` right inside is a directory itself (a link to one is not).
    bool holdsDirectory(const std::string &name) const;
    /// Swaps the entries `first` and `second` right inside, in one step where the file system
    /// can; elsewhere `second` is moved aside under a unique name first. Throws FileError.
    void exchange(const std::string &first, const std::string &second) const;
    /// Removes the entry `name` right inside with everything below it, never following a link
    /// out of it. Returns false when something could not be removed.
    bool removeTree(const std::string &name) const;

    /// The names right inside, without "." and "..", in no particular order; names that
    /// Windows-1252 cannot hold are left out. Throws FileError.
    std::vector<std::string> names() const;
    /// The entries right inside as names() finds them, each with its kind (a link is a link,
    /// never what it leads to). Throws FileError.
    std::vector<DirectoryEntry> entries() const;
    /// Takes the directory's advisory lock for as long as this object stays open (or until
    /// unlock()), waiting for another holder to let go when `wait`. Returns false when the
    /// lock is held elsewhere or the file system has none.
    bool lock(bool wait) const;
    /// Lets go of the lock taken with lock().
    void unlock() const;

private:
    Directory(int fd, std::string path);

    int m_fd = -1;
    std::string m_path;
};

} // namespace Platform
