#pragma once

#include "platform/dialogs.h"
#include "platform/directory.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Catalogue {

/// The most entries an archive may hold; more is refused before anything is unpacked past it.
inline constexpr std::size_t MaximumArchiveEntries = 10000;

/// How far unpacking an archive is, and whether the person asked to stop it. Both are used
/// from the thread that unpacks.
struct UnpackProgress
{
    /// Called with the share of the archive read, 0 to 100, each time it grows; -1 when the
    /// archive's size is not known (a pipe).
    std::function<void(int percent)> report;
    /// Set to stop the unpacking; it then ends without an error and leaves nothing behind.
    const std::atomic<bool> *cancel = nullptr;
};

/// A template read from a .zip archive into a hidden staging folder (".adding-XXXXXX") inside
/// the user's templates folder, not yet among its templates. The archive holds one
/// "<name>.t" and files whose names begin with the template's name, at its top or in one
/// folder. Entries that would climb out of the folder (".."), absolute names and links are
/// refused. Installing swaps the staging folder in as the template's own folder
/// ("<templates folder>/<name>") in one step, so the template is wholly old or wholly new at
/// every moment, and no other template's file is ever written. While the object lives it
/// holds the templates folder's lock, so adding templates from two places at once cannot
/// mix; what an interrupted run left (".adding-*") is removed when the next one begins.
class StagedTemplate
{
public:
    ~StagedTemplate();
    StagedTemplate(const StagedTemplate &) = delete;
    StagedTemplate &operator=(const StagedTemplate &) = delete;

    /// Reads the archive; returns nothing when cancelled through `progress`. Throws FileError
    /// with the reason when the archive is refused or unreadable; nothing is left behind.
    static std::unique_ptr<StagedTemplate> unpack(const std::string &archivePath,
        const std::string &templatesDir, const UnpackProgress &progress = {});

    /// The template's name: its ".t" file's name without ".t".
    const std::string &name() const { return m_name; }
    /// Makes the staged files the template's folder, replacing a folder of the same template.
    /// A file or another folder in its place is refused (FileError) and left alone.
    void install();

private:
    StagedTemplate(const std::string &archivePath, const std::string &templatesDir);
    /// Unpacks; false when cancelled.
    bool readArchive(const UnpackProgress &progress);

    std::string m_archivePath;
    std::string m_templatesDir;
    int m_lock = -1; ///< the templates folder, locked while the object lives
    std::optional<Platform::Directory> m_folder;
    std::string m_staging; ///< the staging folder's name inside the templates folder
    std::string m_name;
};

/// Asks before a staged template replaces one of the same name, whether added by the user or
/// installed with the program; true when it may be installed.
bool ConfirmReplacing(
    const StagedTemplate &staged, const std::string &homeDir, Platform::Dialogs &dialogs);

/// Adds the template in the .zip archive to the user's templates folder (made when missing).
/// When a template of the same name is already there or installed with the program, asks
/// first; returns the template's name, or nothing when the user kept the old one. Throws
/// FileError.
std::optional<std::string> AddTemplateFromArchive(
    const std::string &archivePath, const std::string &homeDir, Platform::Dialogs &dialogs);

} // namespace Catalogue
