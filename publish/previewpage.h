#pragma once

#include "project/project.h"
#include "publish/publishrequest.h"

#include <string>

namespace Publish {

/// The folder previews are rendered in: "corvanta/preview" in the user's cache folder
/// (Platform::userFolder). A program path (Windows-1252). Throws FileError when there is no
/// such folder.
std::string previewDirectory();

/// Renders the request's site exactly as publishing does, into a fresh "website" folder
/// inside the preview folder (an earlier preview there is removed first; the request's target
/// is never touched), for a look at `page`. The files of the user's that the bodies refer to
/// are copied as publishing copies them, so the preview shows them. A page that is not part
/// of the website cannot be previewed. Throws FileError.
PublishResult PreviewPage(const PublishRequest &request, Model::PageId page);

/// The full path of `page` in the preview a PreviewPage run wrote. Throws FileError when the
/// run could not make its "website" folder.
std::string previewedPage(const PublishResult &preview, Model::PageId page);

} // namespace Publish
