#include "platform/files.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {
namespace {

// Past a file size limit (ulimit -f) the system stops the program with SIGXFSZ, and the
// unsaved project goes with it. Ignored, the write that crosses the limit fails with EFBIG
// and the command ends with its message ("I/O error 27"), like any other file error. Every
// program that writes files links this file, so the rule holds from start-up on.
[[maybe_unused]] const bool fileSizeLimitIsAnError = [] {
    std::signal(SIGXFSZ, SIG_IGN);
    return true;
}();

[[noreturn]] void throwOpenFailure(
    int errorNumber, const std::string &path, File::Mode mode, OpenFailure failure)
{
    if (failure == OpenFailure::NamedText) {
        throw FileError(
            (mode == File::Mode::Read ? "Cannot open file " : "Cannot create file ") + path);
    }
    throwErrno(errorNumber);
}

int openFlags(File::Mode mode)
{
    switch (mode) {
    case File::Mode::Read:
        return O_RDONLY;
    case File::Mode::CreateTruncate:
        return O_WRONLY | O_CREAT | O_TRUNC;
    case File::Mode::Append:
        return O_WRONLY | O_APPEND;
    }
    return O_RDONLY;
}

/// Asks for large memory pages under a big buffer that is about to be filled: a page body of
/// megabytes then takes a few hundred page faults instead of thousands.
void adviseLargePages(char *buffer, std::size_t size)
{
    constexpr std::uintptr_t LargePage = 2 << 20;
    if (size < 2 * LargePage)
        return;
    const auto start
        = (reinterpret_cast<std::uintptr_t>(buffer) + LargePage - 1) & ~(LargePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(buffer) + size) & ~(LargePage - 1);
    // Addresses inside the buffer, rounded to whole large pages.
    if (end > start) {
        ::madvise(reinterpret_cast<void *>(start), // NOLINT(performance-no-int-to-ptr)
            end - start, MADV_HUGEPAGE);
    }
}

/// Whether copy_file_range failed only because it cannot copy between the two files (other
/// file systems, or a kind of file it does not take), so that a copy through a buffer will do.
bool copyingBetweenUnsupported(int error)
{
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
}

} // namespace

