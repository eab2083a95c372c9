#include "catalogue/templatearchive.h"

#include "catalogue/templatecatalogue.h"
#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdlib.h>

namespace Catalogue {
namespace {

/// More than any template needs; an archive that unpacks to more is refused before it fills
/// the disk.
constexpr la_int64_t MaximumUnpackedBytes = 64 * 1024 * 1024;

using ArchiveReader = std::unique_ptr<archive, decltype(&archive_read_free)>;

[[noreturn]] void refuse(const std::string &archivePath, const std::string &reason)
{
    throw Platform::FileError(
        "The archive " + archivePath + " cannot be added as a template: " + reason);
}

/// What libarchive says went wrong; it does not always say.
std::string readingError(archive *reader)
{
    const char *text = archive_error_string(reader);
    return text ? std::string("it is damaged: ") + text : std::string("it is damaged");
}

/// The parts of an entry's name between "/", without empty and "." parts.
std::vector<std::string> nameParts(const std::string &name)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        std::string part = name.substr(start, end - start);
        if (!part.empty() && part != ".")
            parts.push_back(std::move(part));
        start = end + 1;
    }
    return parts;
}

} // namespace

StagedTemplate::StagedTemplate(const std::string &archivePath, const std::string &templatesDir)
    : m_templatesDir(templatesDir)
{
    if (const int error = Platform::makeDirectories(m_templatesDir); error != 0)
        Platform::throwErrno(error);
    std::string staging = Platform::nativePath(m_templatesDir + "/.adding-XXXXXX");
    if (::mkdtemp(staging.data()) == nullptr)
        Platform::throwErrno(errno);
    m_staging.path = Platform::utf8ToCp1252(staging);

    ArchiveReader reader(archive_read_new(), archive_read_free);
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_filename(reader.get(), Platform::nativePath(archivePath).c_str(), 1 << 16)
        != ARCHIVE_OK) {
        if (!Platform::pathExists(archivePath))
            throw Platform::FileError("Cannot open file " + archivePath);
        refuse(archivePath, "it is no zip archive");
    }

    std::optional<std::string> folder; // the one folder the files lie in, "" for the top
    la_int64_t unpacked = 0;
    archive_entry *entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        const char *utf8Name = archive_entry_pathname_utf8(entry);
        const std::string shownName = utf8Name ? Platform::utf8ToCp1252(utf8Name) : "?";
        const std::optional<std::string> entryName
            = utf8Name ? Platform::utf8ToCp1252Exact(utf8Name) : std::nullopt;
        if (!entryName)
            refuse(archivePath, "the name of \"" + shownName + "\" cannot be used in file names");
        if (entryName->starts_with('/'))
            refuse(archivePath, "\"" + *entryName + "\" is an absolute name");
        const std::vector<std::string> parts = nameParts(*entryName);
        if (std::find(parts.begin(), parts.end(), "..") != parts.end())
            refuse(archivePath, "\"" + *entryName + "\" would lie outside the templates folder");
        const auto type = archive_entry_filetype(entry);
        if (type == AE_IFLNK || archive_entry_symlink(entry) != nullptr
            || archive_entry_hardlink(entry) != nullptr)
            refuse(archivePath, "\"" + *entryName + "\" is a link");
        if (type == AE_IFDIR)
            continue;
        if (type != AE_IFREG)
            refuse(archivePath, "\"" + *entryName + "\" is no plain file");

        const std::string entryFolder = parts.size() == 2 ? parts.front() : std::string();
        if (parts.empty() || parts.size() > 2 || (folder && *folder != entryFolder))
            refuse(archivePath, "its files do not lie in one folder");
        folder = entryFolder;
        const std::string &fileName = parts.back();

        Platform::File out(m_staging.path + "/" + fileName, Platform::File::Mode::CreateTruncate);
        char buffer[1 << 16];
        la_ssize_t count = 0;
        while ((count = archive_read_data(reader.get(), buffer, sizeof buffer)) > 0) {
            unpacked += count;
            if (unpacked > MaximumUnpackedBytes)
                refuse(archivePath, "it unpacks to more than 64 MB");
            out.write(std::string_view(buffer, static_cast<std::size_t>(count)));
        }
        if (count < 0)
            refuse(archivePath, readingError(reader.get()));
        out.close();
        if (std::find(m_files.begin(), m_files.end(), fileName) == m_files.end())
            m_files.push_back(fileName);
        if (fileName.ends_with(".t") && fileName.size() > 2 && fileName != m_name + ".t") {
            if (!m_name.empty())
                refuse(archivePath, "it holds more than one template (\".t\" file)");
            m_name = fileName.substr(0, fileName.size() - 2);
        }
    }
    if (status != ARCHIVE_EOF)
        refuse(archivePath, readingError(reader.get()));
    if (m_name.empty())
        refuse(archivePath, "it holds no template (\".t\" file)");
    for (const std::string &file : m_files) {
        if (!file.starts_with(m_name)) {
            refuse(archivePath,
                "the name of \"" + file + "\" does not begin with the template's name \"" + m_name
                    + "\"");
        }
    }
}

StagedTemplate::TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    if (!path.empty())
        std::filesystem::remove_all(Platform::nativePath(path), ignored);
}

void StagedTemplate::install()
{
    for (const std::string &file : m_files) {
        const std::string from = Platform::nativePath(m_staging.path + "/" + file);
        const std::string to = Platform::nativePath(m_templatesDir + "/" + file);
        if (std::rename(from.c_str(), to.c_str()) != 0)
            Platform::throwErrno(errno);
    }
}

std::optional<std::string> AddTemplateFromArchive(
    const std::string &archivePath, const std::string &homeDir, Platform::Dialogs &dialogs)
{
    const std::string userFolder = UserTemplatesDirectory();
    if (userFolder.empty())
        throw Platform::FileError("No folder for the user's templates: HOME is not set");
    StagedTemplate staged(archivePath, userFolder);
    const std::vector<std::string> known = ListTemplates(homeDir);
    if (std::find(known.begin(), known.end(), staged.name()) != known.end()) {
        const Platform::Message question { Platform::ApplicationTitle,
            "A template named \"" + staged.name()
                + "\" is already installed.\nReplace it with the one from the archive?",
            Platform::MessageIcon::Question, Platform::MessageButtons::OkCancel };
        if (!dialogs.confirm(question))
            return std::nullopt;
    }
    staged.install();
    return staged.name();
}

} // namespace Catalogue
