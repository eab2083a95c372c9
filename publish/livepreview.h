#pragma once

#include "project/project.h"
#include "publish/pagesourcemap.h"
#include "publish/publishrequest.h"

#include <optional>
#include <string>
#include <vector>

namespace Publish {

/// What the page editor's preview shows: a page published from the project as it is now,
/// exactly as the preview command writes it, with the map from its words to its body.
struct LivePreview
{
    std::string pageFile; ///< the full path of the page written
    PageSourceMap sourceMap;
    std::vector<std::string> notices; ///< what the run had to say
    /// How a browser showing the page given as `shown` comes to show this one without
    /// loading it again; nothing when it must load it (see Publish::pagePatch), or when
    /// another file of the site differs.
    std::optional<PagePatch> patch;
};

/// The page shown before a run: the preview that made it and the folder it is now in.
struct ShownPreview
{
    const LivePreview *preview = nullptr;
    std::string folder;
    Model::PageId page = 0;
};

/// Publishes the request's site as the preview command does, into a fresh "website" folder
/// inside `previewDir` (the request's target is never touched), and maps the page's words to
/// its body. Asks nothing and shows nothing, so it runs on any thread; a run cancelled through
/// the request leaves nothing and throws. A page that is not part of the website cannot be
/// previewed. Throws FileError.
/// With `shown`, the preview also says how to patch the page shown into this one.
LivePreview renderLivePreview(const PublishRequest &request, Model::PageId page,
    const std::string &previewDir, const ShownPreview &shown = {});

} // namespace Publish
