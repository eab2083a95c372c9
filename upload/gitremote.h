#pragma once

#include "upload/hostsettings.h"

#include <iosfwd>
#include <string>

namespace Upload {

/// Where a git remote lives: a repository on this computer, or one reached over SSH.
struct GitRemote
{
    bool local = false;
    std::string path; ///< the repository's folder here, or its path on the host
    std::string user; ///< SSH only; empty when the address names none
    std::string host; ///< SSH only
    int port = 22; ///< SSH only
};

/// Reads a remote as the settings give it: "git@host:owner/repo.git",
/// "ssh://[user@]host[:port]/path", or a full local path ("/srv/site.git", "~/site.git",
/// "file:///srv/site.git"). Throws Platform::FileError naming what is wrong (another kind of
/// address, a relative path).
GitRemote parseGitRemote(const std::string &given);

/// The address libgit2 is given for an SSH remote, or the local folder (UTF-8).
std::string gitAddressOf(const GitRemote &remote, const std::string &given);

/// The git settings checked: a remote that parses, a branch name git takes, no line breaks.
/// Throws Platform::FileError.
void checkGitSettings(const HostSettings &settings);

/// The git settings' lines of PROJECT.cvp.upload, after "protocol=git".
void writeGitSettings(std::ostream &text, const HostSettings &settings);

} // namespace Upload