File::File(const std::string &path, Mode mode, OpenFailure failure)
    : m_path(path)
{
    const std::string native = nativePath(path);
    // Opened without waiting: a named pipe would otherwise hold the command (and the window)
    // until some other program opened its other end.
    m_fd = ::open(native.c_str(), openFlags(mode) | O_CLOEXEC | O_NONBLOCK, 0666);
    if (m_fd < 0)
        throwOpenFailure(errno == ENXIO ? EACCES : errno, path, mode, failure);
    // Only regular files are project files, templates, pictures or pages. A pipe or a device
    // would wait for data or give it without end ("/dev/zero" as a logo or a page file).
    struct stat info
    {
    };
    int refusal = 0;
    if (::fstat(m_fd, &info) != 0)
        refusal = errno;
    else if (S_ISDIR(info.st_mode))
        refusal = EISDIR;
    else if (!S_ISREG(info.st_mode))
        refusal = EACCES;
    if (refusal != 0) {
        ::close(m_fd);
        m_fd = -1;
        throwOpenFailure(refusal, path, mode, failure);
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
}

File File::adopt(int fd, std::string path)
{
    File file;
    file.m_fd = fd;
    file.m_path = std::move(path);
    return file;
}

File::File(File &&other) noexcept
    : m_fd(other.m_fd)
    , m_path(std::move(other.m_path))
{
    other.m_fd = -1;
}

File &File::operator=(File &&other) noexcept
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

File::~File()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::size_t File::read(char *buffer, std::size_t size)
{
    for (;;) {
        const ssize_t count = ::read(m_fd, buffer, size);
        if (count >= 0)
            return static_cast<std::size_t>(count);
        if (errno != EINTR)
            throwErrno(errno);
    }
}

std::size_t File::readFully(char *buffer, std::size_t size)
{
    std::size_t total = 0;
    while (total < size) {
        const std::size_t count = read(buffer + total, size - total);
        if (count == 0)
            break;
        total += count;
    }
    return total;
}

std::size_t File::readAt(char *buffer, std::size_t size, std::uint64_t offset) const
{
    for (;;) {
        const ssize_t count = ::pread(m_fd, buffer, size, static_cast<off_t>(offset));
        if (count >= 0)
            return static_cast<std::size_t>(count);
        if (errno != EINTR)
            throwErrno(errno);
    }
}

std::uint64_t File::size() const
{
    struct stat info
    {
    };
    if (::fstat(m_fd, &info) != 0)
        throwErrno(errno);
    return static_cast<std::uint64_t>(info.st_size);
}

void File::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = ::write(m_fd, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            throwErrno(errno);
        }
        if (count == 0)
            throwErrno(ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
}

void File::writeContentsOf(const File &source)
{
    loff_t offset = 0;
    for (;;) {
        const ssize_t count
            = ::copy_file_range(source.m_fd, &offset, m_fd, nullptr, std::size_t(1) << 30, 0);
        if (count == 0)
            return;
        if (count > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (!copyingBetweenUnsupported(errno))
            throwErrno(errno);
        break; // copy through a buffer from where it stopped
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count = ::pread(source.m_fd, buffer, sizeof buffer, offset);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throwErrno(errno);
        if (count == 0)
            return;
        write(std::string_view(buffer, static_cast<std::size_t>(count)));
        offset += count;
    }
}

namespace {

/// Writes all of `bytes` at `offset` of the file open as `fd`.
void writeAllAt(int fd, std::string_view bytes, off_t offset)
{
    while (!bytes.empty()) {
        const ssize_t count = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throwErrno(errno);
        if (count == 0)
            throwErrno(ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(count));
        offset += count;
    }
}

[[noreturn]] void throwCutShort(const std::string &path)
{
    throw FileError("The file " + path + " was cut short while it was copied.");
}

} // namespace

void File::writeContentsAt(const File &source, std::uint64_t size, std::uint64_t offset)
{
    loff_t from = 0;
    auto to = static_cast<loff_t>(offset);
    while (size > 0) {
        const ssize_t count = ::copy_file_range(source.m_fd, &from, m_fd, &to, size, 0);
        if (count > 0) {
            size -= static_cast<std::uint64_t>(count);
            continue;
        }
        if (count == 0)
            throwCutShort(source.path());
        if (errno == EINTR)
            continue;
        if (!copyingBetweenUnsupported(errno))
            throwErrno(errno);
        break; // copy through a buffer from where it stopped
    }
    char buffer[1 << 16];
    while (size > 0) {
        const ssize_t count
            = ::pread(source.m_fd, buffer, std::min<std::uint64_t>(size, sizeof buffer), from);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throwErrno(errno);
        if (count == 0)
            throwCutShort(source.path());
        writeAllAt(m_fd, std::string_view(buffer, static_cast<std::size_t>(count)), to);
        from += count;
        to += count;
        size -= static_cast<std::uint64_t>(count);
    }
}

std::uint64_t File::position() const
{
    const off_t at = ::lseek(m_fd, 0, SEEK_CUR);
    if (at < 0)
        throwErrno(errno);
    return static_cast<std::uint64_t>(at);
}

void File::moveTo(std::uint64_t offset)
{
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0)
        throwErrno(errno);
}

File File::duplicate() const
{
    const int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        throwErrno(errno);
    return adopt(fd, m_path);
}

void File::close()
{
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        throwErrno(errno);
}

BufferedWriter::BufferedWriter(File &file, std::size_t capacity)
    : m_file(file)
    , m_capacity(capacity)
{
    m_buffer.reserve(capacity);
}

void BufferedWriter::write(std::string_view bytes)
{
    if (m_buffer.size() + bytes.size() > m_capacity) {
        flush();
        if (bytes.size() >= m_capacity) {
            m_file.write(bytes);
            return;
        }
    }
    m_buffer.append(bytes);
}

void BufferedWriter::writeLine(std::string_view bytes)
{
    write(bytes);
    write("\r\n");
}

void BufferedWriter::writeContentsOf(const File &source)
{
    flush();
    m_file.writeContentsOf(source);
}

void BufferedWriter::flush()
{
    if (m_buffer.empty())
        return;
    m_file.write(m_buffer);
    m_buffer.clear();
}

std::string readWholeFile(const std::string &path, OpenFailure failure)
{
    File file(path, File::Mode::Read, failure);
    std::string content;
    struct stat info
    {
    };
    if (::stat(nativePath(path).c_str(), &info) == 0 && info.st_size > 0) {
        // Straight into the string: a page body of megabytes is copied once, from the file.
        content.reserve(static_cast<std::size_t>(info.st_size));
        adviseLargePages(content.data(), content.capacity());
        content.resize(static_cast<std::size_t>(info.st_size));
        content.resize(file.readFully(content.data(), content.size()));
    }
    // Whatever the file holds beyond the size it had (it may be growing) comes in blocks.
    char buffer[1 << 16];
    for (;;) {
        const std::size_t count = file.read(buffer, sizeof buffer);
        if (count == 0)
            break;
        content.append(buffer, count);
    }
    file.close();
    return content;
}

void readWholeFile(const File &file, std::string &content)
{
    // The size it has now, and whatever it grew by meanwhile.
    const auto size = static_cast<std::size_t>(file.size());
    if (content.capacity() < size + 1) {
        content = std::string();
        content.reserve(size + 1);
        adviseLargePages(content.data(), content.capacity());
    }
    content.resize(size + 1);
    std::size_t count = 0;
    for (;;) {
        if (count == content.size())
            content.resize(content.size() * 2);
        const std::size_t read = file.readAt(content.data() + count, content.size() - count, count);
        if (read == 0)
            break;
        count += read;
    }
    content.resize(count);
}

void replaceFile(const std::string &path, std::string_view bytes, OpenFailure failure)
{
    const bool named = failure == OpenFailure::NamedText;
    const auto createFailed = [&](int errorNumber) {
        if (named)
            throw FileError("Cannot create file " + path);
        throwErrno(errorNumber);
    };

    const std::string native = nativePath(path);
    struct stat existing
    {
    };
    const bool exists = ::stat(native.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        createFailed(EISDIR);
    if (exists && (existing.st_mode & S_IWUSR) == 0)
        createFailed(EACCES);

    // The new file is written beside the old one under a hidden name that says which file it
    // replaces. A name near the system's limit of 255 bytes leaves no room for the marks
    // around it and gets a short one instead.
    const std::string nativeName = nativePath(fileNameOf(path));
    std::string temporary = nativePath(siblingPath(path, ""))
        + (nativeName.size() <= 240 ? "." + nativeName : std::string(".corvanta-save"))
        + ".cvsave-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        createFailed(errno);

    // A new file gets the permissions an ordinary create would give it; a replaced one keeps
    // its own.
    mode_t mode = 0;
    if (exists) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);

    const auto discard = [&] { ::unlink(temporary.c_str()); };
    std::size_t written = 0;
    int writeError = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            writeError = count < 0 ? errno : ENOSPC;
            break;
        }
        written += static_cast<std::size_t>(count);
    }
    if (writeError == 0 && ::fsync(fd) != 0)
        writeError = errno;
    if (::close(fd) != 0 && writeError == 0)
        writeError = errno;
    if (writeError != 0) {
        discard();
        if (named)
            throw FileError("Stream write error");
        throwErrno(writeError);
    }
    if (::rename(temporary.c_str(), native.c_str()) != 0) {
        const int renameError = errno;
        discard();
        createFailed(renameError);
    }
}

