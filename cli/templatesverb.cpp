#include "cli/clicommon.h"

#include "catalogue/templatecatalogue.h"

namespace Cli {
namespace {

void runTemplates(const Invocation &invocation)
{
    for (const std::string &name : Catalogue::ListTemplates(invocation.homeDir))
        printText(name + "\n");
}

const VerbRegistration registration({
    "templates",
    "",
    "Lists the installed templates of DIR/templates, one name a line, in the\n"
    "order a project's template numbers refer to.",
    0,
    runTemplates,
});

} // namespace
} // namespace Cli
