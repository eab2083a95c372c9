#pragma once

#include "platform/directory.h"
#include "project/project.h"

#include <optional>
#include <string>

namespace Publish {

/// The site's navigation lives in two scripts beside the pages: "mainnav.js" prints a picture
/// link per published page, "bottomnav.js" a text link. Pages include them where the template
/// says, so every page shows the same links.

inline constexpr const char *MainNavigationScript = "mainnav.js";
inline constexpr const char *TextNavigationScript = "bottomnav.js";

/// Creates "mainnav.js" empty in the website directory and, when the site has a text
/// navigation bar, "bottomnav.js" too. Throws FileError.
void CreateNavigationScripts(const Platform::Directory &website, bool addTextNavigation);

/// The picture link line of a page, without its line end. The template's name is written as
/// an address inside the script's string, so any name gives a script that runs.
std::string mainNavigationEntry(const std::string &templateName, Model::PageId page);
/// The text link line of a page, without its line end.
std::string textNavigationEntry(Model::PageId page);

/// Appends the page's picture link to "mainnav.js", which must exist ("File not found").
void AppendMainNavigationEntry(
    const Platform::Directory &website, const std::string &templateName, Model::PageId page);
/// Appends the page's text link to "bottomnav.js", which must exist ("File not found").
void AppendTextNavigationEntry(const Platform::Directory &website, Model::PageId page);
/// As the two above, through `script`: "mainnav.js" or "bottomnav.js" is opened for
/// appending on the first call with an empty `script` and kept open there for the next.
void AppendMainNavigationEntry(const Platform::Directory &website, const std::string &templateName,
    Model::PageId page, std::optional<Platform::File> &script);
void AppendTextNavigationEntry(
    const Platform::Directory &website, Model::PageId page, std::optional<Platform::File> &script);

} // namespace Publish
