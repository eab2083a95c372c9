// Renders one page from a fuzzed template and fuzzed project texts, and compares the page,
// the navigation scripts and the copied pictures with what the template asks for, worked out
// here character by character as the template format describes it.
//
// Input layout, read from the front (a short input leaves the rest empty):
//   byte 0        bit 0 text navigation, bit 1 copyright footer, bit 2 made-in line,
//                 bits 4-7 the page (value mod 14, plus 1)
//   seven texts   title, description, keywords, copyright years, logo path, slogan, body;
//                 each a length byte and its bytes (the body two length bytes)
//   the rest      the template

#include "fuzz/scratchdir.h"

#include "platform/fileerror.h"
#include "platform/maker.h"
#include "publish/navigation.h"
#include "publish/renderpage.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace Model;
using Fuzzing::check;

namespace {

const std::string TemplateName = "t";
// The pictures the templates directory holds besides the navigation pictures, so that image
// blocks can name files that exist.
const std::vector<std::string> ExtraPictures { "a.gif", "b b.jpg", "t.t" };

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class InputReader
{
public:
    InputReader(const std::uint8_t *data, std::size_t size)
        : m_rest(reinterpret_cast<const char *>(data), size)
    { }
    std::uint8_t byte()
    {
        if (m_rest.empty())
            return 0;
        const auto value = static_cast<std::uint8_t>(m_rest.front());
        m_rest.remove_prefix(1);
        return value;
    }
    std::string text(std::size_t lengthBytes)
    {
        std::size_t length = byte();
        if (lengthBytes == 2)
            length |= std::size_t(byte()) << 8;
        const std::string_view taken = m_rest.substr(0, length);
        m_rest.remove_prefix(taken.size());
        return std::string(taken);
    }
    std::string rest() const { return std::string(m_rest); }

private:
    std::string_view m_rest;
};

// The template read as a text file, one character at a time: a line ends at a carriage
// return, a line feed right after it belongs to the line end, and Ctrl-Z ends the file.
std::vector<std::string> readLines(const std::string &content)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    const std::size_t end = std::min(content.find('\x1A'), content.size());
    do {
        std::string line;
        while (at < end && content[at] != '\r')
            line += content[at++];
        if (at < end) {
            ++at;
            if (at < end && content[at] == '\n')
                ++at;
        }
        lines.push_back(line);
    } while (at < end);
    return lines;
}

std::string trim(const std::string &line)
{
    std::size_t first = 0;
    std::size_t last = line.size();
    while (first < last && static_cast<unsigned char>(line[first]) <= 32)
        ++first;
    while (last > first && static_cast<unsigned char>(line[last - 1]) <= 32)
        --last;
    return line.substr(first, last - first);
}

struct Expected
{
    std::string page;
    std::string mainNav;
    std::string textNav;
    std::vector<std::string> pictures;
};

Expected render(const Project &project, PageId page, const std::string &templateText)
{
    const PageInfo &info = pageInfo(page);
    Expected out;
    const auto write = [&](const std::string &line) { out.page += line + "\r\n"; };
    const std::vector<std::string> lines = readLines(templateText);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string text = trim(lines[i]);
        if (text == "<!--$TITLE$-->") {
            write(project.siteTitle + " = " + info.caption);
        } else if (text == "<!--$DESCRIPTION$-->") {
            write("<meta name=\"description\" content=\"" + project.siteDescription + "\">");
        } else if (text == "<!--$KEYWORDS$-->") {
            write("<meta name=\"keywords\" content=\"" + project.siteKeywords + "\">");
        } else if (text == "<!--$COPYRIGHT$-->") {
            write("<meta name=\"copyright\" content=\"" + project.copyrightYears + "\">");
        } else if (text == "<!--$LOGO$-->" && !project.logoPath.empty()) {
            const std::string name = project.logoPath.substr(project.logoPath.rfind('/') + 1);
            write("<img src=\"" + name + "\" border=\"0\" alt=\"Logo\">");
        } else if (text == "<!--$SLOGAN$-->") {
            write("<i>" + project.slogan + "</i>");
        } else if (text == "<!--$COPYBOTTOM$-->" && project.addCopyrightFooter) {
            write("<font style=\"font-size:10px; font-family:verdana,arial\">&copy; "
                + project.copyrightYears + " by " + project.siteTitle
                + ".<br>All rights reserved.</font><br>");
        } else if (text == "<!--$MADE$-->" && project.addMadeWithLink) {
            write(Publish::madeWithLine());
        } else if (text == "<!--$CONTENT$-->") {
            write(project.pageBody[static_cast<std::size_t>(page - 1)]);
        } else if (text == "<!--$TEXTNAV$-->" && project.addTextNavigation) {
            write("<script type=\"text/javascript\" src=\"bottomnav.js\"></script>");
            out.textNav += Publish::textNavigationEntry(page) + "\r\n";
        } else if (text == "<!--$NAV$-->") {
            write("<script type=\"text/javascript\" src=\"mainnav.js\"></script>");
            out.mainNav += Publish::mainNavigationEntry(TemplateName, page) + "\r\n";
        } else if (text == "<!--$IMG$-->") {
            for (++i; i < lines.size() && trim(lines[i]) != "<!--$ENDIMG$-->"; ++i)
                out.pictures.push_back(lines[i].substr(0, 200));
        } else {
            write(lines[i]);
        }
    }
    return out;
}

