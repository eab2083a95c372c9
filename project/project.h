#pragma once

#include "project/projectsettings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Model {

/// The one document the program edits: site information, style options, which of the
/// fourteen standard pages the site has, and every page's HTML body. Texts are Windows-1252.

enum class SiteType { Personal, Business };

/// A colour field: the text the site uses ("#0000FF") and the swatch shown beside it
/// (red in bits 0-7, green in 8-15, blue in 16-23).
struct ColorChoice
{
    std::string text;
    std::uint32_t swatch = 0;
    bool operator==(const ColorChoice &) const = default;
};

/// Builds the ColorChoice of a colour: "#RRGGBB" in upper case and the matching swatch.
ColorChoice colorChoice(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
/// "#" and six upper-case hexadecimal digits, red first.
std::string FormatHtmlColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

/// A position in a choice list, or none.
using Choice = std::optional<std::size_t>;

using PageId = int;
inline constexpr int PageCount = 14;
inline constexpr int PersonalPageCount = 9;

/// One row of the page catalogue; every per-page name anywhere in the program comes from here.
struct PageInfo
{
    PageId id;
    const char *caption;
    const char *pageFile;
    const char *pictureSuffix;
    const char *contentFile;
    const char *titleSuffix;
    const char *editorCaption;
    const char *personalBox; ///< nullptr: not in the personal column
    const char *businessBox;
};

/// The fourteen pages in page order.
inline constexpr std::array<PageInfo, PageCount> PageCatalogue = { {
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

/// The catalogue row of a page (1 to 14).
constexpr const PageInfo &pageInfo(PageId page)
{
    return PageCatalogue.at(static_cast<std::size_t>(page - 1));
}

/// The page whose caption is exactly `caption`, letter case included.
constexpr std::optional<PageId> pageByCaption(std::string_view caption)
{
    for (const PageInfo &info : PageCatalogue) {
        if (caption == info.caption)
            return info.id;
    }
    return std::nullopt;
}

namespace Detail {
/// Each row's names follow its caption, and only the first nine pages have a personal box.
constexpr bool pageRowsFollowTheirCaptions()
{
    for (const PageInfo &info : PageCatalogue) {
        const std::string_view caption = info.caption;
        if (info.id != &info - PageCatalogue.data() + 1
            || std::string_view(info.editorCaption).substr(15) != caption
            || std::string_view(info.titleSuffix).substr(3) != caption
            || (info.personalBox != nullptr) != (info.id <= PersonalPageCount))
            return false;
    }
    return true;
}
} // namespace Detail
static_assert(Detail::pageRowsFollowTheirCaptions());
static_assert(std::string_view(pageInfo(6).pageFile) == "faq.html"
    && std::string_view(pageInfo(6).contentFile) == "6.dat"
    && std::string_view(pageInfo(14).pictureSuffix) == "jobs.gif");
static_assert(pageByCaption("Contact") == 2 && pageByCaption("contact") == std::nullopt);

/// The fixed choice lists, as the Options pane shows them and the stylesheet writes them.
namespace Lists {

inline constexpr std::array<const char *, 6> FixedFontFamilies = {
    "arial, sans-serif, verdana",
    "\"courier new\", geneva, arial",
    "geneva, verdana, arial",
    "\"times new roman\", courier, arial",
    "verdana, helvetica, arial",
    "tahoma, arial, verdana",
};

namespace Detail {
/// A number's decimal text in storage of its own, so that a constant list can point at it.
struct NumberText
{
    char digits[4] {};
};

template <std::size_t Count> constexpr std::array<NumberText, Count> numberTexts(int first)
{
    std::array<NumberText, Count> texts {};
    for (std::size_t position = 0; position < Count; ++position) {
        char reversed[3] {};
        int length = 0;
        for (int number = first + static_cast<int>(position); number > 0 || length == 0;
             number /= 10)
            reversed[length++] = static_cast<char>('0' + number % 10);
        for (int digit = 0; digit < length; ++digit)
            texts[position].digits[digit] = reversed[length - 1 - digit];
    }
    return texts;
}

inline constexpr std::array<const char *, 9> KeywordFontSizes = { "xx-small", "x-small", "small",
    "medium", "large", "x-large", "xx-large", "smaller", "larger" };
inline constexpr auto FontSizeNumbers = numberTexts<100>(1);
inline constexpr auto BorderSizeNumbers = numberTexts<26>(0);

template <std::size_t Keywords, std::size_t Numbers>
constexpr std::array<const char *, Keywords + Numbers> keywordsThenNumbers(
    const std::array<const char *, Keywords> &keywords,
    const std::array<NumberText, Numbers> &numbers)
{
    std::array<const char *, Keywords + Numbers> entries {};
    for (std::size_t position = 0; position < Keywords; ++position)
        entries[position] = keywords[position];
    for (std::size_t position = 0; position < Numbers; ++position)
        entries[Keywords + position] = numbers[position].digits;
    return entries;
}
} // namespace Detail

/// The nine keyword sizes, then "1" to "100".
inline constexpr std::array<const char *, 109> FontSizes
    = Detail::keywordsThenNumbers(Detail::KeywordFontSizes, Detail::FontSizeNumbers);
inline constexpr std::array<const char *, 2> FontVariants = { "normal", "small-caps" };
inline constexpr std::array<const char *, 4> Decorations
    = { "None", "Underline", "Overline", "Line-Through" };
inline constexpr std::array<const char *, 9> ListStyles = { "none", "disc", "circle", "square",
    "decimal", "lower-roman", "upper-roman", "lower-alpha", "upper-alpha" };
inline constexpr std::array<const char *, 8> BorderStyles
    = { "solid", "double", "dotted", "dashed", "groove", "ridge", "inset", "outset" };
/// "0" to "25".
inline constexpr std::array<const char *, 26> BorderSizes
    = Detail::keywordsThenNumbers(std::array<const char *, 0> {}, Detail::BorderSizeNumbers);

static_assert(std::string_view(FontSizes[8]) == "larger" && std::string_view(FontSizes[9]) == "1"
    && std::string_view(FontSizes[20]) == "12" && std::string_view(FontSizes[108]) == "100");
static_assert(std::string_view(BorderSizes[0]) == "0" && std::string_view(BorderSizes[25]) == "25");

} // namespace Lists

/// The six fixed font stacks, then "Default" and the installed families sorted without
/// regard to letter case, each name once.
std::vector<std::string> FontFamilyList(const std::vector<std::string> &installedFamilies);

/// The two lists that differ from machine to machine, fixed from start-up to exit except
/// that the templates are read again when one is added.
struct ChoiceLists
{
    std::vector<std::string> templates; ///< the template catalogue
    std::vector<std::string> fonts; ///< FontFamilyList
};

/// Everything a project holds but its page bodies, which may be large: what is compared or
/// copied to see whether anything else changed, without reading or moving the bodies.
struct ProjectFields
{
    SiteType siteType = SiteType::Personal;
    Choice templateName;
    std::string siteTitle;
    std::string siteDescription;
    std::string siteKeywords;
    std::string copyrightYears;
    std::string logoPath;
    std::string slogan;

    Choice fontFamily;
    ColorChoice fontColor;
    Choice fontSize;
    Choice fontVariant;

    ColorChoice linkColor;
    Choice linkDecoration;
    ColorChoice hoverColor;
    Choice hoverDecoration;
    ColorChoice activeColor;
    Choice activeDecoration;
    ColorChoice visitedColor;
    Choice visitedDecoration;

    Choice listStyleType;
    Choice imageBorderStyle;
    Choice imageBorderWidth;
    ColorChoice imageBorderColor;

    bool addTextNavigation = false;
    bool addCopyrightFooter = false;
    bool addMadeWithLink = true;
    bool generateSitemap = false;

    std::array<bool, PersonalPageCount> personalPages {};
    std::array<bool, PageCount> businessPages {};

    /// The settings file's lines as last read or saved. Its choice names are what the
    /// project chose when a choice is none here: a name that was not in its list at open is
    /// kept until another entry is chosen.
    ProjectSettings settings;

    bool operator==(const ProjectFields &) const = default;
};

/// A project: its fields and the HTML bodies of its fourteen pages.
struct Project : ProjectFields
{
    std::array<std::string, PageCount> pageBody;

    bool operator==(const Project &) const = default;
};

/// A project holding the start-up values, with the first template and the first font stack.
Project DefaultProject(const ChoiceLists &lists);

/// True when the page is in the site: its personal tick or its business tick is on.
bool pageIncluded(const Project &project, PageId page);

/// The text of a choice: the entry at its position, or "" for none or a position past the end.
std::string choiceText(const Choice &choice, std::span<const std::string> list);
std::string choiceText(const Choice &choice, std::span<const char *const> list);

} // namespace Model
