#include "upload/siteupload.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"

#include <future>

namespace Upload {

RemoteState planWebsiteUpload(RemoteFolder &remote, const std::string &websiteDir)
{
    RemoteState state;
    // The site is hashed while the connection is made and the host's manifest read.
    std::future<Manifest> local = std::async(std::launch::async, scanWebsite, websiteDir);
    std::optional<std::string> manifest;
    try {
        manifest = remote.read(ManifestName);
    } catch (...) {
        local.wait();
        throw;
    }
    state.local = local.get();
    if (!manifest && !remote.exists()) {
        const HostSettings &settings = remote.settings();
        throw Platform::FileError(Platform::utf8ToCp1252(
            "The folder " + settings.folder + " does not exist on " + settings.host));
    }
    if (manifest)
        state.remote = parseManifest(*manifest);
    state.plan = planUpload(state.local, state.remote);
    return state;
}

UploadOutcome uploadWebsite(RemoteFolder &remote, const std::string &websiteDir)
{
    return uploadWebsite(remote, websiteDir, planWebsiteUpload(remote, websiteDir));
}

UploadOutcome uploadWebsite(
    RemoteFolder &remote, const std::string &websiteDir, const RemoteState &state)
{
    if (state.plan.empty())
        return UploadOutcome::Completed;
    std::uint64_t bytesTotal = 0;
    for (const std::string &name : state.plan.send)
        bytesTotal += state.local.at(name).size;

    // What the host holds as the run goes: the manifest written on Cancel.
    Manifest held = state.remote;
    try {
        std::uint64_t bytesSent = 0;
        for (const std::string &name : state.plan.send) {
            remote.sendFile(websiteDir + "/" + name, name, bytesSent, bytesTotal);
            held[name] = state.local.at(name);
            bytesSent += state.local.at(name).size;
        }
        for (const std::string &name : state.plan.remove) {
            remote.remove(name);
            held.erase(name);
        }
    } catch (const TransferCancelled &) {
        if (held != state.remote)
            remote.sendBytes(formatManifest(held), ManifestName, true);
        return UploadOutcome::Cancelled;
    }
    remote.sendBytes(formatManifest(state.local), ManifestName);
    return UploadOutcome::Completed;
}

} // namespace Upload
