#pragma once

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

extern const std::array<PageInfo, PageCount> PageCatalogue;

/// The catalogue row of a page (1 to 14).
const PageInfo &pageInfo(PageId page);
/// The page whose caption is exactly `caption`, letter case included.
std::optional<PageId> pageByCaption(std::string_view caption);

/// The fixed choice lists.
namespace Lists {
extern const std::array<const char *, 6> FixedFontFamilies;
extern const std::array<std::string, 109> FontSizes;
extern const std::array<const char *, 2> FontVariants;
extern const std::array<const char *, 4> Decorations;
extern const std::array<const char *, 9> ListStyles;
extern const std::array<const char *, 8> BorderStyles;
extern const std::array<std::string, 26> BorderSizes;
} // namespace Lists

/// The six fixed font stacks, then "Default" and the installed families sorted without
/// regard to letter case, each name once.
std::vector<std::string> FontFamilyList(const std::vector<std::string> &installedFamilies);

/// The two lists that differ from machine to machine, fixed from start-up to exit.
struct ChoiceLists
{
    std::vector<std::string> templates; ///< the template catalogue
    std::vector<std::string> fonts; ///< FontFamilyList
};

struct Project
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