bool isPlainName(const std::string &name)
{
    return name != "." && name != ".." && name.find('/') == std::string::npos
        && name.find('\0') == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader input(data, size);
    const ChoiceLists lists { { TemplateName }, FontFamilyList({}) };
    Project project = DefaultProject(lists);
    const std::uint8_t flags = input.byte();
    project.addTextNavigation = flags & 1;
    project.addCopyrightFooter = flags & 2;
    project.addMadeWithLink = flags & 4;
    const PageId page = (flags >> 4) % PageCount + 1;
    for (std::string *text : { &project.siteTitle, &project.siteDescription, &project.siteKeywords,
             &project.copyrightYears, &project.logoPath, &project.slogan })
        *text = input.text(1);
    project.pageBody[static_cast<std::size_t>(page - 1)] = input.text(2);
    const std::string templateText = input.rest();

    const std::string home = Fuzzing::scratchDirectory() + "/home";
    const std::string templates = home + "/templates";
    const std::string website = Fuzzing::scratchDirectory() + "/website";
    static const bool templatesReady = [&] {
        Fuzzing::resetDirectory(templates);
        for (const PageInfo &info : PageCatalogue)
            Fuzzing::writeFile(templates + "/" + TemplateName + info.pictureSuffix, info.caption);
        for (const std::string &name : ExtraPictures)
            Fuzzing::writeFile(templates + "/" + name, "picture " + name);
        return true;
    }();
    (void)templatesReady;
    Fuzzing::writeFile(Publish::templatePath(home, TemplateName), templateText);
    Fuzzing::resetDirectory(website);
    Publish::CreateNavigationScripts(website, project.addTextNavigation);

    std::string error;
    try {
        Publish::RenderPage(project, lists, page, home, website);
    } catch (const Platform::FileError &e) {
        error = e.what();
    }

    const Expected expected = render(project, page, templateText);
    check(readFile(website + "/" + pageInfo(page).pageFile) == expected.page,
        "the page is not the template with its placeholder lines replaced");
    check(readFile(website + "/mainnav.js") == expected.mainNav,
        "mainnav.js does not hold one entry per navigation line");
    if (project.addTextNavigation) {
        check(readFile(website + "/bottomnav.js") == expected.textNav,
            "bottomnav.js does not hold one entry per text navigation line");
    }

    // Names that could lead out of the two directories stop the page before any copy; other
    // names are copied in order until one is not a file of the templates directory.
    bool allPlain = true;
    for (const std::string &name : expected.pictures)
        allPlain = allPlain && isPlainName(name);
    if (!allPlain) {
        check(error.find("which is not a plain file name") != std::string::npos,
            "a picture name with a path in it was not refused: \"" + error + "\"");
        return 0;
    }
    const std::string navigationPicture = TemplateName + pageInfo(page).pictureSuffix;
    check(readFile(website + "/" + navigationPicture) == pageInfo(page).caption,
        "the navigation picture was not copied");
    const std::set<std::string> existing(ExtraPictures.begin(), ExtraPictures.end());
    bool missing = false;
    for (const std::string &name : expected.pictures) {
        bool isFile = existing.contains(name);
        for (const PageInfo &info : PageCatalogue)
            isFile = isFile || name == TemplateName + info.pictureSuffix;
        if (!isFile) {
            missing = true;
            break;
        }
        check(readFile(website + "/" + name) == readFile(templates + "/" + name),
            "picture " + name + " was not copied whole");
    }
    check(missing != error.empty(),
        "a run with pictures " + std::string(missing ? "missing" : "all there") + " ended with \""
            + error + "\"");
    return 0;
}
