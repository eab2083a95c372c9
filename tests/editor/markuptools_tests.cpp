#include "editor/markuptools.h"
#include "editor/memorytext.h"
#include "platform/maker.h"
#include "tests/support/scripteddialogs.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using namespace Editor;
using Strings = std::vector<std::string>;
using Testing::ScriptedDialogs;

namespace {

/// A text's lines joined with CR LF.
std::string lines(std::initializer_list<std::string_view> all)
{
    std::string joined;
    for (const std::string_view &line : all)
        joined += (&line == all.begin() ? "" : "\r\n") + std::string(line);
    return joined;
}

/// One run of a tool on a marked text, with the user's answers given in order.
struct ToolRun
{
    ToolRun(ToolId tool, std::string_view marked, const Strings &answers = {})
        : text(MemoryText::fromMarked(marked))
    {
        for (const std::string &answer : answers)
            dialogs.answerText(answer);
        runTool(tool, text, dialogs);
    }
    std::string result() const { return text.marked(); }

    ScriptedDialogs dialogs;
    MemoryText text;
};

const std::string TableRefused = "Due to errors in your input, the table cannot be created.\n";

} // namespace

TEST(MarkupTools, Examples_InsertExactlyTheirMarkupAndFocus)
{
    struct Example
    {
        ToolId tool;
        std::string before;
        Strings answers;
        std::string after;
    };
    const Example examples[] = {
        { ToolId::Bold, "x[old]y", { "new" }, "x<b>new</b>|y" },
        { ToolId::Italics, "|", { "a" }, "<i>a</i>|" },
        { ToolId::Underline, "|", { "a" }, "<u>a</u>|" },
        { ToolId::StrikeThrough, "|", { "a<b>c \"&\" " }, "<s>a<b>c \"&\" </s>|" },
        { ToolId::InsertLink, "|", { "pages/home.html", "Click here" },
            "<a href=\"pages/home.html\">Click here</a>|" },
        { ToolId::InsertLink, "|", { "", "Top" }, "<a href=\"\">Top</a>|" },
        { ToolId::InsertLink, "|", { "x", "" }, "<a href=\"x\"></a>|" },
        { ToolId::MailtoLink, "|", { "me@home.example", "E-mail Me" },
            "<a href=\"mailto:me@home.example\">E-mail Me</a>|" },
        { ToolId::InsertImage, "|", { "images/dog.gif", "My dog" },
            "<img src=\"images/dog.gif\" alt=\"My dog\">|" },
        { ToolId::EmbedAudio, "|", { "music/bg.wav", "5" },
            "<embed src=\"music/bg.wav\" loop=\"5\" autostart=\"true\" hidden=\"true\"></embed>|" },
        { ToolId::ColoredText, "|", { "red", "Sale" }, "<font color=\"red\">Sale</font>|" },
        { ToolId::InsertAnchor, "|", { "par3" }, "<a name=\"par3\"></a>|" },
        { ToolId::Heading, "|", { "2", "Welcome" }, "<h2>Welcome</h2>|" },
        { ToolId::Heading, "|", { "", "Welcome" }, "<h>Welcome</h>|" },
        { ToolId::Heading, "|", { "3rd", "T" }, "<h3rd>T</h3rd>|" },
        { ToolId::Heading, "|", { "9", "x", "0", "7", " 6", "T" }, "<h 6>T</h 6>|" },
        { ToolId::PreFormatted, "|", {}, "<pre>|</pre>" },
        { ToolId::PreFormatted, "one\r\na[sel]b", {}, "one\r\na<pre>|</pre>b" },
        { ToolId::HorizontalLine, "a[b]c", {}, "a<hr>|c" },
        { ToolId::Checkbox, "|", {}, "<input type=\"checkbox\" name=\"\" value=\"\">|" },
        { ToolId::RadioButton, "|", {}, "<input type=\"radio\" name=\"\" value=\"\">|" },
        { ToolId::Textbox, "|", {}, "<input type=\"text\" name=\"\" value=\"\">|" },
        { ToolId::Textarea, "|", {}, "<textarea name=\"\" rows=\"2\" cols=\"2\"></textarea>|" },
        { ToolId::SubmitButton, "|", {}, "<input type=\"submit\" value=\"Submit\">|" },
        { ToolId::ResetButton, "|", {}, "<input type=\"reset\" value=\"Reset\">|" },
        { ToolId::Copyright, "|", {}, "&copy;|" },
        { ToolId::Registered, "|", {}, "&reg;|" },
        { ToolId::LessThan, "|", {}, "&lt;|" },
        { ToolId::GreaterThan, "|", {}, "&gt;|" },
        { ToolId::Quotation, "|", {}, "&quot;|" },
        { ToolId::Ampersand, "|", {}, "&amp;|" },
        { ToolId::Trademark, "|", {}, "&trade;|" },
        { ToolId::Euro, "|", {}, "&euro;|" },
        { ToolId::Pound, "|", {}, "&pound;|" },
        { ToolId::PlusMinus, "|", {}, "&plusmn;|" },
        { ToolId::NewParagraph, "A|B", {}, lines({ "<p>", "|", "</p>", "AB" }) },
        { ToolId::NewParagraph, "|", {}, lines({ "<p>", "|", "</p>", "" }) },
        { ToolId::AlignCenter, lines({ "one", "t[w]o", "three" }), {},
            lines({ "one", "<p align=\"center\">", "|", "</p>", "two", "three" }) },
        { ToolId::AlignLeft, "|", {}, lines({ "<p align=\"left\">", "|", "</p>", "" }) },
        { ToolId::AlignRight, "|", {}, lines({ "<p align=\"right\">", "|", "</p>", "" }) },
        { ToolId::StartForm, "x|", {},
            lines({ "<form name=\"\" action=\"\" method=\"post\">", "|", "</form>", "x" }) },
        { ToolId::Listbox, lines({ "x", "A|B" }), {},
            lines({ "x", "<select name=\"\" size=\"1\">", "     <option value=\"\">Option 1",
                "</select>", "|AB" }) },
        { ToolId::List, "|", { "2", "Apples", "Pears" },
            lines({ "<ul>", "     <li>Apples", "     <li>Pears", "</ul>", "|" }) },
        { ToolId::List, "|", { "2x", "12 ", "3", "", "b", "" },
            lines({ "<ul>", "     <li>", "     <li>b", "     <li>", "</ul>", "|" }) },
        { ToolId::InsertTable, "|x", { "abc", "1", "1x", "2" },
            lines(
                { "<table border=\"1\" cellpadding=\"1\" cellspacing=\"1\" bordercolor=\"black\">",
                    "   <tr>", "       <td>", "       </td>", "       <td>", "       </td>",
                    "   </tr>", "</table>", "|x" }) },
    };
    for (const Example &example : examples) {
        ToolRun run(example.tool, example.before, example.answers);
        EXPECT_EQ(run.result(), example.after) << toolInfo(example.tool).hint;
        EXPECT_TRUE(run.text.hasFocus()) << toolInfo(example.tool).hint;
        EXPECT_TRUE(run.dialogs.notices().empty()) << toolInfo(example.tool).hint;
    }
}

