#include "editor/readinteger.h"

#include <gtest/gtest.h>

using Editor::IntegerReading;
using Editor::ReadInteger;

TEST(ReadInteger, Answers_ReadAsTheCountQuestionsNeed)
{
    const std::pair<const char *, IntegerReading> cases[] = {
        { "12", { 12, true } },
        { " 12", { 12, true } },
        { "-3", { -3, true } },
        { "+7", { 7, true } },
        { "007", { 7, true } },
        { "$1F", { 31, true } },
        { "x1f", { 31, true } },
        { "X1F", { 31, true } },
        { "0x1F", { 31, true } },
        { "  -0XaB", { -171, true } },
        // Anything left unread: invalid, with the digits read so far and no sign.
        { "12 ", { 12, false } },
        { "3rd", { 3, false } },
        { "-3rd", { 3, false } },
        { "2x", { 2, false } },
        { "$1G", { 1, false } },
        { "1.5", { 1, false } },
        // No digit at all.
        { "", { 0, false } },
        { "   ", { 0, false } },
        { "abc", { 0, false } },
        { "-", { 0, false } },
        { "$", { 0, false } },
        { "0x", { 0, false } },
        { "- 5", { 0, false } },
        { "\t5", { 0, false } },
    };
    for (const auto &[answer, reading] : cases)
        EXPECT_EQ(ReadInteger(answer), reading) << '"' << answer << '"';
}

TEST(ReadInteger, SignedThirtyTwoBitRange_IsTheLimit)
{
    EXPECT_EQ(ReadInteger("2147483647"), (IntegerReading { 2147483647, true }));
    EXPECT_EQ(ReadInteger("-2147483648"), (IntegerReading { -2147483648LL, true }));
    EXPECT_EQ(ReadInteger("-$80000000"), (IntegerReading { -2147483648LL, true }));
    // Reading stops at the digit that would leave the range.
    EXPECT_EQ(ReadInteger("2147483648"), (IntegerReading { 214748364, false }));
    EXPECT_EQ(ReadInteger("-2147483649"), (IntegerReading { 214748364, false }));
    EXPECT_EQ(ReadInteger("$FFFFFFFF"), (IntegerReading { 0xFFFFFFF, false }));
    EXPECT_EQ(ReadInteger("99999999999999999999"), (IntegerReading { 999999999, false }));
}
