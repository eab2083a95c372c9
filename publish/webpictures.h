#pragma once

#include "platform/directory.h"
#include "platform/files.h"
#include "project/projectsettings.h"
#include "publish/picturemaker.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Publish {

/// A picture of the person's whose name is already taken in the website (an empty file holds
/// it) and whose content is written by WritePictures.
struct PendingPicture
{
    std::function<Platform::File()> open; ///< opens the person's file, only ever for reading
    std::shared_ptr<const Platform::Directory> folder; ///< its folder in the site; null: the top
    std::string name; ///< its file name in that folder (Windows-1252)
    std::string sitePath; ///< its path in the site (UTF-8, "/" between folders)
};

/// The pictures a copy of the person's files leaves to WritePictures, and what the pages call
/// them.
struct PicturesToMake
{
    std::vector<PendingPicture> pending;
    /// Every reference of the pages to a file of the person's (UTF-8, as a page writes it) and
    /// that file's path in the site.
    std::map<std::string, std::string, std::less<>> targets;
};

/// What a picture became in the website.
struct PublishedPicture
{
    PictureKind kind = PictureKind::AsItIs;
    int width = 0; ///< WebCopy: the copy's size
    int height = 0;
    std::vector<int> variants; ///< WebCopy: the widths of the smaller copies written beside it
};

/// The pictures of a run by their path in the site.
using PublishedPictures = std::map<std::string, PublishedPicture, std::less<>>;

/// The name of a smaller copy beside a picture: "photos/tree.jpg" gives "photos/tree-480.jpg".
std::string variantName(std::string_view name, int width);

/// How many pictures WritePictures makes at once on a machine with `cores` cores: one per
/// core, but never so many that their buffers pass 200 MB together, however many cores.
std::size_t pictureWorkers(std::size_t cores, std::size_t pictures);

/// The cache of web copies: "$XDG_CACHE_HOME/corvanta/pictures", or none without such a folder.
std::optional<std::string> pictureCacheFolder();

/// Called on the calling thread once for each picture as it is begun: how many were begun
/// before it, of how many, and its path in the site.
using PictureProgress
    = std::function<void(std::size_t before, std::size_t total, const std::string &name)>;

/// Writes the pending pictures into the website, several at once (pictureWorkers): a JPEG, PNG or
/// WebP larger than the settings' limit as its web copy with the smaller copies beside it, a
/// smaller one without its location, anything else byte for byte. Copies already made for the
/// same picture and settings are taken from `cacheFolder` (when given) without reading the
/// picture again; new ones are kept there. The person's files are only read. Checks
/// `cancelled` at least ten times a second and returns false once it says so (what was
/// written stays); otherwise fills `published` and returns true. Throws FileError when the
/// website cannot be written.
bool WritePictures(const std::vector<PendingPicture> &pending, const Platform::Directory &website,
    const Model::PictureSettings &settings, const std::optional<std::string> &cacheFolder,
    const PictureProgress &progress, const std::function<bool()> &cancelled,
    PublishedPictures &published);

/// Gives each <img> of a page in the website whose src names a web copy (by `targets`: what a
/// page refers to, UTF-8, to the copy's path in the site) a srcset and sizes naming the copy
/// and its smaller copies, and its width and height, so that a phone loads the small one and
/// the page keeps its place while it loads. A picture with its own srcset, or a page without
/// such a picture, is left as it is.
void AddPictureSizes(const Platform::Directory &website, const std::string &pageFile,
    const std::map<std::string, std::string, std::less<>> &targets,
    const PublishedPictures &published);

/// The picture module's entries, loaded the first time they are needed. Throws FileError when
/// the module is missing or does not load.
struct PictureModule
{
    PictureHashEntry hash = nullptr;
    MakePictureEntry make = nullptr;
    DrawSiteIconsEntry drawIcons = nullptr;
};
const PictureModule &pictureModule();

} // namespace Publish
