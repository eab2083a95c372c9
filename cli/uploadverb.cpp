#include "cli/clicommon.h"
#include "cli/gitupload.h"

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
    if (!std::filesystem::exists(std::filesystem::symlink_status(websiteDir))) {
        throw Platform::FileError(Platform::utf8ToCp1252(
            "No published site in " + websiteDir + "; publish the project there first"));
    }
    if (settings.protocol == Upload::Protocol::Git) {
        uploadToGit(invocation, settings, websiteDir);
        return;
    }
    const Upload::LocalSite site(websiteDir);
    const Upload::PasswordAnswer answer = Upload::passwordFromEnvironmentOrKeyring(settings);
    const std::optional<std::string> &password = answer.password;
    const std::string &problem = answer.keyringProblem;
    if (!password && settings.identity.empty()) {
        throw Platform::FileError("No password for " + Platform::utf8ToCp1252(settings.host)
            + (problem.empty() ? ": set" : ": " + problem + ". Set")
            + " CORVANTA_UPLOAD_PASSWORD, or keep it in the keyring from the Upload window");
    }
    if (!password && !problem.empty())
        std::fprintf(stderr, "The key is used without a passphrase: %s\n",
            Platform::cp1252ToUtf8(problem).c_str());

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
    hooks.warning = [](const std::string &text) {
        std::fprintf(stderr, "%s.\n", Platform::cp1252ToUtf8(text).c_str());
    };
    Upload::RemoteFolder remote(settings, password.value_or(""), hooks);
    const Upload::RemoteState state = invocation.hasFlag("--verify")
        ? Upload::planHostCheck(remote, site)
        : Upload::planWebsiteUpload(remote, site);
    if (invocation.hasFlag("--dry-run")) {
        for (const std::string &name : state.plan.send)
            std::printf("send %s\n", name.c_str());
        for (const std::string &name : state.plan.remove)
            std::printf("delete %s\n", name.c_str());
        return;
    }
    Upload::uploadWebsite(remote, site, state);
    if (state.plan.empty())
        std::fprintf(stderr, "[100%%] nothing changed\n");
}

const ModuleVerbWork work("upload", runUpload);

} // namespace
} // namespace Cli
