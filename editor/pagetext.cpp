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

// How far back from a full piece a space or the end of a tag is looked for, so that a piece
// ends between words and its break looks like a wrap.
constexpr qsizetype PieceSlack = 512;

// The block format property of a piece after the first of its line: no line break lies
// between it and the block before, only a break in the display. Block formats go with the
// text through Undo and Redo, and joining two blocks keeps the first one's.
constexpr int ContinuesLine = QTextFormat::UserProperty + 1;

bool continuesLine(const QTextBlock &block)
{
    return block.isValid() && block.blockFormat().boolProperty(ContinuesLine);
}

// The cursor's block format, marked as a piece of the line before or not.
QTextBlockFormat pieceFormat(const QTextCursor &cursor, bool continues)
{
    QTextBlockFormat format = cursor.blockFormat();
    if (continues)
        format.setProperty(ContinuesLine, true);
    else
        format.clearProperty(ContinuesLine);
    return format;
}

// The characters that QTextCursor::insertText turns into a block break (CR LF counts once).
bool isBlockBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::ParagraphSeparator
        || c == QChar(0xFDD0) || c == QChar(0xFDD1);
}

// Where the piece that starts at `from` ends, in a line that goes on more than a piece
// further: after the last space or ">" near its full length, else at its full length, but
// never between the two halves of a surrogate pair.
qsizetype pieceEnd(QStringView text, qsizetype from)
{
    const qsizetype full = from + PageText::PieceLength;
    for (qsizetype at = full; at > full - PieceSlack; --at) {
        if (text[at - 1] == QLatin1Char(' ') || text[at - 1] == QLatin1Char('>'))
            return at;
    }
    return text[full].isLowSurrogate() && text[full - 1].isHighSurrogate() ? full - 1 : full;
}

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
    , m_copy(*document(), continuesLine)
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
    return Widgets::toCp1252(
        textBetween(0, document()->characterCount() - 1, QStringLiteral("\r\n")));
}

void PageText::setBody(const std::string &body)
{
    const QString text = Widgets::fromCp1252(body);
    m_hasPieces = false;
    setPlainText(QString());
    // Filled in one edit without Undo, so the layout hears of one change and lays out nothing
    // until a block is shown.
    QTextDocument *content = document();
    content->setUndoRedoEnabled(false);
    QTextCursor cursor(content);
    cursor.beginEditBlock();
    insertLines(cursor, text);
    cursor.endEditBlock();
    content->setUndoRedoEnabled(true);
    content->setModified(false);
    setTextCursor(QTextCursor(content));
}

void PageText::insertLines(QTextCursor &cursor, QStringView text)
{
    cursor.removeSelectedText();
    // insertText gives the blocks it makes the format of the block it starts in, so it may
    // break lines only while that block is no piece of a line before it.
    bool inPiece = continuesLine(cursor.block());
    qsizetype pending = 0;
    const auto insertPending = [&](qsizetype to) {
        if (to > pending)
            cursor.insertText(text.sliced(pending, to - pending).toString());
    };
    const auto breakAt = [&](qsizetype at, qsizetype resume, bool continues) {
        insertPending(at);
        cursor.insertBlock(pieceFormat(cursor, continues));
        pending = resume;
        inPiece = continues;
        m_hasPieces = m_hasPieces || continues;
    };
    const qsizetype size = text.size();
    for (qsizetype lineStart = 0;;) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < size && !isBlockBreak(text[lineEnd]))
            ++lineEnd;
        for (qsizetype from = lineStart; lineEnd - from > PageText::PieceLength;) {
            const qsizetype to = pieceEnd(text, from);
            breakAt(to, to, true);
            from = to;
        }
        if (lineEnd == size)
            break;
        const bool crLf = text[lineEnd] == QLatin1Char('\r') && lineEnd + 1 < size
            && text[lineEnd + 1] == QLatin1Char('\n');
        lineStart = lineEnd + (crLf ? 2 : 1);
        if (inPiece)
            breakAt(lineEnd, lineStart, false);
    }
    insertPending(size);
}

QString PageText::textBetween(int from, int to, const QString &lineBreak) const
{
    QTextCursor range(document());
    range.setPosition(from);
    range.setPosition(to, QTextCursor::KeepAnchor);
    // The raw text keeps no-break spaces (plain text would turn them into spaces) and
    // separates blocks with paragraph separators.
    QString raw = range.selectedText();
    QString text;
    if (!m_hasPieces) {
        text = std::move(raw);
        text.replace(QChar::ParagraphSeparator, lineBreak);
    } else {
        text.reserve(raw.size());
        qsizetype copied = 0;
        for (QTextBlock block = document()->findBlock(from); block.isValid();
             block = block.next()) {
            const qsizetype blockBreak = block.position() + block.length() - 1 - from;
            if (blockBreak >= raw.size())
                break;
            text += QStringView(raw).sliced(copied, blockBreak - copied);
            if (!continuesLine(block.next()))
                text += lineBreak;
            copied = blockBreak + 1;
        }
        text += QStringView(raw).sliced(copied);
    }
    text.replace(QChar::LineSeparator, lineBreak);
    return text;
}

