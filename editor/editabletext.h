#pragma once

#include <span>
#include <string>

namespace Editor {

/// A page text as the markup tools see it: lines separated by CR LF, a caret and a selection
/// that ends at the caret. The page editor's text controls implement it for the window;
/// MemoryText implements it without one. Texts are Windows-1252 bytes; lines and columns
/// count from 0, columns in the implementation's own characters.
class EditableText
{
public:
    virtual ~EditableText() = default;

    /// Replaces the selection with `text` (inserts it at the caret when nothing is selected);
    /// afterwards nothing is selected and the caret stands right after the inserted text.
    virtual void replaceSelection(const std::string &text) = 0;

    /// Inserts `line` and a line break at the start of the caret's line, so that it becomes a
    /// new line directly above it. A selection is dropped, its text kept. The caret ends at
    /// column 0 of the line that held it, now one line further down; that line is never split.
    virtual void insertLineAboveCaret(const std::string &line) = 0;

    /// Has exactly the effect of insertLineAboveCaret for each line in order. A text control
    /// overrides it to make the whole block one edit, so that a large table goes in quickly.
    virtual void insertLinesAboveCaret(std::span<const std::string> lines);

    /// Puts the caret, with nothing selected, on the character whose index is that of the
    /// first character of `line` plus `column`; gives the text the keyboard focus and shows
    /// the caret at once.
    virtual void placeCaret(int line, int column) = 0;

    /// Gives the text the keyboard focus.
    virtual void focus() = 0;

    /// The selected text (Windows-1252, CR LF line breaks); empty when nothing is selected.
    virtual std::string selectedText() const = 0;

    /// The line that holds the caret.
    virtual int caretLine() const = 0;
    /// The caret's column in its line.
    virtual int caretColumn() const = 0;
};

} // namespace Editor
