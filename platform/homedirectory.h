#pragma once

#include <string>

namespace Platform {

/// The home directory a program works from when none is given (Windows-1252, no trailing
/// "/"): the working directory when it holds a templates folder (a working copy, or a folder
/// the person keeps their own templates in), else the data folder installed with the program,
/// found from the program's own place so that an installation moved elsewhere still finds
/// it, else the working directory.
std::string defaultHomeDirectory();

/// The data folder installed with the program that runs, whether or not it exists:
/// `relativeDataDir` (for example "../share/corvanta") joined to the program's folder.
std::string installedDataDirectory(const std::string &relativeDataDir);

} // namespace Platform
