#include "tests/support/scripteddialogs.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using Testing::ScriptedDialogs;

// An answer scripted for a question that never comes means the story went another way: the
// test fails, whether the dialogs are cleared or simply go out of scope.
TEST(ScriptedDialogs, AnswersLeftUnused_FailTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs dialogs;
            dialogs.answerText("used");
            dialogs.answerConfirm(true);
            dialogs.answerFile(std::nullopt);
            EXPECT_EQ(dialogs.askText("Corvanta", "Name?"), "used");
        },
        "2 scripted answer(s) never asked for: question, file dialog");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs dialogs;
            dialogs.answerColour(std::nullopt);
            dialogs.clear();
        },
        "never asked for: colour dialog");

    ScriptedDialogs dialogs;
    dialogs.answerConfirm(false);
    EXPECT_FALSE(dialogs.confirm({}));
}