TEST(MarkupTools, Questions_AreAskedInOrderWithTheirPrompts)
{
    const ToolRun link(ToolId::InsertLink, "|", { "", "" });
    EXPECT_EQ(link.dialogs.asked().at(0).caption, "Corvanta");
    EXPECT_EQ(link.dialogs.prompts(),
        (Strings { "Enter the link URL (e.g. pages/home.html):",
            "Enter the link text (e.g. Click here):" }));
    EXPECT_EQ(ToolRun(ToolId::MailtoLink, "|", { "", "" }).dialogs.prompts(),
        (Strings { "Enter the e-mail address (e.g. you@example.com):",
            "Enter the e-mail link text (e.g. E-mail Me):" }));
    EXPECT_EQ(ToolRun(ToolId::ColoredText, "|", { "red", "" }).dialogs.prompts().at(1),
        "Enter the text that has to be red:");
    EXPECT_EQ(ToolRun(ToolId::ColoredText, "|", { "", "" }).dialogs.prompts().at(1),
        "Enter the text that has to be :");
    EXPECT_EQ(ToolRun(ToolId::Heading, "|", { "x", "", "" }).dialogs.prompts(),
        (Strings { "Enter the heading size: 1 (largest) - 6 (smallest)",
            "Enter the heading size: 1 (largest) - 6 (smallest)", "Enter the heading text:" }));
    EXPECT_EQ(ToolRun(ToolId::List, "|", { "2", "", "" }).dialogs.prompts(),
        (Strings { "How many items do you want on your list?",
            "Enter list item 1:", "Enter list item 2:" }));
    EXPECT_EQ(ToolRun(ToolId::InsertTable, "|", { "", "" }).dialogs.prompts(),
        (Strings { "How many rows do you want in your table?",
            "How many columns do you want in your table?" }));
    EXPECT_EQ(ToolRun(ToolId::EmbedAudio, "|", { "", "" }).dialogs.prompts().at(1),
        "How many times would you like the sound to loop (e.g. 5):");
}

