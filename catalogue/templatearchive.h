#pragma once

#include "platform/dialogs.h"

#include <optional>
#include <string>
#include <vector>

namespace Catalogue {

/// A template read from a .zip archive into a hidden folder inside a templates folder, not yet
/// among its templates. The archive holds one "<name>.t" and files whose names begin with
/// the template's name, at its top or in one folder. Entries that would climb out of the
/// folder (".."), absolute names and links are refused. The hidden folder goes with the
/// object, so a refused or declined archive leaves nothing behind.
class StagedTemplate
{
public:
    /// Reads the archive; throws FileError with the reason when it is refused or unreadable.
    StagedTemplate(const std::string &archivePath, const std::string &templatesDir);
    ~StagedTemplate() = default;
    StagedTemplate(const StagedTemplate &) = delete;
    StagedTemplate &operator=(const StagedTemplate &) = delete;

    /// The template's name: its ".t" file's name without ".t".
    const std::string &name() const { return m_name; }
    /// Moves the files into the templates folder, replacing files of the same names.
    void install();

private:
    /// A folder removed with everything in it when the object goes, even when the
    /// constructor that made it fails.
    struct TemporaryFolder
    {
        std::string path;
        TemporaryFolder() = default;
        TemporaryFolder(const TemporaryFolder &) = delete;
        TemporaryFolder &operator=(const TemporaryFolder &) = delete;
        ~TemporaryFolder();
    };

    std::string m_templatesDir;
    TemporaryFolder m_staging;
    std::string m_name;
    std::vector<std::string> m_files;
};

/// Adds the template in the .zip archive to the user's templates folder (made when missing).
/// When a template of the same name is already there or installed with the program, asks
/// first; returns the template's name, or nothing when the user kept the old one. Throws
/// FileError.
std::optional<std::string> AddTemplateFromArchive(
    const std::string &archivePath, const std::string &homeDir, Platform::Dialogs &dialogs);

} // namespace Catalogue
