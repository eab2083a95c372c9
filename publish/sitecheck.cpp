#include "publish/sitecheck.h"

#include "project/sitefinding.h"

#include "publish/logo.h"
#include "publish/picturemaker.h"
#include "publish/references.h"
#include "publish/userfiles.h"

#include "platform/encoding.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <utility>

namespace Publish {
namespace {

/// What publishing will do to the person's pictures that a visitor would mind: a large one
/// published as it is loads slowly on a phone, and one that keeps its location tells where
/// it was taken. Each picture is looked at once, by its first bytes and size.
class PictureCheck
{
public:
    PictureCheck(const Model::Project &project, const std::string &projectDir)
        : m_settings(Model::picturesOf(project.settings))
        , m_projectDir(projectDir)
    { }

    void check(Model::PageId page, int line, const std::string &quoted,
        const std::string &relativePath, std::vector<SiteFinding> &findings)
    {
        if (!m_seen.insert(relativePath).second)
            return;
        const std::string path = Platform::nativePath(m_projectDir) + "/" + relativePath;
        std::ifstream file(path, std::ios::binary);
        std::string first(HeaderBytes, '\0');
        file.read(first.data(), HeaderBytes);
        first.resize(static_cast<std::size_t>(file.gcount()));
        const PictureFormat format = pictureFormatOf(first);
        const bool otherPicture = first.starts_with("GIF8") || first.starts_with("BM")
            || first.starts_with("II*") || first.starts_with("MM\0*");
        if (format == PictureFormat::None && !otherPicture)
            return;
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        bool asItIs = !m_settings.webReady || format == PictureFormat::None;
        if (!asItIs) {
            const auto dimensions = pictureSizeOf(format, first);
            asItIs = dimensions
                && std::max(dimensions->first, dimensions->second) <= m_settings.longEdge;
        }
        if (!error && asItIs && size > OneMegabyte) {
            char megabytes[32];
            std::snprintf(megabytes, sizeof megabytes, "%.1f", double(size) / OneMegabyte);
            findings.push_back({ page, line,
                "picture " + quoted + " is " + megabytes
                    + " MB and is published as it is: phones load it slowly" });
        }
        if (!m_settings.webReady && format != PictureFormat::None
            && removeLocation(format, first)) {
            findings.push_back({ page, line,
                "picture " + quoted
                    + " holds the place where it was taken, which the website would show "
                      "(tick \"Make pictures web-ready\" on the Options pane to leave it out)" });
        }
    }

private:
    static constexpr std::size_t HeaderBytes = 1 << 18; // the EXIF block and the frame's size
    static constexpr std::uintmax_t OneMegabyte = 1 << 20;
    Model::PictureSettings m_settings;
    std::string m_projectDir;
    std::set<std::string> m_seen;
};

void checkPage(const Model::Project &project, Model::PageId page, const PageReading &reading,
    const ReferenceLocator &locator, PictureCheck &pictures, std::vector<SiteFinding> &findings)
{
    if (reading.blank) {
        findings.push_back({ page, 1, "the page is empty" });
        return;
    }
    for (const BodyReference &reference : reading.references.references) {
        const LocatedReference located = locator.locate(reference.target);
        const std::string quoted = "\"" + Platform::utf8ToCp1252(reference.target) + "\"";
        if (located.kind == ReferenceKind::SitePage && located.page != 0
            && !Model::pageIncluded(project, located.page)) {
            findings.push_back(
                { page, reference.line, "link to " + quoted + ", a page that is not in the site" });
        } else if (located.kind == ReferenceKind::UserFile && !located.problem.empty()) {
            findings.push_back({ page, reference.line,
                (reference.picture ? "picture " : "file ") + quoted + " " + located.problem });
        } else if (located.kind == ReferenceKind::UserFile) {
            pictures.check(page, reference.line, quoted, located.relativePath, findings);
        }
    }
    for (const PictureWithoutAlt &picture : reading.references.picturesWithoutAlt) {
        findings.push_back({ page, picture.line,
            "picture \"" + Platform::utf8ToCp1252(picture.source) + "\" has no alt text" });
    }
    for (const HtmlError &error : reading.htmlErrors)
        findings.push_back({ page, error.line, error.message });
}

/// What the site's own facts hold that its pages would show wrongly.
void checkSiteFacts(const Model::Project &project, std::vector<SiteFinding> &findings)
{
    Model::PageId first = 1;
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (Model::pageIncluded(project, page.id)) {
            first = page.id;
            break;
        }
    }
    const auto report = [&](const std::string &message) {
        findings.push_back({ first, 1, message, true });
    };
    // These go into the pages as typed, where a "<" starts a tag; the description and the
    // keywords go only into attribute values, which are escaped.
    const std::pair<const char *, const std::string *> texts[] = {
        { "site title", &project.siteTitle },
        { "slogan", &project.slogan },
        { "copyright", project.addCopyrightFooter ? &project.copyrightYears : nullptr },
    };
    for (const auto &[name, text] : texts) {
        if (!text)
            continue;
        const std::string stray = strayMarkupIn(*text);
        if (!stray.empty()) {
            report(std::string("the ") + name + " has \"" + stray
                + "\", which is no HTML tag: browsers may hide it (type &lt; to show a \"<\")");
        }
    }
    if (project.logoPath.size() > 2) {
        const std::string problem = logoProblem(project.logoPath);
        if (!problem.empty())
            report("the logo \"" + project.logoPath + "\" " + problem);
    }
}

} // namespace

