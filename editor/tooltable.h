#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace Editor {

/// The 38 markup tools of the page editor's toolbox, in toolbox order.
enum class ToolId {
    Bold,
    Italics,
    Underline,
    StrikeThrough,
    NewParagraph,
    AlignLeft,
    AlignCenter,
    AlignRight,
    InsertLink,
    InsertAnchor,
    MailtoLink,
    HorizontalLine,
    InsertImage,
    EmbedAudio,
    FlashObject,
    InsertTable,
    ColoredText,
    PreFormatted,
    Heading,
    List,
    Copyright,
    Registered,
    LessThan,
    GreaterThan,
    Quotation,
    Ampersand,
    Trademark,
    Euro,
    Pound,
    PlusMinus,
    StartForm,
    Checkbox,
    RadioButton,
    Textbox,
    Textarea,
    Listbox,
    SubmitButton,
    ResetButton,
};

/// How a tool builds its markup. The first seven put one piece of text in place of the
/// selection; the others insert whole lines above the caret's line.
enum class ToolRule {
    Wrapping, ///< one answer between an opening and a closing tag
    TwoAnswers, ///< two answers, both always asked, joined with fixed markup
    Anchor, ///< one answer: the anchor's name
    Heading, ///< a size from 1 to 6 and a text
    PreFormatted, ///< "<pre></pre>" with the caret between the tags
    FixedText, ///< a fixed text, no question
    BlockWithCaretInside, ///< opening line, empty line, closing line; the caret in between
    SelectionListBlock, ///< the three lines of a list box
    FlashBlock, ///< a Flash movie's seven lines
    List, ///< a count, then one question per item
    Table, ///< rows and columns
};

/// Whether the toggle button hides the tool ("Show Basic Tools Only").
enum class ToolSet { Basic, Advanced };

/// A button's place in the page editor window (window coordinates) and its square size.
struct ToolboxPlace
{
    int left;
    int top;
    int size; ///< 25 for picture buttons, 17 for character buttons
};

/// A tool's entry in the Quick Insert submenu of the editor's context menu.
struct QuickInsertEntry
{
    const char *text = nullptr; ///< nullptr: the tool has no entry
    const char *shortcut = nullptr; ///< in QKeySequence's portable form, "Ctrl+F1"
    int group = 0; ///< the menu has a separator between two groups
};

/// The prompts and markup fragments of the rules that several tools share (wrapping, two
/// answers, anchor, fixed text, block); the other rules belong to one tool each and keep
/// their texts with them.
struct ToolTexts
{
    const char *prompt = nullptr;
    const char *secondPrompt = nullptr;
    /// When set, the second prompt is `secondPrompt` + the first answer + this.
    const char *secondPromptEnd = nullptr;
    /// The question (1 or 2) that asks for the text the markup shows: it starts with the
    /// selected text, so OK keeps it. 0: no question asks for such a text.
    int textQuestion = 0;
    /// The first question asks for a file's place and offers Browse; a file chosen outside
    /// the project's folder is copied beside the project file.
    bool firstAsksForFile = false;
    /// Wrapping and anchor: open + answer + close. Two answers: open + first + middle +
    /// second + close. Fixed text: open. Block: open is the first line, close the last.
    const char *open = nullptr;
    const char *middle = nullptr;
    const char *close = nullptr;
};

/// Everything about one tool; the editor window builds its buttons and its Quick Insert menu
/// from this alone, and the tools' rules read their texts from it.
struct ToolInfo
{
    ToolId id;
    const char *buttonName; ///< the button's object name, "SpeedButton1"
    const char *hint; ///< tooltip and accessible name, "Bold text"
    QuickInsertEntry quickInsert;
    ToolSet set;
    ToolRule rule;
    ToolboxPlace place;
    /// The text a button shows instead of a picture, UTF-8 (it is display text, not page
    /// text); nullptr for picture buttons.
    const char *label;
    /// The picture's name for Assets::icon(); nullptr for buttons that show a label.
    const char *icon;
    ToolTexts texts;
};

