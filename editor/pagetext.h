#pragma once

#include "editor/editabletext.h"

#include <QPlainTextEdit>

#include <string>

namespace Editor {

/// One page body in the page editor: a plain-text control without word wrap whose text the
/// markup tools change. Inside the program the body is Windows-1252 with CR LF line breaks;
/// the control holds it as Unicode lines and converts at its edge.
///
/// Every change can be undone: typing as the control groups it, and each tool insertion and
/// each Enter (its "<br>" with the new line) as one step.
class PageText : public QPlainTextEdit, public EditableText
{
    Q_OBJECT
public:
    explicit PageText(QWidget *parent = nullptr);

    /// The whole body: Windows-1252, lines separated by CR LF. A character that Windows-1252
    /// lacks becomes "&#N;", so nothing typed is lost on its way into a page.
    std::string body() const;
    /// Replaces the whole body; the caret goes to the start and the undo history is emptied.
    void setBody(const std::string &body);

    void ReplaceSelection(const std::string &text) override;
    void InsertLineAboveCaret(const std::string &line) override;
    /// The whole block goes in as one edit.
    void InsertLinesAboveCaret(std::span<const std::string> lines) override;
    void PlaceCaret(int line, int column) override;
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

private:
    /// Inserts `text` in place of the cursor's selection as one step for Undo, and makes the
    /// cursor the text's caret.
    void insertAsOneStep(QTextCursor cursor, const QString &text);
};

} // namespace Editor