EntryKind entryKindAt(int directory, const ::dirent &entry)
{
    switch (entry.d_type) {
    case DT_REG:
        return EntryKind::File;
    case DT_DIR:
        return EntryKind::Directory;
    case DT_LNK:
        return EntryKind::SymbolicLink;
    case DT_UNKNOWN:
        break;
    default:
        return EntryKind::Other;
    }
    struct stat info
    {
    };
    if (::fstatat(directory, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return EntryKind::Other;
    if (S_ISREG(info.st_mode))
        return EntryKind::File;
    if (S_ISDIR(info.st_mode))
        return EntryKind::Directory;
    return S_ISLNK(info.st_mode) ? EntryKind::SymbolicLink : EntryKind::Other;
}

std::vector<DirectoryEntry> listDirectory(const std::string &directory)
{
    std::vector<DirectoryEntry> entries;
    DIR *handle = ::opendir(nativePath(directory).c_str());
    if (handle == nullptr)
        return entries;
    while (const dirent *entry = ::readdir(handle)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        auto converted = utf8ToCp1252Exact(name);
        if (!converted)
            continue;
        entries.push_back({ std::move(*converted), entryKindAt(::dirfd(handle), *entry) });
    }
    ::closedir(handle);
    return entries;
}

bool pathExists(const std::string &path)
{
    struct stat info
    {
    };
    return ::stat(nativePath(path).c_str(), &info) == 0;
}

bool isDirectory(const std::string &path)
{
    struct stat info
    {
    };
    return ::stat(nativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isReadOnly(const std::string &path)
{
    struct stat info
    {
    };
    return ::stat(nativePath(path).c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0;
}

void clearReadOnly(const std::string &path)
{
    const std::string native = nativePath(path);
    struct stat info
    {
    };
    if (::stat(native.c_str(), &info) != 0)
        throwErrno(errno);
    if (::chmod(native.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0)
        throwErrno(errno);
}

int makeDirectory(const std::string &path)
{
    return ::mkdir(nativePath(path).c_str(), 0777) == 0 ? 0 : errno;
}

int makeDirectories(const std::string &path)
{
    std::error_code error;
    std::filesystem::create_directories(nativePath(path), error);
    if (error)
        return error.value();
    return isDirectory(path) ? 0 : ENOTDIR;
}

std::string currentDirectory()
{
    std::string buffer(PATH_MAX, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return "/";
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    if (buffer.size() > 1 && buffer.back() == '/')
        buffer.pop_back();
    return utf8ToCp1252(buffer);
}

std::string fileNameOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string siblingPath(const std::string &path, const std::string &name)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}

FoldedPath foldPath(std::string_view path)
{
    FoldedPath folded;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part != "..")
            folded.parts.emplace_back(part);
        else if (folded.parts.empty())
            folded.leadsAbove = true;
        else
            folded.parts.pop_back();
    }
    return folded;
}

} // namespace Platform
