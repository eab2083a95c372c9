#include "cli/clicommon.h"

#include "platform/dialogs.h"
#include "platform/encoding.h"
#include "project/projectfiles.h"
#include "project/projectsession.h"
#include "publish/publishwebsite.h"

#include <cstdio>
#include <cstdlib>

namespace Cli {
namespace {

/// The publish run's notices on the console: errors on stderr, everything else on stdout.
/// Nobody is there to answer a question, so every question is answered with Cancel.
class ConsoleDialogs : public Platform::Dialogs
{
public:
    bool confirm(const Platform::Message &question) override
    {
        notify(question);
        return false;
    }
    void notify(const Platform::Message &notice) override
    {
        std::FILE *stream = notice.icon == Platform::MessageIcon::Error ? stderr : stdout;
        std::fflush(stdout);
        std::fprintf(stream, "%s\n", Platform::cp1252ToUtf8(notice.text).c_str());
        std::fflush(stream);
    }
    std::string askText(const std::string &, const std::string &) override { return {}; }
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &) override
    {
        return std::nullopt;
    }
    std::optional<Platform::Colour> chooseColour(Platform::Colour) override { return std::nullopt; }
    void openDocument(const std::string &target) override
    {
        std::printf("%s\n", Platform::cp1252ToUtf8(target).c_str());
    }
};

void printProgress(int percent, const std::string &status)
{
    std::fprintf(stderr, "[%3d%%] %s\n", percent, Platform::cp1252ToUtf8(status).c_str());
}

void runPublish(const Invocation &invocation)
{
    const std::string projectFile = pathOperand(invocation.operands.at(0));
    // A blank operand is no directory at all, not the current one: the run says so.
    const std::string &directoryOperand = invocation.operands.at(1);
    const bool blank = directoryOperand.find_first_not_of(" \t") == std::string::npos;
    const std::string publishDirectory = blank ? directoryOperand : pathOperand(directoryOperand);
    const Model::ChoiceLists lists = choiceListsForProject(invocation.homeDir, projectFile);
    // The project is read as Open Project reads it, except that the page bodies stay in their
    // files, opened in the same order and with the same errors: each page copies its body
    // straight from its file, so a site of large pages needs no memory for them.
    Model::ProjectSession session(lists);
    session.openFields(projectFile);
    Publish::PageBodyFiles bodyFiles;
    for (Model::PageId page = 1; page <= Model::PageCount; ++page) {
        bodyFiles[static_cast<std::size_t>(page - 1)].emplace(
            Model::pageContentPath(projectFile, page), Platform::File::Mode::Read,
            Platform::OpenFailure::NamedText);
    }
    ConsoleDialogs dialogs;
    const Publish::PublishOutcome outcome = Publish::PublishWebsite(session.project(), lists,
        invocation.homeDir, publishDirectory, dialogs, printProgress, &bodyFiles);
    // The notice that stopped the run is already the last line on stderr.
    if (outcome != Publish::PublishOutcome::Completed) {
        std::fflush(stdout);
        std::exit(1);
    }
}

const VerbRegistration registration({
    "publish",
    "PROJECT.cvp PUBLISH_DIR",
    "Publishes the project as the program's Publish command does: makes the new\n"
    "directory PUBLISH_DIR/website (it must not exist yet) and writes every ticked\n"
    "page made from the project's template (see templates), the navigation scripts,\n"
    "the template's pictures, the logo and styles.css into it. Progress goes to\n"
    "stderr, the closing reminder to stdout.",
    2,
    runPublish,
});

} // namespace
} // namespace Cli