TEST(MarkupTools, SelectedText_StartsTheTextQuestionOnly)
{
    const auto initialTexts = [](ToolId tool, const Strings &answers) {
        const ToolRun run(tool, "x[old]y", answers);
        Strings texts;
        for (const Testing::Asked &asked : run.dialogs.asked())
            texts.push_back(asked.initialText);
        return texts;
    };
    EXPECT_EQ(initialTexts(ToolId::Bold, { "old" }), (Strings { "old" }));
    EXPECT_EQ(initialTexts(ToolId::InsertLink, { "u", "old" }), (Strings { "", "old" }));
    EXPECT_EQ(initialTexts(ToolId::ColoredText, { "red", "old" }), (Strings { "", "old" }));
    EXPECT_EQ(initialTexts(ToolId::Heading, { "1", "old" }), (Strings { "", "old" }));
    EXPECT_EQ(initialTexts(ToolId::InsertImage, { "a.png", "A" }), (Strings { "", "" }));
    EXPECT_EQ(initialTexts(ToolId::InsertAnchor, { "n" }), (Strings { "" }));
}

TEST(MarkupTools, TwoRunsInARow_FollowEachOther)
{
    ToolRun run(ToolId::Bold, "|", { "a" });
    run.dialogs.answerText("b");
    runTool(ToolId::Bold, run.text, run.dialogs);
    EXPECT_EQ(run.result(), "<b>a</b><b>b</b>|");
}

TEST(MarkupTools, Flash_SevenLinesAboveTheCaret)
{
    const ToolRun run(ToolId::FlashObject, "|x", { "movie.swf" });
    EXPECT_EQ(run.dialogs.prompts().at(0), "Enter the location of the movie (e.g. movie.swf):");
    EXPECT_EQ(run.result(),
        lines({ std::string("<OBJECT classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" "
                            "codebase=\"")
                + Platform::Maker::FlashCabinet
                + "#version=6,0,0,0\" WIDTH=\"550\" HEIGHT=\"400\" id=\"\" ALIGN=\"\">",
            "<PARAM NAME=movie VALUE=\"movie.swf\">", "<PARAM NAME=quality VALUE=high>",
            "<PARAM NAME=bgcolor VALUE=#000000>",
            std::string("<EMBED src=\"movie.swf\" quality=high bgcolor=#000000  "
                        "WIDTH=\"550\" HEIGHT=\"400\" NAME=\"\" ALIGN=\"\" "
                        "TYPE=\"application/x-shockwave-flash\" PLUGINSPAGE=\"")
                + Platform::Maker::FlashPlayerPage + "\">",
            "</EMBED>", "</OBJECT>", "|x" }));
}

