#pragma once

#include "platform/dialogs.h"
#include "project/project.h"
#include "publish/renderpage.h"

#include <functional>
#include <string>

namespace Publish {

/// How a publish run ended. File errors are not outcomes: they are thrown as FileError.
enum class PublishOutcome {
    NoDirectory, ///< no directory chosen; the window stays open
    DirectoryNotCreated, ///< "website" could not be made (usually it exists); the window closes
    Completed ///< the whole site was written
};

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

/// The directory the site is written into: "website" inside the chosen directory.
std::string websiteDirectoryOf(const std::string &publishDirectory);

/// True when `publishDirectory` names a directory at all: at least three characters once the
/// blanks around it are removed, or a full path such as the root "/".
bool isDirectoryChosen(const std::string &publishDirectory);

/// Copies the logo picture next to the pages under its own file name. A logo path of two
/// characters or fewer means no logo. A write-protected logo is made writable first, and the
/// user is told so. Throws FileError.
void CopyLogo(
    const std::string &logoPath, const std::string &websiteDir, Platform::Dialogs &dialogs);

/// Publishes the project into a new "website" directory inside `publishDirectory`: the
/// navigation scripts, every included page with its pictures, the logo and the stylesheet,
/// then reminds the user to copy the media that page bodies refer to. A template is read
/// from the user's templates folder or, when it is not there, from "<homeDir>/templates". Throws
/// FileError at the first file that fails; what was written stays. With `bodyFiles` the page bodies
/// are copied from those files.
PublishOutcome PublishWebsite(const Model::Project &project, const Model::ChoiceLists &lists,
    const std::string &homeDir, const std::string &publishDirectory, Platform::Dialogs &dialogs,
    const PublishProgress &progress, const PageBodyFiles *bodyFiles = nullptr);

} // namespace Publish
