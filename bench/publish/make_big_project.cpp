// Writes the large site that compare-with-cp.sh times: the templates below HOME and the
// project (every page ticked, 5 MB bodies, a logo beside it) as PROJECT.cvp.
//     make-big-project HOME PROJECT.cvp

#include "bench/publish/bigsite.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "project/projectfiles.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-big-project HOME PROJECT.cvp\n");
        return 2;
    }
    try {
        const std::string home = argv[1], projectFile = argv[2];
        Bench::BigSite::writeTemplates(home);
        const std::string logo = Platform::siblingPath(projectFile, "logo.gif");
        Bench::BigSite::writeLogo(logo);
        const Model::ChoiceLists lists { { Bench::BigSite::TemplateName },
            Model::FontFamilyList({}) };
        Model::WriteProjectFiles(Bench::BigSite::project(lists, logo), projectFile);
    } catch (const Platform::FileError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
