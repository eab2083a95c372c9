#include "publish/sitecheck.h"

#include "publish/references.h"
#include "publish/userfiles.h"

#include "platform/encoding.h"
#include "project/projectsession.h"

#include <algorithm>

namespace Publish {
namespace {

void checkPage(const Model::Project &project, Model::PageId page, const PageReading &reading,
    const ReferenceLocator &locator, std::vector<SiteFinding> &findings)
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
        }
    }
    for (const PictureWithoutAlt &picture : reading.references.picturesWithoutAlt) {
        findings.push_back({ page, picture.line,
            "picture \"" + Platform::utf8ToCp1252(picture.source) + "\" has no alt text" });
    }
    for (const HtmlError &error : reading.htmlErrors)
        findings.push_back({ page, error.line, error.message });
}

} // namespace

std::vector<SiteFinding> CheckSite(
    const Model::Project &project, const std::string &projectDir, const SiteReading &reading)
{
    std::vector<SiteFinding> findings;
    const ReferenceLocator locator(projectDir);
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (Model::pageIncluded(project, page.id)) {
            checkPage(project, page.id, reading[static_cast<std::size_t>(page.id - 1)], locator,
                findings);
        }
    }
    std::stable_sort(
        findings.begin(), findings.end(), [](const SiteFinding &a, const SiteFinding &b) {
            return a.page != b.page ? a.page < b.page : a.line < b.line;
        });
    return findings;
}

std::vector<SiteFinding> CheckSite(
    const Model::Project &project, const std::string &projectDir, const PageBodyFiles *bodyFiles)
{
    return CheckSite(project, projectDir, ReadSite(project, bodyFiles));
}

std::vector<SiteFinding> CheckSite(Model::ProjectSession &session)
{
    return CheckSite(session.project(), projectDirectoryOf(session.fileName()));
}

std::string findingLine(const SiteFinding &finding)
{
    return std::string(Model::pageInfo(finding.page).pageFile) + ":" + std::to_string(finding.line)
        + ": " + finding.message;
}

} // namespace Publish
