#pragma once

#include "platform/directory.h"
#include "platform/files.h"
#include "project/project.h"

#include <array>
#include <optional>

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Publish {

class BodyCopies;

/// The folder templates are read from: "<home>/templates".
std::string templatesDirectoryOf(const std::string &homeDir);
/// The file name of a template in the templates folder: "<templateName>.t".
std::string templateFileName(const std::string &templateName);
/// The template a project uses: "<templateName>.t" in the user's templates folder when it is
/// there, otherwise in "<home>/templates".
std::string templatePath(const std::string &homeDir, const std::string &templateName);

/// The line every page gets at "<!--$MADE$-->": what the site was made with and where to get it.
std::string madeWithLine();

/// What the pages of one publish run share, so that no page does again what an earlier one
/// did: the template's text, read by the first page; the navigation scripts, opened for
/// appending by the first page and kept open; and the template pictures copied so far. Every
/// page of a run lists the same pictures from the same template folder, so a picture copied
/// for an earlier page is already in place and need not be copied again.
struct CopiedPictures
{
    std::set<std::string, std::less<>> names;
    std::optional<std::string> templateText;
    std::vector<std::string_view> templateLines; ///< parts of templateText
    std::optional<Platform::File> mainNavigation;
    std::optional<Platform::File> textNavigation;
    /// Given, each body from a body file is copied by the run's threads: the page leaves room
    /// for it and hands the copy over.
    BodyCopies *bodyCopies = nullptr;
};

/// The open page content files of a saved project. A run given these copies each body from
/// its file into the page instead of from the project's texts, so a site of large pages is
/// published without holding the bodies in memory.
using PageBodyFiles = std::array<std::optional<Platform::File>, Model::PageCount>;

/// The body of a page: the project's text, or the content of its body file when given.
std::string pageBodyOf(
    const Model::Project &project, Model::PageId page, const PageBodyFiles *bodyFiles);

/// Writes one page of the site into `website` from the project's template, replacing each
/// whole placeholder line with the project's value and appending the page's navigation
/// entries as the template's navigation lines are reached; then copies the page's navigation
/// picture and the pictures the template's image block lists. A picture name that could
/// reach outside the templates or website directory ("/" in it, "." or "..") ends the page
/// before any picture is copied. The template and its pictures are read only from inside
/// `templates` (links that stay inside are followed); one that leads outside or is no plain
/// file ends the page with a message naming it, and nothing of it is copied. With `copied`,
/// the template read and the scripts opened by an earlier page of the run are used again, and
/// listed pictures already copied earlier in the run are left as they are. `headLines` go on
/// their own lines just before the template's line holding "</head>". Throws FileError; what
/// was written stays.
void RenderPage(const Model::Project &project, const Model::ChoiceLists &lists, Model::PageId page,
    const Platform::Directory &templates, const Platform::Directory &website,
    CopiedPictures *copied = nullptr, const PageBodyFiles *bodyFiles = nullptr,
    std::string_view headLines = {});

} // namespace Publish
