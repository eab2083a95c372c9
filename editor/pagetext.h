#pragma once

#include "editor/editabletext.h"
#include "editor/textcopy.h"

#include <QPlainTextEdit>
#include <QStringView>
#include <QTextBlock>

#include <string>

namespace Editor {

/// One page body in the page editor: a plain-text control whose text the markup tools change.
/// Inside the program the body is Windows-1252 with CR LF line breaks; the control holds it
/// as Unicode lines and converts at its edge.
///
/// A line longer than a few thousand characters is shown as several blocks, its pieces: a key
/// typed then lays out one piece, never a whole line of megabytes. The breaks between pieces
/// are display only: lines, columns, the selection, the clipboard and the body all read the
/// pieces of a line as one line, and keys step and delete over a break as if it were not there.
///
/// Every change can be undone: typing as the control groups it, and each tool insertion and
/// each Enter (its "<br>" with the new line) as one step.
class PageText : public QPlainTextEdit, public EditableText
{
    Q_OBJECT
public:
    /// Lines longer than this go into the control as several blocks (pieces), so that laying
    /// out and painting the blocks around the caret stays quick however long their line is.
    static constexpr int PieceLength = 4096;

    explicit PageText(QWidget *parent = nullptr);

    /// The whole body: Windows-1252, lines separated by CR LF. A character that Windows-1252
    /// lacks becomes "&#N;", so nothing typed is lost on its way into a page.
    std::string body() const;
    /// The whole body as it is now, taken in a moment however long the text: its bytes, the
    /// same as body() gives, are made only when asked, on any thread.
    std::shared_ptr<const Model::BodyText> bodyNow() const { return m_copy.snapshot(); }
    /// Replaces the whole body; the caret goes to the start and the undo history is emptied.
    void setBody(const std::string &body);

    void replaceSelection(const std::string &text) override;
    void insertLineAboveCaret(const std::string &line) override;
    /// The whole block goes in as one edit.
    void insertLinesAboveCaret(std::span<const std::string> lines) override;
    void placeCaret(int line, int column) override;
    void focus() override;
    std::string selectedText() const override;
    int caretLine() const override;
    int caretColumn() const override;

signals:
    /// A right click or the menu key over the text: the window shows its own menu.
    void contextMenuWanted(const QPoint &globalPosition);
    /// Files from the desktop were dropped on the text; the caret stands at the drop point.
    void filesDropped(const QStringList &paths);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    /// The clipboard and a drag get the selection as the body has it, without piece breaks.
    QMimeData *createMimeDataFromSelection() const override;

private:
    /// Inserts `text` in place of the cursor's selection as one step for Undo, and makes the
    /// cursor the text's caret.
    void insertAsOneStep(QTextCursor cursor, const QString &text);
    /// Inserts `text` at the cursor (inside an edit block): its line breaks become real ones,
    /// and its lines too long to lay out quickly go in as pieces.
    void insertLines(QTextCursor &cursor, QStringView text);
    /// The text from `from` to `to` with `lineBreak` between lines and nothing between pieces.
    QString textBetween(int from, int to, const QString &lineBreak) const;
    /// The first block of line `line` (lines count from 0); invalid past the last line.
    QTextBlock lineBlock(int line) const;
    /// Enter: "<br>" (unless Ctrl is held) and a real line break, as one step for Undo.
    void enterLine(QKeyEvent *event);
    /// Before Left, Right, Backspace or Delete at a piece break: puts the caret beyond the
    /// break, so that the key moves over or deletes a character, never the break itself.
    void stepOverPieceBreak(const QKeyEvent *event);

    /// Whether a piece break was made since the body was last set; until then every block is
    /// a line of its own and the quick paths hold.
    bool m_hasPieces = false;
    /// The text's characters, kept up to date with every change, for bodyNow.
    TextCopy m_copy;
};

} // namespace Editor
