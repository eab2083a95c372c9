#include "editor/memorytext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Editor::MemoryText;

TEST(MemoryText, CaretLineAndColumn_CountFromZeroAcrossCrLf)
{
    const MemoryText text = MemoryText::fromMarked("one\r\n\r\nthr|ee");
    EXPECT_EQ(text.lineCount(), 3);
    EXPECT_EQ(text.caretLine(), 2);
    EXPECT_EQ(text.caretColumn(), 3);
    EXPECT_EQ(MemoryText::fromMarked("one\r\n|").caretLine(), 1);
    EXPECT_EQ(MemoryText::fromMarked("one\r\n|").caretColumn(), 0);
}

TEST(MemoryText, InsertLinesAboveCaret_IsTheSameAsOneLineAtATime)
{
    const std::vector<std::string> lines { "<p>", "", "</p>" };
    for (const char *start : { "|", "A|B", "one\r\n[tw]o", "one\r\ntwo|" }) {
        MemoryText batch = MemoryText::fromMarked(start);
        MemoryText single = MemoryText::fromMarked(start);
        batch.insertLinesAboveCaret(lines);
        for (const std::string &line : lines)
            single.insertLineAboveCaret(line);
        EXPECT_EQ(batch.marked(), single.marked()) << start;
    }
    MemoryText text = MemoryText::fromMarked("one\r\nt[w]o\r\nthree");
    text.insertLinesAboveCaret(lines);
    EXPECT_EQ(text.marked(), "one\r\n<p>\r\n\r\n</p>\r\n|two\r\nthree");
}

TEST(MemoryText, PlaceCaret_FocusesAndStaysInsideTheText)
{
    MemoryText text = MemoryText::fromMarked("[one]\r\ntwo");
    text.placeCaret(1, 2);
    EXPECT_EQ(text.marked(), "one\r\ntw|o");
    EXPECT_TRUE(text.hasFocus());
    text.placeCaret(5, 0);
    EXPECT_EQ(text.marked(), "one\r\ntwo|");
}
