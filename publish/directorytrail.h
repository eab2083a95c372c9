#pragma once

#include <string>
#include <vector>

namespace Publish {

/// What the directory chooser lists for its current directory: the directories from the root
/// down to it (the trail), then its subdirectories. Paths are Windows-1252 with "/" as
/// separator; the root is "/".
class DirectoryTrail
{
public:
    /// Starts at `directory`, or at the nearest directory above it that exists.
    explicit DirectoryTrail(const std::string &directory);

    const std::string &current() const { return m_current; }
    /// "/", then the full path of each directory down to the current one.
    std::vector<std::string> trail() const;
    /// The names of the current directory's subdirectories, in the order of their names
    /// compared without regard to letter case. Hidden (dot) directories are left out.
    std::vector<std::string> subdirectories() const;

    /// Makes `directory` the current one (one of the trail or a subdirectory's full path).
    /// A directory that has gone since it was listed leaves the nearest one above it.
    void open(const std::string &directory);
    /// Lists again from the disk: when the current directory has gone, its nearest existing
    /// parent becomes current.
    void refresh();

    /// The full path of a subdirectory of the current directory.
    std::string childPath(const std::string &name) const;

private:
    std::string m_current;
};

/// Makes the folder `name` inside the directory `parent` and returns its full path. Throws
/// FileError with the user's message when the name is blank, holds "/", is "." or "..", is
/// taken by a folder or file already, or the folder cannot be made there.
std::string MakeFolder(const std::string &parent, const std::string &name);

} // namespace Publish
