#include "cli/clicommon.h"

#include "platform/encoding.h"
#include "project/projectfiles.h"
#include "project/projectsession.h"
#include "publish/previewpage.h"
#include "publish/publishwebsite.h"

#include <cstdio>
#include <cstdlib>

namespace Cli {
namespace {

/// A notice of the run on the console: errors on stderr, everything else on stdout.
void printNotice(const Platform::Message &notice)
{
    std::FILE *stream = notice.icon == Platform::MessageIcon::Error ? stderr : stdout;
    std::fflush(stdout);
    std::fprintf(stream, "%s\n", Platform::cp1252ToUtf8(notice.text).c_str());
    std::fflush(stream);
}

void printProgress(int percent, const std::string &status)
{
    std::fprintf(stderr, "[%3d%%] %s\n", percent, Platform::cp1252ToUtf8(status).c_str());
}

/// The page bodies of a saved project, opened in page order as Open Project reads them: each
/// page copies its body straight from its file, so a site of large pages needs no memory for
/// them.
void openBodyFiles(const std::string &projectFile, Publish::PageBodyFiles &bodyFiles)
{
    for (Model::PageId page = 1; page <= Model::PageCount; ++page) {
        bodyFiles[static_cast<std::size_t>(page - 1)].emplace(
            Model::pageContentPath(projectFile, page), Platform::File::Mode::Read,
            Platform::OpenFailure::NamedText);
    }
}

void runPublish(const Invocation &invocation)
{
    const std::string projectFile = pathOperand(invocation.operands.at(0));
    // A blank operand is no directory at all, not the current one: the run says so.
    const std::string &directoryOperand = invocation.operands.at(1);
    const bool blank = directoryOperand.find_first_not_of(" \t") == std::string::npos;
    const std::string publishDirectory = blank ? directoryOperand : pathOperand(directoryOperand);
    const Model::ChoiceLists lists = choiceListsForProject(invocation.homeDir, projectFile);
    Model::ProjectSession session(lists);
    printWarnings(session.openFields(projectFile));
    Publish::PageBodyFiles bodyFiles;
    openBodyFiles(projectFile, bodyFiles);
    Publish::PublishRequest request = Publish::requestFor(session, invocation.homeDir);
    request.bodyFiles = &bodyFiles;
    request.target = publishDirectory;
    if (invocation.hasFlag("--replace"))
        request.existing = Publish::ExistingWebsite::Replace;
    request.progress = printProgress;
    const Publish::PublishResult result = Publish::PublishWebsite(request);
    for (const auto &notice :
        { Publish::stoppedNotice(result), Publish::notCopiedWarning(result) }) {
        if (notice)
            printNotice(*notice);
    }
    // The notice that stopped the run is the last line on stderr.
    if (result.outcome != Publish::PublishOutcome::Completed) {
        std::fflush(stdout);
        std::exit(1);
    }
}

void runPreview(const Invocation &invocation)
{
    const std::string projectFile = pathOperand(invocation.operands.at(0));
    const std::string pageFile = Platform::utf8ToCp1252(invocation.operands.at(1));
    const Model::PageInfo *page = nullptr;
    for (const Model::PageInfo &info : Model::PageCatalogue) {
        if (pageFile == info.pageFile)
            page = &info;
    }
    if (!page)
        throw CliError("No page of a website is called " + invocation.operands.at(1));
    const Model::ChoiceLists lists = choiceListsForProject(invocation.homeDir, projectFile);
    Model::ProjectSession session(lists);
    printWarnings(session.openFields(projectFile));
    Publish::PageBodyFiles bodyFiles;
    openBodyFiles(projectFile, bodyFiles);
    Publish::PublishRequest request = Publish::requestFor(session, invocation.homeDir);
    request.bodyFiles = &bodyFiles;
    const Publish::PublishResult preview = Publish::PreviewPage(request, page->id);
    if (const auto notice = Publish::stoppedNotice(preview))
        printNotice(*notice);
    printText(Publish::previewedPage(preview, page->id) + "\n");
}

const VerbRegistration previewRegistration({
    "preview",
    "PROJECT.cvp PAGEFILE",
    "Renders the whole site as publish does, into the preview folder\n"
    "$XDG_CACHE_HOME/corvanta/preview/website (an earlier preview there is replaced),\n"
    "and prints the full path of the page PAGEFILE (for example about.html).",
    2,
    runPreview,
});

const VerbRegistration registration({
    "publish",
    "[--replace] PROJECT.cvp PUBLISH_DIR",
    "Publishes the project as the program's Publish command does: makes the new\n"
    "directory PUBLISH_DIR/website and writes every ticked page made from the\n"
    "project's template (see templates), the navigation scripts, the template's\n"
    "pictures, index.html, the files beside the project that the pages refer to,\n"
    "the logo and styles.css into it. An existing website is an error; with\n"
    "--replace the new site is built beside it and takes its place only once it is\n"
    "complete. Progress goes to stderr; the files that could not be copied are\n"
    "named on stdout.",
    2,
    runPublish,
    { "--replace" },
});

} // namespace
} // namespace Cli
