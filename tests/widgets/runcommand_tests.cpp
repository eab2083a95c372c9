#include "widgets/runcommand.h"

#include "tests/support/scripteddialogs.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

using Testing::ScriptedDialogs;

namespace {

// The error boxes a command left, as "title|text".
std::vector<std::string> errorBoxes(const ScriptedDialogs &dialogs)
{
    std::vector<std::string> boxes;
    for (const Platform::Message &notice : dialogs.notices()) {
        EXPECT_EQ(notice.icon, Platform::MessageIcon::Error);
        EXPECT_EQ(notice.buttons, Platform::MessageButtons::Ok);
        boxes.push_back(notice.title + "|" + notice.text);
    }
    return boxes;
}

} // namespace

TEST(RunCommand, OutOfMemory_EndsTheCommandInTheErrorBox)
{
    ScriptedDialogs dialogs;
    EXPECT_FALSE(Widgets::runCommand(dialogs, [] { throw std::bad_alloc(); }));
    EXPECT_EQ(errorBoxes(dialogs), std::vector<std::string> { "Corvanta|Out of memory." });
}

TEST(RunCommand, UnknownFailure_EndsInTheErrorBoxAndTheNextCommandRuns)
{
    ScriptedDialogs dialogs;
    EXPECT_FALSE(Widgets::runCommand(dialogs, [] { throw 42; }));
    EXPECT_TRUE(Widgets::runCommand(dialogs, [] {}));
    EXPECT_EQ(errorBoxes(dialogs), std::vector<std::string> { "Corvanta|Unexpected error." });
}
