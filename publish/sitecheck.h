#pragma once

#include "platform/dialogs.h"
#include "project/project.h"
#include "publish/references.h"
#include "publish/renderpage.h"

#include <string>
#include <string_view>
#include <vector>

namespace Model {
class ProjectSession;
}

namespace Publish {

/// One thing the check found wrong on a page.
struct SiteFinding
{
    Model::PageId page = 1;
    int line = 1; ///< the line of the page body, from 1
    std::string message; ///< Windows-1252, e.g. picture "bread.jpg" not found
    /// About the site's own facts (its title, slogan or logo), which every page shows, rather
    /// than a line of one body; `page` is then the first page of the site and `line` 1.
    bool siteWide = false;
};

/// Looks at the site before it is published: for every ticked page, files its body refers
/// to that are missing, outside `projectDir`, not regular files or the project's own files,
/// links to pages not in the site, an empty body, pictures without alt text, and HTML errors
/// (unclosed or misnested tags, unknown entities); for the site, a title, slogan or copyright
/// with a "<" that opens no HTML tag, and a logo that cannot be read or is no picture. Reads
/// no file of the user's but the logo's first bytes. Site-wide findings come first, then the
/// pages' by page and line.
std::vector<SiteFinding> CheckSite(const Model::Project &project, const std::string &projectDir,
    const PageBodyFiles *bodyFiles = nullptr);

/// What giving the site its address would add, as the check tells it; empty when the site has
/// an address. A tip, not a finding: a site without an address publishes as it is.
std::string siteAddressTip(const Model::Project &project);

/// The first "<" in `text` that does not open or close an HTML tag a browser knows, with what
/// follows it up to its ">" (at most 40 characters); empty when every "<" does.
std::string strayMarkupIn(std::string_view text);

/// The same check of pages already read with ReadSite, so that a publish run that follows can
/// copy the files from the same reading.
std::vector<SiteFinding> CheckSite(
    const Model::Project &project, const std::string &projectDir, const SiteReading &reading);

/// The check of the session's open project, against its project file's folder.
std::vector<SiteFinding> CheckSite(Model::ProjectSession &session);

/// A finding as one line: "about.html:12: picture "bread.jpg" not found", or for the site as a
/// whole "site: the logo ...".
std::string findingLine(const SiteFinding &finding);

} // namespace Publish
