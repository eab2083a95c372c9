#pragma once

#include "platform/directory.h"
#include "project/project.h"

#include <string>

namespace Publish {

inline constexpr const char *StylesheetFile = "styles.css";

/// The font size as the stylesheet writes it: a number of pixels gets "px" ("12px"), a
/// keyword size stays as it is ("x-small").
std::string cssFontSize(const std::string &fontSize);

/// Writes "styles.css" into `website`: the site's text, link, list and picture styles in
/// ten rule blocks. Throws FileError; a partly written file stays.
void WriteStylesheet(const Model::Project &project, const Model::ChoiceLists &lists,
    const Platform::Directory &website);

} // namespace Publish
