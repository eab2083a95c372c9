#include "publish/livepreview.h"

#include "publish/previewpage.h"
#include "publish/publishwebsite.h"

#include "platform/fileerror.h"
#include "platform/files.h"

namespace Publish {

LivePreview renderLivePreview(
    const PublishRequest &request, Model::PageId page, const std::string &previewDir)
{
    const Model::PageInfo &info = Model::pageInfo(page);
    if (!Model::pageIncluded(request.project, page)) {
        throw Platform::FileError(std::string("The page ") + info.caption
            + " is not part of the website; tick it on the Pages pane to preview it");
    }
    if (Platform::makeDirectories(previewDir) != 0)
        throw Platform::FileError("Cannot create directory " + previewDir);
    PublishRequest run = request;
    run.target = previewDir;
    run.existing = ExistingWebsite::Keep;
    const PublishResult result = PublishWebsite(run);

    LivePreview preview;
    preview.pageFile = previewedPage(result, page);
    preview.sourceMap = PageSourceMap(Platform::readWholeFile(preview.pageFile),
        request.project.pageBody.at(static_cast<std::size_t>(page - 1)));
    // The files left out are the check's business; what stopped the run is the pane's.
    if (const std::optional<Platform::Message> stopped = stoppedNotice(result))
        preview.notices.push_back(stopped->text);
    return preview;
}

} // namespace Publish
