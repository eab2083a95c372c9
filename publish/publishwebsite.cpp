#include "publish/publishwebsite.h"

#include "publish/copyfile.h"
#include "publish/navigation.h"
#include "publish/renderpage.h"
#include "publish/stylesheet.h"
#include "publish/userfiles.h"

#include "platform/files.h"

#include <algorithm>

namespace Publish {

using Platform::Message;
using Platform::MessageButtons;
using Platform::MessageIcon;

std::string websiteDirectoryOf(const std::string &publishDirectory)
{
    return publishDirectory + "/website";
}

bool isDirectoryChosen(const std::string &publishDirectory)
{
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const auto first = std::find_if_not(publishDirectory.begin(), publishDirectory.end(), isBlank);
    const auto last = std::find_if_not(publishDirectory.rbegin(), publishDirectory.rend(), isBlank);
    if (first == publishDirectory.end())
        return false;
    // Three characters is the shortest full path on a lettered drive; here a full path may be
    // as short as "/".
    return last.base() - first >= 3 || *first == '/';
}

void CopyLogo(
    const std::string &logoPath, const std::string &websiteDir, Platform::Dialogs &dialogs)
{
    if (logoPath.size() <= 2)
        return;
    if (Platform::isReadOnly(logoPath)) {
        dialogs.notify({ Platform::ApplicationTitle,
            "The attributes on your logo images was set to READONLY. In order to copy "
            "this file, Corvanta has set the attributes to ARCHIVE.",
            MessageIcon::Information, MessageButtons::Ok });
        Platform::clearReadOnly(logoPath);
    }
    CopyFileContents(logoPath, websiteDir + "/" + Platform::fileNameOf(logoPath));
}

PublishOutcome PublishWebsite(const Model::Project &project, const Model::ChoiceLists &lists,
    const std::string &homeDir, const std::string &publishDirectory, Platform::Dialogs &dialogs,
    const PublishProgress &progress, const PageBodyFiles *bodyFiles,
    const std::string &projectDirectory)
{
    const auto report = [&](int percent, const char *status) {
        if (progress)
            progress(percent, status);
    };

    if (!isDirectoryChosen(publishDirectory)) {
        dialogs.notify(
            { Platform::ApplicationTitle, "Please specify a directory before continuing.",
                MessageIcon::Error, MessageButtons::Ok });
        return PublishOutcome::NoDirectory;
    }

    report(0, PublishStatus::CreatingDirectory);
    const std::string websiteDir = websiteDirectoryOf(publishDirectory);
    // Only a new directory is published into, so no file of an earlier run is mixed in.
    if (Platform::makeDirectory(websiteDir) != 0) {
        dialogs.notify({ "Error",
            "Cannot create directory.\nPossible cause: the directory WEBSITE may "
            "already exist in the specified directory.",
            MessageIcon::Error, MessageButtons::Ok });
        return PublishOutcome::DirectoryNotCreated;
    }
    CreateNavigationScripts(websiteDir, project.addTextNavigation);

    report(6, PublishStatus::CreatingPages);
    CopiedPictures copied;
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (Model::pageIncluded(project, page.id))
            RenderPage(project, lists, page.id, homeDir, websiteDir, &copied, bodyFiles);
        report(6 + 6 * page.id, PublishStatus::CreatingPages);
    }

    // A web host shows index.html for the bare address; the pages keep linking to home.html.
    const Model::PageInfo &home = Model::pageInfo(1);
    if (Model::pageIncluded(project, home.id))
        CopyFileContents(websiteDir + "/" + home.pageFile, websiteDir + "/index.html");

    report(90, PublishStatus::CopyingImages);
    const std::vector<std::string> notCopied
        = CopyUserFiles(project, projectDirectory, websiteDir, bodyFiles);
    CopyLogo(project.logoPath, websiteDir, dialogs);

    report(93, PublishStatus::CreatingStylesheets);
    WriteStylesheet(project, lists, websiteDir);

    report(96, PublishStatus::CreatingStylesheets);
    report(100, PublishStatus::Completed);
    if (!notCopied.empty()) {
        dialogs.notify({ Platform::ApplicationTitle, NotCopiedNotice(notCopied),
            MessageIcon::Warning, MessageButtons::Ok });
    }
    return PublishOutcome::Completed;
}

} // namespace Publish
