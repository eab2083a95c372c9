// Saves random projects for compare-builds.sh with the project files code it is linked with:
// COUNT projects drawn from SEED, project N as DIR/N/site.cvp with its page files, and a logo
// DIR/logo.png that some of them name. compare-builds.sh compiles it against each build's own
// source tree, both the one whose model lives in namespace Corvanta and later ones (Model).
//     make-random-projects DIR COUNT SEED TEMPLATE-COUNT

#include "project/project.h"
#include "project/projectfiles.h"
#include "tests/hardening/randomproject.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace Corvanta { }
namespace Model { }
using namespace Corvanta;
using namespace Model;

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: make-random-projects DIR COUNT SEED TEMPLATE-COUNT\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::size_t count = std::stoul(argv[2]);
    std::mt19937 random(static_cast<std::mt19937::result_type>(std::stoul(argv[3])));
    const std::size_t templateCount = std::stoul(argv[4]);
    if (templateCount == 0) {
        std::fprintf(stderr, "make-random-projects: no templates\n");
        return 2;
    }

    ChoiceLists lists;
    for (std::size_t position = 0; position < templateCount; ++position)
        lists.templates.push_back("template " + std::to_string(position));
    lists.fonts = FontFamilyList({});
    const std::string logo = dir + "/logo.png";
    std::ofstream(logo, std::ios::binary) << "\x89PNG\r\n\x1A\n logo bytes";

    try {
        for (std::size_t index = 0; index < count; ++index) {
            Project project = Hardening::randomProject(random, index, lists, 20000);
            // Most projects publish: a template that exists, a logo that exists or none, and
            // at least one page; every fifth keeps its random template and logo, and fails.
            if (index % 5 != 4) {
                project.templateName = index % templateCount;
                project.logoPath = index % 3 == 0 ? logo : index % 3 == 1 ? "" : "ab";
                project.businessPages[index % PageCount] = true;
            }
            // With ORDINARY_TEXTS=1 the texts written into attribute values hold none of the
            // characters escaped there, and no logo name ends in a blank, as in an ordinary
            // project; for comparing with a build from before those were escaped.
            const char *ordinary = std::getenv("ORDINARY_TEXTS");
            if (ordinary && std::string(ordinary) == "1") {
                for (std::string *text :
                    { &project.siteDescription, &project.siteKeywords, &project.copyrightYears }) {
                    for (char &c : *text) {
                        if (c == '"' || c == '<' || c == '>' || c == '&')
                            c = '_';
                    }
                }
                if (project.logoPath.ends_with(' '))
                    project.logoPath.back() = '_';
            }
            const std::string projectDir = dir + "/" + std::to_string(index);
            std::filesystem::create_directories(projectDir);
            WriteProjectFiles(project, projectDir + "/site.cvp");
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
