// Reads fuzzed page bodies for the files they refer to and checks them as a site: the reader
// must give lines inside the body and the same references as the HTML parser reading every
// tag, and no reference may be judged copyable when it names a place outside the project's
// folder.
//
// Input layout: the whole input is the body of the home page (Windows-1252 bytes).

#include "fuzz/scratchdir.h"

#include "publish/references.h"
#include "publish/sitecheck.h"
#include "publish/userfiles.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using Fuzzing::check;

namespace {

/// The project's folder: one picture in a subfolder, and a file beside the folder that no
/// reference may reach.
const std::string &projectFolder()
{
    static const std::string folder = [] {
        std::string project = Fuzzing::scratchDirectory() + "/references/project";
        Fuzzing::resetDirectory(Fuzzing::scratchDirectory() + "/references");
        Fuzzing::resetDirectory(project);
        Fuzzing::resetDirectory(project + "/img");
        Fuzzing::writeFile(project + "/img/a.jpg", "picture");
        Fuzzing::writeFile(Fuzzing::scratchDirectory() + "/references/outside.jpg", "outside");
        return project;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string body(reinterpret_cast<const char *>(data), size);
    const int lines = 1 + static_cast<int>(std::count(body.begin(), body.end(), '\n'))
        + static_cast<int>(std::count(body.begin(), body.end(), '\r'));

    const Publish::BodyReading reading = Publish::ReadBodyReferences(body);
    const Publish::BodyReading byParser = Publish::ReadBodyReferencesWithParser(body);
    check(reading.references.size() == byParser.references.size()
            && reading.picturesWithoutAlt.size() == byParser.picturesWithoutAlt.size(),
        "a reading other than the parser's");
    for (std::size_t i = 0; i < reading.references.size(); ++i) {
        const Publish::BodyReference &a = reading.references[i];
        const Publish::BodyReference &b = byParser.references[i];
        check(a.target == b.target && a.line == b.line && a.picture == b.picture,
            "the reference \"" + b.target + "\" read otherwise than by the parser");
    }
    for (const Publish::BodyReference &reference : reading.references) {
        check(reference.line >= 1 && reference.line <= lines, "a reference outside the body");
        check(!reference.target.empty(), "an empty reference");
        const Publish::LocatedReference located
            = Publish::LocateReference(projectFolder(), reference.target);
        if (located.kind == Publish::ReferenceKind::UserFile && located.problem.empty()) {
            const std::string &path = located.relativePath;
            check(path == "img/a.jpg", "\"" + path + "\" judged copyable");
        }
    }

    Model::Project project;
    project.personalPages[0] = true;
    project.pageBody[0] = body;
    const Model::ChoiceLists lists;
    const Publish::PublishResult checked = Publish::CheckSite(
        { .project = project, .lists = lists, .projectDirectory = projectFolder() });
    for (const Publish::SiteFinding &finding : checked.findings)
        check(finding.page == 1 && finding.line >= 1, "a finding outside the page");
    return 0;
}
