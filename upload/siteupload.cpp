#include "upload/siteupload.h"

#include "upload/uploadrecord.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"

#include <algorithm>
#include <future>
#include <set>

namespace Upload {
namespace {

std::string utf8(const Platform::FileError &error) { return Platform::cp1252ToUtf8(error.what()); }

/// Pictures and styles before pages, as planUpload orders them.
void orderForSending(std::vector<std::string> &names)
{
    std::stable_partition(
        names.begin(), names.end(), [](const std::string &name) { return !isPageOrScript(name); });
}

} // namespace

RemoteState planWebsiteUpload(RemoteFolder &remote, const LocalSite &site)
{
    RemoteState state;
    // The site is hashed while the connection is made and the host's manifest read.
    std::future<Manifest> local = std::async(std::launch::async, [&site] { return site.scan(); });
    std::optional<std::string> manifest;
    bool &underTemporaryName = state.manifestUnderTemporaryName;
    try {
        const std::string temporary = RemoteFolder::temporaryName(ManifestName);
        manifest = remote.read(ManifestName);
        if (!manifest) {
            // A run that stopped between removing the old manifest and renaming the new one
            // into place left it whole under its temporary name.
            manifest = remote.read(temporary);
            underTemporaryName = manifest.has_value();
        } else if (remote.sizeOf(temporary)) {
            // A run stopped while it wrote the manifest, before anything else changed.
            state.leftovers.push_back(temporary);
        }
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
    std::vector<std::string> warnings;
    if (manifest)
        state.remote = parseManifest(*manifest, &warnings);
    state.rewriteManifest = underTemporaryName || !warnings.empty();

    const UploadRecord record(remote.settings());
    for (auto entry = state.remote.begin(); entry != state.remote.end();) {
        const std::string &name = entry->first;
        if (state.local.contains(name) || record.holds(name)) {
            ++entry;
            continue;
        }
        warnings.push_back("The host's " + std::string(ManifestName) + " lists "
            + printableName(name)
            + ", which was not uploaded from here; it is left alone on the host and no longer "
              "listed");
        entry = state.remote.erase(entry);
        state.rewriteManifest = true;
    }
    state.plan = planUpload(state.local, state.remote);
    for (const auto &[name, digest] : state.remote) {
        if (!digest.known() && !state.local.contains(name))
            state.leftovers.push_back(RemoteFolder::temporaryName(name));
    }
    for (const std::string &warning : warnings)
        remote.warn(warning);
    return state;
}

RemoteState planHostCheck(RemoteFolder &remote, const LocalSite &site)
{
    RemoteState state = planWebsiteUpload(remote, site);
    const std::map<std::string, std::uint64_t> held = remote.listFiles();
    // Temporaries that no manifest lists, left by a run cut short before the manifest said
    // what it was about to change (as earlier versions did), go too. The manifest's own is
    // replaced when the manifest is written, never removed before: it may be the only one.
    for (const auto &[name, size] : held) {
        const std::string base = name.substr(name.rfind('/') + 1);
        if (base.starts_with(".corvanta-part.") && name != RemoteFolder::temporaryName(ManifestName)
            && std::find(state.leftovers.begin(), state.leftovers.end(), name)
                == state.leftovers.end())
            state.leftovers.push_back(name);
    }
    const std::set<std::string> sending(state.plan.send.begin(), state.plan.send.end());
    for (const auto &[name, digest] : state.local) {
        if (sending.contains(name))
            continue;
        const auto found = held.find(name);
        if (found == held.end()) {
            remote.warn(name + " is missing on the host; it is sent again");
        } else if (found->second != digest.size) {
            remote.warn(name + " has " + std::to_string(found->second)
                + " bytes on the host instead of " + std::to_string(digest.size)
                + "; it is sent again");
        } else {
            continue;
        }
        state.plan.send.push_back(name);
    }
    orderForSending(state.plan.send);
    return state;
}

UploadOutcome uploadWebsite(RemoteFolder &remote, const LocalSite &site, const RemoteState &state)
{
    // Every file of the site is this program's on the host from now on, whether it is sent
    // now or was sent by an earlier version that kept no record.
    UploadRecord record(remote.settings());
    for (const auto &[name, digest] : state.local)
        record.add(name);
    record.save();
    if (state.unchanged())
        return UploadOutcome::Completed;

    std::uint64_t bytesTotal = 0;
    for (const std::string &name : state.plan.send)
        bytesTotal += state.local.at(name).size;

    // What the host holds as the run goes. Before anything changes there, the manifest says
    // which names are about to change, so a run cut short anywhere leaves none of them taken
    // as up to date.
    Manifest held = state.remote;
    for (const std::string &name : state.plan.send)
        held[name] = FileDigest {};
    for (const std::string &name : state.plan.remove)
        held[name] = FileDigest {};
    bool hostChanged = false;
    try {
        // Written over, the temporary would leave the host without a manifest for a moment.
        if (state.manifestUnderTemporaryName)
            remote.rename(RemoteFolder::temporaryName(ManifestName), ManifestName);
        if (!state.plan.empty())
            remote.sendBytes(formatManifest(held), ManifestName);
        hostChanged = true;
        for (const std::string &leftover : state.leftovers) {
            try {
                remote.remove(leftover);
            } catch (const Platform::FileError &error) {
                remote.warn(utf8(error));
            }
        }
        std::uint64_t bytesSent = 0;
        for (const std::string &name : state.plan.send) {
            remote.sendFile(site.open(name), name, bytesSent, bytesTotal);
            held[name] = state.local.at(name);
            bytesSent += state.local.at(name).size;
        }
        for (const std::string &name : state.plan.remove) {
            try {
                remote.remove(name);
            } catch (const Platform::FileError &error) {
                remote.warn(utf8(error) + "; " + name + " is no longer listed as the site's");
            }
            held.erase(name);
            record.erase(name);
        }
    } catch (const TransferCancelled &) {
        if (!hostChanged)
            return UploadOutcome::Cancelled;
        // The files sent so far are listed, so the next run does not send them again; a host
        // that does not answer keeps the manifest written before, which is safe as well.
        try {
            remote.sendBytes(formatManifest(held), ManifestName, true);
        } catch (const Platform::FileError &) { }
        record.save();
        return UploadOutcome::Cancelled;
    }
    remote.sendBytes(formatManifest(held), ManifestName);
    record.save();
    return UploadOutcome::Completed;
}

UploadOutcome uploadWebsite(RemoteFolder &remote, const std::string &websiteDir)
{
    const LocalSite site(websiteDir);
    return uploadWebsite(remote, site, planWebsiteUpload(remote, site));
}

} // namespace Upload
