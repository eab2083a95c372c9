#include "platform/filegroup.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {
namespace {

constexpr std::string_view JournalHeader = "corvanta save journal\n";
constexpr std::string_view JournalTrailer = "end\n";
constexpr std::size_t RandomPartLength = 6;

std::string directoryOf(const std::string &native)
{
    const auto slash = native.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : native.substr(0, slash);
}

std::string baseNameOf(const std::string &native)
{
    const auto slash = native.rfind('/');
    return slash == std::string::npos ? native : native.substr(slash + 1);
}

std::string absolute(const std::string &native)
{
    if (!native.empty() && native.front() == '/')
        return native;
    std::string buffer(PATH_MAX, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return native;
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return (buffer == "/" ? "" : buffer) + "/" + native;
}

/// The file a path finally names after its symbolic links; a dangling link names the file
/// it would create.
std::string throughLinks(std::string native)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info
        {
        };
        if (::lstat(native.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return native;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(native.c_str(), target.data(), target.size());
        if (length <= 0)
            return native;
        target.resize(static_cast<std::size_t>(length));
        native = target.front() == '/' ? target : directoryOf(native) + "/" + target;
    }
    return native;
}

std::string targetOf(const std::string &path) { return throughLinks(absolute(nativePath(path))); }

/// The start of the hidden name of a new file for the file named `base`; six random
/// characters follow it. A name near the system's limit of 255 bytes leaves no room for the
/// marks around it and gets a short one instead.
std::string temporaryPrefix(const std::string &base)
{
    return (base.size() <= 240 ? "." + base : std::string(".corvanta-save")) + ".cvsave-";
}

bool isTemporaryNativeName(const std::string &name, const std::string &base)
{
    const std::string prefix = temporaryPrefix(base);
    return name.size() == prefix.size() + RandomPartLength && name.starts_with(prefix);
}

void syncDirectory(const std::string &directory)
{
    // Some file systems cannot sync a directory; the renames are then as safe as they get.
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

/// Writes all bytes and syncs them; 0 or the errno of the failure.
int writeAndSync(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count < 0 ? errno : ENOSPC;
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

/// Makes a new hidden file beside `native`; its name is returned in `temporary`.
int makeTemporary(const std::string &native, std::string &temporary)
{
    temporary = directoryOf(native) + "/" + temporaryPrefix(baseNameOf(native))
        + std::string(RandomPartLength, 'X');
    return ::mkostemp(temporary.data(), O_CLOEXEC);
}

struct Target
{
    const FileReplacement *file = nullptr;
    std::string native; ///< through its links, absolute
    bool exists = false;
    mode_t mode = 0;
    std::string temporary;
};

[[noreturn]] void createFailed(const FileReplacement &file, int errorNumber)
{
    if (file.failure == OpenFailure::NamedText)
        throw FileError("Cannot create file " + file.path);
    throwErrno(errorNumber);
}

[[noreturn]] void writeFailed(const FileReplacement &file, int errorNumber)
{
    if (file.failure == OpenFailure::NamedText)
        throw FileError("Stream write error");
    throwErrno(errorNumber);
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void checkTarget(Target &target)
{
    struct stat info
    {
    };
    target.exists = ::stat(target.native.c_str(), &info) == 0;
    if (target.exists) {
        if (S_ISDIR(info.st_mode))
            createFailed(*target.file, EISDIR);
        if (!S_ISREG(info.st_mode) || (info.st_mode & S_IWUSR) == 0)
            createFailed(*target.file, EACCES);
        // The file is replaced by a rename, which the folder's permissions allow; the file's
        // own must allow it too, as careful editors check: another user's file that this user
        // could not open for writing is not replaced behind their back.
        if (::faccessat(AT_FDCWD, target.native.c_str(), W_OK, AT_EACCESS) != 0
            && (errno == EACCES || errno == EPERM))
            throw FileError(errnoMessage(EACCES) + ": " + target.file->path);
        target.mode = info.st_mode & 07777;
        return;
    }
    if (errno != ENOENT)
        createFailed(*target.file, errno);
    if (::stat(directoryOf(target.native).c_str(), &info) != 0)
        createFailed(*target.file, errno);
    if (!S_ISDIR(info.st_mode))
        createFailed(*target.file, ENOTDIR);
    target.mode = newFileMode();
}

/// Removes the hidden files that an interrupted replacement of these files left.
void removeStaleTemporaries(const std::vector<Target> &targets, const std::string &journal)
{
    std::set<std::string> directories;
    for (const Target &target : targets)
        directories.insert(directoryOf(target.native));
    directories.insert(directoryOf(journal));
    for (const std::string &directory : directories) {
        std::vector<std::string> bases;
        for (const Target &target : targets) {
            if (directoryOf(target.native) == directory)
                bases.push_back(baseNameOf(target.native));
        }
        if (directoryOf(journal) == directory)
            bases.push_back(baseNameOf(journal));
        DIR *handle = ::opendir(directory.c_str());
        if (handle == nullptr)
            continue;
        std::vector<std::string> stale;
        while (const dirent *entry = ::readdir(handle)) {
            const std::string name = entry->d_name;
            for (const std::string &base : bases) {
                if (isTemporaryNativeName(name, base)) {
                    stale.push_back(directory + "/" + name);
                    break;
                }
            }
        }
        ::closedir(handle);
        for (const std::string &path : stale)
            ::unlink(path.c_str());
    }
}

void overwriteInPlace(const std::vector<Target> &targets)
{
    // Every file is opened before any is changed, so that a refusal changes nothing.
    std::vector<int> descriptors;
    std::vector<const Target *> written;
    const auto closeAll = [&] {
        for (const int fd : descriptors)
            ::close(fd);
    };
    for (const Target &target : targets) {
        if (!target.exists && target.file->mayBeLeftOut)
            continue;
        written.push_back(&target);
        const int fd = ::open(target.native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, target.mode);
        if (fd < 0) {
            const int error = errno;
            closeAll();
            createFailed(*target.file, error);
        }
        descriptors.push_back(fd);
    }
    for (std::size_t i = 0; i < written.size(); ++i) {
        int error = ::ftruncate(descriptors[i], 0) == 0 ? 0 : errno;
        if (error == 0)
            error = writeAndSync(descriptors[i], written[i]->file->bytes);
        if (error != 0) {
            closeAll();
            writeFailed(*written[i]->file, error);
        }
    }
    closeAll();
}

std::string journalText(const std::vector<Target> &targets)
{
    std::string text(JournalHeader);
    for (const Target &target : targets) {
        text += target.temporary;
        text += '\0';
        text += target.native;
        text += '\0';
    }
    text += JournalTrailer;
    return text;
}

/// Writes the journal under a hidden name and renames it in, so that a journal is whole or
/// absent. 0 or the errno of the failure.
int writeJournal(const std::string &journal, const std::string &text)
{
    std::string temporary;
    const int fd = makeTemporary(journal, temporary);
    if (fd < 0)
        return errno;
    int error = writeAndSync(fd, text);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), journal.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    syncDirectory(directoryOf(journal));
    return 0;
}

} // namespace

bool isTemporaryNameFor(const std::string &name, const std::string &target)
{
    return isTemporaryNativeName(nativePath(name), nativePath(target));
}

void finishInterruptedReplacement(
    const std::vector<std::string> &paths, const std::string &journalPath)
{
    const std::string journal = absolute(nativePath(journalPath));
    const int fd = ::open(journal.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat info
    {
    };
    std::string text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size < (1 << 20)) {
        text.resize(static_cast<std::size_t>(info.st_size));
        const ssize_t count = ::read(fd, text.data(), text.size());
        text.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    }
    ::close(fd);

    // Only renames onto the files asked about, from hidden names of this program's making
    // beside them, are carried out: a journal cannot move anything else.
    std::set<std::string> allowed;
    for (const std::string &path : paths)
        allowed.insert(targetOf(path));
    std::vector<std::pair<std::string, std::string>> renames;
    std::string_view rest(text);
    bool whole = rest.starts_with(JournalHeader) && rest.ends_with(JournalTrailer);
    if (whole) {
        rest.remove_prefix(JournalHeader.size());
        rest.remove_suffix(JournalTrailer.size());
    }
    while (whole && !rest.empty()) {
        const auto first = rest.find('\0');
        const auto second = first == std::string_view::npos ? first : rest.find('\0', first + 1);
        if (second == std::string_view::npos) {
            whole = false;
            break;
        }
        std::string temporary(rest.substr(0, first));
        std::string target(rest.substr(first + 1, second - first - 1));
        rest.remove_prefix(second + 1);
        if (allowed.count(target) && directoryOf(temporary) == directoryOf(target)
            && isTemporaryNativeName(baseNameOf(temporary), baseNameOf(target)))
            renames.emplace_back(std::move(temporary), std::move(target));
    }
    if (whole) {
        std::set<std::string> directories;
        for (const auto &[temporary, target] : renames) {
            if (::lstat(temporary.c_str(), &info) != 0)
                continue; // renamed before the stop
            if (::rename(temporary.c_str(), target.c_str()) != 0)
                throwErrno(errno);
            directories.insert(directoryOf(target));
        }
        for (const std::string &directory : directories)
            syncDirectory(directory);
    }
    ::unlink(journal.c_str());
    syncDirectory(directoryOf(journal));
}

void replaceFileThroughLinks(const std::string &path, std::string_view bytes)
{
    const FileReplacement file { path, bytes };
    Target target;
    target.file = &file;
    target.native = targetOf(path);
    checkTarget(target);
    const int fd = makeTemporary(target.native, target.temporary);
    if (fd < 0)
        createFailed(file, errno);
    ::fchmod(fd, target.mode);
    int error = writeAndSync(fd, bytes);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(target.temporary.c_str(), target.native.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(target.temporary.c_str());
        throwErrno(error);
    }
    syncDirectory(directoryOf(target.native));
}

void replaceFileGroup(const std::vector<FileReplacement> &files, const std::string &journalPath)
{
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const FileReplacement &file : files)
        paths.push_back(file.path);
    finishInterruptedReplacement(paths, journalPath);

    const std::string journal = absolute(nativePath(journalPath));
    std::vector<Target> targets;
    targets.reserve(files.size());
    for (const FileReplacement &file : files) {
        Target target;
        target.file = &file;
        target.native = targetOf(file.path);
        checkTarget(target);
        targets.push_back(std::move(target));
    }
    removeStaleTemporaries(targets, journal);

    const auto discard = [&] {
        for (Target &target : targets) {
            if (!target.temporary.empty())
                ::unlink(target.temporary.c_str());
            target.temporary.clear();
        }
    };
    for (Target &target : targets) {
        std::string temporary;
        const int fd = makeTemporary(target.native, temporary);
        if (fd < 0) {
            const int error = errno;
            discard();
            if (error == EACCES || error == EPERM) {
                overwriteInPlace(targets);
                return;
            }
            createFailed(*target.file, error);
        }
        target.temporary = temporary;
        ::fchmod(fd, target.mode);
        int error = writeAndSync(fd, target.file->bytes);
        if (::close(fd) != 0 && error == 0)
            error = errno;
        if (error != 0) {
            discard();
            writeFailed(*target.file, error);
        }
    }

    if (const int error = writeJournal(journal, journalText(targets)); error != 0) {
        discard();
        throwErrno(error);
    }
    std::set<std::string> directories;
    for (const Target &target : targets) {
        // A failure here leaves the journal, and the next open or save finishes the renames.
        if (::rename(target.temporary.c_str(), target.native.c_str()) != 0)
            createFailed(*target.file, errno);
        directories.insert(directoryOf(target.native));
    }
    for (const std::string &directory : directories)
        syncDirectory(directory);
    ::unlink(journal.c_str());
    syncDirectory(directoryOf(journal));
}

} // namespace Platform
