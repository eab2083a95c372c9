#pragma once

#include "platform/dialogs.h"
#include "platform/directory.h"
#include "project/project.h"
#include "publish/references.h"
#include "publish/renderpage.h"
#include "publish/websitefolder.h"

#include <functional>
#include <string>

namespace Publish {

/// How a publish run ended. File errors are not outcomes: they are thrown as FileError.
enum class PublishOutcome {
    NoDirectory, ///< no directory chosen; the window stays open
    DirectoryNotCreated, ///< "website" could not be made (usually it exists); the window closes
    Completed, ///< the whole site was written
    DirectoryMissing ///< the chosen directory does not exist; the window stays open
};

/// What a run does when the chosen directory already holds a "website" directory.
enum class ExistingWebsite {
    Keep, ///< leave it and stop with "Cannot create directory."
    Replace, ///< build the new site beside it and put it in its place once complete
    Ask ///< ask the user which of the two (Yes replaces)
};

/// The question before a website already in `publishDirectory` is replaced (Yes replaces).
Platform::Message replaceWebsiteQuestion(const std::string &publishDirectory);

/// Called at each step of a run with the progress (0 to 100) and the status text to show.
using PublishProgress = std::function<void(int percent, const std::string &status)>;

namespace PublishStatus {
inline constexpr const char *Waiting = "Waiting...";
inline constexpr const char *CreatingDirectory = "Creating directory and js files...";
inline constexpr const char *CreatingPages = "Creating HTML pages and images...";
inline constexpr const char *CopyingImages = "Copying other images...";
inline constexpr const char *CreatingStylesheets = "Creating Stylesheets...";
inline constexpr const char *Completed = "Completed";
} // namespace PublishStatus

/// True when `publishDirectory` names a directory at all: at least three characters once the
/// blanks around it are removed, or a full path such as the root "/".
bool isDirectoryChosen(const std::string &publishDirectory);

/// Copies the logo next to the pages under its own file name (0644). A logo path of two
/// characters or fewer means no logo. Only a picture is copied (see openLogo), and the
/// person's file is left exactly as it is. Throws FileError.
void CopyLogo(const std::string &logoPath, const Platform::Directory &website);

/// Publishes the project into a new "website" directory inside `publishDirectory`: the
/// navigation scripts, every included page with its pictures, index.html (a copy of the home
/// page), the files of the user's that the bodies refer to (found in `projectDirectory`, the
/// project file's folder), the logo and the stylesheet; then names the files that could not
/// be copied, if any. A template is read from the user's templates folder or, when it is not
/// there, from "<homeDir>/templates". Throws FileError at the first file that fails; what was
/// written stays. With `bodyFiles` the page bodies are copied from those files.
/// When "website" exists, `existing` says whether it is replaced. A replacing run builds the
/// new site in a hidden directory beside it and swaps the two once the new one is complete,
/// so one whole site is in place at every moment; when it fails, the earlier site stays as it
/// was and the new one is removed. With `reading` (the site check's, made just before) the
/// bodies are not read again to find the files to copy.
PublishOutcome PublishWebsite(const Model::Project &project, const Model::ChoiceLists &lists,
    const std::string &homeDir, const std::string &publishDirectory, Platform::Dialogs &dialogs,
    const PublishProgress &progress, const PageBodyFiles *bodyFiles = nullptr,
    ExistingWebsite existing = ExistingWebsite::Keep, const std::string &projectDirectory = {},
    const SiteReading *reading = nullptr);

} // namespace Publish
