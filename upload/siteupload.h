#pragma once

#include "upload/remotefolder.h"
#include "upload/uploadplan.h"

#include <string>
#include <vector>

namespace Upload {

/// How a run ended. A failure is no outcome: it throws Platform::FileError.
enum class UploadOutcome { Completed, Cancelled };

/// What the host holds and what a run would change, read without changing anything.
struct RemoteState
{
    Manifest local; ///< the published site
    /// The host's manifest as far as it is trusted: names this machine never uploaded there
    /// and names that are no safe file names are left out (and reported).
    Manifest remote;
    UploadPlan plan;
    /// Temporaries of a run that stopped part-way, removed before anything else changes.
    std::vector<std::string> leftovers;
    /// The host's manifest must be written even when nothing is sent or deleted: it lists
    /// what was left out of `remote`, or it was found only under its temporary name.
    bool rewriteManifest = false;
    /// The host's manifest was found only under its temporary name; it is put in place first.
    bool manifestUnderTemporaryName = false;

    /// True when a run would change nothing on the host.
    bool unchanged() const { return plan.empty() && leftovers.empty() && !rewriteManifest; }
};

/// Reads the site and the host's manifest and plans the run. Names the manifest lists that
/// this machine's record of uploads lacks are never deleted; each is reported once, through
/// TransferHooks::warning, and left out of the manifest. Throws Platform::FileError when the
/// remote folder does not exist (nothing is made for a plan).
RemoteState planWebsiteUpload(RemoteFolder &remote, const LocalSite &site);

/// Plans as planWebsiteUpload does, then lists the remote folder and adds to the files to
/// send every file of the site that the host lacks or holds with another size, each reported.
RemoteState planHostCheck(RemoteFolder &remote, const LocalSite &site);

/// Uploads a published website: sends what is new or changed, deletes what both the host's
/// manifest and this machine's record list and the site no longer has, and writes the
/// manifest last. Before the first change on the host, its manifest marks every name about to
/// change as not known, so a run cut short at any point is completed by the next one. On
/// Cancel the manifest is brought up to what the host then holds. A deletion that fails is a
/// warning, and the name leaves the manifest.
UploadOutcome uploadWebsite(RemoteFolder &remote, const LocalSite &site, const RemoteState &state);

/// Plans and uploads the website folder at `websiteDir` (UTF-8 path).
UploadOutcome uploadWebsite(RemoteFolder &remote, const std::string &websiteDir);

} // namespace Upload
