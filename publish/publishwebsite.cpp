#include "publish/publishwebsite.h"

#include "catalogue/templatecatalogue.h"

#include "publish/copyfile.h"
#include "publish/logo.h"
#include "publish/navigation.h"
#include "publish/renderpage.h"
#include "publish/sitefiles.h"
#include "publish/stylesheet.h"
#include "publish/userfiles.h"

#include "platform/files.h"
#include "project/sitefinding.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <future>
#include <optional>

namespace Publish {

Platform::Message replaceWebsiteQuestion(const std::string &publishDirectory)
{
    return { Platform::ApplicationTitle,
        "A website already exists in " + publishDirectory + ". Replace it?",
        Platform::MessageIcon::Question, Platform::MessageButtons::YesNo };
}

using Platform::Message;
using Platform::MessageButtons;
using Platform::MessageIcon;

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

void CopyLogo(const std::string &logoPath, const Platform::Directory &website)
{
    if (logoPath.size() <= 2)
        return;
    Platform::File logo = openLogo(logoPath);
    Platform::File copy = website.createFile(Platform::fileNameOf(logoPath), 0644);
    copy.writeContentsOf(logo);
    copy.close();
}

namespace {

constexpr const char *WebsiteName = WebsiteFolderName;
/// The sibling a replacing run builds the new site in, before it takes the old one's place.
constexpr const char *NewWebsitePrefix = ".website-new-";

bool replaceExistingWebsite(
    ExistingWebsite existing, Platform::Dialogs &dialogs, const std::string &publishDirectory)
{
    switch (existing) {
    case ExistingWebsite::Keep:
        return false;
    case ExistingWebsite::Replace:
        return true;
    case ExistingWebsite::Ask:
        break;
    }
    return dialogs.confirm(replaceWebsiteQuestion(publishDirectory));
}

/// Opens the directory the run has just made. Someone else who can write the publish
/// directory could have put a link or a directory of their own in its place meanwhile;
/// neither is written into.
Platform::Directory openMadeDirectory(const Platform::Directory &publish, const std::string &name)
{
    Platform::Directory made = publish.openDirectory(name);
    if (!made.ownedByCurrentUser()) {
        throw Platform::FileError("The directory \"" + name + "\" in " + publish.path()
            + " was replaced by another user's while it was made; nothing was written into it");
    }
    return made;
}

/// Removes what replacing runs that were stopped part-way (killed, or the computer switched
/// off) left in the publish directory: their hidden directories with a half-built site, or
/// with the earlier site they were about to remove. A run still building holds the lock of its
/// directory, and that directory is left alone; so are directories of other users and links.
void removeStaleBuildingDirectories(const Platform::Directory &publish)
{
    // No other run makes a directory while they are looked at; without locks nothing is removed.
    if (!publish.lock(true))
        return;
    std::vector<std::string> names;
    try {
        names = publish.names();
    } catch (const Platform::FileError &) { }
    for (const std::string &name : names) {
        if (!name.starts_with(NewWebsitePrefix))
            continue;
        try {
            const Platform::Directory stale = publish.openDirectory(name);
            if (stale.ownedByCurrentUser() && stale.lock(false))
                publish.removeTree(name);
        } catch (const Platform::FileError &) {
            // A link or something that is no directory is not ours to remove.
        }
    }
    publish.unlock();
}

/// Writes every file of the site into `website`.
void WriteSite(const Model::Project &project, const Model::ChoiceLists &lists,
    const std::string &homeDir, const Platform::Directory &website,
    const std::function<void(int, const char *)> &report, const PageBodyFiles *bodyFiles,
    const std::string &projectDirectory, const SiteReading *reading,
    std::vector<std::string> &notCopied)
{
    CreateNavigationScripts(website, project.addTextNavigation);

    report(6, PublishStatus::CreatingPages);
    // The user's own templates folder holds the template when it is there, else the home's.
    const std::string templateName = Model::choiceText(project.templateName, lists.templates);
    const Platform::Directory templates(Catalogue::TemplateDirectory(homeDir, templateName));
    // The site's address, icons and link previews: the pages' head lines first, the files
    // after the pages.
    const FoundSite found
        = GatherFoundSite(project, templates, templateName, bodyFiles, Model::todayUtc());
    CopiedPictures copied;
    // Without a reading each body is read once more, for the files it refers to; a large one
    // is read and looked through by a second thread while the system copies it into its page.
    SiteTargets targets = reading ? targetsOf(*reading) : SiteTargets();
    std::string bodyText;
    std::pair<std::size_t, std::future<std::vector<std::string>>> finding;
    const auto collect = [&] {
        if (finding.second.valid())
            targets[finding.first] = finding.second.get();
    };
    constexpr std::uint64_t LargeBody = 1 << 18;
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (Model::pageIncluded(project, page.id)) {
            const auto index = static_cast<std::size_t>(page.id - 1);
            const Platform::File *file
                = bodyFiles && bodyFiles->at(index) ? &*bodyFiles->at(index) : nullptr;
            const std::string_view text = project.pageBody[index];
            const bool large = file ? file->size() >= LargeBody : text.size() >= LargeBody;
            if (!reading && large) {
                collect();
                finding = { index, std::async(std::launch::async, [file, text, &bodyText] {
                               if (!file)
                                   return ReadBodyTargets(text);
                               Platform::readWholeFile(*file, bodyText);
                               return ReadBodyTargets(bodyText);
                           }) };
            } else if (!reading && file) {
                collect();
                Platform::readWholeFile(*file, bodyText);
                targets[index] = ReadBodyTargets(bodyText);
            } else if (!reading) {
                targets[index] = ReadBodyTargets(text);
            }
            RenderPage(project, lists, page.id, templates, website, &copied, bodyFiles,
                found.headLines[index]);
        }
        report(6 + 6 * page.id, PublishStatus::CreatingPages);
    }

