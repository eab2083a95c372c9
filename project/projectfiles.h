#pragma once

#include "project/pageselection.h"
#include "project/project.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace Model {

/// A saved project is the project file (one fixed-size record holding every field but the
/// page bodies) and the fourteen page content files "1.dat" to "14.dat" beside it.

inline constexpr std::size_t ProjectRecordSize = 1664;

/// The project file's bytes for a project.
std::string encodeProjectRecord(const Project &project);

/// Applies a record (at least ProjectRecordSize bytes) to the selection's project, field by
/// field in the file's order; ticks go through SetPageTick so the Edit Pages list follows.
void applyProjectRecord(
    std::string_view record, PageSelection &selection, const ChoiceLists &lists);

/// Whether a record's font family lies past the six fixed font stacks, so that reading it
/// needs the installed families.
bool namesInstalledFontFamily(std::string_view record);

/// Writes the project file and 1.dat to 14.dat in its directory as one whole save: the fifteen
/// files are either all old or all new, whenever the program stops. Throws FileError, and an
/// error before the files are renamed in changes nothing.
void WriteProjectFiles(const Project &project, const std::string &projectFilePath);

/// The journal of a save in progress: a hidden file beside the project file.
std::string saveJournalPath(const std::string &projectFilePath);

/// Reads the project file (read only) and applies it; the page bodies are left alone.
/// Throws FileError, and then nothing has changed.
void ReadProjectRecord(
    const std::string &projectFilePath, PageSelection &selection, const ChoiceLists &lists);

/// The page content file of a page: "N.dat" in the project file's directory.
std::string pageContentPath(const std::string &projectFilePath, PageId page);

/// A save that was stopped part-way is first completed. Reads the project file (read only)
/// and applies it, then replaces the page bodies from
/// 1.dat to 14.dat in order. Throws FileError at the first failure; what was applied stays.
void ReadProjectFiles(
    const std::string &projectFilePath, PageSelection &selection, const ChoiceLists &lists);

} // namespace Model
