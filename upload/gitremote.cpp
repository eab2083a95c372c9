#include "upload/gitremote.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/userfolders.h"

#include <charconv>
#include <optional>
#include <ostream>
#include <string_view>

namespace Upload {
namespace {

[[noreturn]] void refuse(const std::string &utf8Text)
{
    throw Platform::FileError(Platform::utf8ToCp1252(utf8Text));
}

/// "user@host" split at its last "@".
void splitUser(const std::string &authority, GitRemote &remote)
{
    const auto at = authority.rfind('@');
    remote.user = at == std::string::npos ? "" : authority.substr(0, at);
    remote.host = at == std::string::npos ? authority : authority.substr(at + 1);
}

/// What git takes as a branch name, checked the way "git check-ref-format --branch" does.
bool isBranchName(const std::string &name)
{
    if (name.empty() || name.front() == '-' || name.front() == '/' || name.back() == '/'
        || name.back() == '.' || name.ends_with(".lock") || name == "@"
        || name.find("..") != std::string::npos || name.find("//") != std::string::npos
        || name.find("@{") != std::string::npos || name.find("/.") != std::string::npos
        || name.front() == '.')
        return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F
            || std::string_view(" ~^:?*[\\").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

} // namespace

GitRemote parseGitRemote(const std::string &given)
{
    GitRemote remote;
    if (given.empty())
        refuse("No remote given");
    if (given.starts_with("ssh://")) {
        const std::string rest = given.substr(6);
        const auto slash = rest.find('/');
        if (slash == std::string::npos || slash + 1 == rest.size())
            refuse("The remote " + given + " names no repository on the host");
        std::string authority = rest.substr(0, slash);
        remote.path = rest.substr(slash);
        // The port follows the host, and an IPv6 host's brackets.
        const auto at = authority.rfind('@');
        const auto hostStart = at == std::string::npos ? 0 : at + 1;
        const auto bracket = authority.find(']', hostStart);
        const auto colon = authority.find(':', bracket == std::string::npos ? hostStart : bracket);
        if (colon != std::string::npos) {
            const std::string port = authority.substr(colon + 1);
            const auto [end, error]
                = std::from_chars(port.data(), port.data() + port.size(), remote.port);
            if (error != std::errc() || end != port.data() + port.size() || remote.port < 1
                || remote.port > 65535)
                refuse("The remote " + given + " has no port from 1 to 65535 after its host");
            authority.resize(colon);
        }
        splitUser(authority, remote);
        if (remote.host.starts_with("[") && remote.host.ends_with("]"))
            remote.host = remote.host.substr(1, remote.host.size() - 2);
    } else if (given.starts_with("file://")) {
        remote.local = true;
        remote.path = given.substr(7);
    } else if (given.front() == '/' || given == "~" || given.starts_with("~/")) {
        remote.local = true;
        remote.path = given;
    } else if (given.find("://") != std::string::npos) {
        refuse("The remote " + given
            + " is no SSH address: publishing to git goes over SSH (git@host:owner/repo.git or "
              "ssh://...) or to a folder on this computer");
    } else {
        // The short SSH form, "[user@]host:path".
        const auto colon = given.find(':');
        if (colon == std::string::npos || given.find('/') < colon)
            refuse("The remote " + given
                + " is neither an SSH address (git@host:owner/repo.git) nor a full path");
        splitUser(given.substr(0, colon), remote);
        remote.path = given.substr(colon + 1);
        if (remote.path.empty())
            refuse("The remote " + given + " names no repository on the host");
    }
    if (remote.local) {
        if (remote.path == "~" || remote.path.starts_with("~/")) {
            const std::optional<std::string> home = Platform::homeFolder();
            if (!home)
                refuse("Cannot find the repository " + given + ": HOME is not set");
            remote.path = *home + remote.path.substr(1);
        }
        if (!remote.path.starts_with("/"))
            refuse("The remote " + given + " must be a full path");
    } else if (remote.host.empty()) {
        refuse("The remote " + given + " names no host");
    }
    return remote;
}

std::string gitAddressOf(const GitRemote &remote, const std::string &given)
{
    return remote.local ? remote.path : given;
}

void checkGitSettings(const HostSettings &settings)
{
    for (const std::string *text : { &settings.remote, &settings.branch, &settings.identity,
             &settings.authorName, &settings.authorEmail }) {
        if (text->find_first_of("\r\n") != std::string::npos)
            throw Platform::FileError("A host setting holds a line break");
    }
    parseGitRemote(settings.remote);
    if (!settings.branch.empty() && !isBranchName(settings.branch))
        refuse("The branch name \"" + settings.branch + "\" is not one git takes");
    for (const std::string *text : { &settings.authorName, &settings.authorEmail }) {
        if (text->find_first_of("<>") != std::string::npos)
            refuse("The author's name and e-mail address cannot hold \"<\" or \">\"");
    }
}

void writeGitSettings(std::ostream &text, const HostSettings &settings)
{
    text << "remote=" << settings.remote << "\n";
    if (!settings.branch.empty())
        text << "branch=" << settings.branch << "\n";
    if (!settings.identity.empty())
        text << "identity=" << settings.identity << "\n";
    if (!settings.authorName.empty())
        text << "author=" << settings.authorName << "\n";
    if (!settings.authorEmail.empty())
        text << "email=" << settings.authorEmail << "\n";
}

} // namespace Upload
