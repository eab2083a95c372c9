#include "publish/publishwebsite.h"

#include "catalogue/templatecatalogue.h"

#include "publish/bodycopies.h"
#include "publish/copyfile.h"
#include "publish/logo.h"
#include "publish/navigation.h"
#include "publish/renderpage.h"
#include "publish/sitefiles.h"
#include "publish/sitepictures.h"
#include "publish/stylesheet.h"
#include "publish/userfiles.h"

#include "platform/filemapping.h"
#include "platform/files.h"
#include "project/sitefinding.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <optional>
#include <stop_token>
#include <thread>

namespace Publish {

Platform::Message replaceWebsiteQuestion(const std::string &publishDirectory)
{
    return { Platform::ApplicationTitle,
        "A website already exists in " + publishDirectory + ". Replace it?",
        Platform::MessageIcon::Question, Platform::MessageButtons::YesNo };
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

/// Every file below `directory`, by its path inside it, in byte order.
void listFiles(const Platform::Directory &directory, const std::string &prefix,
    std::vector<std::string> &files)
{
    for (const Platform::DirectoryEntry &entry : directory.entries()) {
        if (entry.kind == Platform::EntryKind::Directory)
            listFiles(directory.openDirectory(entry.name), prefix + entry.name + "/", files);
        else
            files.push_back(prefix + entry.name);
    }
}

/// The run's work on the page bodies beside the writing of the pages: reading which files they
/// refer to, the files the site needs besides its pages, and copying body files into the
/// pages. For a site of large bodies it is done on a thread of its own while the pages are
/// written: each body is read through the system's file cache without copying it, and the
/// copies are shared between that thread and the writing one. The targets of a site whose
/// pages were read already are taken from that reading.
class BodyWork
{
public:
    explicit BodyWork(const PublishRequest &request)
        : m_request(request)
    {
        if (request.reading) {
            m_targets = targetsOf(*request.reading);
            m_known = true;
        }
        m_copying = request.bodyFiles != nullptr;
        if ((m_known && !m_copying) || bodiesSize() < LargeBodies) {
            m_copying = false;
            return;
        }
        m_thread = std::jthread([this](const std::stop_token &stop) {
            if (!m_known)
                findAll(stop);
            if (m_copying)
                m_copies.work();
        });
    }
    BodyWork(const BodyWork &) = delete;
    BodyWork &operator=(const BodyWork &) = delete;
    /// A run that ends early leaves the copies not yet begun.
    ~BodyWork() { m_copies.abandon(); }

    /// Where the pages hand their body copies over; nothing when they copy them themselves.
    BodyCopies *copies() { return m_copying ? &m_copies : nullptr; }

    /// Makes the copies that are left, and waits until all are made.
    void finishCopies()
    {
        if (m_copying)
            m_copies.finish();
    }

    /// The targets, once every body is read. A failure to read a body is thrown here.
    SiteTargets takeTargets()
    {
        // The copies are finished by now; no more come, and the thread ends once it has read.
        m_copies.close();
        if (m_thread.joinable())
            m_thread.join();
        else if (!m_known)
            findAll({});
        if (m_failure)
            std::rethrow_exception(m_failure);
        return std::move(m_targets);
    }

private:
    /// Below this the bodies are read after the pages are written, without a thread.
    static constexpr std::uint64_t LargeBodies = 1 << 18;

    const Platform::File *bodyFile(std::size_t index) const
    {
        const PageBodyFiles *files = m_request.bodyFiles;
        return files && files->at(index) ? &*files->at(index) : nullptr;
    }

    std::uint64_t bodiesSize() const
    {
        std::uint64_t size = 0;
        for (const Model::PageInfo &page : Model::PageCatalogue) {
            const auto index = static_cast<std::size_t>(page.id - 1);
            if (!Model::pageIncluded(m_request.project, page.id))
                continue;
            const Platform::File *file = bodyFile(index);
            try {
                size += file ? file->size() : m_request.project.pageBody[index].size();
            } catch (const Platform::FileError &) {
                // Reading it fails in its turn, and says why.
            }
        }
        return size;
    }

    /// Reads every ticked body in page order, until the run is stopped.
    void findAll(const std::stop_token &stop)
    {
        std::string buffer;
        try {
            for (const Model::PageInfo &page : Model::PageCatalogue) {
                if (stop.stop_requested() || m_request.cancel.stop_requested())
                    return;
                if (!Model::pageIncluded(m_request.project, page.id))
                    continue;
                const auto index = static_cast<std::size_t>(page.id - 1);
                if (const Platform::File *file = bodyFile(index)) {
                    const Platform::MappedFile mapping(*file);
                    m_targets[index] = ReadBodyFileTargets(*file, mapping, buffer);
                } else {
                    m_targets[index] = ReadBodyTargets(m_request.project.pageBody[index]);
                }
            }
        } catch (...) {
            m_failure = std::current_exception();
        }
    }

    const PublishRequest &m_request;
    SiteTargets m_targets;
    bool m_known = false;
    bool m_copying = false;
    std::exception_ptr m_failure;
    BodyCopies m_copies;
    /// Declared last: stopped and joined before the members it uses go.
    std::jthread m_thread;
};

/// Writes every ticked page from the template. Returns false when the request was cancelled
/// before the pages were all written.
bool writePages(const PublishRequest &request, const Platform::Directory &templates,
    const Platform::Directory &website, const FoundSite &found, BodyWork &bodies,
    const std::function<void(int, const char *)> &report)
{
    const Model::Project &project = request.project;
    CopiedPictures copied;
    copied.bodyCopies = bodies.copies();
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (request.cancel.stop_requested())
            return false;
        if (Model::pageIncluded(project, page.id)) {
            RenderPage(project, request.lists, page.id, templates, website, &copied,
                request.bodyFiles, found.headLines[static_cast<std::size_t>(page.id - 1)]);
        }
        report(6 + 6 * page.id, PublishStatus::CreatingPages);
    }
    // The scripts the pages appended to are closed as each append used to close them, so
    // that a failure of closing stops the run.
    for (std::optional<Platform::File> *script :
        { &copied.mainNavigation, &copied.textNavigation }) {
        if (*script)
            (*script)->close();
    }
    bodies.finishCopies();
    return true;
}

/// A web host shows index.html for the bare address; the pages keep linking to home.html.
void writeIndexPage(const Model::Project &project, const Platform::Directory &website)
{
    const Model::PageInfo &home = Model::pageInfo(1);
    if (Model::pageIncluded(project, home.id)) {
        Platform::File homePage = website.openBeneath(home.pageFile);
        CopyFileContents(homePage, website, "index.html");
    }
}

/// Copies the files the pages refer to and the logo, and with web-ready pictures makes the
/// site's pictures from them. Returns false when the request was cancelled meanwhile.
bool copyReferredFiles(const PublishRequest &request, const Platform::Directory &website,
    const SiteTargets &targets, const std::function<void(int, const char *)> &report,
    std::vector<std::string> &notCopied)
{
    const Model::Project &project = request.project;
    // With web-ready pictures the person's pictures are left to the picture step, which
    // names each picture as it begins it and stops within a picture's time when cancelled.
    const bool webReady = Model::picturesOf(project.settings).webReady;
    PicturesToMake pictures;
    notCopied = CopyUserFiles(
        project, request.projectDirectory, website, targets, webReady ? &pictures : nullptr);
    if (!webReady || !AddLogoPicture(project.logoPath, website, pictures))
        CopyLogo(project.logoPath, website);
    return !webReady
        || MakeSitePictures(
            project, website, pictures,
            [&](std::size_t before, std::size_t total, const std::string &name) {
                report(90 + static_cast<int>(3 * before / total),
                    pictureStatus(before, total, name).c_str());
            },
            [&] { return request.cancel.stop_requested(); });
}

/// Writes every file of the site into `website`. Returns false when the request was
/// cancelled before the site was whole.
bool WriteSite(const PublishRequest &request, const Platform::Directory &website,
    const std::function<void(int, const char *)> &report, std::vector<std::string> &notCopied)
{
    const Model::Project &project = request.project;
    CreateNavigationScripts(website, project.addTextNavigation);

    report(6, PublishStatus::CreatingPages);
    BodyWork bodies(request);
    // The user's own templates folder holds the template when it is there, else the home's.
    const std::string templateName
        = Model::choiceText(project.templateName, request.lists.templates);
    const Platform::Directory templates(
        Catalogue::TemplateDirectory(request.homeDir, templateName));
    // The site's address, icons and link previews: the pages' head lines first, the files
    // after the pages.
    const FoundSite found = GatherFoundSite(request, templates, Model::todayUtc());
    if (!writePages(request, templates, website, found, bodies, report))
        return false;
    writeIndexPage(project, website);

    if (request.cancel.stop_requested())
        return false;
    report(90, PublishStatus::CopyingImages);
    if (!copyReferredFiles(request, website, bodies.takeTargets(), report, notCopied))
        return false;
    WriteFoundSiteFiles(found, project, website);

    if (request.cancel.stop_requested())
        return false;
    report(93, PublishStatus::CreatingStylesheets);
    WriteStylesheet(project, request.lists, website);
    return true;
}

} // namespace

