#include "publish/sitepictures.h"

#include "publish/logo.h"
#include "publish/webnames.h"
#include "publish/websitefolder.h"

#include "platform/cachecleaning.h"
#include "platform/encoding.h"
#include "platform/files.h"

namespace Publish {

bool AddLogoPicture(
    const std::string &logoPath, const Platform::Directory &website, PicturesToMake &pictures)
{
    if (logoPath.size() <= 2)
        return false;
    char first[16];
    const std::size_t count = openLogo(logoPath).readAt(first, sizeof first, 0);
    if (pictureFormatOf(std::string_view(first, count)) == PictureFormat::None)
        return false;
    const std::string name = Platform::fileNameOf(logoPath);
    website.createFile(name).close();
    const std::string sitePath = Platform::cp1252ToUtf8(name);
    pictures.pending.push_back(
        { [logoPath] { return openLogo(logoPath); }, nullptr, name, sitePath });
    pictures.targets.emplace(Platform::cp1252ToUtf8(relativeAddress(name)), sitePath);
    return true;
}

bool MakeSitePictures(const Model::Project &project, const Platform::Directory &website,
    const PicturesToMake &pictures, const PictureProgress &progress,
    const std::function<bool()> &cancelled)
{
    PublishedPictures published;
    const std::optional<std::string> cache = pictureCacheFolder();
    if (!WritePictures(pictures.pending, website, Model::picturesOf(project.settings), cache,
            progress, cancelled, published))
        return false;
    // Once this run's pictures have been read from the cache, what no run read for months goes.
    if (cache)
        Platform::cleanCacheFolder(*cache, { .nestedFolders = { "sources", "icons" } });
    const bool anyCopy = std::any_of(published.begin(), published.end(),
        [](const auto &picture) { return picture.second.kind == PictureKind::WebCopy; });
    if (!anyCopy)
        return true;
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (!Model::pageIncluded(project, page.id))
            continue;
        AddPictureSizes(website, page.pageFile, pictures.targets, published);
        if (page.id == 1)
            AddPictureSizes(website, "index.html", pictures.targets, published);
    }
    return true;
}

std::string pictureStatus(std::size_t done, std::size_t total, const std::string &name)
{
    return "Making pictures for the web (" + std::to_string(std::min(done + 1, total)) + " of "
        + std::to_string(total) + "): " + Platform::utf8ToCp1252(name);
}

} // namespace Publish
