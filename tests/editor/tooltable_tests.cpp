#include "editor/markuptools.h"
#include "editor/memorytext.h"
#include "editor/tooltable.h"
#include "tests/support/scripteddialogs.h"

#include <gtest/gtest.h>

#include <string>

using namespace Editor;

namespace {

/// The questions a tool asks when every one of them is cancelled: two-answer tools, the
/// heading and the table ask both of theirs regardless; a cancelled list count ends the list.
int questionsWhenCancelled(ToolRule rule)
{
    switch (rule) {
    case ToolRule::TwoAnswers:
    case ToolRule::Heading:
    case ToolRule::Table:
        return 2;
    case ToolRule::Wrapping:
    case ToolRule::Anchor:
    case ToolRule::FlashBlock:
    case ToolRule::List:
        return 1;
    case ToolRule::PreFormatted:
    case ToolRule::FixedText:
    case ToolRule::BlockWithCaretInside:
    case ToolRule::SelectionListBlock:
        return 0;
    }
    return 0;
}

} // namespace

// Cancel on every question: the tools that ask leave the text as it was; only the heading,
// list and table tools keep their hands off the focus, and only the table complains.
TEST(ToolTable, EveryTool_AllQuestionsCancelled)
{
    for (const ToolInfo &tool : Tools) {
        SCOPED_TRACE(tool.hint);
        Testing::ScriptedDialogs dialogs;
        const int questions = questionsWhenCancelled(tool.rule);
        for (int question = 0; question < questions; ++question)
            dialogs.answerText("");
        MemoryText text = MemoryText::fromMarked("a[b]c");
        runTool(tool, text, dialogs);
        const bool quietOnCancel = tool.rule == ToolRule::Heading || tool.rule == ToolRule::List
            || tool.rule == ToolRule::Table;
        if (questions > 0)
            EXPECT_EQ(text.marked(), "a[b]c");
        else
            EXPECT_NE(text.marked(), "a[b]c");
        EXPECT_EQ(text.hasFocus(), !quietOnCancel);
        EXPECT_EQ(dialogs.notices().size(), tool.rule == ToolRule::Table ? 1u : 0u);
    }
}
