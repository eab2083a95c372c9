#include "publish/stylesheet.h"

#include "platform/files.h"

#include <algorithm>
#include <cctype>

namespace Publish {
namespace {

using Model::choiceText;
namespace Lists = Model::Lists;

void block(Platform::BufferedWriter &out, const std::string &opening,
    std::initializer_list<std::string> properties)
{
    out.writeLine(opening);
    for (const std::string &property : properties)
        out.writeLine("\t" + property);
    out.writeLine("}");
}

} // namespace

std::string cssFontSize(const std::string &fontSize)
{
    const bool number = !fontSize.empty()
        && std::all_of(
            fontSize.begin(), fontSize.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    return number ? fontSize + "px" : fontSize;
}

void WriteStylesheet(const Model::Project &project, const Model::ChoiceLists &lists,
    const Platform::Directory &website)
{
    Platform::File file = website.createFile(StylesheetFile);
    Platform::BufferedWriter out(file);

    const std::string family = choiceText(project.fontFamily, lists.fonts);
    const std::string size = cssFontSize(choiceText(project.fontSize, Lists::FontSizes));
    const std::string variant = choiceText(project.fontVariant, Lists::FontVariants);

    const auto textBlock = [&](const std::string &opening) {
        block(out, opening,
            { "font-family : " + family + ";", "font-size : " + size + ";",
                "color : " + project.fontColor.text + ";", "font-variant : " + variant + ";" });
    };
    const auto linkBlock = [&](const std::string &opening, const Model::ColorChoice &color,
                               const Model::Choice &decoration) {
        block(out, opening,
            { "color : " + color.text + ";",
                "text-decoration : " + choiceText(decoration, Lists::Decorations) + ";",
                "font-family : " + family + ";", "font-size : " + size + ";" });
    };
    const auto listBlock = [&](const std::string &opening) {
        block(out, opening,
            { "list-style-type : " + choiceText(project.listStyleType, Lists::ListStyles) + ";",
                "font-family: " + family + ";", "font-size: " + size + ";" });
    };

    textBlock("BODY {");
    out.writeLine("");
    textBlock("TABLE {");
    out.writeLine("");
    linkBlock("A:ACTIVE {", project.activeColor, project.activeDecoration);
    out.writeLine("");
    linkBlock("A:HOVER {", project.hoverColor, project.hoverDecoration);
    out.writeLine("");
    linkBlock("A:LINK {", project.linkColor, project.linkDecoration);
    out.writeLine("");
    linkBlock("A:VISITED {", project.visitedColor, project.visitedDecoration);
    out.writeLine("");
    listBlock("OL {");
    out.writeLine("");
    listBlock("UL {");
    out.writeLine("");
    listBlock("LI {");
    out.writeLine("");
    block(out, "IMG{ ",
        { "border-style: " + choiceText(project.imageBorderStyle, Lists::BorderStyles) + ";",
            "border-width: " + choiceText(project.imageBorderWidth, Lists::BorderSizes) + "px;",
            "border-color: " + project.imageBorderColor.text + ";" });
    out.flush();
    file.close();
}

} // namespace Publish
