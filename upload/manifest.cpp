#include "upload/manifest.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"

#include <openssl/evp.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Upload {
namespace {

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

DigestContext newSha256()
{
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        throw std::bad_alloc();
    return context;
}

std::string finishHex(EVP_MD_CTX *context)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest {};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context, digest.data(), &length);
    static constexpr char hexDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += hexDigits[digest[i] >> 4];
        hex += hexDigits[digest[i] & 15];
    }
    return hex;
}

bool isHexDigest(std::string_view text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

[[noreturn]] void throwFileError(const std::string &utf8Message)
{
    throw Platform::FileError(Platform::utf8ToCp1252(utf8Message));
}

/// A descriptor closed when it goes.
struct Descriptor
{
    explicit Descriptor(int fd)
        : fd(fd)
    { }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int fd;
};

FileDigest digestOf(int fd, const std::string &path)
{
    DigestContext context = newSha256();
    std::vector<char> buffer(1 << 20);
    FileDigest digest;
    for (;;) {
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throwFileError("Cannot read " + path + " (" + Platform::errnoMessage(errno) + ")");
        if (count == 0)
            break;
        EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(count));
        digest.size += static_cast<std::uint64_t>(count);
    }
    digest.sha256 = finishHex(context.get());
    return digest;
}

} // namespace

std::string formatManifest(const Manifest &manifest)
{
    std::string text;
    for (const auto &[name, digest] : manifest) {
        text += digest.known() ? digest.sha256 : "-";
        text += " " + std::to_string(digest.size) + " " + name + "\n";
    }
    return text;
}

std::string nameProblem(const std::string &name)
{
    if (name.empty())
        return "the name is empty";
    if (name.front() == '/')
        return "the name starts at the root";
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return "the name holds a control character";
    }
    if (name == ManifestName)
        return "the name is the manifest's own";
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part(name.data() + start, end - start);
        if (part.empty() || part == "." || part == "..")
            return "the name climbs out of its folder or has an empty part";
        if (part.front() == ' ' || part.back() == ' ')
            return "a part of the name starts or ends with a blank";
        if (part.starts_with(".corvanta-part."))
            return "the name is one of the upload's temporary names";
        if (end == name.size())
            return {};
        start = end + 1;
    }
}

std::string printableName(const std::string &name)
{
    static constexpr char hexDigits[] = "0123456789abcdef";
    std::string text;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            text += "\\x";
            text += hexDigits[byte >> 4];
            text += hexDigits[byte & 15];
        } else {
            text += c;
        }
    }
    return text;
}

Manifest parseManifest(const std::string &text, std::vector<std::string> *warnings)
{
    Manifest manifest;
    std::size_t lineStart = 0;
    // Only whole lines: a last line without its line break was cut short while written.
    for (std::size_t lineEnd = text.find('\n'); lineEnd != std::string::npos;
         lineStart = lineEnd + 1, lineEnd = text.find('\n', lineStart)) {
        const std::string_view line(text.data() + lineStart, lineEnd - lineStart);
        const auto firstBlank = line.find(' ');
        const auto secondBlank = firstBlank == std::string_view::npos
            ? std::string_view::npos
            : line.find(' ', firstBlank + 1);
        if (secondBlank == std::string_view::npos || secondBlank + 1 >= line.size())
            continue;
        FileDigest digest;
        const std::string_view hash = line.substr(0, firstBlank);
        const char *sizeStart = line.data() + firstBlank + 1;
        const char *sizeEnd = line.data() + secondBlank;
        const auto [end, error] = std::from_chars(sizeStart, sizeEnd, digest.size);
        if ((hash != "-" && !isHexDigest(hash)) || error != std::errc() || end != sizeEnd)
            continue;
        if (hash != "-")
            digest.sha256 = hash;
        std::string name(line.substr(secondBlank + 1));
        // A name that could leave the folder or fool a server is never taken: deleting it
        // could touch files that are not the site's.
        if (const std::string problem = nameProblem(name); !problem.empty()) {
            if (warnings != nullptr) {
                warnings->push_back("Skipped \"" + printableName(name) + "\" in the host's "
                    + ManifestName + ": " + problem);
            }
            continue;
        }
        manifest[std::move(name)] = digest;
    }
    return manifest;
}

std::string sha256Hex(const std::string &bytes)
{
    DigestContext context = newSha256();
    EVP_DigestUpdate(context.get(), bytes.data(), bytes.size());
    return finishHex(context.get());
}

