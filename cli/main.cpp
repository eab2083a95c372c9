// corvanta-cli: the command-line front for people who script their sites. It reads and writes
// the same project files as the program and words its failures as the program's error box.

#include "cli/clicommon.h"

#include "platform/fileerror.h"
#include "platform/files.h"
#include "platform/homedirectory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void printHelp()
{
    std::string help = "Usage: corvanta-cli [--home DIR] COMMAND [ARGUMENTS]\n"
                       "\n"
                       "Works on Corvanta projects from the command line: a project file (.cvp)\n"
                       "and the page content files 1.dat to 14.dat beside it.\n"
                       "\n"
                       "Options:\n"
                       "  --home DIR  the home directory; templates are read from DIR/templates\n"
                       "              and from the user's $XDG_DATA_HOME/corvanta/templates.\n"
                       "              Default: the current directory when it holds a templates\n"
                       "              folder, else the data folder installed with the program\n"
                       "              (../share/corvanta from the program's folder).\n"
                       "  --help      show this text.\n"
                       "\n"
                       "Commands:\n";
    for (const Cli::Verb *verb : Cli::verbTable()) {
        help += "  " + verb->name + (verb->usage.empty() ? "" : " " + verb->usage) + "\n";
        std::size_t start = 0;
        while (start < verb->help.size()) {
            const std::size_t end = verb->help.find('\n', start);
            const std::size_t length = (end == std::string::npos ? verb->help.size() : end) - start;
            help += "      " + verb->help.substr(start, length) + "\n";
            start += length + 1;
        }
    }
    help += "\n"
            "On failure the last line on stderr is the message the program's error box would\n"
            "show, and the exit status is 1.\n";
    std::fputs(help.c_str(), stdout);
}

const Cli::Verb *findVerb(const std::string &name)
{
    for (const Cli::Verb *verb : Cli::verbTable()) {
        if (verb->name == name)
            return verb;
    }
    return nullptr;
}

int run(int argc, char **argv)
{
    std::string homeDir;
    bool homeGiven = false;
    std::vector<std::string> words;
    std::vector<std::string> verbFlags;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            words.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            printHelp();
            return 0;
        } else if (argument == "--home" || argument.starts_with("--home=")) {
            std::string value;
            if (argument == "--home") {
                if (i + 1 >= argc)
                    throw Cli::CliError("--home needs a directory");
                value = argv[++i];
            } else {
                value = argument.substr(std::strlen("--home="));
            }
            if (value.empty())
                throw Cli::CliError("--home needs a directory");
            homeDir = Cli::pathOperand(value);
            homeGiven = true;
        } else if (argument.starts_with("--") && argument.find('=') == std::string::npos) {
            verbFlags.push_back(argument); // checked against the verb's own options below
        } else {
            throw Cli::CliError("Unknown option " + argument + "; see corvanta-cli --help");
        }
    }
    if (words.empty())
        throw Cli::CliError("No command given; see corvanta-cli --help");

    const Cli::Verb *verb = findVerb(words.front());
    if (verb == nullptr)
        throw Cli::CliError("Unknown command " + words.front() + "; see corvanta-cli --help");
    for (const std::string &flag : verbFlags) {
        if (std::find(verb->flags.begin(), verb->flags.end(), flag) == verb->flags.end())
            throw Cli::CliError("Unknown option " + flag + "; see corvanta-cli --help");
    }
    Cli::Invocation invocation;
    invocation.flags = verbFlags;
    invocation.homeDir = homeGiven ? homeDir : Platform::defaultHomeDirectory();
    invocation.operands.assign(words.begin() + 1, words.end());
    if (invocation.operands.size() != verb->operandCount) {
        throw Cli::CliError("Usage: corvanta-cli [--home DIR] " + verb->name
            + (verb->usage.empty() ? "" : " " + verb->usage));
    }
    verb->run(invocation);

    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw Platform::FileError("Stream write error");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        return run(argc, argv);
    } catch (const Platform::FileError &error) {
        Cli::exitWithError(error.what());
    } catch (const Cli::CliError &error) {
        Cli::exitWithUtf8Error(error.what());
    } catch (const std::bad_alloc &) {
        Cli::exitWithError("Out of memory");
    }
}
