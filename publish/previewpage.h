#pragma once

#include "platform/dialogs.h"
#include "project/project.h"
#include "publish/renderpage.h"

#include <string>

namespace Publish {

/// The folder previews are rendered in: "corvanta/preview" in the user's cache folder
/// (Platform::userFolder). A program path (Windows-1252). Throws FileError when there is no
/// such folder.
std::string previewDirectory();

/// Renders the site exactly as publishing does, into a fresh "website" folder inside
/// `previewDir` (an earlier preview there is removed first, the publish directory is never
/// touched), and returns the full path of the page's file. The files of the user's that the
/// bodies refer to are copied from `projectDirectory` (the project file's folder; empty for a
/// project never saved) as publishing copies them, so the preview shows them. Publishing's
/// closing reminder is left out; its error boxes and questions still go to `dialogs`. A page
/// that is not part of the website cannot be previewed. Throws FileError.
std::string PreviewPage(const Model::Project &project, const Model::ChoiceLists &lists,
    Model::PageId page, const std::string &homeDir, const std::string &previewDir,
    Platform::Dialogs &dialogs, const PageBodyFiles *bodyFiles,
    const std::string &projectDirectory);

} // namespace Publish
