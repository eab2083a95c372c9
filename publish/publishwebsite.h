#pragma once

#include "platform/dialogs.h"
#include "platform/directory.h"
#include "publish/publishrequest.h"
#include "publish/websitefolder.h"

#include <string>

namespace Publish {

/// The question before a website already in `publishDirectory` is replaced (Yes replaces).
Platform::Message replaceWebsiteQuestion(const std::string &publishDirectory);

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

/// Publishes the request's project into a new "website" directory inside its target: the
/// navigation scripts, every included page with its pictures, index.html (a copy of the home
/// page), the files of the user's that the bodies refer to (found in the project's folder),
/// the logo and the stylesheet. A template is read from the user's templates folder or, when
/// it is not there, from "<homeDir>/templates". Throws FileError at the first file that fails;
/// what was written stays. When "website" exists, the request says whether it is replaced. A
/// replacing run builds the new site in a hidden directory beside it and swaps the two once
/// the new one is complete, so one whole site is in place at every moment; when it fails or
/// is cancelled, the earlier site stays as it was and the new one is removed. Asks nobody
/// anything: the result says how the run ended, what it wrote and what it could not copy.
PublishResult PublishWebsite(const PublishRequest &request);

} // namespace Publish
