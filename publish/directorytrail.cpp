#include "publish/directorytrail.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"

#include <algorithm>
#include <cerrno>

namespace Publish {

namespace {

// "/a/b/" and "/a//b" name "/a/b"; anything not starting at the root is taken from it.
std::string normalised(const std::string &path)
{
    std::string result;
    for (const char c : path) {
        if (c == '/' && (result.empty() || result.back() == '/'))
            continue;
        result += c;
    }
    if (!result.empty() && result.back() == '/')
        result.pop_back();
    return "/" + result;
}

std::string parentOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string existingDirectory(std::string path)
{
    while (path != "/" && !Platform::isDirectory(path))
        path = parentOf(path);
    return path;
}

} // namespace

DirectoryTrail::DirectoryTrail(const std::string &directory)
    : m_current(existingDirectory(normalised(directory)))
{ }

std::vector<std::string> DirectoryTrail::trail() const
{
    std::vector<std::string> paths { "/" };
    for (std::size_t slash = m_current.find('/', 1); m_current != "/";
         slash = m_current.find('/', slash + 1)) {
        paths.push_back(m_current.substr(0, slash));
        if (slash == std::string::npos)
            break;
    }
    return paths;
}

std::vector<std::string> DirectoryTrail::subdirectories() const
{
    std::vector<std::string> names;
    for (const Platform::DirectoryEntry &entry : Platform::listDirectory(m_current)) {
        if (entry.name.starts_with('.'))
            continue;
        // A link to a directory is a directory to the user.
        if (entry.kind == Platform::EntryKind::Directory
            || (entry.kind == Platform::EntryKind::SymbolicLink
                && Platform::isDirectory(childPath(entry.name)))) {
            names.push_back(entry.name);
        }
    }
    std::sort(names.begin(), names.end(), Platform::caselessBefore);
    return names;
}

void DirectoryTrail::open(const std::string &directory)
{
    m_current = existingDirectory(normalised(directory));
}

void DirectoryTrail::refresh() { m_current = existingDirectory(m_current); }

std::string DirectoryTrail::childPath(const std::string &name) const
{
    return m_current == "/" ? "/" + name : m_current + "/" + name;
}

std::string MakeFolder(const std::string &parent, const std::string &name)
{
    if (name.find_first_not_of(" \t") == std::string::npos)
        throw Platform::FileError("Type a name for the new folder");
    if (name.find('/') != std::string::npos)
        throw Platform::FileError("A folder name cannot contain \"/\": " + name);
    if (name == "." || name == "..")
        throw Platform::FileError("\"" + name + "\" cannot be the name of a new folder");
    std::string path = parent == "/" ? "/" + name : parent + "/" + name;
    const int error = Platform::makeDirectory(path);
    if (error == EEXIST)
        throw Platform::FileError("A folder or file named \"" + name + "\" is there already");
    if (error != 0)
        throw Platform::FileError(
            "Cannot create folder " + path + ": " + Platform::errnoMessage(error));
    return path;
}

} // namespace Publish
