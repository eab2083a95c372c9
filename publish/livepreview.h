#pragma once

#include "project/project.h"
#include "publish/pagesourcemap.h"

#include <string>
#include <vector>

namespace Publish {

/// What the page editor's preview shows: a page published from the project as it is now,
/// exactly as the preview command writes it, with the map from its words to its body.
struct LivePreview
{
    std::string pageFile; ///< the full path of the page written
    PageSourceMap sourceMap;
    std::vector<std::string> notices; ///< what publishing had to say (errors and warnings)
};

/// Publishes the site as the preview command does into a fresh "website" folder inside
/// `previewDir` and maps the page's words to its body. Nothing is asked: a question is
/// answered No and the errors and warnings come back as notices. Needs no window, so it runs
/// on any thread. Throws FileError.
LivePreview renderLivePreview(const Model::Project &project, const Model::ChoiceLists &lists,
    Model::PageId page, const std::string &homeDir, const std::string &previewDir,
    const std::string &projectDirectory);

} // namespace Publish
