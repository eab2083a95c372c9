#pragma once

#include <string>

namespace Platform {

/// Where a file dialog starts: the file or folder used last when there is one, otherwise the
/// user's documents folder (the home folder when there is none). Never the program's own
/// data folder, which a user of the installed program cannot write. Windows-1252.
std::string dialogStartPath(const std::string &lastUsed);

} // namespace Platform
