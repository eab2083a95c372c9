#pragma once

#include "cli/clicommon.h"
#include "upload/hostsettings.h"

#include <string>

namespace Cli {

/// `upload` for protocol=git: commits the site at `websiteDir` (UTF-8 path) on the branch and
/// pushes it, or with --dry-run prints what the commit would send and delete.
void uploadToGit(const Invocation &invocation, const Upload::HostSettings &settings,
    const std::string &websiteDir);

} // namespace Cli
