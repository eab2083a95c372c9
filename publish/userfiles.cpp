#include "publish/userfiles.h"

#include "publish/references.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"

#include <map>
#include <memory>
#include <optional>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <set>

namespace Publish {
namespace {

/// A URL scheme ("http:", "ftp:", "mailto:"): a letter, then letters, digits, "+", "-" or
/// ".", then ":". One letter is a drive ("C:"), a full path of another computer.
bool hasScheme(std::string_view target)
{
    const std::size_t colon = target.find(':');
    if (colon == std::string_view::npos || colon < 2
        || !std::isalpha(static_cast<unsigned char>(target[0])))
        return false;
    return std::all_of(
        target.begin(), target.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        });
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

LocatedReference problem(const char *text) { return { ReferenceKind::UserFile, 0, {}, text }; }

std::string realPathOf(const std::string &path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool endsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

constexpr const char *ProjectOwnFile
    = "is one of the project's own files, which are never put in the website";

} // namespace

bool isProjectFileName(std::string_view name, bool inProjectFolder)
{
    std::string lower(name);
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // The project file, its upload and settings files and what is written while they are
    // saved ("site.cvp.upload.new").
    if (endsWith(lower, ".cvp") || lower.find(".cvp.upload") != std::string::npos
        || lower.find(".cvp.settings") != std::string::npos)
        return true;
    // A save's journal (".site.cvp.journal") and the hidden new files of a save
    // (".site.cvp.cvsave-k3j9x0"); ".corvanta-save" stands in for a name too long for them.
    if (lower.starts_with(".")
        && (endsWith(lower, ".journal") || lower.find(".cvsave-") != std::string::npos
            || lower.starts_with(".corvanta-save")))
        return true;
    // The page files lie beside the project file.
    if (inProjectFolder) {
        for (const Model::PageInfo &page : Model::PageCatalogue) {
            if (name == page.contentFile)
                return true;
        }
    }
    return false;
}

namespace {

/// True when `relative` (a path inside the project folder, "/" between its parts) names one of
/// the project's own files.
bool isProjectFilePath(std::string_view relative)
{
    const std::size_t slash = relative.rfind('/');
    return isProjectFileName(
        slash == std::string_view::npos ? relative : relative.substr(slash + 1),
        slash == std::string_view::npos);
}

/// True when a reference is no file's path: a web address, a fragment of the page itself, or
/// an address of another host ("//host/a.jpg").
bool isAddress(std::string_view target)
{
    return target.empty() || target.front() == '#' || target.starts_with("//") || hasScheme(target);
}

/// A path with its percent-escapes decoded; nothing when an escape is broken or decodes to a
/// NUL.
std::optional<std::string> percentDecoded(std::string_view path)
{
    std::string decoded;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '%') {
            decoded += path[i];
            continue;
        }
        const int high = i + 2 < path.size() ? hexValue(path[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(path[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

/// Reads a reference to a file as the path inside the project folder it names, into
/// `relative` ("/" between its parts); returns why it names none, or nullptr.
const char *projectPathOf(std::string_view target, std::string &relative)
{
    target = target.substr(0, target.find_first_of("?#"));
    if (target.find('\\') != std::string_view::npos)
        return "has a backslash; folders are separated by \"/\" on the web";
    if (!target.empty() && (target.front() == '/' || (target.size() >= 2 && target[1] == ':')))
        return "is outside the project folder";
    const std::optional<std::string> decoded = percentDecoded(target);
    if (!decoded)
        return "has a broken percent-escape";
    // Folded by name first, as the web server will: "a/../b" is "b", and a ".." past the
    // folder itself leaves it.
    const Platform::FoldedPath folded = Platform::foldPath(*decoded);
    if (folded.leadsAbove)
        return "is outside the project folder";
    if (folded.parts.empty() || decoded->back() == '/')
        return "is a folder, not a file";
    relative.clear();
    for (const std::string &part : folded.parts)
        relative += (relative.empty() ? "" : "/") + part;
    return nullptr;
}

/// The site's own page that a path names, if it names one ("about.html", "index.html").
std::optional<LocatedReference> sitePageNamed(std::string_view relative)
{
    if (relative == "index.html")
        return LocatedReference { ReferenceKind::SitePage, 0, {}, {} };
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (relative == page.pageFile)
            return LocatedReference { ReferenceKind::SitePage, page.id, {}, {} };
    }
    return std::nullopt;
}

} // namespace

LocatedReference LocateReference(const std::string &projectDir, std::string_view target)
{
    return ReferenceLocator(projectDir).locate(target);
}

ReferenceLocator::ReferenceLocator(const std::string &projectDir)
    : m_projectDir(projectDir)
    , m_realRoot(projectDir.empty() ? std::string() : realPathOf(Platform::nativePath(projectDir)))
{ }

LocatedReference ReferenceLocator::locate(std::string_view target) const
{
    if (isAddress(target))
        return {};
    std::string relative;
    if (const char *why = projectPathOf(target, relative))
        return problem(why);
    if (std::optional<LocatedReference> page = sitePageNamed(relative))
        return std::move(*page);
    LocatedReference located { ReferenceKind::UserFile, 0, relative, {} };
    located.problem = userFileProblem(relative);
    return located;
}

std::string ReferenceLocator::userFileProblem(const std::string &relative) const
{
    if (isProjectFilePath(relative))
        return ProjectOwnFile;
    if (m_projectDir.empty())
        return "cannot be found: the project has not been saved yet";
    // The site is written by Windows-1252 names; a name beyond them cannot be copied.
    if (!Platform::utf8ToCp1252Exact(relative))
        return "has letters in its name that Windows-1252 does not have";
    return foundFileProblem(relative);
}

std::string ReferenceLocator::foundFileProblem(const std::string &relative) const
{
    const std::string &root = m_realRoot;
    const std::string full = Platform::nativePath(m_projectDir) + "/" + relative;
    const std::string real = realPathOf(full);
    struct stat status;
    if (real.empty() || root.empty()) {
        // A link that points nowhere is still a link out of reach, not a missing file.
        return ::lstat(full.c_str(), &status) == 0 ? "is a link that leads nowhere" : "not found";
    }
    if (!(real.starts_with(root) && (root == "/" || real[root.size()] == '/')))
        return "leads outside the project folder";
    if (::stat(real.c_str(), &status) != 0)
        return "not found";
    if (isProjectFilePath(real.substr(root == "/" ? 1 : root.size() + 1))
        || isProjectFile(status)) {
        // Reached through a link, or another name for the same file.
        return ProjectOwnFile;
    }
    if (S_ISDIR(status.st_mode))
        return "is a folder, not a file";
    if (!S_ISREG(status.st_mode))
        return "is not a regular file";
    return {};
}

bool ReferenceLocator::isProjectFile(const struct stat &file) const
{
    if (!m_projectFiles) {
        m_projectFiles.emplace();
        const auto add = [&](const std::string &name) {
            struct stat status;
            const std::string path = Platform::nativePath(m_projectDir + "/" + name);
            const bool found = ::stat(path.c_str(), &status) == 0;
            if (found)
                m_projectFiles->insert({ status.st_dev, status.st_ino });
            return found;
        };
        for (const Platform::DirectoryEntry &entry : Platform::listDirectory(m_projectDir)) {
            if (isProjectFileName(entry.name, true))
                add(entry.name);
            // A project file of any name has its upload or settings file beside it.
            for (const std::string_view suffix : { ".upload", ".settings" }) {
                if (entry.name.size() > suffix.size() && endsWith(entry.name, suffix)
                    && add(entry.name.substr(0, entry.name.size() - suffix.size())))
                    add(entry.name);
            }
        }
    }
    return m_projectFiles->contains({ file.st_dev, file.st_ino });
}

namespace {

std::string cannotCopy(const std::string &why) { return "could not be copied: " + why; }

/// Copies the file at `relative` (UTF-8, "/") below `project` to the same place below
/// `website`; returns why it failed, or "". Both sides are reached through their open
/// directories: a link on the way out of the project folder is not followed, a link in the
/// website is not written through. `folders` keeps the website's folders made and opened by
/// earlier copies of the run, by their paths inside it.
std::string copyOne(const std::shared_ptr<const Platform::Directory> &project,
    const std::string &relative, const Platform::Directory &website, PicturesToMake *pictures,
    std::map<std::string, std::shared_ptr<const Platform::Directory>> &folders)
{
    const std::optional<std::string> name = Platform::utf8ToCp1252Exact(relative);
    if (!name)
        return "has letters in its name that Windows-1252 does not have";
    std::optional<Platform::File> in;
    try {
        in.emplace(project->openBeneath(*name));
    } catch (const Platform::ConfinementError &error) {
        return error.reason() == Platform::ConfinementError::Reason::LeadsOutside
            ? "leads outside the project folder"
            : "is not a regular file";
    } catch (const Platform::FileError &error) {
        return cannotCopy(error.what());
    }

    // The folders on the way are made and opened one by one below the website.
    std::shared_ptr<const Platform::Directory> folder;
    const auto current
        = [&]() -> const Platform::Directory & { return folder ? *folder : website; };
    std::size_t from = 0;
    try {
        for (std::size_t slash = name->find('/'); slash != std::string::npos;
             from = slash + 1, slash = name->find('/', from)) {
            const std::string path = name->substr(0, slash);
            auto found = folders.find(path);
            if (found == folders.end()) {
                const std::string part = name->substr(from, slash - from);
                current().makeDirectory(part);
                found = folders
                            .emplace(path,
                                std::make_shared<const Platform::Directory>(
                                    current().openDirectory(part)))
                            .first;
            }
            folder = found->second;
        }
    } catch (const Platform::FileError &error) {
        return cannotCopy(error.what());
    }
    const std::string fileName = name->substr(from);
    std::optional<Platform::File> out;
    try {
        out = current().createNewFile(fileName);
        if (!out)
            return "has the name of a file the site already has";
        char first[16];
        const std::size_t count = pictures ? in->readAt(first, sizeof first, 0) : 0;
        if (pictureFormatOf(std::string_view(first, count)) != PictureFormat::None) {
            out->close();
            pictures->pending.push_back(
                { [project, name = *name] { return project->openBeneath(name); }, folder, fileName,
                    relative });
            return {};
        }
        out->writeContentsOf(*in);
        out->close();
    } catch (const Platform::FileError &error) {
        // No half-copied file stays in the site.
        out.reset();
        folder->removeTree(fileName);
        return cannotCopy(error.what());
    }
    return {};
}

} // namespace

std::vector<std::string> CopyUserFiles(const Model::Project &project, const std::string &projectDir,
    const Platform::Directory &website, const SiteTargets &targets, PicturesToMake *pictures)
{
    std::vector<std::string> notCopied;
    std::set<std::string, std::less<>> seen;
    const ReferenceLocator locator(projectDir);
    // The project folder is opened once, when there is anything to copy from it.
    std::shared_ptr<const Platform::Directory> projectFolder;
    std::string projectFolderFailure;
    std::map<std::string, std::shared_ptr<const Platform::Directory>> websiteFolders;
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (!Model::pageIncluded(project, page.id))
            continue;
        for (const std::string &target : targets[static_cast<std::size_t>(page.id - 1)]) {
            if (!seen.insert(target).second)
                continue;
            LocatedReference located = locator.locate(target);
            if (located.kind != ReferenceKind::UserFile)
                continue;
            if (pictures && located.problem.empty())
                pictures->targets.emplace(target, located.relativePath);
            // Two spellings of one file ("a%20b.jpg", "a b.jpg") are copied once.
            if (located.problem.empty() && !seen.insert("\n" + located.relativePath).second)
                continue;
            if (located.problem.empty() && !projectFolder && projectFolderFailure.empty()) {
                try {
                    projectFolder = std::make_shared<const Platform::Directory>(projectDir);
                } catch (const Platform::FileError &error) {
                    projectFolderFailure = cannotCopy(error.what());
                }
            }
            if (located.problem.empty()) {
                located.problem = projectFolder ? copyOne(projectFolder, located.relativePath,
                                      website, pictures, websiteFolders)
                                                : projectFolderFailure;
            }
            if (!located.problem.empty()) {
                notCopied.push_back("\"" + Platform::utf8ToCp1252(target) + "\" (" + page.pageFile
                    + ") " + located.problem);
            }
        }
    }
    return notCopied;
}

} // namespace Publish
