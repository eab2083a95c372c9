#pragma once

#include <string>

/// Uploading a published site to a web host: host settings, the manifest of what the host
/// holds, the plan of what to send and delete, and the transfer itself. No windows, no Qt.
namespace Upload {

/// How the site travels to the host.
enum class Protocol {
    Sftp, ///< SSH file transfer
    Ftps, ///< FTP with explicit TLS for the login and every file
    Ftp, ///< plain FTP: the password travels unencrypted
    Git, ///< a commit pushed to a branch of a git repository (gitpublish.h)
};

/// Where a project's site goes: the contents of PROJECT.cvp.upload. Texts are UTF-8, as the
/// host and the remote file names are.
struct HostSettings
{
    Protocol protocol = Protocol::Sftp;
    std::string host;
    int port = 0; ///< 0: the protocol's default
    std::string user;
    std::string folder; ///< remote folder that receives the contents of website/
    std::string identity; ///< sftp and git: a private key file used instead of a password
    // git only: the repository, the branch that receives the site and the commits' author.
    std::string remote {}; ///< an SSH address (git@host:owner/repo.git, ssh://...) or a path
    std::string branch {}; ///< empty for DefaultGitBranch
    std::string authorName {}; ///< empty: the git configuration's user.name, else the site title
    std::string authorEmail {}; ///< empty: the git configuration's user.email, else none
};

/// The branch a git host's Pages service serves by default here.
inline constexpr const char *DefaultGitBranch = "pages";

/// The branch the settings name, else DefaultGitBranch.
std::string branchOf(const HostSettings &settings);

/// "sftp", "ftps", "ftp" or "git".
const char *protocolName(Protocol protocol);
/// 22 for SFTP and git (SSH), 21 for FTPS and FTP.
int defaultPort(Protocol protocol);
/// The port the connection uses: the one given, else the protocol's default.
int portOf(const HostSettings &settings);

/// The settings file of a project: the project file's path with ".upload" added.
std::string hostSettingsPath(const std::string &projectFilePath);

/// Reads a settings file (UTF-8 path). Throws Platform::FileError naming the file and line of
/// what is wrong: an unknown key or protocol, a bad port, a missing host, user or folder.
HostSettings readHostSettings(const std::string &path);

/// Writes the settings file (UTF-8 path), replacing it as a whole. Passwords are never part
/// of it. Throws Platform::FileError.
void writeHostSettings(const std::string &path, const HostSettings &settings);

/// The settings checked as the reader checks them; throws Platform::FileError naming what is
/// missing or wrong (used by the window before it connects).
void checkHostSettings(const HostSettings &settings);

} // namespace Upload
