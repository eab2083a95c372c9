#pragma once

#include "platform/dialogs.h"
#include "project/project.h"
#include "publish/references.h"
#include "publish/renderpage.h"

#include <string>
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
};

/// Looks at every ticked page before it is published: files its body refers to that are
/// missing, outside `projectDir` or not regular files, links to pages not in the site, an
/// empty body, pictures without alt text, and HTML errors (unclosed or misnested tags,
/// unknown entities). Reads no file of the user's. Sorted by page, then line.
std::vector<SiteFinding> CheckSite(const Model::Project &project, const std::string &projectDir,
    const PageBodyFiles *bodyFiles = nullptr);

/// The same check of pages already read with ReadSite, so that a publish run that follows can
/// copy the files from the same reading.
std::vector<SiteFinding> CheckSite(
    const Model::Project &project, const std::string &projectDir, const SiteReading &reading);

/// The check of the session's open project, against its project file's folder.
std::vector<SiteFinding> CheckSite(Model::ProjectSession &session);

/// A finding as one line: "about.html:12: picture "bread.jpg" not found".
std::string findingLine(const SiteFinding &finding);

} // namespace Publish