namespace {

/// Makes the hidden directory a replacing run builds the new site in, and names it in
/// `building`. It is made and locked while no other run clears away stale ones, so none can
/// take it for a stale one in between.
Platform::Directory makeBuildingDirectory(const Platform::Directory &publish, std::string &building)
{
    const bool locked = publish.lock(true);
    building = publish.makeUniqueDirectory(NewWebsitePrefix);
    std::optional<Platform::Directory> website;
    try {
        website.emplace(openMadeDirectory(publish, building));
        website->lock(false);
    } catch (...) {
        publish.removeTree(building);
        throw;
    }
    if (locked)
        publish.unlock();
    return std::move(*website);
}

} // namespace

PublishResult PublishWebsite(const PublishRequest &request)
{
    const auto report = [&](int percent, const char *status) {
        if (request.progress)
            request.progress(percent, status);
    };
    const std::string &publishDirectory = request.target;
    const auto ended = [&publishDirectory](PublishOutcome outcome) {
        return PublishResult { .outcome = outcome, .directory = publishDirectory };
    };

    if (!isDirectoryChosen(publishDirectory))
        return ended(PublishOutcome::NoDirectory);
    if (request.cancel.stop_requested())
        return ended(PublishOutcome::Cancelled);

    report(0, PublishStatus::CreatingDirectory);
    if (!Platform::pathExists(publishDirectory))
        return ended(PublishOutcome::DirectoryMissing);
    // Everything is made and written through the publish directory as it was opened here, and
    // the site through its own directory as it was made, never again by a path.
    std::optional<Platform::Directory> publish;
    try {
        publish.emplace(publishDirectory);
    } catch (const Platform::FileError &) {
        return ended(PublishOutcome::DirectoryNotCreated);
    }

    removeStaleBuildingDirectories(*publish);

    // Only a new directory is published into, so no file of an earlier run is mixed in. An
    // earlier site is replaced only as a whole, once the new one is complete.
    std::string building = WebsiteName;
    const int error = publish->makeDirectory(building);
    const bool replacing = error == EEXIST && publish->holdsDirectory(WebsiteName)
        && request.existing == ExistingWebsite::Replace;
    std::optional<Platform::Directory> website;
    if (replacing) {
        website.emplace(makeBuildingDirectory(*publish, building));
    } else if (error != 0) {
        return ended(PublishOutcome::DirectoryNotCreated);
    }

    PublishResult result = ended(PublishOutcome::Completed);
    bool whole = false;
    try {
        if (!website)
            website.emplace(openMadeDirectory(*publish, building));
        whole = WriteSite(request, *website, report, result.notCopied);
        if (whole) {
            listFiles(*website, {}, result.filesWritten);
            std::sort(result.filesWritten.begin(), result.filesWritten.end());
        }
        if (whole && replacing)
            publish->exchange(building, WebsiteName);
    } catch (...) {
        // A replacing run that fails leaves the earlier site as it was and nothing beside it.
        if (replacing)
            publish->removeTree(building);
        throw;
    }
    // A replacing run has the earlier site here now; a cancelled run its own half site.
    if (replacing || !whole)
        publish->removeTree(building);
    if (!whole)
        return ended(PublishOutcome::Cancelled);

    report(96, PublishStatus::CreatingStylesheets);
    report(100, PublishStatus::Completed);
    return result;
}

} // namespace Publish