// clang-format off
inline constexpr std::array<ToolInfo, 38> Tools {{
    {ToolId::Bold, "SpeedButton1", "Bold text", {"Bold Text", "Ctrl+F1", 1},
     ToolSet::Basic, ToolRule::Wrapping, {496, 42, 25}, nullptr, "tool-bold",
     {.prompt = "Enter the text you would like to have in bold:",
      .textQuestion = 1, .open = "<b>", .close = "</b>"}},
    {ToolId::Italics, "SpeedButton2", "Italics text", {"Italic Text", "Ctrl+F2", 1},
     ToolSet::Basic, ToolRule::Wrapping, {528, 42, 25}, nullptr, "tool-italic",
     {.prompt = "Enter the text you would like to have in italics:",
      .textQuestion = 1, .open = "<i>", .close = "</i>"}},
    {ToolId::Underline, "SpeedButton3", "Underline text", {"Underlined Text", "Ctrl+F3", 1},
     ToolSet::Basic, ToolRule::Wrapping, {560, 42, 25}, nullptr, "tool-underline",
     {.prompt = "Enter the text you would like to have underlined:",
      .textQuestion = 1, .open = "<u>", .close = "</u>"}},
    {ToolId::StrikeThrough, "SpeedButton4", "Strike-through text", {},
     ToolSet::Basic, ToolRule::Wrapping, {592, 42, 25}, nullptr, "tool-strike",
     {.prompt = "Enter the text you would like to have striked through:",
      .textQuestion = 1, .open = "<s>", .close = "</s>"}},

    {ToolId::NewParagraph, "SpeedButton5", "New paragraph", {"Paragraph", "Ctrl+F4", 2},
     ToolSet::Basic, ToolRule::BlockWithCaretInside, {496, 68, 25}, nullptr, "tool-paragraph",
     {.open = "<p>", .close = "</p>"}},
    {ToolId::AlignLeft, "SpeedButton8", "Align left", {},
     ToolSet::Basic, ToolRule::BlockWithCaretInside, {528, 68, 25}, nullptr, "tool-align-left",
     {.open = "<p align=\"left\">", .close = "</p>"}},
    {ToolId::AlignCenter, "SpeedButton7", "Align center", {},
     ToolSet::Basic, ToolRule::BlockWithCaretInside, {560, 68, 25}, nullptr, "tool-align-center",
     {.open = "<p align=\"center\">", .close = "</p>"}},
    {ToolId::AlignRight, "SpeedButton6", "Align right", {},
     ToolSet::Basic, ToolRule::BlockWithCaretInside, {592, 68, 25}, nullptr, "tool-align-right",
     {.open = "<p align=\"right\">", .close = "</p>"}},

    {ToolId::InsertLink, "SpeedButton10", "Insert link", {"Link", "Ctrl+F5", 3},
     ToolSet::Basic, ToolRule::TwoAnswers, {496, 104, 25}, nullptr, "tool-link",
     {.prompt = "Enter the link URL (e.g. pages/home.html):",
      .secondPrompt = "Enter the link text (e.g. Click here):", .textQuestion = 2,
      .firstAsksForFile = true,
      .open = "<a href=\"", .middle = "\">", .close = "</a>"}},
    {ToolId::InsertAnchor, "SpeedButton11", "Insert anchor", {},
     ToolSet::Advanced, ToolRule::Anchor, {528, 104, 25}, nullptr, "tool-anchor",
     {.prompt = "Enter the anchor name (e.g. par3):", .open = "<a name=\"", .close = "\"></a>"}},
    {ToolId::MailtoLink, "SpeedButton9", "Create mailto: link", {"E-mail Link", "Ctrl+F6", 3},
     ToolSet::Basic, ToolRule::TwoAnswers, {560, 104, 25}, nullptr, "tool-mailto",
     {.prompt = "Enter the e-mail address (e.g. you@example.com):",
      .secondPrompt = "Enter the e-mail link text (e.g. E-mail Me):", .textQuestion = 2,
      .open = "<a href=\"mailto:", .middle = "\">", .close = "</a>"}},
    {ToolId::HorizontalLine, "SpeedButton15", "Insert horizontal line", {},
     ToolSet::Basic, ToolRule::FixedText, {592, 104, 25}, nullptr, "tool-hr",
     {.open = "<hr>"}},

    {ToolId::InsertImage, "SpeedButton13", "Insert image", {"Image", "Ctrl+F7", 4},
     ToolSet::Basic, ToolRule::TwoAnswers, {496, 140, 25}, nullptr, "tool-image",
     {.prompt = "Enter the location of the image (e.g. images/dog.gif):",
      .secondPrompt = "Enter the alternate text of the image (e.g. My dog):",
      .firstAsksForFile = true,
      .open = "<img src=\"", .middle = "\" alt=\"", .close = "\">"}},
    {ToolId::EmbedAudio, "SpeedButton12", "Embed audio", {},
     ToolSet::Advanced, ToolRule::TwoAnswers, {528, 140, 25}, nullptr, "tool-audio",
     {.prompt = "Enter the location of the audio file (e.g. music/bg.wav):",
      .secondPrompt = "How many times would you like the sound to loop (e.g. 5):",
      .open = "<embed src=\"", .middle = "\" loop=\"",
      .close = "\" autostart=\"true\" hidden=\"true\"></embed>"}},
    {ToolId::FlashObject, "SpeedButton14", "Insert Flash object", {},
     ToolSet::Advanced, ToolRule::FlashBlock, {560, 140, 25}, nullptr, "tool-flash", {}},
    {ToolId::InsertTable, "SpeedButton38", "Insert table", {},
     ToolSet::Advanced, ToolRule::Table, {592, 140, 25}, nullptr, "tool-table", {}},

    {ToolId::ColoredText, "SpeedButton16", "Insert colored text", {"Color Text", "Ctrl+F8", 5},
     ToolSet::Basic, ToolRule::TwoAnswers, {496, 176, 25}, nullptr, "tool-color-text",
     {.prompt = "Enter the color of the text (e.g. red or #FF0000):",
      .secondPrompt = "Enter the text that has to be ", .secondPromptEnd = ":",
      .textQuestion = 2,
      .open = "<font color=\"", .middle = "\">", .close = "</font>"}},
    {ToolId::PreFormatted, "SpeedButton18", "Insert pre-formatted text", {},
     ToolSet::Basic, ToolRule::PreFormatted, {528, 176, 25}, nullptr, "tool-pre", {}},
    {ToolId::Heading, "SpeedButton17", "Insert heading", {"Heading", "Ctrl+F9", 5},
     ToolSet::Basic, ToolRule::Heading, {560, 176, 25}, nullptr, "tool-heading", {}},
    {ToolId::List, "SpeedButton19", "Insert list", {"List", "Ctrl+F10", 5},
     ToolSet::Basic, ToolRule::List, {592, 176, 25}, nullptr, "tool-list", {}},

    {ToolId::Copyright, "SpeedButton20", "Copyright", {},
     ToolSet::Basic, ToolRule::FixedText, {496, 212, 17}, "\u00A9", nullptr, {.open = "&copy;"}},
    {ToolId::Registered, "SpeedButton21", "Registered", {},
     ToolSet::Basic, ToolRule::FixedText, {520, 212, 17}, "\u00AE", nullptr, {.open = "&reg;"}},
    {ToolId::LessThan, "SpeedButton22", "Less than", {},
     ToolSet::Basic, ToolRule::FixedText, {544, 212, 17}, "<", nullptr, {.open = "&lt;"}},
    {ToolId::GreaterThan, "SpeedButton23", "Greater than", {},
     ToolSet::Basic, ToolRule::FixedText, {568, 212, 17}, ">", nullptr, {.open = "&gt;"}},
    {ToolId::Quotation, "SpeedButton24", "Quotation", {},
     ToolSet::Basic, ToolRule::FixedText, {592, 212, 17}, "\"", nullptr, {.open = "&quot;"}},
    {ToolId::Ampersand, "SpeedButton25", "Ampersand", {},
     ToolSet::Basic, ToolRule::FixedText, {496, 232, 17}, "&", nullptr, {.open = "&amp;"}},
    {ToolId::Trademark, "SpeedButton26", "Trademark", {},
     ToolSet::Basic, ToolRule::FixedText, {520, 232, 17}, "tm", nullptr, {.open = "&trade;"}},
    {ToolId::Euro, "SpeedButton27", "Euro", {},
     ToolSet::Basic, ToolRule::FixedText, {544, 232, 17}, "\u20AC", nullptr, {.open = "&euro;"}},
    {ToolId::Pound, "SpeedButton28", "Pound", {},
     ToolSet::Basic, ToolRule::FixedText, {568, 232, 17}, "\u00A3", nullptr, {.open = "&pound;"}},
    {ToolId::PlusMinus, "SpeedButton29", "Plus-minus", {},
     ToolSet::Basic, ToolRule::FixedText, {592, 232, 17}, "\u00B1", nullptr, {.open = "&plusmn;"}},

    {ToolId::StartForm, "SpeedButton35", "Start form", {},
     ToolSet::Advanced, ToolRule::BlockWithCaretInside, {496, 260, 25}, "Frm", nullptr,
     {.open = "<form name=\"\" action=\"\" method=\"post\">", .close = "</form>"}},
    {ToolId::Checkbox, "SpeedButton30", "Insert checkbox", {},
     ToolSet::Advanced, ToolRule::FixedText, {528, 260, 25}, nullptr, "tool-checkbox",
     {.open = "<input type=\"checkbox\" name=\"\" value=\"\">"}},
    {ToolId::RadioButton, "SpeedButton31", "Insert radio button", {},
     ToolSet::Advanced, ToolRule::FixedText, {560, 260, 25}, nullptr, "tool-radio",
     {.open = "<input type=\"radio\" name=\"\" value=\"\">"}},
    {ToolId::Textbox, "SpeedButton33", "Insert textbox", {},
     ToolSet::Advanced, ToolRule::FixedText, {592, 260, 25}, nullptr, "tool-textbox",
     {.open = "<input type=\"text\" name=\"\" value=\"\">"}},

    {ToolId::Textarea, "SpeedButton34", "Insert textarea", {},
     ToolSet::Advanced, ToolRule::FixedText, {496, 286, 25}, nullptr, "tool-textarea",
     {.open = "<textarea name=\"\" rows=\"2\" cols=\"2\"></textarea>"}},
    {ToolId::Listbox, "SpeedButton32", "Insert listbox", {},
     ToolSet::Advanced, ToolRule::SelectionListBlock, {528, 286, 25}, nullptr, "tool-listbox", {}},
    {ToolId::SubmitButton, "SpeedButton36", "Insert submit button", {},
     ToolSet::Advanced, ToolRule::FixedText, {560, 286, 25}, nullptr, "tool-submit",
     {.open = "<input type=\"submit\" value=\"Submit\">"}},
    {ToolId::ResetButton, "SpeedButton37", "Insert reset button", {},
     ToolSet::Advanced, ToolRule::FixedText, {592, 286, 25}, nullptr, "tool-reset",
     {.open = "<input type=\"reset\" value=\"Reset\">"}},
}};
// clang-format on

