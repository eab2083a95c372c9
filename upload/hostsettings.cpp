#include "upload/hostsettings.h"

#include "upload/gitremote.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/filegroup.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>

namespace Upload {
namespace {

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

/// The value without a trailing "; comment" (a ";" that follows a blank).
std::string withoutComment(const std::string &value)
{
    for (std::size_t i = 1; i < value.size(); ++i) {
        if (value[i] == ';' && (value[i - 1] == ' ' || value[i - 1] == '\t'))
            return trimmed(value.substr(0, i));
    }
    return trimmed(value);
}

void writeTransferSettings(std::ostringstream &text, const HostSettings &settings);

[[noreturn]] void fail(const std::string &where, const std::string &what)
{
    throw Platform::FileError(Platform::utf8ToCp1252(where + ": " + what));
}

} // namespace

const char *protocolName(Protocol protocol)
{
    switch (protocol) {
    case Protocol::Sftp:
        return "sftp";
    case Protocol::Ftps:
        return "ftps";
    case Protocol::Ftp:
        return "ftp";
    case Protocol::Git:
        return "git";
    }
    return "sftp";
}

int defaultPort(Protocol protocol)
{
    return protocol == Protocol::Sftp || protocol == Protocol::Git ? 22 : 21;
}

std::string branchOf(const HostSettings &settings)
{
    return settings.branch.empty() ? DefaultGitBranch : settings.branch;
}

int portOf(const HostSettings &settings)
{
    return settings.port > 0 ? settings.port : defaultPort(settings.protocol);
}

std::string hostSettingsPath(const std::string &projectFilePath)
{
    return projectFilePath + ".upload";
}

HostSettings readHostSettings(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        throw Platform::FileError(Platform::utf8ToCp1252(
            "No host settings in " + path + " (" + Platform::errnoMessage(error) + ")"));
    }
    HostSettings settings;
    bool inSection = false;
    bool sawProtocol = false;
    std::string line;
    for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
        const std::string where = path + ", line " + std::to_string(lineNumber);
        line = trimmed(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            inSection = line == "[upload]";
            if (!inSection)
                fail(where, "unknown section " + line + " (expected [upload])");
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            fail(where, "expected key=value");
        if (!inSection)
            fail(where, "settings must follow the line [upload]");
        const std::string key = trimmed(line.substr(0, equals));
        const std::string value = withoutComment(line.substr(equals + 1));
        if (key == "protocol") {
            if (value == "sftp")
                settings.protocol = Protocol::Sftp;
            else if (value == "ftps")
                settings.protocol = Protocol::Ftps;
            else if (value == "ftp")
                settings.protocol = Protocol::Ftp;
            else if (value == "git")
                settings.protocol = Protocol::Git;
            else
                fail(where, "unknown protocol \"" + value + "\" (sftp, ftps, ftp or git)");
            sawProtocol = true;
        } else if (key == "host") {
            settings.host = value;
        } else if (key == "port") {
            int port = 0;
            const auto [end, error]
                = std::from_chars(value.data(), value.data() + value.size(), port);
            if (error != std::errc() || end != value.data() + value.size() || port < 1
                || port > 65535)
                fail(where, "port must be a number from 1 to 65535, not \"" + value + "\"");
            settings.port = port;
        } else if (key == "user") {
            settings.user = value;
        } else if (key == "folder") {
            settings.folder = value;
        } else if (key == "identity") {
            settings.identity = value;
        } else if (key == "remote") {
            settings.remote = value;
        } else if (key == "branch") {
            settings.branch = value;
        } else if (key == "author") {
            settings.authorName = value;
        } else if (key == "email") {
            settings.authorEmail = value;
        } else {
            fail(where, "unknown key \"" + key + "\"");
        }
    }
    if (!sawProtocol)
        fail(path, "no protocol given (protocol=sftp, ftps, ftp or git)");
    try {
        checkHostSettings(settings);
    } catch (const Platform::FileError &error) {
        fail(path, Platform::cp1252ToUtf8(error.what()));
    }
    return settings;
}

void checkHostSettings(const HostSettings &settings)
{
    const auto missing
        = [](const char *what) { throw Platform::FileError(std::string("No ") + what + " given"); };
    if (settings.protocol == Protocol::Git) {
        checkGitSettings(settings);
        return;
    }
    if (settings.host.empty())
        missing("host");
    if (settings.user.empty())
        missing("user");
    if (settings.folder.empty())
        missing("remote folder");
    if (!settings.identity.empty() && settings.protocol != Protocol::Sftp)
        throw Platform::FileError("A key file (identity) works only with sftp and git");
    for (const std::string *text : { &settings.host, &settings.user, &settings.folder }) {
        if (text->find_first_of("\r\n") != std::string::npos)
            throw Platform::FileError("A host setting holds a line break");
    }
}

void writeHostSettings(const std::string &path, const HostSettings &settings)
{
    std::ostringstream text;
    text << "[upload]\n"
         << "protocol=" << protocolName(settings.protocol) << "\n";
    if (settings.protocol == Protocol::Git)
        writeGitSettings(text, settings);
    else
        writeTransferSettings(text, settings);

    // The project's other files are replaced the same way: a settings file that is a link
    // to one kept elsewhere stays a link.
    const auto programPath = Platform::utf8ToCp1252Exact(path);
    if (!programPath)
        Platform::throwErrno(ENOENT);
    Platform::replaceFileThroughLinks(*programPath, text.str());
}

namespace {

void writeTransferSettings(std::ostringstream &text, const HostSettings &settings)
{
    text << "host=" << settings.host << "\n";
    if (settings.port > 0)
        text << "port=" << settings.port << "\n";
    text << "user=" << settings.user << "\n"
         << "folder=" << settings.folder << "\n";
    if (!settings.identity.empty())
        text << "identity=" << settings.identity << "\n";
}

} // namespace

} // namespace Upload
