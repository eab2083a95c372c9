#include "editor/markuptools.h"

#include "editor/projectfile.h"
#include "editor/readinteger.h"
#include "platform/maker.h"

#include <string>
#include <vector>

namespace Editor {

namespace {

using Platform::Dialogs;

std::string ask(Dialogs &dialogs, const std::string &prompt, const std::string &initial = {})
{
    return dialogs.askText(Platform::ApplicationTitle, prompt, initial);
}

// The selected text, where the question asks for the text the markup shows: OK keeps it.
std::string startingText(const ToolTexts &texts, int question, const EditableText &text)
{
    return texts.textQuestion == question ? text.selectedText() : std::string();
}

void showToolError(Dialogs &dialogs, const std::string &message)
{
    dialogs.notify({ Platform::ApplicationTitle, message, Platform::MessageIcon::Error,
        Platform::MessageButtons::Ok });
}

/// Asks for a count until the answer is a number or empty; "" for empty (or Cancel).
std::string askCount(Dialogs &dialogs, const std::string &prompt)
{
    for (;;) {
        std::string answer = ask(dialogs, prompt);
        if (answer.empty() || ReadInteger(answer).valid)
            return answer;
    }
}

// Wrapping and anchor: the answer between the two fragments; a selection is replaced, not
// wrapped, so an empty answer must leave it alone.
void wrapAnswer(const ToolTexts &texts, EditableText &text, Dialogs &dialogs)
{
    const std::string answer = ask(dialogs, texts.prompt, startingText(texts, 1, text));
    if (!answer.empty())
        text.ReplaceSelection(texts.open + answer + texts.close);
    text.focus();
}

// A file's place, typed or chosen with Browse; a chosen file is referred to as the site will
// find it. Nothing when the user declined to bring the file in.
std::optional<std::string> askFile(const ToolTexts &texts, Dialogs &dialogs,
    const std::string &projectFile, const SaveFirst &saveFirst)
{
    Platform::FileDialogSpec browse;
    browse.title = "Browse";
    browse.filters = { { "All Files (*.*)", "*.*" } };
    const std::string answer
        = dialogs.askLocation(Platform::ApplicationTitle, texts.prompt, browse);
    if (!namesLocalFile(answer))
        return answer;
    return referToFile(answer, projectFile, dialogs, saveFirst);
}

// Both questions come even when the first is cancelled; only two empty answers insert nothing.
void joinTwoAnswers(const ToolTexts &texts, EditableText &text, Dialogs &dialogs,
    const std::string &projectFile, const SaveFirst &saveFirst)
{
    std::string first;
    if (texts.firstAsksForFile) {
        const std::optional<std::string> file = askFile(texts, dialogs, projectFile, saveFirst);
        if (!file)
            return;
        first = *file;
    } else {
        first = ask(dialogs, texts.prompt, startingText(texts, 1, text));
    }
    std::string secondPrompt = texts.secondPrompt;
    if (texts.secondPromptEnd)
        secondPrompt += first + texts.secondPromptEnd;
    const std::string second = ask(dialogs, secondPrompt, startingText(texts, 2, text));
    if (!first.empty() || !second.empty())
        text.ReplaceSelection(texts.open + first + texts.middle + second + texts.close);
    text.focus();
}

void insertHeading(EditableText &text, Dialogs &dialogs)
{
    // The size as typed goes into the tags ("3rd" gives "<h3rd>"), so only the number read
    // from it is checked, never whether the whole answer was a number.
    std::string size;
    for (;;) {
        size = ask(dialogs, "Enter the heading size: 1 (largest) - 6 (smallest)");
        const std::int64_t value = ReadInteger(size).value;
        if (size.empty() || (value >= 1 && value <= 6))
            break;
    }
    const std::string heading = ask(dialogs, "Enter the heading text:", text.selectedText());
    if (size.empty() && heading.empty())
        return;
    text.ReplaceSelection("<h" + size + ">" + heading + "</h" + size + ">");
    text.focus();
}

void insertPreFormatted(EditableText &text)
{
    const std::string closing = "</pre>";
    text.ReplaceSelection("<pre>" + closing);
    text.PlaceCaret(text.caretLine(), text.caretColumn() - static_cast<int>(closing.size()));
    text.focus();
}

void insertFixedText(const ToolTexts &texts, EditableText &text)
{
    text.ReplaceSelection(texts.open);
    text.focus();
}

void insertBlockWithCaretInside(const ToolTexts &texts, EditableText &text)
{
    const std::vector<std::string> lines { texts.open, "", texts.close };
    text.InsertLinesAboveCaret(lines);
    // The caret is now below the block; two lines up is the empty middle line.
    text.PlaceCaret(text.caretLine() - 2, 0);
    text.focus();
}

void insertSelectionList(EditableText &text)
{
    const std::vector<std::string> lines { "<select name=\"\" size=\"1\">",
        "     <option value=\"\">Option 1", "</select>" };
    text.InsertLinesAboveCaret(lines);
    text.focus();
}

void insertFlashBlock(EditableText &text, Dialogs &dialogs)
{
    const std::string movie = ask(dialogs, "Enter the location of the movie (e.g. movie.swf):");
    if (!movie.empty()) {
        const std::vector<std::string> lines {
            std::string("<OBJECT classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" ")
                + "codebase=\"" + Platform::Maker::FlashCabinet
                + "#version=6,0,0,0\" WIDTH=\"550\" HEIGHT=\"400\" id=\"\" ALIGN=\"\">",
            "<PARAM NAME=movie VALUE=\"" + movie + "\">",
            "<PARAM NAME=quality VALUE=high>",
            "<PARAM NAME=bgcolor VALUE=#000000>",
            "<EMBED src=\"" + movie
                + "\" quality=high bgcolor=#000000  WIDTH=\"550\" HEIGHT=\"400\" NAME=\"\" "
                  "ALIGN=\"\" TYPE=\"application/x-shockwave-flash\" PLUGINSPAGE=\""
                + Platform::Maker::FlashPlayerPage + "\">",
            "</EMBED>",
            "</OBJECT>",
        };
        text.InsertLinesAboveCaret(lines);
    }
    text.focus();
}

void insertList(EditableText &text, Dialogs &dialogs)
{
    const std::string count = askCount(dialogs, "How many items do you want on your list?");
    if (count.empty())
        return;
    const std::int64_t items = ReadInteger(count).value;
    if (items < 1)
        return;
    if (items > MaxListItems) {
        showToolError(dialogs,
            "Due to errors in your input, the list cannot be created.\n"
            "Reason: a list can have at most "
                + std::to_string(MaxListItems) + " items. Please try again using valid input.");
        return;
    }
    // Each line goes in as soon as it is known, so "<ul>" and the items typed so far are in
    // the text while the next item is asked for.
    text.InsertLineAboveCaret("<ul>");
    for (std::int64_t item = 1; item <= items; ++item) {
        const std::string answer = ask(dialogs, "Enter list item " + std::to_string(item) + ":");
        text.InsertLineAboveCaret("     <li>" + answer);
    }
    text.InsertLineAboveCaret("</ul>");
    text.focus();
}

void insertTable(EditableText &text, Dialogs &dialogs)
{
    const std::string rowAnswer = askCount(dialogs, "How many rows do you want in your table?");
    const std::string columnAnswer
        = askCount(dialogs, "How many columns do you want in your table?");
    const std::int64_t rows = ReadInteger(rowAnswer).value;
    const std::int64_t columns = ReadInteger(columnAnswer).value;
    if (rowAnswer.empty() || columnAnswer.empty() || rows < 1 || columns < 1) {
        showToolError(dialogs,
            "Due to errors in your input, the table cannot be created.\n"
            "Reason: a table must have at least ONE row and ONE column. Please try "
            "again using valid input.");
        return;
    }
    // Both counts fit 32 bits, so their product cannot overflow 64.
    if (rows * columns > MaxTableCells) {
        showToolError(dialogs,
            "Due to errors in your input, the table cannot be created.\n"
            "Reason: a table can have at most "
                + std::to_string(MaxTableCells) + " cells. Please try again using valid input.");
        return;
    }
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(2 + rows * (2 + 2 * columns)));
    lines.emplace_back(
        "<table border=\"1\" cellpadding=\"1\" cellspacing=\"1\" bordercolor=\"black\">");
    for (std::int64_t row = 0; row < rows; ++row) {
        lines.emplace_back("   <tr>");
        for (std::int64_t column = 0; column < columns; ++column) {
            lines.emplace_back("       <td>");
            lines.emplace_back("       </td>");
        }
        lines.emplace_back("   </tr>");
    }
    lines.emplace_back("</table>");
    text.InsertLinesAboveCaret(lines);
    text.focus();
}

} // namespace

void runTool(const ToolInfo &tool, EditableText &text, Dialogs &dialogs,
    const std::string &projectFile, const SaveFirst &saveFirst)
{
    switch (tool.rule) {
    case ToolRule::Wrapping:
    case ToolRule::Anchor:
        wrapAnswer(tool.texts, text, dialogs);
        break;
    case ToolRule::TwoAnswers:
        joinTwoAnswers(tool.texts, text, dialogs, projectFile, saveFirst);
        break;
    case ToolRule::Heading:
        insertHeading(text, dialogs);
        break;
    case ToolRule::PreFormatted:
        insertPreFormatted(text);
        break;
    case ToolRule::FixedText:
        insertFixedText(tool.texts, text);
        break;
    case ToolRule::BlockWithCaretInside:
        insertBlockWithCaretInside(tool.texts, text);
        break;
    case ToolRule::SelectionListBlock:
        insertSelectionList(text);
        break;
    case ToolRule::FlashBlock:
        insertFlashBlock(text, dialogs);
        break;
    case ToolRule::List:
        insertList(text, dialogs);
        break;
    case ToolRule::Table:
        insertTable(text, dialogs);
        break;
    }
}

void runTool(ToolId tool, EditableText &text, Dialogs &dialogs, const std::string &projectFile,
    const SaveFirst &saveFirst)
{
    runTool(toolInfo(tool), text, dialogs, projectFile, saveFirst);
}

} // namespace Editor
