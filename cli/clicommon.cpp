#include "cli/clicommon.h"

#include "catalogue/templatecatalogue.h"
#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "project/projectfiles.h"
#include "project/projectsession.h"

#include <dlfcn.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace Cli {
namespace {

std::vector<Verb> &registeredVerbs()
{
    static std::vector<Verb> verbs;
    return verbs;
}

} // namespace

VerbRegistration::VerbRegistration(Verb verb) { registeredVerbs().push_back(std::move(verb)); }

std::vector<const Verb *> verbTable()
{
    std::vector<const Verb *> table;
    for (const Verb &verb : registeredVerbs())
        table.push_back(&verb);
    std::sort(
        table.begin(), table.end(), [](const Verb *a, const Verb *b) { return a->name < b->name; });
    return table;
}

void exitWithError(const std::string &message)
{
    exitWithUtf8Error(Platform::cp1252ToUtf8(message));
}

void exitWithUtf8Error(const std::string &message)
{
    // Whatever was printed goes out before the message, so that it stays the last line.
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", Platform::standardErrorText(message).c_str());
    std::exit(1);
}

std::string pathOperand(const std::string &utf8Path)
{
    const auto path = Platform::utf8ToCp1252Exact(utf8Path);
    if (!path)
        throw CliError("The path " + utf8Path + " holds characters that Windows-1252 cannot hold");
    // The path as the system reads it, without asking it: a ".." at the root stays there.
    const std::string full
        = path->starts_with('/') ? *path : Platform::currentDirectory() + "/" + *path;
    std::string normal;
    for (const std::string &part : Platform::foldPath(full).parts)
        normal += "/" + part;
    return normal.empty() ? "/" : normal;
}

void *moduleEntry(const std::string &module, const char *entry)
{
    std::string program(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size());
    program.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    const std::string programDir = program.substr(0, program.rfind('/') + 1);
    // Beside the program in a build, in the library folder once installed.
    const std::string places[]
        = { programDir + module, programDir + CORVANTA_INSTALLED_MODULE_DIR "/" + module };
    for (const std::string &place : places) {
        if (void *loaded = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (void *found = ::dlsym(loaded, entry))
                return found;
        } else if (::access(place.c_str(), F_OK) == 0) {
            // A module that is there but does not load is named with the loader's reason.
            std::fprintf(stderr, "%s\n", ::dlerror());
        }
    }
    throw Platform::FileError("Cannot open file " + Platform::utf8ToCp1252(places[1]));
}

std::vector<std::string> installedFontFamilies()
{
    using FamiliesEntry = void (*)(std::vector<std::string> &);
    static const auto listFamilies = reinterpret_cast<FamiliesEntry>(
        moduleEntry("corvanta-cli-fonts.so", "corvantaCliFontFamilies"));
    std::vector<std::string> families;
    listFamilies(families);
    return families;
}

Model::ChoiceLists choiceListsFor(const std::string &homeDir)
{
    return { Catalogue::ListTemplates(homeDir), Model::FontFamilyList(installedFontFamilies()) };
}

std::string projectSiteTitle(const std::string &homeDir, const std::string &projectFilePath)
{
    const Model::ChoiceLists lists = choiceListsForProject(homeDir, projectFilePath);
    Model::ProjectSession session(lists);
    printWarnings(session.open(projectFilePath));
    return session.project().siteTitle;
}

Model::ChoiceLists choiceListsForProject(
    const std::string &homeDir, const std::string &projectFilePath)
{
    std::string record(Model::ProjectRecordSize, '\0');
    try {
        Platform::File file(projectFilePath, Platform::File::Mode::Read);
        record.resize(file.readFully(record.data(), record.size()));
    } catch (const Platform::FileError &) {
        // Reading the project reports the error; the lists do not matter then.
        record.clear();
    }
    bool installedFamily = Model::namesInstalledFontFamily(record);
    try {
        installedFamily = installedFamily
            || Model::namesInstalledFontFamily(Model::ReadProjectSettings(projectFilePath));
    } catch (const Platform::FileError &) {
        // Reading the project reports the error.
    }
    if (installedFamily)
        return choiceListsFor(homeDir);
    return { Catalogue::ListTemplates(homeDir),
        { Model::Lists::FixedFontFamilies.begin(), Model::Lists::FixedFontFamilies.end() } };
}

void printText(const std::string &text)
{
    const std::string utf8 = Platform::cp1252ToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

void printWarnings(const std::vector<std::string> &warnings)
{
    std::fflush(stdout);
    for (const std::string &warning : warnings)
        std::fprintf(stderr, "%s\n", Platform::cp1252ToUtf8(warning).c_str());
    std::fflush(stderr);
}

} // namespace Cli
