#pragma once

#include "platform/dialogs.h"
#include "project/project.h"
#include "publish/references.h"
#include "publish/renderpage.h"

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace Model {
class ProjectSession;
}

namespace Publish {

/// How a publish run ended. File errors are not outcomes: they are thrown as FileError.
enum class PublishOutcome {
    NoDirectory, ///< no directory chosen; the window stays open
    DirectoryNotCreated, ///< "website" could not be made (usually it exists); the window closes
    Completed, ///< the whole site was written
    DirectoryMissing, ///< the chosen directory does not exist; the window stays open
    Cancelled ///< stopped on request; nothing of the run is left
};

/// What a run does when the chosen directory already holds a "website" directory. The
/// windows ask the person before the run which of the two they want.
enum class ExistingWebsite {
    Keep, ///< leave it and stop with "Cannot create directory."
    Replace ///< build the new site beside it and put it in its place once complete
};

/// Called at each step of a run with the progress (0 to 100) and the status text to show.
using PublishProgress = std::function<void(int percent, const std::string &status)>;

/// One thing the check found wrong on a page.
struct SiteFinding
{
    Model::PageId page = 1;
    int line = 1; ///< the line of the page body, from 1
    std::string message; ///< Windows-1252, e.g. picture "bread.jpg" not found
    /// About the site's own facts (its title, slogan or logo), which every page shows, rather
    /// than a line of one body; `page` is then the first page of the site and `line` 1.
    bool siteWide = false;
};

/// What to publish and where: the one request that publishing, the preview and the check
/// take. Paths are Windows-1252.
struct PublishRequest
{
    const Model::Project &project;
    const Model::ChoiceLists &lists;
    /// The program's home: a template that is not in the user's templates folder is read
    /// from its "templates" folder.
    std::string homeDir {};
    /// The project file's folder, where the files the pages refer to are found; empty for a
    /// project never saved.
    std::string projectDirectory {};
    /// A saved project's open page files: each body is copied from its file into its page,
    /// so a site of large pages is published without holding them in memory.
    const PageBodyFiles *bodyFiles = nullptr;
    /// The directory the "website" directory is made in.
    std::string target {};
    ExistingWebsite existing = ExistingWebsite::Keep;
    PublishProgress progress {};
    /// Looked at between the steps and the pages of a run; a run stopped this way removes
    /// what it wrote, and an earlier site stays as it was.
    std::stop_token cancel {};
    /// The pages as readPagesOnce read them: the check and the run that follows then read no
    /// body again.
    std::shared_ptr<const SiteReading> reading {};
};

/// What a run did: how it ended, the files it wrote, the files it could not copy, and what
/// the check found.
struct PublishResult
{
    PublishOutcome outcome = PublishOutcome::Completed;
    /// The directory the run made its "website" directory in: the request's target, or the
    /// preview folder.
    std::string directory {};
    /// Every file of the site, by its path inside the "website" directory ("img/a.gif"),
    /// in byte order; empty unless the run completed.
    std::vector<std::string> filesWritten {};
    /// One line for each file the pages refer to that could not be copied, and why, in page
    /// order.
    std::vector<std::string> notCopied {};
    /// What CheckSite found, site-wide findings first, then by page and line.
    std::vector<SiteFinding> findings {};
};

/// The request for the session's open project: its fields and bodies, the files beside its
/// project file, into its publish directory, with templates from `homeDir`.
PublishRequest requestFor(Model::ProjectSession &session, std::string homeDir);

/// Reads the ticked pages' bodies into the request, so that the check and the publish run
/// that follows it read each body once.
void readPagesOnce(PublishRequest &request);

/// The error notice of a run that stopped before it wrote a site ("Please specify a
/// directory before continuing.", "The directory ... does not exist.", "Cannot create
/// directory. ..."); nothing for a run that completed or was cancelled.
std::optional<Platform::Message> stoppedNotice(const PublishResult &result);

/// The closing warning of a run that could not copy every file the pages refer to; nothing
/// when it copied them all.
std::optional<Platform::Message> notCopiedWarning(const PublishResult &result);

} // namespace Publish
