#pragma once

#include "upload/hostsettings.h"
#include "upload/remotefolder.h"
#include "upload/siteupload.h"
#include "upload/uploadplan.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

/// Publishing a site as a commit on a branch of a git repository (libgit2), for the git hosts'
/// Pages services: the branch's tree is exactly the site, and the history keeps every publish.
namespace Upload {

/// The empty file that tells a Pages service to serve every file as it is.
inline constexpr const char *NoJekyllName = ".nojekyll";

/// How far a publish is: what it does and how many objects of how many it has done.
struct GitProgress
{
    std::string stage; ///< "Reading the site", "Receiving", "Writing", "Sending" (UTF-8)
    std::size_t done = 0;
    std::size_t total = 0;
};

/// One publish to git. The host key, Cancel, known_hosts and warnings come through `hooks`
/// as for the other protocols; its byte progress is not used.
struct GitPublish
{
    HostSettings settings; ///< protocol git
    std::string websiteDir; ///< the published site (UTF-8 path)
    std::string siteTitle; ///< UTF-8: the commit message, and the author when none is set
    std::string passphrase; ///< the key file's passphrase; empty for none
    TransferHooks hooks;
    std::function<void(const GitProgress &)> progress;
};

/// What a publish did.
struct GitPublishResult
{
    UploadOutcome outcome = UploadOutcome::Completed;
    /// The files the commit adds or changes, and those it no longer has, against the branch
    /// as it was fetched (by name). Empty when nothing changed: no commit was made.
    UploadPlan plan;
    std::string commit; ///< the commit pushed (hex), empty when none
    int tries = 0; ///< 1, or more when the branch moved on the host meanwhile
};

/// Fetches the branch: the number of files it holds, or nothing when it does not exist yet.
/// Throws Platform::FileError, or TransferCancelled.
std::optional<std::size_t> fetchGitBranch(const GitPublish &request);

/// Fetches the branch and compares its files with the site; changes nothing on the host.
/// Throws Platform::FileError, or TransferCancelled.
UploadPlan planGitPublish(const GitPublish &request);

/// Fetches the branch (none yet: it starts empty), commits the site on its tip when the files
/// differ, and pushes without force. When the branch moved on the host meanwhile, the commit
/// is made again on the new tip, at most three times. A commit's tree is the site's files
/// and NoJekyllName, its message "Publish TITLE YYYY-MM-DD". Throws Platform::FileError.
GitPublishResult publishToGit(const GitPublish &request);

/// The commit message of a publish on `date` ("YYYY-MM-DD").
std::string gitCommitMessage(const std::string &siteTitle, const std::string &date);

} // namespace Upload
