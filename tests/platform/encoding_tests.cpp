#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/textlines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iconv.h>

using namespace Platform;

TEST(Encoding, EveryByte_SurvivesTheRoundTripThroughUtf8)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
    EXPECT_EQ(utf8ToCp1252Exact(cp1252ToUtf8(all)), all);

    // Each defined byte becomes the character the system's converter gives it.
    iconv_t converter = iconv_open("UTF-8", "CP1252");
    // (iconv_t)-1 is iconv's failure. NOLINTNEXTLINE(performance-no-int-to-ptr)
    ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
    for (int byte = 0; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        char out[8];
        char *inAt = &in;
        char *outAt = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        if (iconv(converter, &inAt, &inLeft, &outAt, &outLeft) == static_cast<std::size_t>(-1))
            continue; // one of the five bytes the character set leaves undefined
        EXPECT_EQ(cp1252ToUtf8(std::string(1, in) + "x"), std::string(out, outAt) + "x") << byte;
    }
    iconv_close(converter);
}

TEST(Encoding, Cp1252Letters_MapToTheirUnicodeCharacters)
{
    EXPECT_EQ(cp1252ToUtf8("\x80 \xE9 \x99"), "\u20AC \u00E9 \u2122");
    EXPECT_EQ(utf8ToCp1252("\u20AC caf\u00E9"), "\x80 caf\xE9");
}

TEST(Encoding, CharactersOutsideCp1252_BecomeNumericReferencesOrAreRefused)
{
    EXPECT_EQ(utf8ToCp1252("a\u4E2Db\U0001F600"), "a&#20013;b&#128512;");
    EXPECT_EQ(utf8ToCp1252Exact("a\u4E2Db"), std::nullopt);
    EXPECT_EQ(utf8ToCp1252("bad\xFF"), "bad?");
}

TEST(ErrorText, FullStopIsAddedOnlyAfterCharactersAboveTheFullStop)
{
    EXPECT_EQ(standardErrorText("File not found"), "File not found.");
    EXPECT_EQ(standardErrorText("List index out of bounds (3)"), "List index out of bounds (3)");
    EXPECT_EQ(standardErrorText("Cannot open file /a/7.dat"), "Cannot open file /a/7.dat.");
    EXPECT_EQ(standardErrorText("Done."), "Done.");
    EXPECT_EQ(standardErrorText("I/O error 5"), "I/O error 5.");
    EXPECT_EQ(standardErrorText("caf\xE9"), "caf\xE9.");
    EXPECT_EQ(standardErrorText(""), "");
}

TEST(ErrorText, ErrnoValuesMapToTheUsersWords)
{
    EXPECT_EQ(errnoMessage(ENOENT), "File not found");
    EXPECT_EQ(errnoMessage(ENOTDIR), "File not found");
    EXPECT_EQ(errnoMessage(EACCES), "File access denied");
    EXPECT_EQ(errnoMessage(EROFS), "File access denied");
    EXPECT_EQ(errnoMessage(EISDIR), "File access denied");
    EXPECT_EQ(errnoMessage(ENOSPC), "Disk full");
    EXPECT_EQ(errnoMessage(EDQUOT), "Disk full");
    EXPECT_EQ(errnoMessage(EIO), "I/O error 5");
}

TEST(TextLines, CarriageReturnEndsALineAndALoneLineFeedDoesNot)
{
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(splitTextLines(""), Lines { "" });
    EXPECT_EQ(splitTextLines("abc\r\n"), Lines { "abc" });
    EXPECT_EQ(splitTextLines("abc\r\n\r\n"), (Lines { "abc", "" }));
    EXPECT_EQ(splitTextLines("a\rb\r\nc"), (Lines { "a", "b", "c" }));
    EXPECT_EQ(splitTextLines("a\nb\nc\n"), Lines { "a\nb\nc\n" });
    EXPECT_EQ(splitTextLines("a\r\n\nb"), (Lines { "a", "\nb" }));
    EXPECT_EQ(splitTextLines("a\r\nb\x1A\r\nc"), (Lines { "a", "b" }));
    EXPECT_EQ(splitTextLines("\x1A"
                             "abc"),
        Lines { "" });
}

TEST(TextLines, FirstLineStopsAtCarriageReturnOrCtrlZ)
{
    EXPECT_EQ(firstTextLine("v1.0\r\nv2"), "v1.0");
    EXPECT_EQ(firstTextLine("v1.0\n"), "v1.0\n");
    EXPECT_EQ(firstTextLine("v1\x1A.0"), "v1");
    EXPECT_EQ(firstTextLine(""), "");
}

TEST(Encoding, CaselessOrder_FoldsAccentedCapitalsAndBreaksTiesByBytes)
{
    std::vector<std::string> names { "zeta", "\xC9mile", "alpha", "Alpha", "\xE9t\xE9", "Beta" };
    std::sort(names.begin(), names.end(), caselessBefore);
    EXPECT_EQ(names,
        (std::vector<std::string> { "Alpha", "alpha", "Beta", "zeta", "\xC9mile", "\xE9t\xE9" }));
}
