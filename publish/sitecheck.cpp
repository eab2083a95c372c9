#include "publish/sitecheck.h"

#include "publish/references.h"
#include "publish/userfiles.h"

#include "platform/encoding.h"
#include "project/projectsession.h"

#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

#include <algorithm>

namespace Publish {
namespace {

/// The HTML errors worth telling the author of a page body about. Tidy also reports what a
/// body alone always lacks (a doctype, a title), which says nothing about the body.
bool isBodyError(uint code)
{
    switch (code) {
    case MISSING_ENDTAG_FOR:
    case MISSING_ENDTAG_BEFORE:
    case DISCARDING_UNEXPECTED:
    case NON_MATCHING_ENDTAG:
    case COERCE_TO_ENDTAG:
    case NESTED_EMPHASIS:
    case CANT_BE_NESTED:
    case UNKNOWN_ENTITY:
    case UNESCAPED_AMPERSAND:
    case MISSING_SEMICOLON:
    case MISSING_SEMICOLON_NCR:
    case UNKNOWN_ELEMENT:
    case MISSING_QUOTEMARK:
    case MISSING_STARTTAG:
    case UNEXPECTED_END_OF_FILE:
    case UNEXPECTED_ENDTAG:
    case UNEXPECTED_ENDTAG_IN:
    case UNEXPECTED_GT:
    case UNEXPECTED_QUOTEMARK:
    case TAG_NOT_ALLOWED_IN:
        return true;
    default:
        return false;
    }
}

struct TidyFindings
{
    Model::PageId page;
    std::vector<SiteFinding> *findings;
};

Bool TIDY_CALL collectTidyMessage(TidyMessage message)
{
    auto *into = static_cast<TidyFindings *>(tidyGetAppData(tidyGetMessageDoc(message)));
    if (isBodyError(tidyGetMessageCode(message))) {
        into->findings->push_back({ into->page, std::max(1, tidyGetMessageLine(message)),
            std::string("HTML: ") + tidyGetMessage(message) });
    }
    return no; // nothing on the console
}

void addHtmlErrors(Model::PageId page, const std::string &body, std::vector<SiteFinding> &findings)
{
    TidyFindings into { page, &findings };
    TidyDoc document = tidyCreate();
    tidySetAppData(document, &into);
    tidyOptSetValue(document, TidyInCharEncoding, "win1252");
    tidyOptSetValue(document, TidyOutCharEncoding, "win1252");
    tidyOptSetBool(document, TidyShowWarnings, yes);
    tidyOptSetInt(document, TidyShowErrors, 1000);
    tidySetMessageCallback(document, collectTidyMessage);
    TidyBuffer input;
    tidyBufInit(&input);
    tidyBufAttach(&input, reinterpret_cast<byte *>(const_cast<char *>(body.data())),
        static_cast<uint>(body.size()));
    tidyParseBuffer(document, &input);
    tidyBufDetach(&input);
    tidyRelease(document);
}

void checkPage(const Model::Project &project, Model::PageId page, const std::string &body,
    const std::string &projectDir, std::vector<SiteFinding> &findings)
{
    if (body.find_first_not_of(" \t\r\n") == std::string::npos) {
        findings.push_back({ page, 1, "the page is empty" });
        return;
    }
    const BodyReading reading = ReadBodyReferences(body);
    for (const BodyReference &reference : reading.references) {
        const LocatedReference located = LocateReference(projectDir, reference.target);
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
    for (const PictureWithoutAlt &picture : reading.picturesWithoutAlt) {
        findings.push_back({ page, picture.line,
            "picture \"" + Platform::utf8ToCp1252(picture.source) + "\" has no alt text" });
    }
    addHtmlErrors(page, body, findings);
}

} // namespace

std::vector<SiteFinding> CheckSite(
    const Model::Project &project, const std::string &projectDir, const PageBodyFiles *bodyFiles)
{
    std::vector<SiteFinding> findings;
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (Model::pageIncluded(project, page.id))
            checkPage(
                project, page.id, pageBodyOf(project, page.id, bodyFiles), projectDir, findings);
    }
    std::stable_sort(
        findings.begin(), findings.end(), [](const SiteFinding &a, const SiteFinding &b) {
            return a.page != b.page ? a.page < b.page : a.line < b.line;
        });
    return findings;
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

Platform::Message publishAnywayQuestion(const std::vector<SiteFinding> &findings)
{
    constexpr std::size_t Shown = 20;
    std::string text = "The check of the site found this:";
    for (std::size_t i = 0; i < findings.size() && i < Shown; ++i)
        text += "\n" + findingLine(findings[i]);
    if (findings.size() > Shown)
        text += "\nand " + std::to_string(findings.size() - Shown) + " more";
    text += "\n\nPublish anyway?";
    return { Platform::ApplicationTitle, text, Platform::MessageIcon::Question,
        Platform::MessageButtons::OkCancel };
}

} // namespace Publish
