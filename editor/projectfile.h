#pragma once

#include "platform/dialogs.h"

#include <functional>
#include <optional>
#include <string>

namespace Editor {

/// Whether a page shows the file as a picture ("<img>"), judged by its extension.
bool isPictureFile(const std::string &path);

/// Saves a project that has no file yet, asking where as Save does: the project file's full
/// path after the save, empty when the user cancelled it or it failed (and was reported).
using SaveFirst = std::function<std::string()>;

/// What a page refers to for a file the user chose or dropped: a file inside the project's
/// folder by its path relative to that folder; any other file is first copied into "images/"
/// (pictures) or "files/" (anything else) beside the project file, and the user is asked
/// before a different file of the same name there is replaced. A project with no file yet is
/// offered to be saved with `saveFirst` at that moment (without one the user is told to save
/// first). Nothing when the user declines or the project stays unsaved. Paths are
/// Windows-1252; `projectFile` is the project file's full path. Throws FileError when the copy
/// fails.
std::optional<std::string> referToFile(const std::string &chosen, const std::string &projectFile,
    Platform::Dialogs &dialogs, const SaveFirst &saveFirst = {});

/// True when a tool's answer names a file to refer to rather than an address typed as it
/// should stand: a full path of an existing file.
bool namesLocalFile(const std::string &answer);

/// The markup a dropped file puts in a page: "<img src=... alt=...>" for a picture, a link
/// showing the file's name for anything else.
std::string markupForFile(const std::string &reference);

} // namespace Editor
