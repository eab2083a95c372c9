#pragma once

#include <optional>
#include <string>

namespace Platform {

/// Where a file dialog starts: the file or folder used last when there is one, otherwise the
/// user's documents folder (the home folder when there is none). Never the program's own
/// data folder, which a user of the installed program cannot write. Windows-1252.
/// (It asks the desktop through Qt: it is in platform_folders, the rest of this file in
/// platform_core.)
std::string dialogStartPath(const std::string &lastUsed);

/// The base folders of the user's own files that the XDG rule names.
enum class UserFolder {
    Config, ///< $XDG_CONFIG_HOME, else ~/.config
    Data, ///< $XDG_DATA_HOME, else ~/.local/share
    State, ///< $XDG_STATE_HOME, else ~/.local/state
    Cache, ///< $XDG_CACHE_HOME, else ~/.cache
};

/// The user's base folder of a kind (the system's UTF-8 path): its XDG variable when that
/// holds an absolute path, else the folder below $HOME when HOME holds one. Without either
/// there is none: the program's own files never go to a folder other users share, such as
/// /tmp.
std::optional<std::string> userFolder(UserFolder kind);

/// Makes sure `path` (the system's UTF-8 path) is a folder only the current user can enter:
/// the folders missing on the way are made with permissions 0700; the last one must be a
/// real folder (not a link) owned by the current user, and is narrowed to 0700 when it
/// allows more. Throws FileError naming the folder when it is not such a folder.
void makePrivateFolder(const std::string &path);

} // namespace Platform
