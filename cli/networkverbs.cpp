// The descriptions of the verbs whose work lives in the network module, and the loading of
// that module when one of them runs.
#include "cli/clicommon.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"

#include <dlfcn.h>

#include <climits>
#include <cstdio>
#include <unistd.h>

namespace Cli {
namespace {

/// The module's entry: the work registered under a verb's name, or null.
using WorkLookup = void (*(*)(const char *))(const Invocation &);

WorkLookup loadNetworkModule()
{
    static WorkLookup lookup = nullptr;
    if (lookup)
        return lookup;
    std::string program(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size());
    program.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    const std::string programDir = program.substr(0, program.rfind('/') + 1);
    const std::string name = "corvanta-cli-network.so";
    // Beside the program in a build, in the library folder once installed.
    const std::string places[]
        = { programDir + name, programDir + CORVANTA_INSTALLED_MODULE_DIR "/" + name };
    for (const std::string &place : places) {
        if (void *module = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            lookup = reinterpret_cast<WorkLookup>(::dlsym(module, "corvantaCliVerbWork"));
            if (lookup)
                return lookup;
        } else if (::access(place.c_str(), F_OK) == 0) {
            // A module that is there but does not load is named with the loader's reason.
            std::fprintf(stderr, "%s\n", ::dlerror());
        }
    }
    throw Platform::FileError("Cannot open file " + Platform::utf8ToCp1252(places[1]));
}

const VerbRegistration upload({
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
    runInNetworkModule("upload"),
    { "--dry-run", "--accept-new-host-key" },
});

const VerbRegistration addTemplate({
    "add-template",
    "ARCHIVE.zip",
    "Adds the template in ARCHIVE.zip (one NAME.t and files whose names begin with\n"
    "NAME, at the top of the archive or in one folder) to the user's templates\n"
    "folder, $XDG_DATA_HOME/corvanta/templates, and prints its name. When a template\n"
    "of that name exists, asks on stdin before replacing it.",
    1,
    runInNetworkModule("add-template"),
});

} // namespace

std::function<void(const Invocation &)> runInNetworkModule(const std::string &verbName)
{
    return [verbName](const Invocation &invocation) {
        const auto run = loadNetworkModule()(verbName.c_str());
        if (run == nullptr)
            throw CliError("The network module has no command " + verbName);
        run(invocation);
    };
}

} // namespace Cli
