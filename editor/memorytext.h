#pragma once

#include "editor/editabletext.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace Editor {

/// A page text held in memory: one string whose lines are separated by CR LF (a line ends
/// at its line feed), a caret, a selection that ends at the caret and a focus flag. It runs the
/// markup tools without a window, in tests and benchmarks.
///
/// The marked notation shows the caret and the selection inside the text: "A|B" is the caret
/// between A and B, "x[old]y" the selection "old" with the caret after it. Texts in this
/// notation must not hold "|", "[" or "]" themselves.
class MemoryText : public EditableText
{
public:
    /// The text with the caret at its start, nothing selected and no focus.
    explicit MemoryText(std::string text = {});

    /// A text written in the marked notation; with no mark the caret is at the start.
    static MemoryText fromMarked(std::string_view marked);
    /// The text in the marked notation.
    std::string marked() const;

    const std::string &text() const { return m_text; }
    std::string selectedText() const override;
    bool hasFocus() const { return m_focused; }
    /// Takes the focus away, as when the user clicks elsewhere.
    void loseFocus() { m_focused = false; }
    /// The number of lines; an empty text has one.
    int lineCount() const;

    void replaceSelection(const std::string &text) override;
    void insertLineAboveCaret(const std::string &line) override;
    void insertLinesAboveCaret(std::span<const std::string> lines) override;
    void placeCaret(int line, int column) override;
    void focus() override;
    int caretLine() const override;
    int caretColumn() const override;

private:
    std::size_t startOfLineAt(std::size_t offset) const;
    std::size_t startOfLine(int line) const;

    std::string m_text;
    std::size_t m_selectionStart = 0;
    std::size_t m_caret = 0;
    bool m_focused = false;
};

} // namespace Editor
