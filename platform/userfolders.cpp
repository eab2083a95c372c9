#include "platform/userfolders.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {
namespace {

bool isAbsolute(const char *path) { return path != nullptr && path[0] == '/'; }

/// The path without trailing "/"; the root becomes "", ready for a name to follow.
std::string withoutTrailingSlashes(std::string path)
{
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

std::string orRoot(std::string path)
{
    if (path.empty())
        path = "/";
    return path;
}

} // namespace

std::optional<std::string> userFolder(UserFolder kind)
{
    struct Rule
    {
        const char *variable;
        const char *belowHome;
    };
    static constexpr Rule Rules[] = {
        { "XDG_CONFIG_HOME", "/.config" },
        { "XDG_DATA_HOME", "/.local/share" },
        { "XDG_STATE_HOME", "/.local/state" },
        { "XDG_CACHE_HOME", "/.cache" },
    };
    const Rule &rule = Rules[static_cast<int>(kind)];
    if (const char *folder = std::getenv(rule.variable); isAbsolute(folder))
        return orRoot(withoutTrailingSlashes(folder));
    if (const char *home = std::getenv("HOME"); isAbsolute(home))
        return withoutTrailingSlashes(home) + rule.belowHome;
    return std::nullopt;
}

std::optional<std::string> homeFolder()
{
    const char *home = std::getenv("HOME");
    if (!isAbsolute(home))
        return std::nullopt;
    return orRoot(withoutTrailingSlashes(home));
}

void makePrivateFolder(const std::string &path)
{
    const auto refuse = [&](int errorNumber) {
        throw FileError("The folder " + utf8ToCp1252(path)
            + " cannot hold private files: " + errnoMessage(errorNumber));
    };
    if (path.empty() || path.front() != '/')
        refuse(ENOENT);
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        if (::mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            refuse(errno);
        if (slash == std::string::npos)
            break;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        refuse(errno == ELOOP ? EACCES : errno);
    struct stat info
    {
    };
    int error = ::fstat(fd, &info) == 0 ? 0 : errno;
    if (error == 0 && info.st_uid != ::geteuid())
        error = EACCES;
    if (error == 0 && (info.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        error = errno;
    ::close(fd);
    if (error != 0)
        refuse(error);
}

} // namespace Platform
