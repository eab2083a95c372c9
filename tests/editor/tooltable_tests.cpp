#include "editor/markuptools.h"
#include "editor/memorytext.h"
#include "editor/tooltable.h"
#include "tests/support/scripteddialogs.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace Editor;

TEST(ToolTable, ButtonNamesAndTheTwelveAdvancedTools)
{
    std::set<std::string> names, advanced;
    for (const ToolInfo &tool : Tools) {
        names.insert(tool.buttonName);
        if (tool.set == ToolSet::Advanced)
            advanced.insert(tool.hint);
    }
    EXPECT_EQ(names.size(), 38u);
    EXPECT_TRUE(names.contains("SpeedButton1") && names.contains("SpeedButton38"));
    EXPECT_EQ(advanced,
        (std::set<std::string> { "Insert anchor", "Embed audio", "Insert Flash object",
            "Insert table", "Start form", "Insert checkbox", "Insert radio button",
            "Insert textbox", "Insert textarea", "Insert listbox", "Insert submit button",
            "Insert reset button" }));
}

TEST(ToolTable, QuickInsertMenu_InTableOrderWithItsShortcutsAndSeparators)
{
    std::vector<std::string> menu;
    int group = 0;
    for (const ToolInfo &tool : Tools) {
        if (!tool.quickInsert.text)
            continue;
        if (group != 0 && tool.quickInsert.group != group)
            menu.push_back("-");
        group = tool.quickInsert.group;
        menu.push_back(
            std::string(tool.quickInsert.text) + " " + tool.quickInsert.shortcut + " " + tool.hint);
    }
    EXPECT_EQ(menu,
        (std::vector<std::string> { "Bold Text Ctrl+F1 Bold text",
            "Italic Text Ctrl+F2 Italics text", "Underlined Text Ctrl+F3 Underline text", "-",
            "Paragraph Ctrl+F4 New paragraph", "-", "Link Ctrl+F5 Insert link",
            "E-mail Link Ctrl+F6 Create mailto: link", "-", "Image Ctrl+F7 Insert image", "-",
            "Color Text Ctrl+F8 Insert colored text", "Heading Ctrl+F9 Insert heading",
            "List Ctrl+F10 Insert list" }));
}

TEST(ToolTable, Buttons_HaveTheirOwnPlacesAndAPictureOrALabel)
{
    std::set<std::pair<int, int>> places;
    for (const ToolInfo &tool : Tools) {
        places.insert({ tool.place.left, tool.place.top });
        EXPECT_NE(tool.icon == nullptr, tool.label == nullptr) << tool.hint;
    }
    EXPECT_EQ(places.size(), Tools.size());
    EXPECT_STREQ(toolInfo(ToolId::StartForm).label, "Frm");
    EXPECT_STREQ(toolInfo(ToolId::Euro).label, "\xE2\x82\xAC");
}

// Cancel on every question: the tools that ask leave the text as it was; only the heading,
// list and table tools keep their hands off the focus, and only the table complains.
TEST(ToolTable, EveryTool_AllQuestionsCancelled)
{
    for (const ToolInfo &tool : Tools) {
        Testing::ScriptedDialogs dialogs;
        for (int question = 0; question < 2; ++question)
            dialogs.answerText("");
        MemoryText text = MemoryText::fromMarked("a[b]c");
        runTool(tool, text, dialogs);
        const bool asks = !dialogs.prompts().empty();
        const bool quietOnCancel = tool.rule == ToolRule::Heading || tool.rule == ToolRule::List
            || tool.rule == ToolRule::Table;
        if (asks)
            EXPECT_EQ(text.marked(), "a[b]c") << tool.hint;
        else
            EXPECT_NE(text.marked(), "a[b]c") << tool.hint;
        EXPECT_EQ(text.hasFocus(), !quietOnCancel) << tool.hint;
        EXPECT_EQ(dialogs.notices().size(), tool.rule == ToolRule::Table ? 1u : 0u) << tool.hint;
    }
}
