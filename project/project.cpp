#include "project/project.h"

#include "platform/encoding.h"

#include <algorithm>
#include <cstdio>

namespace Model {

const std::array<PageInfo, PageCount> PageCatalogue = { {
    { 1, "Home", "home.html", "home.gif", "1.dat", " = Home", "Editing Page - Home", "CheckBox18",
        "CheckBox4" },
    { 2, "Contact", "contact.html", "contact.gif", "2.dat", " = Contact", "Editing Page - Contact",
        "CheckBox19", "CheckBox5" },
    { 3, "About", "about.html", "about.gif", "3.dat", " = About", "Editing Page - About",
        "CheckBox20", "CheckBox6" },
    { 4, "Events", "events.html", "events.gif", "4.dat", " = Events", "Editing Page - Events",
        "CheckBox21", "CheckBox7" },
    { 5, "Downloads", "downloads.html", "downloads.gif", "5.dat", " = Downloads",
        "Editing Page - Downloads", "CheckBox22", "CheckBox8" },
    { 6, "FAQ", "faq.html", "faq.gif", "6.dat", " = FAQ", "Editing Page - FAQ", "CheckBox23",
        "CheckBox9" },
    { 7, "Links", "links.html", "links.gif", "7.dat", " = Links", "Editing Page - Links",
        "CheckBox24", "CheckBox10" },
    { 8, "Gallery", "gallery.html", "gallery.gif", "8.dat", " = Gallery", "Editing Page - Gallery",
        "CheckBox25", "CheckBox11" },
    { 9, "Portfolio", "portfolio.html", "portfolio.gif", "9.dat", " = Portfolio",
        "Editing Page - Portfolio", "CheckBox26", "CheckBox12" },
    { 10, "Products", "products.html", "products.gif", "10.dat", " = Products",
        "Editing Page - Products", nullptr, "CheckBox13" },
    { 11, "Services", "services.html", "services.gif", "11.dat", " = Services",
        "Editing Page - Services", nullptr, "CheckBox14" },
    { 12, "Press", "press.html", "press.gif", "12.dat", " = Press", "Editing Page - Press", nullptr,
        "CheckBox15" },
    { 13, "Support", "support.html", "support.gif", "13.dat", " = Support",
        "Editing Page - Support", nullptr, "CheckBox16" },
    { 14, "Jobs", "jobs.html", "jobs.gif", "14.dat", " = Jobs", "Editing Page - Jobs", nullptr,
        "CheckBox17" },
} };

const PageInfo &pageInfo(PageId page)
{
    return PageCatalogue.at(static_cast<std::size_t>(page - 1));
}

std::optional<PageId> pageByCaption(std::string_view caption)
{
    for (const PageInfo &info : PageCatalogue) {
        if (caption == info.caption)
            return info.id;
    }
    return std::nullopt;
}

namespace Lists {

const std::array<const char *, 6> FixedFontFamilies = {
    "arial, sans-serif, verdana",
    "\"courier new\", geneva, arial",
    "geneva, verdana, arial",
    "\"times new roman\", courier, arial",
    "verdana, helvetica, arial",
    "tahoma, arial, verdana",
};

namespace {
template <std::size_t N>
std::array<std::string, N> numbered(std::initializer_list<const char *> keywords, int first)
{
    std::array<std::string, N> entries;
    std::size_t position = 0;
    for (const char *keyword : keywords)
        entries[position++] = keyword;
    for (int number = first; position < N; ++number)
        entries[position++] = std::to_string(number);
    return entries;
}
} // namespace

const std::array<std::string, 109> FontSizes
    = numbered<109>({ "xx-small", "x-small", "small", "medium", "large", "x-large", "xx-large",
                        "smaller", "larger" },
        1);
const std::array<const char *, 2> FontVariants = { "normal", "small-caps" };
const std::array<const char *, 4> Decorations = { "None", "Underline", "Overline", "Line-Through" };
const std::array<const char *, 9> ListStyles = { "none", "disc", "circle", "square", "decimal",
    "lower-roman", "upper-roman", "lower-alpha", "upper-alpha" };
const std::array<const char *, 8> BorderStyles
    = { "solid", "double", "dotted", "dashed", "groove", "ridge", "inset", "outset" };
const std::array<std::string, 26> BorderSizes = numbered<26>({}, 0);

} // namespace Lists

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
