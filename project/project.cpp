#include "project/project.h"

#include "platform/encoding.h"

#include <algorithm>
#include <cstdio>

namespace Model {

std::string FormatHtmlColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", red, green, blue);
    return text;
}

ColorChoice colorChoice(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return { FormatHtmlColor(red, green, blue),
        static_cast<std::uint32_t>(red) | static_cast<std::uint32_t>(green) << 8
            | static_cast<std::uint32_t>(blue) << 16 };
}

std::vector<std::string> FontFamilyList(const std::vector<std::string> &installedFamilies)
{
    std::vector<std::string> installed = installedFamilies;
    installed.push_back("Default");
    std::sort(installed.begin(), installed.end(), Platform::caselessBefore);
    installed.erase(std::unique(installed.begin(), installed.end()), installed.end());

    std::vector<std::string> list(Lists::FixedFontFamilies.begin(), Lists::FixedFontFamilies.end());
    list.insert(list.end(), installed.begin(), installed.end());
    return list;
}

Project DefaultProject(const ChoiceLists &lists)
{
    Project project;
    project.templateName = lists.templates.empty() ? Choice() : Choice(0);
    project.fontFamily = lists.fonts.empty() ? Choice() : Choice(0);
    project.fontColor = colorChoice(0, 0, 0);
    project.fontSize = 20;
    project.fontVariant = 0;
    project.linkColor = colorChoice(0, 0, 255);
    project.linkDecoration = 0;
    project.hoverColor = colorChoice(0, 0, 255);
    project.hoverDecoration = 0;
    project.activeColor = colorChoice(255, 0, 0);
    project.activeDecoration = 0;
    project.visitedColor = colorChoice(128, 0, 128);
    project.visitedDecoration = 0;
    project.listStyleType = 1;
    project.imageBorderStyle = 0;
    project.imageBorderWidth = 1;
    project.imageBorderColor = colorChoice(0, 0, 0);
    project.personalPages[0] = true;
    project.businessPages[0] = true;
    return project;
}

bool pageIncluded(const Project &project, PageId page)
{
    const auto index = static_cast<std::size_t>(page - 1);
    const bool personal = index < project.personalPages.size() && project.personalPages[index];
    return personal || project.businessPages.at(index);
}

std::string choiceText(const Choice &choice, std::span<const std::string> list)
{
    return choice && *choice < list.size() ? list[*choice] : std::string();
}

std::string choiceText(const Choice &choice, std::span<const char *const> list)
{
    return choice && *choice < list.size() ? std::string(list[*choice]) : std::string();
}

} // namespace Model
