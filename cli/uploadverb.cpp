#include "cli/clicommon.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "publish/websitefolder.h"
#include "upload/keyring.h"
#include "upload/siteupload.h"

#include <cstdio>
#include <filesystem>

namespace Cli {
namespace {

/// "[ 37%] about.html" on stderr whenever the file or the whole percent changes.
class ProgressLines
{
public:
    void show(const Upload::Progress &progress)
    {
        const int percent = progress.bytesTotal == 0
            ? 100
            : static_cast<int>(progress.bytesSent * 100 / progress.bytesTotal);
        if (percent == m_percent && progress.currentFile == m_file)
            return;
        m_percent = percent;
        m_file = progress.currentFile;
        std::fprintf(stderr, "[%3d%%] %s\n", percent, m_file.c_str());
    }

private:
    int m_percent = -1;
    std::string m_file;
};

void runUpload(const Invocation &invocation)
{
    const std::string projectFile = Platform::nativePath(pathOperand(invocation.operands.at(0)));
    const std::string websiteDir
        = Publish::websiteDirectoryOf(Platform::nativePath(pathOperand(invocation.operands.at(1))));
    const Upload::HostSettings settings
        = Upload::readHostSettings(Upload::hostSettingsPath(projectFile));
    if (!std::filesystem::is_directory(websiteDir)) {
        throw Platform::FileError(Platform::utf8ToCp1252(
            "No published site in " + websiteDir + "; publish the project there first"));
    }
    std::optional<std::string> password = Upload::passwordFromEnvironmentOrKeyring(settings);
    if (!password && settings.identity.empty()) {
        throw Platform::FileError("No password for " + Platform::utf8ToCp1252(settings.host)
            + ": set CORVANTA_UPLOAD_PASSWORD, or keep it in the keyring from the Upload window");
    }

    const bool acceptNewKey = invocation.hasFlag("--accept-new-host-key");
    ProgressLines progressLines;
    Upload::TransferHooks hooks;
    hooks.acceptNewHostKey = [&](const std::string &host, const std::string &fingerprint) {
        std::fprintf(stderr,
            acceptNewKey ? "Accepted the new host key of %s: %s\n"
                         : "%s offers the unknown host key %s; if it is the host's, run again "
                           "with --accept-new-host-key\n",
            host.c_str(), fingerprint.c_str());
        return acceptNewKey;
    };
    hooks.progress = [&](const Upload::Progress &progress) { progressLines.show(progress); };
    Upload::RemoteFolder remote(settings, password.value_or(""), hooks);
    const Upload::RemoteState state = Upload::planWebsiteUpload(remote, websiteDir);
    if (invocation.hasFlag("--dry-run")) {
        for (const std::string &name : state.plan.send)
            std::printf("send %s\n", name.c_str());
        for (const std::string &name : state.plan.remove)
            std::printf("delete %s\n", name.c_str());
        return;
    }
    Upload::uploadWebsite(remote, websiteDir, state);
    if (state.plan.empty())
        std::fprintf(stderr, "[100%%] nothing changed\n");
}

const VerbRegistration registration({
    "upload",
    "PROJECT.cvp PUBLISH_DIR [--dry-run] [--accept-new-host-key]",
    "Uploads PUBLISH_DIR/website (what publish wrote) to the host named in\n"
    "PROJECT.cvp.upload, sending only new and changed files and deleting those the\n"
    "host got from an earlier upload that the site no longer has. The password (or\n"
    "the key file's passphrase) comes from CORVANTA_UPLOAD_PASSWORD, else from the\n"
    "keyring. Progress goes to stderr. --dry-run prints the files it would send and\n"
    "delete and changes nothing; --accept-new-host-key accepts an SFTP host key seen\n"
    "for the first time.",
    2,
    runUpload,
    { "--dry-run", "--accept-new-host-key" },
});

} // namespace
} // namespace Cli
