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

using namespace Model;
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

// The project a record stands for, read straight from the byte table of the file format:
// a flag is on only at 1, site type 0 is Personal and anything else Business, a choice byte
// is a position when the list has it, a text is its length byte's worth of bytes (7 at most
// for a colour), a swatch the low 24 bits of its little-endian number.
Project projectFromRecord(std::string_view record, const ChoiceLists &lists)
{
    const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(record[at]); };
    const auto flag = [&](std::size_t at) { return byte(at) == 1; };
    const auto choice = [&](std::size_t at, std::size_t listSize) -> Choice {
        return byte(at) != 255 && byte(at) < listSize ? Choice(byte(at)) : Choice();
    };
    const auto text = [&](std::size_t at, std::size_t room) {
        return std::string(record.substr(at + 1, std::min<std::size_t>(byte(at), room)));
    };
    const auto colour = [&](std::size_t textAt, std::size_t swatchAt) {
        const std::uint32_t swatch
            = byte(swatchAt) | byte(swatchAt + 1) << 8 | byte(swatchAt + 2) << 16;
        return ColorChoice { text(textAt, 7), swatch };
    };
    Project p;
    p.siteType = byte(0) == 0 ? SiteType::Personal : SiteType::Business;
    p.templateName = choice(1, lists.templates.size());
    p.siteTitle = text(2, 255);
    p.siteDescription = text(258, 255);
    p.siteKeywords = text(514, 255);
    p.copyrightYears = text(770, 255);
    p.logoPath = text(1026, 255);
    p.slogan = text(1282, 255);
    p.fontFamily = choice(1538, lists.fonts.size());
    p.fontColor = colour(1539, 1548);
    p.fontSize = choice(1552, Lists::FontSizes.size());
    p.fontVariant = choice(1553, Lists::FontVariants.size());
    p.linkColor = colour(1554, 1564);
    p.linkDecoration = choice(1568, Lists::Decorations.size());
    p.hoverColor = colour(1569, 1580);
    p.hoverDecoration = choice(1584, Lists::Decorations.size());
    p.activeColor = colour(1585, 1596);
    p.activeDecoration = choice(1600, Lists::Decorations.size());
    p.visitedColor = colour(1601, 1612);
    p.visitedDecoration = choice(1616, Lists::Decorations.size());
    p.listStyleType = choice(1617, Lists::ListStyles.size());
    p.imageBorderStyle = choice(1618, Lists::BorderStyles.size());
    p.imageBorderWidth = choice(1619, Lists::BorderSizes.size());
    p.imageBorderColor = colour(1620, 1628);
    p.addTextNavigation = flag(1632);
    p.addCopyrightFooter = flag(1633);
    p.addMadeWithLink = flag(1634);
    p.generateSitemap = flag(1635);
    for (std::size_t i = 0; i < p.personalPages.size(); ++i)
        p.personalPages[i] = flag(1636 + i);
    for (std::size_t i = 0; i < p.businessPages.size(); ++i)
        p.businessPages[i] = flag(1645 + i);
    return p;
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

/// The installed templates and fonts the input asks for.
ChoiceLists listsFrom(InputReader &input)
{
    const std::uint8_t listSizes = input.byte().value_or(0x21);
    ChoiceLists lists;
    lists.templates.reserve(listSizes & 0x0F);
    for (int i = 0; i < (listSizes & 0x0F); ++i)
        lists.templates.push_back("t" + std::to_string(i));
    std::vector<std::string> installed;
    installed.reserve(listSizes >> 4);
    for (int i = 0; i < (listSizes >> 4); ++i)
        installed.push_back("Font " + std::to_string(i));
    lists.fonts = FontFamilyList(installed);
    return lists;
}

/// The project file and the page files the input describes.
struct PlannedProject
{
    PlannedFile projectFile;
    std::array<PlannedFile, PageCount> pages;
};

PlannedProject plannedProjectFrom(InputReader &input)
{
    PlannedProject planned;
    PlannedFile &projectFile = planned.projectFile;
    const std::size_t recordSize = input.size16().value_or(ProjectRecordSize);
    if (recordSize == 0xFFFF)
        projectFile.kind = FileKind::Missing;
    else if (recordSize == 0xFFFE)
        projectFile.kind = FileKind::Directory;
    else
        projectFile.bytes = input.bytes(recordSize);

    for (PlannedFile &page : planned.pages) {
        const auto kind = input.byte();
        if (!kind)
            break;
        page.kind = *kind == 0 ? FileKind::Missing
            : *kind == 1       ? FileKind::Directory
                               : FileKind::File;
        page.bytes = input.bytes(input.size16().value_or(0));
    }
    return planned;
}

/// Bodies are replaced in page order up to the first page file that cannot be read; that one
/// and the rest keep their text, and the error names it.
void checkBodies(const Project &project, const Project &before,
    const std::array<PlannedFile, PageCount> &pages, const std::string &error,
    const std::string &directory)
{
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
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader input(data, size);
    const ChoiceLists lists = listsFrom(input);
    const PlannedProject planned = plannedProjectFrom(input);
    const PlannedFile &projectFile = planned.projectFile;
    const std::array<PlannedFile, PageCount> &pages = planned.pages;

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

    // Every field is what its bytes say, and writing the project back gives a record that
    // reads as the same project.
    check(withoutBodies(project) == projectFromRecord(projectFile.bytes, lists),
        "a field read differs from what its bytes in the project file say");
    check(selection.editPagesList() == expectedEditPagesList(project),
        "the Edit Pages list does not follow the ticks read");
    Project again = DefaultProject(lists);
    PageSelection againSelection(again);
    applyProjectRecord(encodeProjectRecord(project), againSelection, lists);
    check(withoutBodies(again) == withoutBodies(project),
        "a project read from a file does not survive being written and read again");

    checkBodies(project, before, pages, error, directory);
    return 0;
}