TEST(MarkupTools, List_NoItems_NothingHappensSilently)
{
    for (const char *count : { "", "0", "-1" }) {
        const ToolRun run(ToolId::List, "a[b]c", { count });
        EXPECT_EQ(run.result(), "a[b]c");
        EXPECT_FALSE(run.text.hasFocus());
        EXPECT_TRUE(run.dialogs.notices().empty());
    }
}

TEST(MarkupTools, List_OpeningTagIsInTheTextWhileItemsAreAsked)
{
    struct Watching : ScriptedDialogs
    {
        std::string askText(const std::string &caption, const std::string &prompt,
            const std::string &initialText) override
        {
            seen.push_back(page.marked());
            return ScriptedDialogs::askText(caption, prompt, initialText);
        }
        MemoryText page = MemoryText::fromMarked("A|B");
        Strings seen;
    } watching;
    for (const char *answer : { "2", "x", "y" })
        watching.answerText(answer);
    runTool(ToolId::List, watching.page, watching);
    EXPECT_EQ(watching.seen,
        (Strings { "A|B", lines({ "<ul>", "|AB" }), lines({ "<ul>", "     <li>x", "|AB" }) }));
}

TEST(MarkupTools, Table_UnusableCounts_RefusedAfterBothQuestions)
{
    for (const Strings &answers :
        { Strings { "0", "3" }, Strings { "", "" }, Strings { "2", "-1" } }) {
        const ToolRun run(ToolId::InsertTable, "a[b]c", answers);
        EXPECT_EQ(run.result(), "a[b]c");
        EXPECT_FALSE(run.text.hasFocus());
        ASSERT_EQ(run.dialogs.asked().size(), 3u);
        const Platform::Message &box = run.dialogs.asked()[2].message;
        EXPECT_EQ(box.title, "Corvanta");
        EXPECT_EQ(box.text,
            TableRefused
                + "Reason: a table must have at least ONE row and ONE column. Please try "
                  "again using valid input.");
        EXPECT_EQ(box.icon, Platform::MessageIcon::Error);
        EXPECT_EQ(box.buttons, Platform::MessageButtons::Ok);
    }
}

TEST(MarkupTools, CountsBeyondTheLimits_AreRefusedWithAMessage)
{
    for (const Strings &answers : { Strings { "10001", "1" }, Strings { "101", "100" },
             Strings { "100000", "100000" }, Strings { "$7FFFFFFF", "x7FFFFFFF" } }) {
        const ToolRun run(ToolId::InsertTable, "|", answers);
        EXPECT_EQ(run.result(), "|");
        ASSERT_EQ(run.dialogs.notices().size(), 1u);
        EXPECT_EQ(run.dialogs.notices()[0].text,
            TableRefused
                + "Reason: a table can have at most 10000 cells. Please try again using "
                  "valid input.");
    }
    const ToolRun list(ToolId::List, "|", { "1001" });
    EXPECT_EQ(list.result(), "|");
    ASSERT_EQ(list.dialogs.notices().size(), 1u);
    EXPECT_EQ(list.dialogs.notices()[0].text,
        "Due to errors in your input, the list cannot be created.\n"
        "Reason: a list can have at most 1000 items. Please try again using valid input.");
    EXPECT_EQ(list.dialogs.notices()[0].icon, Platform::MessageIcon::Error);
}

TEST(MarkupTools, CountsAtTheLimits_AreInsertedInFull)
{
    Strings answers { "1000" };
    answers.resize(1001, "item");
    EXPECT_EQ(ToolRun(ToolId::List, "|", answers).text.lineCount(), 1 + 1000 + 2);
    // 2 + rows x (2 + 2 x columns) lines, and the caret's empty line below them.
    EXPECT_EQ(ToolRun(ToolId::InsertTable, "|", { "10000", "1" }).text.lineCount(), 1 + 40002);
    EXPECT_EQ(ToolRun(ToolId::InsertTable, "|", { "1", "10000" }).text.lineCount(), 1 + 20004);
}