std::string strayMarkupIn(std::string_view text)
{
    for (std::size_t at = text.find('<'); at != std::string_view::npos;
         at = text.find('<', at + 1)) {
        std::size_t end = at + 1;
        if (end < text.size() && text[end] == '/')
            ++end;
        const std::size_t name = end;
        while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end])))
            ++end;
        const std::size_t close = text.find('>', end);
        const bool tag = end > name && std::isalpha(static_cast<unsigned char>(text[name]))
            && close != std::string_view::npos
            && (text[end] == '>' || text[end] == '/'
                || std::isspace(static_cast<unsigned char>(text[end])))
            && gumbo_tagn_enum(text.data() + name, static_cast<unsigned>(end - name))
                != GUMBO_TAG_UNKNOWN;
        if (!tag) {
            const std::size_t length
                = close == std::string_view::npos ? text.size() - at : close + 1 - at;
            return std::string(text.substr(at, std::min<std::size_t>(length, 40)));
        }
    }
    return {};
}

PublishResult CheckSite(const PublishRequest &request)
{
    const Model::Project &project = request.project;
    // The bodies are read here unless the request holds a reading of them.
    std::optional<SiteReading> read;
    if (!request.reading)
        read = ReadSite(project, request.bodyFiles);
    const SiteReading &pages = request.reading ? *request.reading : *read;
    PublishResult result { .directory = request.target };
    std::vector<SiteFinding> &findings = result.findings;
    checkSiteFacts(project, findings);
    const ReferenceLocator locator(request.projectDirectory);
    PictureCheck pictures(project, request.projectDirectory);
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (Model::pageIncluded(project, page.id)) {
            checkPage(project, page.id, pages[static_cast<std::size_t>(page.id - 1)], locator,
                pictures, findings);
        }
    }
    std::stable_sort(
        findings.begin(), findings.end(), [](const SiteFinding &a, const SiteFinding &b) {
            if (a.siteWide != b.siteWide)
                return a.siteWide;
            return a.page != b.page ? a.page < b.page : a.line < b.line;
        });
    return result;
}

std::string siteAddressTip(const Model::Project &project)
{
    if (!Model::siteAddress(project).empty())
        return {};
    return "Tip: type the website's address on Site Info (e.g. https://www.example.com/) and "
           "publishing also writes sitemap.xml, a Sitemap line in robots.txt and each page's "
           "canonical address, and link previews in chats show the site's picture.";
}

std::string findingLine(const SiteFinding &finding)
{
    if (finding.siteWide)
        return "site: " + finding.message;
    return std::string(Model::pageInfo(finding.page).pageFile) + ":" + std::to_string(finding.line)
        + ": " + finding.message;
}

} // namespace Publish
