#pragma once

#include "project/project.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

/// What every verb of corvanta-cli shares: the verb table, reading a project as the Open
/// Project command does, and ending with an error exactly as the error box would word it.
namespace Cli {

/// One command line after the options: the home directory and the verb's operands as typed
/// (UTF-8, as the shell gave them).
struct Invocation
{
    std::string homeDir; ///< Windows-1252, a full path without a trailing "/"
    std::vector<std::string> operands;
    std::vector<std::string> flags; ///< the verb's own options given ("--dry-run")

    bool hasFlag(const std::string &flag) const
    {
        return std::find(flags.begin(), flags.end(), flag) != flags.end();
    }
};

/// A verb of the command line. `usage` names the operands ("PROJECT.cvp PUBLISH_DIR"),
/// `help` is the paragraph --help prints under it (lines separated by "\n").
struct Verb
{
    std::string name;
    std::string usage;
    std::string help;
    std::size_t operandCount = 0;
    std::function<void(const Invocation &)> run; ///< throws Platform::FileError or CliError
    std::vector<std::string> flags = {}; ///< options of this verb alone ("--dry-run")
};

/// Adds a verb to the table; each verb's file holds one of these:
///     const Cli::VerbRegistration registration({"show", "PROJECT.cvp", "...", 1, runShow});
class VerbRegistration
{
public:
    explicit VerbRegistration(Verb verb);
};

/// Every registered verb, by name.
std::vector<const Verb *> verbTable();

/// The work of a verb that lives in one of the program's modules (`module`, for example
/// "corvanta-cli-network.so"): the verbs that need the network, keyring, TLS or archive
/// libraries, or Qt, which would slow down the start of every other verb if the program loaded
/// them. The verb's description stays in the program, so that --help and the checks of the
/// command line do not load the module; its `run` loads the module on first use and calls the
/// work registered there under its name. Throws FileError when the module cannot be loaded.
std::function<void(const Invocation &)> runInModule(
    const std::string &module, const std::string &verbName);

/// Registers a verb's work inside a module; each verb's file there holds one:
///     const Cli::ModuleVerbWork work("upload", runUpload);
class ModuleVerbWork
{
public:
    ModuleVerbWork(const std::string &verbName, void (*run)(const Invocation &));
};

/// A failure of the command line itself (an unknown verb, a missing operand); its text is the
/// message the user reads, in UTF-8 since it quotes what was typed.
class CliError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Prints a Windows-1252 message (a FileError's text) as the last line on stderr, as the
/// standard error box would show it (full stop rule applied), and ends with status 1.
[[noreturn]] void exitWithError(const std::string &message);
/// The same for a message that is UTF-8 already (a CliError's text).
[[noreturn]] void exitWithUtf8Error(const std::string &message);

/// A path operand as the program's Windows-1252 full path: joined to the working directory
/// when relative, "." and ".." folded away, no trailing "/". Throws CliError when the path
/// holds a character Windows-1252 cannot hold.
std::string pathOperand(const std::string &utf8Path);

/// The installed font families from Qt, as Windows-1252 (families it cannot hold are left
/// out). Qt's font machinery is loaded with them, from the fonts module (corvanta-cli-fonts.so),
/// so that only the commands that need the list load it. Throws FileError when the module
/// cannot be loaded.
std::vector<std::string> installedFontFamilies();

/// The entry point named `entry` of one of the program's modules (`module`, for example
/// "corvanta-cli-network.so"), loaded from beside the program or from the library folder it
/// is installed in. Throws FileError when the module cannot be loaded.
void *moduleEntry(const std::string &module, const char *entry);

/// The template catalogue of the home directory and FontFamilyList, as the program builds
/// them at start-up.
Model::ChoiceLists choiceListsFor(const std::string &homeDir);

/// The same lists for reading one project file. Listing the installed families starts Qt's
/// font machinery, which takes longer than publishing a small site, so it is done only when
/// the project (its record or its settings) names a family past the six fixed font stacks;
/// otherwise those six stand for
/// the list.
Model::ChoiceLists choiceListsForProject(
    const std::string &homeDir, const std::string &projectFilePath);

/// The site title of a project file (Windows-1252 path and text), its warnings printed.
std::string projectSiteTitle(const std::string &homeDir, const std::string &projectFilePath);

/// Writes Windows-1252 text to stdout as UTF-8.
void printText(const std::string &text);

/// Prints the warnings of opening a project (Windows-1252), one line each, on stderr.
void printWarnings(const std::vector<std::string> &warnings);

} // namespace Cli