LocalSite::LocalSite(const std::string &websiteDir)
    : m_path(websiteDir)
{
    const std::string::size_type slash = websiteDir.find_last_of('/');
    const std::string parent = slash == std::string::npos ? "."
        : slash == 0                                      ? "/"
                                                          : websiteDir.substr(0, slash);
    const std::string base = slash == std::string::npos ? websiteDir : websiteDir.substr(slash + 1);
    const Descriptor above(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    m_fd = above.fd < 0
        ? -1
        : ::openat(above.fd, base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_fd < 0) {
        const int error = errno;
        if (error == ELOOP || error == ENOTDIR) {
            struct stat info
            {
            };
            if (above.fd >= 0 && ::fstatat(above.fd, base.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISLNK(info.st_mode)) {
                throwFileError("The website folder " + websiteDir
                    + " is a link; only a folder that publishing wrote is uploaded");
            }
        }
        throwFileError("Cannot read the website folder " + websiteDir + " ("
            + Platform::errnoMessage(error) + ")");
    }
    struct stat info
    {
    };
    if (::fstat(m_fd, &info) != 0 || info.st_uid != ::geteuid()) {
        ::close(m_fd);
        m_fd = -1;
        throwFileError("The website folder " + websiteDir
            + " belongs to another user; publish the site again into a folder of your own");
    }
}

LocalSite::LocalSite(LocalSite &&other) noexcept
    : m_path(std::move(other.m_path))
    , m_fd(other.m_fd)
{
    other.m_fd = -1;
}

LocalSite::~LocalSite()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Manifest LocalSite::scan() const
{
    Manifest manifest;
    scanFolder(m_fd, "", manifest, true);
    return manifest;
}

Manifest LocalSite::list() const
{
    Manifest manifest;
    scanFolder(m_fd, "", manifest, false);
    return manifest;
}

void LocalSite::scanFolder(
    int fd, const std::string &prefix, Manifest &manifest, bool hashing) const
{
    const int listing = ::dup(fd);
    DIR *handle = listing < 0 ? nullptr : ::fdopendir(listing);
    if (handle == nullptr) {
        const int error = errno;
        if (listing >= 0)
            ::close(listing);
        throwFileError("Cannot read the folder " + m_path + "/" + prefix + " ("
            + Platform::errnoMessage(error) + ")");
    }
    const auto closeListing = [](DIR *open) { ::closedir(open); };
    std::unique_ptr<DIR, decltype(closeListing)> closer(handle, closeListing);
    ::rewinddir(handle);
    while (const dirent *entry = ::readdir(handle)) {
        const std::string base = entry->d_name;
        if (base == "." || base == "..")
            continue;
        const std::string name = prefix + base;
        if (name == ManifestName)
            continue;
        struct stat info
        {
        };
        if (::fstatat(fd, base.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            throwFileError(
                "Cannot read " + m_path + "/" + name + " (" + Platform::errnoMessage(errno) + ")");
        if (S_ISLNK(info.st_mode)) {
            throwFileError("The website folder holds the link " + m_path + "/" + name
                + ", which is not uploaded: a link could send files from outside the site. "
                  "Remove it and publish again");
        }
        if (S_ISDIR(info.st_mode)) {
            const Descriptor inner(
                ::openat(fd, base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (inner.fd < 0)
                throwFileError("Cannot read the folder " + m_path + "/" + name + " ("
                    + Platform::errnoMessage(errno) + ")");
            scanFolder(inner.fd, name + "/", manifest, hashing);
            continue;
        }
        if (!S_ISREG(info.st_mode))
            continue;
        if (const std::string problem = nameProblem(name); !problem.empty())
            throwFileError("Cannot upload the file \"" + printableName(name) + "\": " + problem);
        if (!hashing) {
            manifest[name] = { {}, static_cast<std::uint64_t>(info.st_size) };
            continue;
        }
        const Descriptor file(::openat(fd, base.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (file.fd < 0)
            throwFileError(
                "Cannot open " + m_path + "/" + name + " (" + Platform::errnoMessage(errno) + ")");
        manifest[name] = digestOf(file.fd, m_path + "/" + name);
    }
}

int LocalSite::open(const std::string &name) const
{
    // One folder at a time from the site's own handle, no link followed on the way.
    int folder = m_fd;
    std::unique_ptr<Descriptor> held;
    std::size_t start = 0;
    for (std::size_t slash = name.find('/'); slash != std::string::npos;
         start = slash + 1, slash = name.find('/', start)) {
        const std::string part = name.substr(start, slash - start);
        auto next = std::make_unique<Descriptor>(
            ::openat(folder, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next->fd < 0)
            throwFileError(
                "Cannot open " + m_path + "/" + name + " (" + Platform::errnoMessage(errno) + ")");
        held = std::move(next);
        folder = held->fd;
    }
    const int fd = ::openat(folder, name.c_str() + start, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throwFileError("Cannot open " + m_path + "/" + name + " ("
            + (error == ELOOP ? std::string("it is a link, which is not uploaded")
                              : Platform::errnoMessage(error))
            + ")");
    }
    return fd;
}

Manifest scanWebsite(const std::string &websiteDir) { return LocalSite(websiteDir).scan(); }

} // namespace Upload
