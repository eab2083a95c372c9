#include "cli/clicommon.h"

#include "project/projectsession.h"
#include "publish/sitecheck.h"

#include <cstdio>
#include <cstdlib>

namespace Cli {
namespace {

void runCheck(const Invocation &invocation)
{
    const std::string projectFile = pathOperand(invocation.operands.at(0));
    const Model::ChoiceLists lists = choiceListsForProject(invocation.homeDir, projectFile);
    Model::ProjectSession session(lists);
    printWarnings(session.open(projectFile));
    const std::vector<Publish::SiteFinding> findings
        = Publish::CheckSite(Publish::requestFor(session, invocation.homeDir)).findings;
    std::string text;
    for (const Publish::SiteFinding &finding : findings)
        text += Publish::findingLine(finding) + "\n";
    printText(text);
    // The tip goes to stderr: the findings on stdout stay one per line for scripts.
    if (const std::string tip = Publish::siteAddressTip(session.project()); !tip.empty())
        std::fprintf(stderr, "note: %s\n", tip.c_str());
    if (!findings.empty()) {
        std::fflush(stdout);
        std::exit(1);
    }
}

const VerbRegistration registration({
    "check",
    "PROJECT.cvp",
    "Checks the site before publishing, as Tools > Check Site does: files the ticked\n"
    "pages refer to that are missing, outside the project's folder, not files or the\n"
    "project's own files, links to pages that are not ticked, empty pages, pictures\n"
    "without alt text and HTML errors; a site title, slogan or copyright with a \"<\"\n"
    "that opens no HTML tag, and a logo that is missing or no picture. Prints one line\n"
    "per finding: first \"site: message\" for the site as a whole, then\n"
    "PAGEFILE:LINE: message in page order; the exit status is 0 when nothing was found\n"
    "and 1 otherwise. A site without an address gets a note on stderr of what the\n"
    "address would add.",
    1,
    runCheck,
});

} // namespace
} // namespace Cli
