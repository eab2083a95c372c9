#include "editor/memorytext.h"

#include <algorithm>

namespace Editor {

namespace {
constexpr std::string_view LineBreak = "\r\n";
} // namespace

MemoryText::MemoryText(std::string text)
    : m_text(std::move(text))
{ }

MemoryText MemoryText::fromMarked(std::string_view marked)
{
    MemoryText result;
    result.m_text.reserve(marked.size());
    for (char character : marked) {
        switch (character) {
        case '|':
        case ']':
            result.m_caret = result.m_text.size();
            if (character == '|')
                result.m_selectionStart = result.m_caret;
            break;
        case '[':
            result.m_selectionStart = result.m_text.size();
            break;
        default:
            result.m_text += character;
        }
    }
    return result;
}

std::string MemoryText::marked() const
{
    std::string result = m_text;
    if (m_selectionStart == m_caret) {
        result.insert(m_caret, 1, '|');
    } else {
        result.insert(m_caret, 1, ']');
        result.insert(m_selectionStart, 1, '[');
    }
    return result;
}

std::string MemoryText::selectedText() const
{
    return m_text.substr(m_selectionStart, m_caret - m_selectionStart);
}

int MemoryText::lineCount() const
{
    return static_cast<int>(std::count(m_text.begin(), m_text.end(), '\n')) + 1;
}

void MemoryText::replaceSelection(const std::string &text)
{
    m_text.replace(m_selectionStart, m_caret - m_selectionStart, text);
    m_caret = m_selectionStart + text.size();
    m_selectionStart = m_caret;
}

void MemoryText::insertLineAboveCaret(const std::string &line)
{
    insertLinesAboveCaret(std::span<const std::string>(&line, 1));
}

void MemoryText::insertLinesAboveCaret(std::span<const std::string> lines)
{
    std::string block;
    std::size_t size = 0;
    for (const std::string &line : lines)
        size += line.size() + LineBreak.size();
    block.reserve(size);
    for (const std::string &line : lines) {
        block += line;
        block += LineBreak;
    }
    // The block goes in at the start of the caret's line and the caret ends at that line's
    // start, below the block, whatever column it stood in before.
    const std::size_t lineStart = startOfLineAt(m_caret);
    m_text.insert(lineStart, block);
    m_caret = lineStart + block.size();
    m_selectionStart = m_caret;
}

void MemoryText::placeCaret(int line, int column)
{
    const auto offset = static_cast<long long>(startOfLine(line)) + column;
    m_caret = static_cast<std::size_t>(
        std::clamp<long long>(offset, 0, static_cast<long long>(m_text.size())));
    m_selectionStart = m_caret;
    m_focused = true;
}

void MemoryText::focus() { m_focused = true; }

int MemoryText::caretLine() const
{
    const auto end = m_text.begin() + static_cast<std::ptrdiff_t>(m_caret);
    return static_cast<int>(std::count(m_text.begin(), end, '\n'));
}

int MemoryText::caretColumn() const { return static_cast<int>(m_caret - startOfLineAt(m_caret)); }

std::size_t MemoryText::startOfLineAt(std::size_t offset) const
{
    if (offset == 0)
        return 0;
    const std::size_t lineFeed = m_text.rfind('\n', offset - 1);
    return lineFeed == std::string::npos ? 0 : lineFeed + 1;
}

std::size_t MemoryText::startOfLine(int line) const
{
    std::size_t start = 0;
    for (int passed = 0; passed < line; ++passed) {
        const std::size_t lineFeed = m_text.find('\n', start);
        if (lineFeed == std::string::npos)
            return m_text.size();
        start = lineFeed + 1;
    }
    return start;
}

} // namespace Editor
