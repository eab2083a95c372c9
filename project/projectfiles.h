#pragma once

#include "project/pageselection.h"
#include "project/project.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Model {

/// A saved project is the project file (one fixed-size record holding every field but the
/// page bodies), the fourteen page content files "1.dat" to "14.dat" beside it and the
/// settings file "PROJECT.cvp.settings" (ProjectSettings), which keeps the names of the
/// template and font family chosen. The record keeps their positions too, for older copies of
/// the program; a project without a settings file opens by the positions alone.

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

/// The settings file of a project: the project file's name with ".settings" added (a name
/// too long for that is cut short and given a number made from the whole name).
std::string settingsPath(const std::string &projectFilePath);

/// The project's settings with the names of the template and font family chosen now: the
/// entry at each position (UTF-8). A choice of none keeps the name the settings have.
/// Each name is kept with the record's position it was saved beside ("templatePosition"),
/// which tells on open whether a copy of the program that knows only the record chose
/// another entry since: that choice then stands.
ProjectSettings settingsWithChoiceNames(const Project &project, const ChoiceLists &lists);

/// Applies the choice names of the project's settings: a name in its list chooses that entry,
/// whatever the position read from the record; a name no longer in its list makes the choice
/// none, stays in the settings, and gives a warning naming it. Without a name the position
/// stays. Returns the warnings (Windows-1252), template first.
std::vector<std::string> applyChoiceNames(Project &project, const ChoiceLists &lists);

/// Whether settings name a font family past the six fixed font stacks.
bool namesInstalledFontFamily(const ProjectSettings &settings);

/// Writes the project file, 1.dat to 14.dat and the settings file (project.settings as held)
/// in its directory as one whole save: the sixteen files are either all old or all new,
/// whenever the program stops. Throws FileError, and an error before the files are renamed
/// in changes nothing.
void WriteProjectFiles(const Project &project, const std::string &projectFilePath);

/// The journal of a save in progress: a hidden file beside the project file.
std::string saveJournalPath(const std::string &projectFilePath);

/// The settings file beside a project file, read only; empty settings when there is none.
/// Throws FileError.
ProjectSettings ReadProjectSettings(const std::string &projectFilePath);

/// Reads the project file and its settings file (read only) and applies them (the choice
/// names by applyChoiceNames); the page bodies are left alone. Returns the warnings of the
/// choice names. Throws FileError, and then nothing has changed.
std::vector<std::string> ReadProjectRecord(
    const std::string &projectFilePath, PageSelection &selection, const ChoiceLists &lists);

/// The page content file of a page: "N.dat" in the project file's directory.
std::string pageContentPath(const std::string &projectFilePath, PageId page);

/// The project file's folder: the path up to its last "/"; empty for an unsaved project.
std::string projectDirectoryOf(const std::string &projectFilePath);

/// A save that was stopped part-way is first completed. Reads the project file and its
/// settings (read only) and applies them, then replaces the page bodies from 1.dat to 14.dat
/// in order. Returns the warnings of the choice names. Throws FileError at the first failure;
/// what was applied stays.
std::vector<std::string> ReadProjectFiles(
    const std::string &projectFilePath, PageSelection &selection, const ChoiceLists &lists);

} // namespace Model
