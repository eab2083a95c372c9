#pragma once

#include "platform/directory.h"
#include "project/project.h"
#include "publish/webpictures.h"

#include <functional>
#include <string>

namespace Publish {

/// Leaves the logo to WritePictures when it is a JPEG, PNG or WebP: its name is taken in the
/// website and the pages' reference to it is noted. False when it is something else (or there
/// is no logo), which is copied as before.
bool AddLogoPicture(
    const std::string &logoPath, const Platform::Directory &website, PicturesToMake &pictures);

/// The picture step of a publish run with web-ready pictures: writes the pictures that
/// CopyUserFiles and AddLogoPicture left (WritePictures, with the user's cache), then gives
/// the pictures of the ticked pages, and of index.html, their sizes (AddPictureSizes).
/// Progress names each picture; false when `cancelled` stopped it.
bool MakeSitePictures(const Model::Project &project, const Platform::Directory &website,
    const PicturesToMake &pictures, const PictureProgress &progress,
    const std::function<bool()> &cancelled);

/// The status a publish run shows while it makes pictures: "Making pictures for the web
/// (3 of 20): photos/tree.jpg".
std::string pictureStatus(std::size_t done, std::size_t total, const std::string &name);

} // namespace Publish
