#include "editor/pagetext.h"

#include "widgets/cp1252text.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace Editor {

namespace {

QStringList localFiles(const QMimeData *source)
{
    QStringList paths;
    for (const QUrl &url : source->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

bool isEnterKey(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

PageText::PageText(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab leaves the text for the window's buttons; the bodies are HTML, where a tab
    // character means nothing.
    setTabChangesFocus(true);
}

std::string PageText::body() const
{
    // The raw text keeps no-break spaces (plain text would turn them into spaces) and
    // separates lines with paragraph separators.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return Widgets::toCp1252(text);
}

void PageText::setBody(const std::string &body) { setPlainText(Widgets::fromCp1252(body)); }

void PageText::insertAsOneStep(QTextCursor cursor, const QString &text)
{
    cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

void PageText::ReplaceSelection(const std::string &text)
{
    insertAsOneStep(textCursor(), Widgets::fromCp1252(text));
}

void PageText::InsertLineAboveCaret(const std::string &line)
{
    InsertLinesAboveCaret(std::span<const std::string>(&line, 1));
}

void PageText::InsertLinesAboveCaret(std::span<const std::string> lines)
{
    std::string block;
    std::size_t size = 0;
    for (const std::string &line : lines)
        size += line.size() + 1;
    block.reserve(size);
    for (const std::string &line : lines) {
        block += line;
        block += '\n';
    }
    // The selection is dropped, not replaced; the lines go in before the caret's line, which
    // keeps the caret at its start.
    QTextCursor cursor = textCursor();
    cursor.clearSelection();
    cursor.movePosition(QTextCursor::StartOfBlock);
    insertAsOneStep(cursor, Widgets::fromCp1252(block));
}

void PageText::PlaceCaret(int line, int column)
{
    const QTextBlock start = document()->findBlockByNumber(std::max(line, 0));
    const int last = document()->characterCount() - 1;
    const int position = start.isValid() ? start.position() + column : last;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(position, 0, last));
    setTextCursor(cursor);
    focus();
    ensureCursorVisible();
    // The caret shows in its new place before the command goes on; the user's own input waits.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void PageText::focus() { setFocus(Qt::OtherFocusReason); }

std::string PageText::selectedText() const
{
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return Widgets::toCp1252(text);
}

int PageText::caretLine() const { return textCursor().blockNumber(); }

int PageText::caretColumn() const { return textCursor().positionInBlock(); }

void PageText::keyPressEvent(QKeyEvent *event)
{
    if (!isEnterKey(event) || (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier))) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    // Enter writes "<br>" before it starts the new line, so the published page breaks its
    // line where the user did. Ctrl+Enter starts a new line only. Shift must not make the
    // break a line separator inside the line: a body's lines are separated by CR LF only.
    // The tag and the new line are one step for Undo.
    QTextCursor step = textCursor();
    step.beginEditBlock();
    if (!(event->modifiers() & Qt::ControlModifier))
        ReplaceSelection("<br>");
    QKeyEvent plainEnter(QEvent::KeyPress, event->key(), event->modifiers() & Qt::KeypadModifier,
        QStringLiteral("\r"));
    QPlainTextEdit::keyPressEvent(&plainEnter);
    step.endEditBlock();
    event->setAccepted(plainEnter.isAccepted());
}

void PageText::contextMenuEvent(QContextMenuEvent *event)
{
    emit contextMenuWanted(event->globalPos());
    event->accept();
}

bool PageText::canInsertFromMimeData(const QMimeData *source) const
{
    return !localFiles(source).isEmpty() || QPlainTextEdit::canInsertFromMimeData(source);
}

void PageText::insertFromMimeData(const QMimeData *source)
{
    // Dropped or pasted files become markup that refers to them, never their paths as text.
    const QStringList files = localFiles(source);
    if (files.isEmpty())
        QPlainTextEdit::insertFromMimeData(source);
    else
        emit filesDropped(files);
}

} // namespace Editor
