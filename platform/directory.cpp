#include "platform/directory.h"

#include "platform/encoding.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Platform {
namespace {

/// Links followed on the way to one file before it counts as a loop, as the system counts.
constexpr int MostLinksFollowed = 40;

/// A descriptor closed when it goes.
class OwnedDescriptor
{
public:
    explicit OwnedDescriptor(int fd)
        : m_fd(fd)
    { }
    OwnedDescriptor(OwnedDescriptor &&other) noexcept
        : m_fd(other.m_fd)
    {
        other.m_fd = -1;
    }
    OwnedDescriptor(const OwnedDescriptor &) = delete;
    OwnedDescriptor &operator=(const OwnedDescriptor &) = delete;
    OwnedDescriptor &operator=(OwnedDescriptor &&) = delete;
    ~OwnedDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

[[noreturn]] void throwLinkInPlace(const std::string &name)
{
    throw FileError("Cannot write \"" + name
        + "\": a link is in its place, and links are "
          "not followed here");
}

[[noreturn]] void throwNotAFile(const std::string &name)
{
    throw ConfinementError(ConfinementError::Reason::NotAFile, "\"" + name + "\" is not a file");
}

[[noreturn]] void throwLeadsOutside(const std::string &name, const std::string &directory)
{
    throw ConfinementError(
        ConfinementError::Reason::LeadsOutside, "\"" + name + "\" leads outside " + directory);
}

/// The target of the link `name` in `directory`; false when it is no link.
bool readLinkAt(int directory, const std::string &name, std::string &target)
{
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(directory, name.c_str(), buffer.data(), buffer.size());
    if (length < 0)
        return false;
    buffer.resize(static_cast<std::size_t>(length));
    target = std::move(buffer);
    return true;
}

/// The parts of a path between its slashes, empty parts left out.
std::deque<std::string> partsOf(const std::string &path)
{
    std::deque<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

/// Removes everything inside the open directory `fd`, never following a link.
bool removeContents(int fd)
{
    const int listing = ::dup(fd);
    if (listing < 0)
        return false;
    DIR *handle = ::fdopendir(listing);
    if (handle == nullptr) {
        ::close(listing);
        return false;
    }
    std::vector<std::string> names;
    while (const dirent *entry = ::readdir(handle)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(handle);
    bool removed = true;
    for (const std::string &name : names) {
        if (::unlinkat(fd, name.c_str(), 0) == 0)
            continue;
        if (errno != EISDIR && errno != EPERM) {
            removed = false;
            continue;
        }
        OwnedDescriptor inner(
            ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        removed = inner.get() >= 0 && removeContents(inner.get()) && removed;
        removed = ::unlinkat(fd, name.c_str(), AT_REMOVEDIR) == 0 && removed;
    }
    return removed;
}

/// A link's target that is a full path, as a path below the directory `fd`, whose full path
/// `ownPath` is found the first time one is needed. A target anywhere else leads outside.
std::string targetBelow(const std::string &target, int fd, std::string &ownPath,
    const std::string &relativePath, const std::string &directory)
{
    if (ownPath.empty()) {
        const std::string descriptorLink = "/proc/self/fd/" + std::to_string(fd);
        if (!readLinkAt(AT_FDCWD, descriptorLink, ownPath))
            throwLeadsOutside(relativePath, directory);
    }
    const std::string prefix = ownPath == "/" ? "/" : ownPath + "/";
    if (target != ownPath && !target.starts_with(prefix))
        throwLeadsOutside(relativePath, directory);
    return target.size() > prefix.size() ? target.substr(prefix.size()) : "";
}

/// Opens `name` in the directory `fd` for reading when it is a plain file, as `info` found it
/// and as it still is once open; a pipe then cannot hold the run and a device is never touched.
/// `path` is the file as messages name it.
File openPlainFileAt(int fd, const std::string &name, const struct stat &info,
    const std::string &relativePath, const std::string &path)
{
    if (!S_ISREG(info.st_mode))
        throwNotAFile(relativePath);
    const int file = ::openat(fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        throwErrno(errno == ELOOP ? EACCES : errno);
    OwnedDescriptor owned(file);
    struct stat opened
    {
    };
    if (::fstat(file, &opened) != 0)
        throwErrno(errno);
    if (!S_ISREG(opened.st_mode))
        throwNotAFile(relativePath);
    ::fcntl(file, F_SETFL, ::fcntl(file, F_GETFL) & ~O_NONBLOCK);
    return File::adopt(owned.release(), path);
}

} // namespace

ConfinementError::ConfinementError(Reason reason, const std::string &message)
    : FileError(message)
    , m_reason(reason)
{ }

Directory::Directory(const std::string &path)
    : m_path(path)
{
    m_fd = ::open(nativePath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        throwErrno(errno);
}

Directory::Directory(int fd, std::string path)
    : m_fd(fd)
    , m_path(std::move(path))
{ }

Directory::Directory(Directory &&other) noexcept
    : m_fd(other.m_fd)
    , m_path(std::move(other.m_path))
{
    other.m_fd = -1;
}

Directory &Directory::operator=(Directory &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

Directory::~Directory()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Directory::ownedByCurrentUser() const
{
    struct stat info
    {
    };
    return ::fstat(m_fd, &info) == 0 && info.st_uid == ::geteuid();
}

int Directory::makeDirectory(const std::string &name, mode_t permissions) const
{
    return ::mkdirat(m_fd, nativePath(name).c_str(), permissions) == 0 ? 0 : errno;
}

std::string Directory::makeUniqueDirectory(const std::string &prefix) const
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Letters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 6; ++i)
            name += Letters[pick(random)];
        const int error = makeDirectory(name);
        if (error == 0)
            return name;
        if (error != EEXIST)
            throwErrno(error);
    }
    throwErrno(EEXIST);
}

Directory Directory::openDirectory(const std::string &name) const
{
    const int fd
        = ::openat(m_fd, nativePath(name).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            throwLinkInPlace(name);
        throwErrno(errno);
    }
    return Directory(fd, m_path + "/" + name);
}

File Directory::createFile(const std::string &name, mode_t permissions) const
{
    const std::string native = nativePath(name);
    const std::string path = m_path + "/" + name;
    int fd = ::openat(
        m_fd, native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, permissions);
    if (fd >= 0)
        return File::adopt(fd, path);
    if (errno != EEXIST)
        throwErrno(errno);
    // An earlier step of the same run wrote this name: it is written again, but only if it is
    // a plain file, looked at before it is opened and again once it is open.
    struct stat info
    {
    };
    if (::fstatat(m_fd, native.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        throwErrno(errno);
    if (S_ISLNK(info.st_mode))
        throwLinkInPlace(name);
    if (!S_ISREG(info.st_mode))
        throwNotAFile(name);
    fd = ::openat(m_fd, native.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            throwLinkInPlace(name);
        throwErrno(errno);
    }
    OwnedDescriptor owned(fd);
    if (::fstat(fd, &info) != 0)
        throwErrno(errno);
    if (!S_ISREG(info.st_mode))
        throwNotAFile(name);
    if (::ftruncate(fd, 0) != 0)
        throwErrno(errno);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return File::adopt(owned.release(), path);
}

std::optional<File> Directory::createNewFile(const std::string &name, mode_t permissions) const
{
    const int fd = ::openat(m_fd, nativePath(name).c_str(),
        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, permissions);
    if (fd >= 0)
        return File::adopt(fd, m_path + "/" + name);
    if (errno == EEXIST)
        return std::nullopt;
    throwErrno(errno);
}

File Directory::openForAppend(const std::string &name) const
{
    const int fd = ::openat(
        m_fd, nativePath(name).c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            throwLinkInPlace(name);
        throwErrno(errno == ENXIO ? EACCES : errno);
    }
    OwnedDescriptor owned(fd);
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        throwErrno(errno);
    if (!S_ISREG(info.st_mode))
        throwNotAFile(name);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return File::adopt(owned.release(), m_path + "/" + name);
}

File Directory::openBeneath(const std::string &relativePath) const
{
    const std::string native = nativePath(relativePath);
    if (native.empty())
        throwErrno(ENOENT);
    if (native.front() == '/')
        throwLeadsOutside(relativePath, m_path);

    // The path is walked one name at a time from this directory, each name opened below the
    // one before without following links; a link's target is put in front of the rest of
    // the path and walked the same way. The directories passed through are kept open, so
    // ".." goes back to the one actually passed, and never above this one.
    std::vector<OwnedDescriptor> passed;
    const auto current = [&] { return passed.empty() ? m_fd : passed.back().get(); };
    std::deque<std::string> rest = partsOf(native);
    std::string ownPath; // this directory's full path, asked for only by a link that names one
    int linksFollowed = 0;
    while (!rest.empty()) {
        const std::string part = std::move(rest.front());
        rest.pop_front();
        if (part == ".")
            continue;
        if (part == "..") {
            if (passed.empty())
                throwLeadsOutside(relativePath, m_path);
            passed.pop_back();
            continue;
        }
        struct stat info
        {
        };
        if (::fstatat(current(), part.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            throwErrno(errno);
        if (S_ISLNK(info.st_mode)) {
            std::string target;
            if (!readLinkAt(current(), part, target))
                throwErrno(errno);
            if (++linksFollowed > MostLinksFollowed)
                throwErrno(ELOOP);
            if (!target.empty() && target.front() == '/') {
                // A full path counts when it names a place below this directory.
                target = targetBelow(target, m_fd, ownPath, relativePath, m_path);
                passed.clear();
            }
            std::deque<std::string> targetParts = partsOf(target);
            rest.insert(rest.begin(), targetParts.begin(), targetParts.end());
            continue;
        }
        if (!rest.empty()) {
            const int fd
                = ::openat(current(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0)
                throwErrno(errno);
            passed.emplace_back(fd);
            continue;
        }
        // The last name: only a plain file is opened at all.
        return openPlainFileAt(current(), part, info, relativePath, m_path + "/" + relativePath);
    }
    // The path ended on this directory or one below it.
    throwNotAFile(relativePath);
}

bool Directory::holdsDirectory(const std::string &name) const
{
    struct stat info
    {
    };
    return ::fstatat(m_fd, nativePath(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISDIR(info.st_mode);
}

void Directory::exchange(const std::string &first, const std::string &second) const
{
    const std::string firstNative = nativePath(first);
    const std::string secondNative = nativePath(second);
    if (::renameat2(m_fd, firstNative.c_str(), m_fd, secondNative.c_str(), RENAME_EXCHANGE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        throwErrno(errno);
    // No swap in one step here: three renames, each undone when a later one fails.
    const std::string aside = makeUniqueDirectory(".corvanta-swap-");
    if (::renameat2(m_fd, secondNative.c_str(), m_fd, aside.c_str(), 0) != 0) {
        const int error = errno;
        ::unlinkat(m_fd, aside.c_str(), AT_REMOVEDIR);
        throwErrno(error);
    }
    if (::renameat(m_fd, firstNative.c_str(), m_fd, secondNative.c_str()) != 0) {
        const int error = errno;
        ::renameat(m_fd, aside.c_str(), m_fd, secondNative.c_str());
        throwErrno(error);
    }
    if (::renameat(m_fd, aside.c_str(), m_fd, firstNative.c_str()) != 0)
        throwErrno(errno);
}

bool Directory::removeTree(const std::string &name) const
{
    const std::string native = nativePath(name);
    if (::unlinkat(m_fd, native.c_str(), 0) == 0)
        return true;
    if (errno == ENOENT)
        return true;
    OwnedDescriptor inner(
        ::openat(m_fd, native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (inner.get() < 0)
        return false;
    const bool contentsRemoved = removeContents(inner.get());
    return ::unlinkat(m_fd, native.c_str(), AT_REMOVEDIR) == 0 && contentsRemoved;
}

std::vector<std::string> Directory::names() const
{
    std::vector<std::string> found;
    for (DirectoryEntry &entry : entries())
        found.push_back(std::move(entry.name));
    return found;
}

std::vector<DirectoryEntry> Directory::entries() const
{
    // A description of its own, so the listing starts at the first entry.
    const int listing = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *handle = listing < 0 ? nullptr : ::fdopendir(listing);
    if (handle == nullptr) {
        const int error = errno;
        if (listing >= 0)
            ::close(listing);
        throwErrno(error);
    }
    std::vector<DirectoryEntry> found;
    while (const dirent *entry = ::readdir(handle)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (auto converted = utf8ToCp1252Exact(name))
            found.push_back({ std::move(*converted), entryKindAt(m_fd, *entry) });
    }
    ::closedir(handle);
    return found;
}

bool Directory::lock(bool wait) const
{
    for (;;) {
        if (::flock(m_fd, LOCK_EX | (wait ? 0 : LOCK_NB)) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

void Directory::unlock() const { ::flock(m_fd, LOCK_UN); }

} // namespace Platform
