#pragma once

#include "platform/files.h"

#include <string>
#include <string_view>
#include <vector>

namespace Platform {

/// One file of a group that is replaced as a whole. `failure` words the errors of this file
/// as replaceFile does.
struct FileReplacement
{
    std::string path;
    std::string_view bytes;
    OpenFailure failure = OpenFailure::ErrnoText;
    /// A file that does not exist yet is left out where no new file can be made in its
    /// directory and the group is overwritten in place.
    bool mayBeLeftOut = false;
};

/// Replaces every file of a group so that the group is either wholly old or wholly new, even
/// when the program is stopped at any moment:
/// - every target is checked first (a directory, a file without write permission for its
///   owner, or one the current user could not open for writing is refused, the last as
///   "File access denied: PATH"), and an error before the renames changes nothing;
/// - all new files are written and synced under hidden names beside their targets;
/// - the journal at `journalPath` (naming each new file and its target) is written before the
///   renames and removed after them, and the directories are synced;
/// - an earlier interrupted replacement is finished first, and hidden new files of this
///   naming that an interrupted replacement left are removed;
/// - a symbolic link is written through: its target gets the new bytes and the link stays;
/// - where no new file can be made in a directory but the targets are writable, the targets
///   are overwritten in place after the checks.
/// Throws FileError.
void replaceFileGroup(const std::vector<FileReplacement> &files, const std::string &journalPath);

/// Replaces one file that stands alone as each file of a group is replaced: checked first,
/// the new bytes written and synced to a hidden file made exclusively beside the file that a
/// symbolic link at `path` leads to, then renamed over it, so that the link stays and nothing
/// planted under another name is written through. Throws FileError.
void replaceFileThroughLinks(const std::string &path, std::string_view bytes);

/// Finishes a group replacement that was stopped after its journal was written: the new files
/// it names are renamed onto their targets and the journal is removed. Only targets among
/// `paths` (through their symbolic links) are touched. Without a journal nothing happens.
/// Throws FileError when the journal's renames cannot be done.
void finishInterruptedReplacement(
    const std::vector<std::string> &paths, const std::string &journalPath);

/// Whether `name` is the hidden name of a new file that replaceFileGroup or replaceFile makes
/// beside a file named `target` (both Windows-1252).
bool isTemporaryNameFor(const std::string &name, const std::string &target);

} // namespace Platform