/// The table entry of a tool.
constexpr const ToolInfo &toolInfo(ToolId id) { return Tools[static_cast<std::size_t>(id)]; }

namespace Detail {
constexpr bool entriesFollowToolIdOrder()
{
    for (std::size_t position = 0; position < Tools.size(); ++position) {
        if (static_cast<std::size_t>(Tools[position].id) != position)
            return false;
    }
    return true;
}
} // namespace Detail
static_assert(Detail::entriesFollowToolIdOrder(), "toolInfo() looks tools up by position");

namespace Detail {
/// The number after `prefix` in `text`, or -1 when `text` does not start with it.
constexpr int numberAfter(std::string_view text, std::string_view prefix)
{
    if (!text.starts_with(prefix) || text.size() == prefix.size())
        return -1;
    int number = 0;
    for (const char digit : text.substr(prefix.size())) {
        if (digit < '0' || digit > '9')
            return -1;
        number = number * 10 + (digit - '0');
    }
    return number;
}

constexpr bool buttonsAreSpeedButton1To38()
{
    std::array<bool, Tools.size() + 1> seen {};
    for (const ToolInfo &tool : Tools) {
        const int number = numberAfter(tool.buttonName, "SpeedButton");
        if (number < 1 || number > static_cast<int>(Tools.size()) || seen[number])
            return false;
        seen[number] = true;
    }
    return true;
}

constexpr bool advancedAreTheAnchorAudioFlashTableAndFormTools()
{
    std::size_t advanced = 0;
    for (const ToolInfo &tool : Tools) {
        const bool expected = tool.id == ToolId::InsertAnchor || tool.id == ToolId::EmbedAudio
            || tool.id == ToolId::FlashObject || tool.id == ToolId::InsertTable
            || tool.id >= ToolId::StartForm;
        if ((tool.set == ToolSet::Advanced) != expected)
            return false;
        advanced += expected ? 1 : 0;
    }
    return advanced == 12;
}

/// Quick Insert: ten entries with the shortcuts Ctrl+F1 to Ctrl+F10 in table order, their
/// groups rising; a tool without an entry has neither a shortcut nor a group.
constexpr bool quickInsertIsCtrlF1ToF10InGroups()
{
    int expectedKey = 1;
    int group = 0;
    for (const ToolInfo &tool : Tools) {
        const QuickInsertEntry &entry = tool.quickInsert;
        if (!entry.text) {
            if (entry.shortcut || entry.group != 0)
                return false;
            continue;
        }
        if (!entry.shortcut || numberAfter(entry.shortcut, "Ctrl+F") != expectedKey++
            || entry.group < group || entry.group == 0)
            return false;
        group = entry.group;
    }
    return expectedKey == 11;
}

/// Every button has its own place and shows either a picture or a label.
constexpr bool buttonsHaveOwnPlacesAndAPictureOrALabel()
{
    for (std::size_t first = 0; first < Tools.size(); ++first) {
        if ((Tools[first].icon == nullptr) == (Tools[first].label == nullptr))
            return false;
        for (std::size_t second = first + 1; second < Tools.size(); ++second) {
            if (Tools[first].place.left == Tools[second].place.left
                && Tools[first].place.top == Tools[second].place.top)
                return false;
        }
    }
    return true;
}
} // namespace Detail
static_assert(Detail::buttonsAreSpeedButton1To38(), "each of SpeedButton1 to 38 once");
static_assert(Detail::advancedAreTheAnchorAudioFlashTableAndFormTools(),
    "Show Basic Tools Only hides the twelve advanced tools");
static_assert(Detail::quickInsertIsCtrlF1ToF10InGroups(), "Quick Insert has Ctrl+F1 to Ctrl+F10");
static_assert(Detail::buttonsHaveOwnPlacesAndAPictureOrALabel(),
    "buttons do not overlap and each shows something");
static_assert(std::string_view(toolInfo(ToolId::StartForm).label) == "Frm"
        && std::string_view(toolInfo(ToolId::Euro).label) == "\xE2\x82\xAC",
    "labels are display text in UTF-8");

} // namespace Editor
