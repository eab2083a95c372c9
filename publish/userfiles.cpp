#include "publish/userfiles.h"

#include "publish/references.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

std::string projectDirectoryOf(const std::string &projectFilePath)
{
    const std::size_t slash = projectFilePath.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : projectFilePath.substr(0, slash);
}

LocatedReference LocateReference(const std::string &projectDir, std::string_view target)
{
    if (target.empty() || target.front() == '#' || target.starts_with("//") || hasScheme(target))
        return {};
    target = target.substr(0, target.find_first_of("?#"));
    if (target.find('\\') != std::string_view::npos)
        return problem("has a backslash; folders are separated by \"/\" on the web");
    if (target.front() == '/' || (target.size() >= 2 && target[1] == ':'))
        return problem("is outside the project folder");

    std::string decoded;
    for (std::size_t i = 0; i < target.size(); ++i) {
        if (target[i] != '%') {
            decoded += target[i];
            continue;
        }
        const int high = i + 2 < target.size() ? hexValue(target[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(target[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0))
            return problem("has a broken percent-escape");
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }

    // Folded by name first, as the web server will: "a/../b" is "b", and a ".." past the
    // folder itself leaves it.
    std::vector<std::string_view> parts;
    std::string_view rest = decoded;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.empty())
                return problem("is outside the project folder");
            parts.pop_back();
        } else {
            parts.push_back(part);
        }
    }
    if (parts.empty() || decoded.back() == '/')
        return problem("is a folder, not a file");
    std::string relative;
    for (const std::string_view part : parts)
        relative += (relative.empty() ? "" : "/") + std::string(part);

    if (parts.size() == 1) {
        if (relative == "index.html")
            return { ReferenceKind::SitePage, 0, {}, {} };
        for (const Model::PageInfo &page : Model::PageCatalogue) {
            if (relative == page.pageFile)
                return { ReferenceKind::SitePage, page.id, {}, {} };
        }
    }

    LocatedReference located { ReferenceKind::UserFile, 0, relative, {} };
    if (projectDir.empty()) {
        located.problem = "cannot be found: the project has not been saved yet";
        return located;
    }
    const std::string root = realPathOf(Platform::nativePath(projectDir));
    const std::string full = Platform::nativePath(projectDir) + "/" + relative;
    const std::string real = realPathOf(full);
    struct stat status;
    if (real.empty() || root.empty()) {
        // A link that points nowhere is still a link out of reach, not a missing file.
        located.problem
            = ::lstat(full.c_str(), &status) == 0 ? "is a link that leads nowhere" : "not found";
    } else if (!(real.starts_with(root) && (root == "/" || real[root.size()] == '/'))) {
        located.problem = "leads outside the project folder";
    } else if (::stat(real.c_str(), &status) != 0) {
        located.problem = "not found";
    } else if (S_ISDIR(status.st_mode)) {
        located.problem = "is a folder, not a file";
    } else if (!S_ISREG(status.st_mode)) {
        located.problem = "is not a regular file";
    }
    return located;
}

std::string pageBodyOf(
    const Model::Project &project, Model::PageId page, const PageBodyFiles *bodyFiles)
{
    const auto index = static_cast<std::size_t>(page - 1);
    if (bodyFiles && bodyFiles->at(index))
        return Platform::readWholeFile(bodyFiles->at(index)->path());
    return project.pageBody[index];
}

namespace {

std::string cannotCopy(int error)
{
    return "could not be copied: " + Platform::errnoMessage(error);
}

/// Copies one regular file inside the project folder; returns why it failed, or "".
std::string copyOne(
    const std::string &projectDir, const std::string &relative, const std::string &websiteDir)
{
    const std::string source = realPathOf(Platform::nativePath(projectDir) + "/" + relative);
    // Opened without following a link and without waiting on a pipe; checked again once open,
    // since the file may have changed since it was looked at.
    const int in = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return cannotCopy(errno);
    struct stat status;
    if (::fstat(in, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(in);
        return "is not a regular file";
    }
    std::string target = Platform::nativePath(websiteDir);
    for (std::size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1)) {
        ::mkdir((target + "/" + relative.substr(0, slash)).c_str(), 0755);
    }
    target += "/" + relative;
    const int out
        = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error == EEXIST ? "has the name of a file the site already has" : cannotCopy(error);
    }
    char buffer[1 << 16];
    std::string failure;
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got < 0)
                failure = cannotCopy(errno);
            break;
        }
        for (ssize_t done = 0; done < got && failure.empty();) {
            const ssize_t wrote = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (wrote < 0 && errno != EINTR)
                failure = cannotCopy(errno);
            else if (wrote > 0)
                done += wrote;
        }
        if (!failure.empty())
            break;
    }
    ::close(in);
    if (::close(out) != 0 && failure.empty())
        failure = cannotCopy(errno);
    // No half-copied file stays in the site.
    if (!failure.empty())
        ::unlink(target.c_str());
    return failure;
}

} // namespace

std::vector<std::string> CopyUserFiles(const Model::Project &project, const std::string &projectDir,
    const std::string &websiteDir, const PageBodyFiles *bodyFiles)
{
    std::vector<std::string> notCopied;
    std::set<std::string, std::less<>> seen;
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (!Model::pageIncluded(project, page.id))
            continue;
        const BodyReading reading = ReadBodyReferences(pageBodyOf(project, page.id, bodyFiles));
        for (const BodyReference &reference : reading.references) {
            if (!seen.insert(reference.target).second)
                continue;
            LocatedReference located = LocateReference(projectDir, reference.target);
            if (located.kind != ReferenceKind::UserFile)
                continue;
            // Two spellings of one file ("a%20b.jpg", "a b.jpg") are copied once.
            if (located.problem.empty() && !seen.insert("\n" + located.relativePath).second)
                continue;
            if (located.problem.empty())
                located.problem = copyOne(projectDir, located.relativePath, websiteDir);
            if (!located.problem.empty()) {
                notCopied.push_back("\"" + Platform::utf8ToCp1252(reference.target) + "\" ("
                    + page.pageFile + ") " + located.problem);
            }
        }
    }
    return notCopied;
}

std::string NotCopiedNotice(const std::vector<std::string> &notCopied)
{
    constexpr std::size_t Shown = 20;
    std::string text = "These files that the pages refer to could not be copied into the website:";
    for (std::size_t i = 0; i < notCopied.size() && i < Shown; ++i)
        text += "\n" + notCopied[i];
    if (notCopied.size() > Shown)
        text += "\nand " + std::to_string(notCopied.size() - Shown) + " more";
    return text;
}

} // namespace Publish
