#pragma once

#include "upload/remotefolder.h"
#include "upload/uploadplan.h"

#include <string>

namespace Upload {

/// How a run ended. A failure is no outcome: it throws Platform::FileError.
enum class UploadOutcome { Completed, Cancelled };

/// What the host holds and what a run would change, read without changing anything.
struct RemoteState
{
    Manifest local; ///< the published site
    Manifest remote; ///< the host's manifest (empty when it has none)
    UploadPlan plan;
};

/// Reads the site and the host's manifest and plans the run. Throws Platform::FileError when
/// the remote folder does not exist (nothing is made for a plan).
RemoteState planWebsiteUpload(RemoteFolder &remote, const std::string &websiteDir);

/// Uploads a published website folder (UTF-8 path): sends what is new or changed, deletes what
/// the host's manifest lists and the site no longer has, and writes the manifest last, so a
/// run cut short completes on the next one. On Cancel the manifest is brought up to what the
/// host then holds, so it always matches the files there.
UploadOutcome uploadWebsite(RemoteFolder &remote, const std::string &websiteDir);

/// The same with the plan already made by planWebsiteUpload.
UploadOutcome uploadWebsite(
    RemoteFolder &remote, const std::string &websiteDir, const RemoteState &state);

} // namespace Upload