void PageText::insertAsOneStep(QTextCursor cursor, const QString &text)
{
    cursor.beginEditBlock();
    insertLines(cursor, text);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

void PageText::replaceSelection(const std::string &text)
{
    insertAsOneStep(textCursor(), Widgets::fromCp1252(text));
}

void PageText::insertLineAboveCaret(const std::string &line)
{
    insertLinesAboveCaret(std::span<const std::string>(&line, 1));
}

void PageText::insertLinesAboveCaret(std::span<const std::string> lines)
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
    QTextBlock lineStart = cursor.block();
    while (continuesLine(lineStart))
        lineStart = lineStart.previous();
    cursor.setPosition(lineStart.position());
    insertAsOneStep(cursor, Widgets::fromCp1252(block));
}

QTextBlock PageText::lineBlock(int line) const
{
    if (!m_hasPieces)
        return document()->findBlockByNumber(line);
    int seen = -1;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (!continuesLine(block) && ++seen == line)
            return block;
    }
    return {};
}

void PageText::placeCaret(int line, int column)
{
    QTextBlock block = lineBlock(std::max(line, 0));
    const int last = document()->characterCount() - 1;
    int position = last;
    if (block.isValid()) {
        // The column counts the characters of the line's pieces, not the breaks between them.
        while (column > block.length() - 1 && continuesLine(block.next())) {
            column -= block.length() - 1;
            block = block.next();
        }
        position = block.position() + column;
    }
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
    const QTextCursor cursor = textCursor();
    return Widgets::toCp1252(
        textBetween(cursor.selectionStart(), cursor.selectionEnd(), QStringLiteral("\r\n")));
}

int PageText::caretLine() const
{
    const QTextBlock caret = textCursor().block();
    if (!m_hasPieces)
        return caret.blockNumber();
    int pieces = 0;
    for (QTextBlock block = document()->begin(); block != caret; block = block.next())
        pieces += continuesLine(block) ? 1 : 0;
    return caret.blockNumber() - pieces - (continuesLine(caret) ? 1 : 0);
}

int PageText::caretColumn() const
{
    const QTextCursor cursor = textCursor();
    int column = cursor.positionInBlock();
    for (QTextBlock block = cursor.block(); continuesLine(block);) {
        block = block.previous();
        column += block.length() - 1;
    }
    return column;
}

void PageText::keyPressEvent(QKeyEvent *event)
{
    if (isEnterKey(event) && !(event->modifiers() & (Qt::AltModifier | Qt::MetaModifier))) {
        enterLine(event);
        return;
    }
    if (m_hasPieces)
        stepOverPieceBreak(event);
    QPlainTextEdit::keyPressEvent(event);
}

void PageText::enterLine(QKeyEvent *event)
{
    // Enter writes "<br>" before it starts the new line, so the published page breaks its
    // line where the user did. Ctrl+Enter starts a new line only. Shift must not make the
    // break a line separator inside the line: a body's lines are separated by CR LF only.
    // The tag and the new line are one step for Undo.
    QTextCursor step = textCursor();
    step.beginEditBlock();
    if (!(event->modifiers() & Qt::ControlModifier))
        replaceSelection("<br>");
    QKeyEvent plainEnter(QEvent::KeyPress, event->key(), event->modifiers() & Qt::KeypadModifier,
        QStringLiteral("\r"));
    QPlainTextEdit::keyPressEvent(&plainEnter);
    // The new block took the format of the one it was split from; a real line starts here.
    QTextCursor caret = textCursor();
    if (continuesLine(caret.block()))
        caret.setBlockFormat(pieceFormat(caret, false));
    step.endEditBlock();
    event->setAccepted(plainEnter.isAccepted());
}

void PageText::stepOverPieceBreak(const QKeyEvent *event)
{
    const bool selecting = event->matches(QKeySequence::SelectPreviousChar)
        || event->matches(QKeySequence::SelectNextChar);
    const bool backward = selecting
        ? event->matches(QKeySequence::SelectPreviousChar)
        : (event->matches(QKeySequence::MoveToPreviousChar)
            || (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)));
    const bool forward = selecting
        ? event->matches(QKeySequence::SelectNextChar)
        : (event->matches(QKeySequence::MoveToNextChar) || event->matches(QKeySequence::Delete));
    QTextCursor cursor = textCursor();
    if ((!backward && !forward) || (cursor.hasSelection() && !selecting))
        return;
    // The caret stays at the same place in the body; the key then moves over or deletes the
    // character beyond the breaks.
    const QTextCursor::MoveMode mode
        = selecting ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    bool crossed = false;
    while (backward && cursor.atBlockStart() && continuesLine(cursor.block())) {
        cursor.setPosition(cursor.position() - 1, mode);
        crossed = true;
    }
    while (forward && cursor.atBlockEnd() && continuesLine(cursor.block().next())) {
        cursor.setPosition(cursor.position() + 1, mode);
        crossed = true;
    }
    if (crossed)
        setTextCursor(cursor);
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
    if (!files.isEmpty()) {
        emit filesDropped(files);
    } else if (source->hasText()) {
        insertAsOneStep(textCursor(), source->text());
        ensureCursorVisible();
    }
}

QMimeData *PageText::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    auto *data = new QMimeData;
    data->setText(
        textBetween(cursor.selectionStart(), cursor.selectionEnd(), QStringLiteral("\n")));
    return data;
}

} // namespace Editor
