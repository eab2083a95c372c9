// The descriptions of the verbs whose work lives in a module of the program, and the loading
// of that module when one of them runs.
#include "cli/clicommon.h"

namespace Cli {
namespace {

/// The module's entry: the work registered under a verb's name, or null.
using WorkLookup = void (*(*)(const char *))(const Invocation &);

constexpr const char *NetworkModule = "corvanta-cli-network.so";

const VerbRegistration upload({
    "upload",
    "PROJECT.cvp PUBLISH_DIR [--dry-run] [--verify] [--accept-new-host-key]",
    "Uploads PUBLISH_DIR/website (what publish wrote) to the host named in\n"
    "PROJECT.cvp.upload, sending only new and changed files and deleting those the\n"
    "host got from an earlier upload that the site no longer has. The password (or\n"
    "the key file's passphrase) comes from CORVANTA_UPLOAD_PASSWORD, else from the\n"
    "keyring. Progress goes to stderr. --dry-run prints the files it would send and\n"
    "delete and changes nothing; --accept-new-host-key accepts an SFTP host key seen\n"
    "for the first time. --verify lists what the host holds and also sends again\n"
    "every file that is missing there or has another size. With protocol=git the\n"
    "site becomes a commit on the branch (default pages) of the repository, pushed\n"
    "without force; --dry-run then lists what differs from the branch.",
    2,
    runInModule(NetworkModule, "upload"),
    { "--dry-run", "--verify", "--accept-new-host-key" },
});

const VerbRegistration addTemplate({
    "add-template",
    "ARCHIVE.zip",
    "Adds the template in ARCHIVE.zip (one NAME.t and files whose names begin with\n"
    "NAME, at the top of the archive or in one folder; at most 10,000 entries) as\n"
    "the folder NAME in the user's templates folder, $XDG_DATA_HOME/corvanta/templates,\n"
    "and prints its name. The folder is swapped in whole once every file is written.\n"
    "When a template of that name exists, asks on stdin before replacing it.",
    1,
    runInModule(NetworkModule, "add-template"),
});

const VerbRegistration import({
    "import",
    "PROJECT.json PROJECT.cvp",
    "Writes PROJECT.cvp and 1.dat to 14.dat beside it from the JSON object that show\n"
    "prints, as one whole save. A field left out keeps the value of a new project; an\n"
    "unknown field, a value of the wrong type, a choice not in its list or a text too\n"
    "long for its field, a NUL character or half of a surrogate pair is refused with\n"
    "the field's name, and nothing is written. \"settings\" gives the settings file;\n"
    "a template or font family named there is chosen as Open Project chooses it.",
    2,
    runInModule("corvanta-cli-import.so", "import"),
});

} // namespace

std::function<void(const Invocation &)> runInModule(
    const std::string &module, const std::string &verbName)
{
    return [module, verbName](const Invocation &invocation) {
        // Each module is loaded once, however many of its verbs run.
        const auto lookup
            = reinterpret_cast<WorkLookup>(moduleEntry(module, "corvantaCliVerbWork"));
        const auto run = lookup(verbName.c_str());
        if (run == nullptr)
            throw CliError("The module " + module + " has no command " + verbName);
        run(invocation);
    };
}

} // namespace Cli
