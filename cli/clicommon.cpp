#include "cli/clicommon.h"

#include "catalogue/templatecatalogue.h"
#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "platform/fontfamilies.h"
#include "project/projectfiles.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace Cli {
namespace {

std::vector<Verb> &registeredVerbs()
{
    static std::vector<Verb> verbs;
    return verbs;
}

// Qt's notes about its own set-up (a missing runtime directory and the like) would end up
// on stderr, whose last line belongs to the error message; only fatal ones get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg || type == QtCriticalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
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
    // Windows-1252 bytes pass through std::filesystem unchanged: on Linux a path is bytes.
    std::filesystem::path full(*path);
    if (full.is_relative())
        full = std::filesystem::path(Platform::currentDirectory()) / full;
    std::string normal = full.lexically_normal().string();
    if (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

std::vector<std::string> installedFontFamilies()
{
    const QtMessageHandler previousHandler = qInstallMessageHandler(quietQtMessages);
    std::unique_ptr<QGuiApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "corvanta-cli";
        static char *argv[] = { name, nullptr };
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    std::vector<std::string> families = Platform::installedFontFamilies();
    application.reset();
    qInstallMessageHandler(previousHandler);
    return families;
}

Model::ChoiceLists choiceListsFor(const std::string &homeDir)
{
    return { Catalogue::ListTemplates(homeDir), Model::FontFamilyList(installedFontFamilies()) };
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
