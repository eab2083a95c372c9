#include "publish/livepreview.h"

#include "publish/previewpage.h"
#include "publish/publishwebsite.h"
#include "publish/webnames.h"

#include "platform/fileerror.h"
#include "platform/files.h"

namespace Publish {

namespace {

bool isWebPage(const std::string &name)
{
    const std::size_t dot = name.rfind('.');
    const std::string suffix = dot == std::string::npos
        ? std::string()
        : lowerAscii(std::string_view(name).substr(dot + 1));
    return suffix == "html" || suffix == "htm";
}

/// Whether the folders hold the same files, and the same bytes in every file a page shown
/// can read: the site's other pages (index.html holds the home page again) only by name.
bool sameFiles(const std::string &folder, const std::string &other)
{
    const std::vector<Platform::DirectoryEntry> entries = Platform::listDirectory(folder);
    if (entries.size() != Platform::listDirectory(other).size())
        return false;
    for (const Platform::DirectoryEntry &entry : entries) {
        const std::string path = folder + "/" + entry.name;
        const std::string otherPath = other + "/" + entry.name;
        if (entry.kind == Platform::EntryKind::Directory) {
            if (!Platform::isDirectory(otherPath) || !sameFiles(path, otherPath))
                return false;
        } else if (entry.kind != Platform::EntryKind::File || !Platform::pathExists(otherPath)
            || (!isWebPage(entry.name)
                && Platform::readWholeFile(path) != Platform::readWholeFile(otherPath))) {
            return false;
        }
    }
    return true;
}

} // namespace

LivePreview renderLivePreview(const PublishRequest &request, Model::PageId page,
    const std::string &previewDir, const ShownPreview &shown)
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
    if (shown.preview && shown.page == page) {
        preview.patch = pagePatch(shown.preview->sourceMap, preview.sourceMap);
        // A picture or the styles changed too: the page is loaded again to show them.
        if (preview.patch && !sameFiles(previewDir, shown.folder))
            preview.patch.reset();
    }
    return preview;
}

} // namespace Publish
