#include "publish/previewpage.h"

#include "publish/publishwebsite.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "platform/userfolders.h"

#include <filesystem>
#include <system_error>

namespace Publish {

std::string previewDirectory()
{
    const std::optional<std::string> cache = Platform::userFolder(Platform::UserFolder::Cache);
    if (!cache)
        throw Platform::FileError("Cannot find the cache folder: HOME is not set");
    return Platform::utf8ToCp1252(*cache) + "/corvanta/preview";
}

PublishResult PreviewPage(const PublishRequest &request, Model::PageId page)
{
    const Model::PageInfo &info = Model::pageInfo(page);
    if (!Model::pageIncluded(request.project, page)) {
        throw Platform::FileError(std::string("The page ") + info.caption
            + " is not part of the website; tick it on the Pages pane to preview it");
    }
    const std::string previewDir = previewDirectory();
    if (Platform::makeDirectories(previewDir) != 0)
        throw Platform::FileError("Cannot create directory " + previewDir);
    // Publishing writes only into a new "website" folder, so the last preview goes first.
    const std::string websiteDir = websiteDirectoryOf(previewDir);
    std::error_code error;
    std::filesystem::remove_all(Platform::nativePath(websiteDir), error);
    if (error)
        throw Platform::FileError("Cannot remove the earlier preview " + websiteDir);

    PublishRequest preview = request;
    preview.target = previewDir;
    preview.existing = ExistingWebsite::Keep;
    return PublishWebsite(preview);
}

std::string previewedPage(const PublishResult &preview, Model::PageId page)
{
    const std::string websiteDir = websiteDirectoryOf(preview.directory);
    if (preview.outcome != PublishOutcome::Completed)
        throw Platform::FileError("Cannot create directory " + websiteDir);
    return websiteDir + "/" + Model::pageInfo(page).pageFile;
}

} // namespace Publish
