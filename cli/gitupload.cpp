#include "cli/gitupload.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "upload/gitpublish.h"
#include "upload/gitremote.h"
#include "upload/keyring.h"

#include <cstdio>

namespace Cli {

void uploadToGit(const Invocation &invocation, const Upload::HostSettings &settings,
    const std::string &websiteDir)
{
    if (invocation.hasFlag("--verify")) {
        throw CliError("--verify is for sftp, ftps and ftp: publishing to git compares the "
                       "whole branch every time");
    }
    Upload::GitPublish request;
    request.settings = settings;
    request.websiteDir = websiteDir;
    request.siteTitle = Platform::cp1252ToUtf8(
        projectSiteTitle(invocation.homeDir, pathOperand(invocation.operands.at(0))));
    // A repository on this computer needs no key; one over SSH may need the key's passphrase.
    if (!Upload::parseGitRemote(settings.remote).local && !settings.identity.empty()) {
        const Upload::PasswordAnswer answer = Upload::passwordFromEnvironmentOrKeyring(settings);
        if (answer.password)
            request.passphrase = *answer.password;
        else if (!answer.keyringProblem.empty())
            std::fprintf(stderr, "The key is used without a passphrase: %s\n",
                Platform::cp1252ToUtf8(answer.keyringProblem).c_str());
    }
    const bool acceptNewKey = invocation.hasFlag("--accept-new-host-key");
    request.hooks.acceptNewHostKey = [&](const std::string &host, const std::string &fingerprint) {
        std::fprintf(stderr,
            acceptNewKey ? "Accepted the new host key of %s: %s\n"
                         : "%s offers the unknown host key %s; if it is the host's, run again "
                           "with --accept-new-host-key\n",
            host.c_str(), fingerprint.c_str());
        return acceptNewKey;
    };
    request.hooks.warning
        = [](const std::string &text) { std::fprintf(stderr, "%s.\n", text.c_str()); };
    // "[ 40%] Sending 12 of 30 objects" whenever the stage or the whole percent changes.
    std::string shownStage;
    int shownPercent = -1;
    request.progress = [&](const Upload::GitProgress &progress) {
        const int percent
            = progress.total == 0 ? 100 : static_cast<int>(progress.done * 100 / progress.total);
        if (percent == shownPercent && progress.stage == shownStage)
            return;
        shownPercent = percent;
        shownStage = progress.stage;
        std::fprintf(stderr, "[%3d%%] %s: %zu of %zu objects\n", percent, progress.stage.c_str(),
            progress.done, progress.total);
    };

    if (invocation.hasFlag("--dry-run")) {
        const Upload::UploadPlan plan = Upload::planGitPublish(request);
        for (const std::string &name : plan.send)
            std::printf("send %s\n", name.c_str());
        for (const std::string &name : plan.remove)
            std::printf("delete %s\n", name.c_str());
        return;
    }
    const Upload::GitPublishResult result = Upload::publishToGit(request);
    if (result.commit.empty()) {
        std::fprintf(stderr, "[100%%] nothing changed\n");
        return;
    }
    std::fprintf(stderr, "[100%%] published %s on %s: %zu files sent, %zu deleted\n",
        result.commit.substr(0, 12).c_str(), Upload::branchOf(settings).c_str(),
        result.plan.send.size(), result.plan.remove.size());
}

} // namespace Cli
