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
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace Catalogue {
namespace {

/// More than any template needs; an archive that unpacks to more is refused before it fills
/// the disk.
constexpr la_int64_t MaximumUnpackedBytes = la_int64_t { 64 } * 1024 * 1024;

constexpr std::string_view StagingPrefix = ".adding-";

using ArchiveReader = std::unique_ptr<archive, decltype(&archive_read_free)>;

/// What the person reads when an archive is not shaped as a template.
constexpr const char *WhatATemplateArchiveHolds
    = "\nA template archive holds one template file NAME.t and the template's pictures, whose "
      "names begin with NAME (such as NAME.jpg and NAMEhome.gif), all at the top of the archive "
      "or all in one folder.";

[[noreturn]] void refuse(const std::string &archivePath, const std::string &reason)
{
    throw Platform::FileError(
        "The archive " + archivePath + " cannot be added as a template: " + reason);
}

/// Refused because the archive is not a template's: the message also says what one holds.
[[noreturn]] void refuseShape(const std::string &archivePath, const std::string &reason)
{
    refuse(archivePath, reason + "." + WhatATemplateArchiveHolds);
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

/// Why a template's name cannot be a folder's name among the user's templates, or nothing.
std::optional<std::string> unusableName(const std::string &name)
{
    if (name.empty())
        return "the template has no name";
    if (name.starts_with('.'))
        return "its name begins with \".\"";
    if (name.find('/') != std::string::npos)
        return "its name holds \"/\"";
    if (PrintableTemplateName(name).find("\\x") != std::string::npos)
        return "its name holds control characters";
    return std::nullopt;
}

/// The kind of the entry `name` inside `folder` (links not followed), or nothing.
std::optional<mode_t> entryType(int folder, const std::string &name)
{
    struct stat info
    {
    };
    if (::fstatat(folder, Platform::nativePath(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return info.st_mode & S_IFMT;
}

/// The archive opened for reading, and its size on disk for the progress (0 when not known).
std::pair<ArchiveReader, la_int64_t> openArchive(const std::string &archivePath)
{
    ArchiveReader reader(archive_read_new(), archive_read_free);
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_filename(reader.get(), Platform::nativePath(archivePath).c_str(), 1 << 16)
        != ARCHIVE_OK) {
        if (!Platform::pathExists(archivePath))
            throw Platform::FileError("Cannot open file " + archivePath);
        refuseShape(archivePath, "it is no zip archive");
    }
    struct stat archiveInfo
    {
    };
    const la_int64_t archiveSize
        = ::stat(Platform::nativePath(archivePath).c_str(), &archiveInfo) == 0
            && S_ISREG(archiveInfo.st_mode)
        ? archiveInfo.st_size
        : 0;
    return { std::move(reader), archiveSize };
}

/// The parts of a plain file's name in the archive; nothing for a folder. Refuses a name that
/// cannot be a file name here or climbs out, a link, and anything but files and folders.
std::optional<std::vector<std::string>> plainFileParts(
    const std::string &archivePath, archive_entry *entry)
{
    const char *utf8Name = archive_entry_pathname_utf8(entry);
    const std::string shownName = utf8Name ? Platform::utf8ToCp1252(utf8Name) : "?";
    const std::optional<std::string> entryName
        = utf8Name ? Platform::utf8ToCp1252Exact(utf8Name) : std::nullopt;
    if (!entryName)
        refuse(archivePath, "the name of \"" + shownName + "\" cannot be used in file names");
    if (entryName->starts_with('/'))
        refuse(archivePath, "\"" + *entryName + "\" is an absolute name");
    std::vector<std::string> parts = nameParts(*entryName);
    if (std::find(parts.begin(), parts.end(), "..") != parts.end())
        refuse(archivePath, "\"" + *entryName + "\" would lie outside the templates folder");
    const auto type = archive_entry_filetype(entry);
    if (type == AE_IFLNK || archive_entry_symlink(entry) != nullptr
        || archive_entry_hardlink(entry) != nullptr)
        refuse(archivePath, "\"" + *entryName + "\" is a link");
    if (type == AE_IFDIR)
        return std::nullopt;
    if (type != AE_IFREG)
        refuse(archivePath, "\"" + *entryName + "\" is no plain file");
    return parts;
}

/// Copies the current entry's bytes into `out`, counting them into `unpacked`, which may not
/// pass the limit. False when cancelled part-way.
bool unpackEntry(const std::string &archivePath, archive *reader, Platform::File &out,
    la_int64_t &unpacked, const std::function<bool()> &cancelled)
{
    char buffer[1 << 16];
    la_ssize_t count = 0;
    while ((count = archive_read_data(reader, buffer, sizeof buffer)) > 0) {
        if (cancelled())
            return false;
        unpacked += count;
        if (unpacked > MaximumUnpackedBytes)
            refuse(archivePath, "it unpacks to more than 64 MB");
        out.write(std::string_view(buffer, static_cast<std::size_t>(count)));
    }
    if (count < 0)
        refuse(archivePath, readingError(reader));
    out.close();
    return true;
}

/// Once every entry is read: the archive held a template whose name can be a folder's, and
/// every file's name begins with it.
void checkTemplateFiles(const std::string &archivePath, const std::string &name, bool templateFound,
    const std::vector<std::string> &files)
{
    if (!templateFound)
        refuseShape(archivePath, "it holds no template (\".t\" file)");
    if (const std::optional<std::string> reason = unusableName(name))
        refuse(archivePath, reason.value() + ": \"" + PrintableTemplateName(name) + "\"");
    for (const std::string &file : files) {
        if (!file.starts_with(name)) {
            refuseShape(archivePath,
                "the name of \"" + file + "\" does not begin with the template's name \"" + name
                    + "\"");
        }
    }
}

} // namespace

StagedTemplate::StagedTemplate(const std::string &archivePath, const std::string &templatesDir)
    : m_archivePath(archivePath)
    , m_templatesDir(templatesDir)
{
    if (const int error = Platform::makeDirectories(m_templatesDir); error != 0)
        Platform::throwErrno(error);
    m_folder.emplace(m_templatesDir);
    m_lock
        = ::open(Platform::nativePath(m_templatesDir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_lock < 0)
        Platform::throwErrno(errno);
    if (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(m_lock);
        if (error == EWOULDBLOCK) {
            throw Platform::FileError("Another template is being added to " + m_templatesDir
                + ". Please try again when that is done");
        }
        Platform::throwErrno(error);
    }
    try {
        // No other run is adding a template now, so hidden staging folders are left from runs
        // that were stopped.
        for (const Platform::DirectoryEntry &entry : Platform::listDirectory(m_templatesDir)) {
            if (entry.name.starts_with(StagingPrefix))
                m_folder->removeTree(entry.name);
        }
        m_staging = m_folder->makeUniqueDirectory(std::string(StagingPrefix));
    } catch (...) {
        ::close(m_lock);
        throw;
    }
}

StagedTemplate::~StagedTemplate()
{
    // After install() the staging folder holds the template's old folder, or nothing.
    if (m_folder && !m_staging.empty())
        m_folder->removeTree(m_staging);
    if (m_lock >= 0)
        ::close(m_lock);
}

std::unique_ptr<StagedTemplate> StagedTemplate::unpack(
    const std::string &archivePath, const std::string &templatesDir, const UnpackProgress &progress)
{
    std::unique_ptr<StagedTemplate> staged(new StagedTemplate(archivePath, templatesDir));
    if (!staged->readArchive(progress))
        return nullptr;
    return staged;
}

bool StagedTemplate::readArchive(const UnpackProgress &progress)
{
    const std::function<bool()> cancelled
        = [&] { return progress.cancel && progress.cancel->load(); };
    if (cancelled())
        return false;
    const Platform::Directory staging = m_folder->openDirectory(m_staging);
    const auto [reader, archiveSize] = openArchive(m_archivePath);
    int reported = -2;
    const auto report = [&, &reader = reader, archiveSize = archiveSize] {
        if (!progress.report)
            return;
        const la_int64_t read = archive_filter_bytes(reader.get(), -1);
        const int percent = archiveSize > 0
            ? static_cast<int>(std::clamp<la_int64_t>(read * 100 / archiveSize, 0, 100))
            : -1;
        if (percent != reported)
            progress.report(reported = percent);
    };

    std::optional<std::string> folder; // the one folder the files lie in, "" for the top
    std::vector<std::string> files; // in the order of the archive, each once
    std::unordered_set<std::string> seen;
    std::size_t entries = 0;
    bool templateFound = false;
    la_int64_t unpacked = 0;
    archive_entry *entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        if (cancelled())
            return false;
        if (++entries > MaximumArchiveEntries) {
            refuse(
                m_archivePath, "it holds more than 10,000 entries, more than any template needs");
        }
        report();
        const std::optional<std::vector<std::string>> parts = plainFileParts(m_archivePath, entry);
        if (!parts)
            continue;
        const std::string entryFolder = parts->size() == 2 ? parts->front() : std::string();
        if (parts->empty() || parts->size() > 2 || (folder && *folder != entryFolder))
            refuseShape(m_archivePath, "its files do not lie in one folder");
        folder = entryFolder;
        const std::string &fileName = parts->back();

        Platform::File out = staging.createFile(fileName);
        if (!unpackEntry(m_archivePath, reader.get(), out, unpacked, cancelled))
            return false;
        // A name met again replaces the file; it is listed once.
        if (seen.insert(fileName).second)
            files.push_back(fileName);
        if (fileName.ends_with(".t")) {
            const std::string name = fileName.substr(0, fileName.size() - 2);
            if (templateFound && name != m_name)
                refuseShape(m_archivePath, "it holds more than one template (\".t\" file)");
            m_name = name;
            templateFound = true;
        }
    }
    if (status != ARCHIVE_EOF)
        refuse(m_archivePath, readingError(reader.get()));
    checkTemplateFiles(m_archivePath, m_name, templateFound, files);
    // The files reach the disk before the folder that holds them is swapped in, so that even
    // a power cut leaves the template wholly old or wholly new.
    ::syncfs(m_lock);
    if (progress.report)
        progress.report(100);
    return true;
}

void StagedTemplate::install()
{
    // The template's place holds nothing, the template's own folder, or an empty folder (left
    // by hand); anything else may be the person's or another template's, and stays.
    bool replacing = false;
    if (const std::optional<mode_t> type = entryType(m_lock, m_name)) {
        const bool ownFolder = *type == S_IFDIR
            && (Platform::pathExists(m_templatesDir + "/" + m_name + "/" + m_name + ".t")
                || Platform::listDirectory(m_templatesDir + "/" + m_name).empty());
        if (!ownFolder) {
            refuse(m_archivePath,
                "the templates folder " + m_templatesDir + " already holds \"" + m_name
                    + "\", which is not that template's folder; it may belong to another template");
        }
        replacing = true;
    }
    if (replacing) {
        m_folder->exchange(m_staging, m_name);
    } else if (::renameat2(m_lock, Platform::nativePath(m_staging).c_str(), m_lock,
                   Platform::nativePath(m_name).c_str(), RENAME_NOREPLACE)
        != 0) {
        Platform::throwErrno(errno);
    }
    ::fsync(m_lock);
}

bool ConfirmReplacing(
    const StagedTemplate &staged, const std::string &homeDir, Platform::Dialogs &dialogs)
{
    const std::vector<std::string> known = ListTemplates(homeDir);
    if (std::find(known.begin(), known.end(), staged.name()) == known.end())
        return true;
    const Platform::Message question { Platform::ApplicationTitle,
        "A template named \"" + staged.name()
            + "\" is already installed.\nReplace it with the one from the archive?",
        Platform::MessageIcon::Question, Platform::MessageButtons::OkCancel };
    return dialogs.confirm(question);
}

std::optional<std::string> AddTemplateFromArchive(
    const std::string &archivePath, const std::string &homeDir, Platform::Dialogs &dialogs)
{
    const std::string userFolder = UserTemplatesDirectory();
    if (userFolder.empty())
        throw Platform::FileError("No folder for the user's templates: HOME is not set");
    const std::unique_ptr<StagedTemplate> staged = StagedTemplate::unpack(archivePath, userFolder);
    if (!ConfirmReplacing(*staged, homeDir, dialogs))
        return std::nullopt;
    staged->install();
    return staged->name();
}

} // namespace Catalogue
