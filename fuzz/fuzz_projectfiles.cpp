// Opens projects made of fuzzed files: the project file and the fourteen page content files,
// any of which may be missing, short, a directory or full of arbitrary bytes.
//
// Input layout, read from the front (a short input leaves the rest at its default):
//   byte 0        low four bits: number of installed templates; high four: installed fonts
//   bytes 1-2     project file size, little-endian; 0xFFFF no file, 0xFFFE a directory
//   that many     the project file's bytes
//   per page 1-14 one kind byte (0 missing, 1 directory, anything else a file), two size
//                 bytes and the file's bytes; pages the input does not reach are empty files

#include "fuzz/scratchdir.h"

#include "platform/fileerror.h"
#include "project/projectfiles.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

using namespace Corvanta;
using Fuzzing::check;

namespace {

class InputReader
{
public:
    InputReader(const std::uint8_t *data, std::size_t size)
        : m_rest(reinterpret_cast<const char *>(data), size)
    { }

    std::optional<std::uint8_t> byte()
    {
        if (m_rest.empty())
            return std::nullopt;
        const auto value = static_cast<std::uint8_t>(m_rest.front());
        m_rest.remove_prefix(1);
        return value;
    }
    std::optional<std::size_t> size16()
    {
        const auto low = byte();
        const auto high = byte();
        if (!low || !high)
            return std::nullopt;
        return std::size_t(*low) | std::size_t(*high) << 8;
    }
    std::string_view bytes(std::size_t count)
    {
        const std::string_view taken = m_rest.substr(0, count);
        m_rest.remove_prefix(taken.size());
        return taken;
    }

private:
    std::string_view m_rest;
};

enum class FileKind { Missing, Directory, File };

struct PlannedFile
{
    FileKind kind = FileKind::File;
    std::string bytes;
};

void place(const std::string &path, const PlannedFile &file)
{
    if (file.kind == FileKind::Directory)
        std::filesystem::create_directory(path);
    else if (file.kind == FileKind::File)
        Fuzzing::writeFile(path, file.bytes);
}

std::string errorOf(
    const std::string &projectFile, PageSelection &selection, const ChoiceLists &lists)
{
    try {
        ReadProjectFiles(projectFile, selection, lists);
    } catch (const Platform::FileError &error) {
        return error.what();
    }
    return {};
}

// The fields the project file holds, with the page bodies set aside.
Project withoutBodies(Project project)
{
    project.pageBody = {};
    return project;
}

std::vector<std::string> expectedEditPagesList(const Project &project)
{
    // Starting from a new project, every tick the file turns on adds its caption, personal
    // column first, then business, each in page order; Home adds none.
    std::vector<std::string> list { "Home" };
    for (PageId page = 2; page <= PersonalPageCount; ++page) {
        if (project.personalPages[static_cast<std::size_t>(page - 1)])
            list.emplace_back(pageInfo(page).caption);
    }
    for (PageId page = 2; page <= PageCount; ++page) {
        if (project.businessPages[static_cast<std::size_t>(page - 1)])
            list.emplace_back(pageInfo(page).caption);
    }
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader input(data, size);
    const std::uint8_t listSizes = input.byte().value_or(0x21);
    ChoiceLists lists;
    for (int i = 0; i < (listSizes & 0x0F); ++i)
        lists.templates.push_back("t" + std::to_string(i));
    std::vector<std::string> installed;
    for (int i = 0; i < (listSizes >> 4); ++i)
        installed.push_back("Font " + std::to_string(i));
    lists.fonts = FontFamilyList(installed);

    PlannedFile projectFile;
    const std::size_t recordSize = input.size16().value_or(ProjectRecordSize);
    if (recordSize == 0xFFFF)
        projectFile.kind = FileKind::Missing;
    else if (recordSize == 0xFFFE)
        projectFile.kind = FileKind::Directory;
    else
        projectFile.bytes = input.bytes(recordSize);

    std::array<PlannedFile, PageCount> pages;
    for (PlannedFile &page : pages) {
        const auto kind = input.byte();
        if (!kind)
            break;
        page.kind = *kind == 0 ? FileKind::Missing
            : *kind == 1       ? FileKind::Directory
                               : FileKind::File;
        page.bytes = input.bytes(input.size16().value_or(0));
    }

    const std::string directory = Fuzzing::scratchDirectory() + "/project";
    Fuzzing::resetDirectory(directory);
    const std::string projectPath = directory + "/site.cvp";
    place(projectPath, projectFile);
    for (PageId page = 1; page <= PageCount; ++page)
        place(directory + "/" + pageInfo(page).contentFile,
            pages[static_cast<std::size_t>(page - 1)]);

    Project project = DefaultProject(lists);
    for (PageId page = 1; page <= PageCount; ++page)
        project.pageBody[static_cast<std::size_t>(page - 1)] = "before " + std::to_string(page);
    const Project before = project;
    PageSelection selection(project);
    const std::string error = errorOf(projectPath, selection, lists);

    // A project file that cannot be read changes nothing at all.
    if (projectFile.kind != FileKind::File || projectFile.bytes.size() < ProjectRecordSize) {
        const char *expected = projectFile.kind == FileKind::Missing ? "File not found"
            : projectFile.kind == FileKind::Directory                ? "File access denied"
                                                                     : "Read beyond end of file";
        check(error == expected, "project file refused with \"" + error + "\"");
        check(project == before, "a refused project file changed the project");
        check(selection.editPagesList() == std::vector<std::string> { "Home" },
            "a refused project file changed the Edit Pages list");
        return 0;
    }

    // Every field read lies inside its room and its list, and writing the project back gives
    // a record that reads as the same project.
    check(!project.templateName || *project.templateName < lists.templates.size(),
        "template position outside the catalogue");
    check(!project.fontFamily || *project.fontFamily < lists.fonts.size(),
        "font position outside the list");
    for (const std::string *text : { &project.siteTitle, &project.siteDescription,
             &project.siteKeywords, &project.copyrightYears, &project.logoPath, &project.slogan })
        check(text->size() <= 255, "a short text longer than its room");
    for (const ColorChoice *color : { &project.fontColor, &project.linkColor, &project.hoverColor,
             &project.activeColor, &project.visitedColor, &project.imageBorderColor })
        check(color->text.size() <= 7 && color->swatch <= 0xFFFFFF, "a colour outside its room");
    check(selection.editPagesList() == expectedEditPagesList(project),
        "the Edit Pages list does not follow the ticks read");
    Project again = DefaultProject(lists);
    PageSelection againSelection(again);
    applyProjectRecord(encodeProjectRecord(project), againSelection, lists);
    check(withoutBodies(again) == withoutBodies(project),
        "a project read from a file does not survive being written and read again");

    // Bodies are replaced in page order up to the first page file that cannot be read; that
    // one and the rest keep their text.
    PageId failedPage = 0;
    for (PageId page = 1; page <= PageCount && failedPage == 0; ++page) {
        if (pages[static_cast<std::size_t>(page - 1)].kind != FileKind::File)
            failedPage = page;
    }
    if (failedPage == 0) {
        check(error.empty(), "a whole project was refused with \"" + error + "\"");
    } else {
        check(error == "Cannot open file " + directory + "/" + pageInfo(failedPage).contentFile,
            "a missing page file reported as \"" + error + "\"");
    }
    for (PageId page = 1; page <= PageCount; ++page) {
        const auto index = static_cast<std::size_t>(page - 1);
        const std::string &expected
            = failedPage != 0 && page >= failedPage ? before.pageBody[index] : pages[index].bytes;
        check(project.pageBody[index] == expected,
            "page " + std::to_string(page) + " body is not what its file holds");
    }
    return 0;
}
