// Renders one page from a fuzzed template, a fuzzed template name and fuzzed project texts,
// and compares the page, the navigation scripts and the copied pictures with what the
// template asks for, worked out here character by character as the template format describes
// it. The navigation entry is read back as a browser would (the script's string, the HTML
// attribute, the address): whatever the template's name, it names the navigation picture.
//
// Input layout, read from the front (a short input leaves the rest empty):
//   byte 0        bit 0 text navigation, bit 1 copyright footer, bit 2 made-in line,
//                 bits 4-7 the page (value mod 14, plus 1)
//   seven texts   title, description, keywords, copyright years, logo path, slogan, body;
//                 each a length byte and its bytes (the body two length bytes)
//   template name a length byte and its bytes (at most 60; "/" and NUL, which no file name
//                 in the templates folder holds, become "_")
//   the rest      the template

#include "fuzz/scratchdir.h"

#include "platform/encoding.h"

#include "platform/fileerror.h"
#include "platform/maker.h"
#include "publish/navigation.h"
#include "publish/renderpage.h"
#include "publish/webnames.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace Model;
using Fuzzing::check;

namespace {

// The pictures the templates directory holds besides the template and its navigation
// picture, so that image blocks can name files that exist.
const std::vector<std::string> ExtraPictures { "a.gif", "b b.jpg", "t.t" };

std::string readFile(const std::string &path)
{
    std::ifstream in(Platform::nativePath(path), std::ios::binary);
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

/// The text of a double-quoted JavaScript string literal at the start of `script`, read as
/// the language reads it; nothing when the literal is not closed on its line.
std::optional<std::string> javaScriptStringAt(std::string_view script)
{
    std::string text;
    for (std::size_t at = 0; at < script.size(); ++at) {
        const char c = script[at];
        if (c == '"')
            return text;
        if (c == '\r' || c == '\n')
            return std::nullopt;
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++at >= script.size())
            return std::nullopt;
        const char escaped = script[at];
        if (escaped == 'x' && at + 2 < script.size()) {
            text
                += static_cast<char>(std::stoi(std::string(script.substr(at + 1, 2)), nullptr, 16));
            at += 2;
        } else if (escaped == '"' || escaped == '\\' || escaped == '\'') {
            text += escaped;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

/// The value of the double-quoted attribute `name` in an HTML fragment, character references
/// and percent-escapes decoded, as a browser asks the server for it.
std::optional<std::string> addressIn(const std::string &html, const std::string &name)
{
    const std::size_t start = html.find(" " + name + "=\"");
    if (start == std::string::npos)
        return std::nullopt;
    const std::size_t from = start + name.size() + 3;
    const std::size_t end = html.find('"', from);
    if (end == std::string::npos)
        return std::nullopt;
    const std::string value = html.substr(from, end - from);
    std::string address;
    for (std::size_t at = 0; at < value.size(); ++at) {
        const char c = value[at];
        // Characters a browser reads as syntax or drops have no place in the value.
        if (static_cast<unsigned char>(c) < 0x20 || c == '<' || c == '>' || c == '#' || c == '?'
            || c == '\\' || c == '&' || (at == 0 && c == ' '))
            return std::nullopt;
        if (c == '%' && at + 2 < value.size()) {
            address += static_cast<char>(std::stoi(value.substr(at + 1, 2), nullptr, 16));
            at += 2;
        } else {
            address += c;
        }
    }
    if (address.starts_with("./"))
        address.erase(0, 2);
    return address;
}

/// Checks that a picture link line of the main navigation script, read back as a browser
/// would, links the page and shows the navigation picture of the template `templateName`.
void checkNavigationEntry(const std::string &entry, const std::string &templateName, PageId page)
{
    const std::string opening = "document.write(\"";
    check(entry.starts_with(opening) && entry.ends_with("\");"),
        "the navigation entry is not one document.write call: " + entry);
    const std::optional<std::string> html
        = javaScriptStringAt(std::string_view(entry).substr(opening.size()));
    check(html.has_value() && opening.size() + 1 < entry.size(),
        "the navigation entry's string does not parse: " + entry);
    check(opening.size() + Publish::javaScriptString(*html).size() + 3 == entry.size(),
        "the navigation entry's string ends before the call does: " + entry);
    check(addressIn(*html, "href") == std::string(pageInfo(page).pageFile),
        "the navigation entry does not link its page: " + *html);
    check(addressIn(*html, "src")
            == Platform::cp1252ToUtf8(templateName + pageInfo(page).pictureSuffix),
        "the navigation entry does not show the template's picture: " + *html);
}

/// A typed text as an attribute value: escaped so that the value ends where it should, and
/// unchanged when it has nothing to escape.
std::string attribute(const std::string &typed)
{
    std::string value = Publish::htmlAttributeValue(typed);
    check(value.find_first_of("\"<>") == std::string::npos,
        "an attribute value can end early or open a tag: " + value);
    check(typed.find_first_of("\"<>&") != std::string::npos || value == typed,
        "a text with nothing to escape was changed: " + value);
    return value;
}

struct Expected
{
    std::string page;
    std::string mainNav;
    std::string textNav;
    std::vector<std::string> pictures;
};

Expected render(const Project &project, PageId page, const std::string &templateName,
    const std::string &templateText)
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
            write("<meta name=\"description\" content=\"" + attribute(project.siteDescription)
                + "\">");
        } else if (text == "<!--$KEYWORDS$-->") {
            write("<meta name=\"keywords\" content=\"" + attribute(project.siteKeywords) + "\">");
        } else if (text == "<!--$COPYRIGHT$-->") {
            write(
                "<meta name=\"copyright\" content=\"" + attribute(project.copyrightYears) + "\">");
        } else if (text == "<!--$LOGO$-->" && !project.logoPath.empty()) {
            const std::string name = project.logoPath.substr(project.logoPath.rfind('/') + 1);
            const std::string source = "<img src=\"" + Publish::relativeAddress(name) + "\"";
            check(addressIn(source, "src") == Platform::cp1252ToUtf8(name),
                "the logo's address does not name its file: " + source);
            write(source + " border=\"0\" alt=\"Logo\">");
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
            out.mainNav += Publish::mainNavigationEntry(templateName, page) + "\r\n";
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

/// Names that could lead out of the two folders stop the page before any copy; other names
/// are copied in order until one is not a file of the templates folder.
void checkPictures(const Expected &expected, const std::string &error, const std::string &templates,
    const std::string &website, const std::string &templateName, PageId page)
{
    const std::string navigationPicture = templateName + pageInfo(page).pictureSuffix;
    bool allPlain = true;
    for (const std::string &name : expected.pictures)
        allPlain = allPlain && isPlainName(name);
    if (!allPlain) {
        check(error.find("which is not a plain file name") != std::string::npos,
            "a picture name with a path in it was not refused: \"" + error + "\"");
        return;
    }
    check(readFile(website + "/" + navigationPicture) == pageInfo(page).caption,
        "the navigation picture was not copied");
    std::set<std::string> existing(ExtraPictures.begin(), ExtraPictures.end());
    existing.insert({ navigationPicture, Publish::templateFileName(templateName) });
    bool missing = false;
    for (const std::string &name : expected.pictures) {
        if (!existing.contains(name)) {
            missing = true;
            break;
        }
        check(readFile(website + "/" + name) == readFile(templates + "/" + name),
            "picture " + name + " was not copied whole");
    }
    check(missing != error.empty(),
        "a run with pictures " + std::string(missing ? "missing" : "all there") + " ended with \""
            + error + "\"");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader input(data, size);
    const ChoiceLists nameless { { "" }, FontFamilyList({}) };
    Project project = DefaultProject(nameless);
    const std::uint8_t flags = input.byte();
    project.addTextNavigation = flags & 1;
    project.addCopyrightFooter = flags & 2;
    project.addMadeWithLink = flags & 4;
    const PageId page = (flags >> 4) % PageCount + 1;
    for (std::string *text : { &project.siteTitle, &project.siteDescription, &project.siteKeywords,
             &project.copyrightYears, &project.logoPath, &project.slogan })
        *text = input.text(1);
    project.pageBody[static_cast<std::size_t>(page - 1)] = input.text(2);
    std::string templateName = input.text(1).substr(0, 60);
    for (char &c : templateName) {
        if (c == '/' || c == '\0')
            c = '_';
    }
    const std::string templateText = input.rest();
    const ChoiceLists lists { { templateName }, FontFamilyList({}) };

    const std::string home = Fuzzing::scratchDirectory() + "/home";
    const std::string templates = home + "/templates";
    const std::string website = Fuzzing::scratchDirectory() + "/website";
    const std::string navigationPicture = templateName + pageInfo(page).pictureSuffix;
    Fuzzing::resetDirectory(templates);
    for (const std::string &name : ExtraPictures)
        Fuzzing::writeFile(templates + "/" + name, "picture " + name);
    // Names on disk are UTF-8, as the program makes them from its Windows-1252 names.
    Fuzzing::writeFile(
        Platform::nativePath(templates + "/" + navigationPicture), pageInfo(page).caption);
    Fuzzing::writeFile(
        Platform::nativePath(Publish::templatePath(home, templateName)), templateText);
    Fuzzing::resetDirectory(website);
    const Platform::Directory websiteDirectory(website);
    Publish::CreateNavigationScripts(websiteDirectory, project.addTextNavigation);

    std::string error;
    try {
        Publish::RenderPage(project, lists, page, Platform::Directory(templates), websiteDirectory);
    } catch (const Platform::FileError &e) {
        error = e.what();
    }

    const Expected expected = render(project, page, templateName, templateText);
    checkNavigationEntry(Publish::mainNavigationEntry(templateName, page), templateName, page);
    check(readFile(website + "/" + pageInfo(page).pageFile) == expected.page,
        "the page is not the template with its placeholder lines replaced");
    check(readFile(website + "/mainnav.js") == expected.mainNav,
        "mainnav.js does not hold one entry per navigation line");
    if (project.addTextNavigation) {
        check(readFile(website + "/bottomnav.js") == expected.textNav,
            "bottomnav.js does not hold one entry per text navigation line");
    }

    checkPictures(expected, error, templates, website, templateName, page);
    return 0;
}
