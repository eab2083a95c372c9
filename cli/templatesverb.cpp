#include "cli/clicommon.h"

#include "catalogue/templatecatalogue.h"

namespace Cli {
namespace {

void runTemplates(const Invocation &invocation)
{
    for (const std::string &name : Catalogue::ListTemplates(invocation.homeDir))
        printText(Catalogue::PrintableTemplateName(name) + "\n");
}

const VerbRegistration registration({
    "templates",
    "",
    "Lists the templates of the user's templates folder and of DIR/templates (the\n"
    "user's where names clash), one name a line, in the order a project's template\n"
    "numbers refer to. Control characters and \\ in a name are printed as \\xHH.",
    0,
    runTemplates,
});

} // namespace
} // namespace Cli
