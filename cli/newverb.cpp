#include "cli/clicommon.h"

#include "catalogue/templatecatalogue.h"
#include "project/projectsession.h"

namespace Cli {
namespace {

void runNew(const Invocation &invocation)
{
    const std::string projectFile = pathOperand(invocation.operands.at(0));
    const Model::ChoiceLists lists = choiceListsFor(invocation.homeDir);
    Model::ProjectSession(lists).save(projectFile);
}

const VerbRegistration registration({
    "new",
    "PROJECT.cvp",
    "Writes a new project as the program starts it (the first template,\n"
    "see templates, default styles, only Home ticked, empty pages) as PROJECT.cvp,\n"
    "and 1.dat to 14.dat beside it, replacing files of those names.",
    1,
    runNew,
});

} // namespace
} // namespace Cli