    // A web host shows index.html for the bare address; the pages keep linking to home.html.
    const Model::PageInfo &home = Model::pageInfo(1);
    if (Model::pageIncluded(project, home.id)) {
        Platform::File homePage = website.openBeneath(home.pageFile);
        CopyFileContents(homePage, website, "index.html");
    }

    report(90, PublishStatus::CopyingImages);
    collect();
    notCopied = CopyUserFiles(project, projectDirectory, website, targets);
    CopyLogo(project.logoPath, website);
    WriteFoundSiteFiles(found, project, website);

    report(93, PublishStatus::CreatingStylesheets);
    WriteStylesheet(project, lists, website);
}

} // namespace

PublishOutcome PublishWebsite(const Model::Project &project, const Model::ChoiceLists &lists,
    const std::string &homeDir, const std::string &publishDirectory, Platform::Dialogs &dialogs,
    const PublishProgress &progress, const PageBodyFiles *bodyFiles, ExistingWebsite existing,
    const std::string &projectDirectory, const SiteReading *reading)
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
    if (!Platform::pathExists(publishDirectory)) {
        dialogs.notify({ "Error", "The directory " + publishDirectory + " does not exist.",
            MessageIcon::Error, MessageButtons::Ok });
        return PublishOutcome::DirectoryMissing;
    }
    const auto cannotCreate = [&] {
        dialogs.notify({ "Error",
            "Cannot create directory.\nPossible cause: the directory WEBSITE may "
            "already exist in the specified directory.",
            MessageIcon::Error, MessageButtons::Ok });
        return PublishOutcome::DirectoryNotCreated;
    };
    // Everything is made and written through the publish directory as it was opened here, and
    // the site through its own directory as it was made, never again by a path.
    std::optional<Platform::Directory> publish;
    try {
        publish.emplace(publishDirectory);
    } catch (const Platform::FileError &) {
        return cannotCreate();
    }

    removeStaleBuildingDirectories(*publish);

    // Only a new directory is published into, so no file of an earlier run is mixed in. An
    // earlier site is replaced only as a whole, once the new one is complete.
    std::string building = WebsiteName;
    const int error = publish->makeDirectory(building);
    const bool replacing = error == EEXIST && publish->holdsDirectory(WebsiteName)
        && replaceExistingWebsite(existing, dialogs, publishDirectory);
    std::optional<Platform::Directory> website;
    if (replacing) {
        // The directory is made and locked while no other run clears away stale ones, so none
        // can take it for a stale one in between.
        const bool locked = publish->lock(true);
        building = publish->makeUniqueDirectory(NewWebsitePrefix);
        try {
            website.emplace(openMadeDirectory(*publish, building));
            website->lock(false);
        } catch (...) {
            publish->removeTree(building);
            throw;
        }
        if (locked)
            publish->unlock();
    } else if (error != 0) {
        return cannotCreate();
    }

    std::vector<std::string> notCopied;
    try {
        if (!website)
            website.emplace(openMadeDirectory(*publish, building));
        WriteSite(project, lists, homeDir, *website, report, bodyFiles, projectDirectory, reading,
            notCopied);
        if (replacing)
            publish->exchange(building, WebsiteName);
    } catch (...) {
        // A replacing run that fails leaves the earlier site as it was and nothing beside it.
        if (replacing)
            publish->removeTree(building);
        throw;
    }
    if (replacing)
        publish->removeTree(building);

    report(96, PublishStatus::CreatingStylesheets);
    report(100, PublishStatus::Completed);
    if (!notCopied.empty()) {
        dialogs.notify({ Platform::ApplicationTitle, NotCopiedNotice(notCopied),
            MessageIcon::Warning, MessageButtons::Ok });
    }
    return PublishOutcome::Completed;
}

} // namespace Publish
