#include "editor/textcopy.h"

#include "widgets/cp1252text.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>

namespace Editor {

namespace {

// How many characters a chunk holds when a change makes it anew: a key typed copies about one
// chunk, and a snapshot of a 5 MB text shares some 600 of them.
constexpr qsizetype ChunkSize = 8192;

constexpr QChar PieceBreak(0xFDD0);

/// A snapshot of the copy: the chunks of its moment, which no change touches any more.
class ChunkedBody final : public Model::BodyText
{
public:
    ChunkedBody(std::vector<QString> chunks, qsizetype size)
        : m_chunks(std::move(chunks))
        , m_size(size)
    { }

    std::string bytes() const override
    {
        QString text;
        text.reserve(m_size + m_size / 32);
        const QLatin1StringView lineBreak("\r\n");
        for (const QString &chunk : m_chunks) {
            const QStringView characters(chunk);
            qsizetype copied = 0;
            for (qsizetype at = 0; at < characters.size(); ++at) {
                const QChar c = characters[at];
                const bool lineEnds = c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
                if (!lineEnds && c != PieceBreak)
                    continue;
                text += characters.sliced(copied, at - copied);
                if (lineEnds)
                    text += lineBreak;
                copied = at + 1;
            }
            text += characters.sliced(copied);
        }
        return Widgets::toCp1252(text);
    }

private:
    const std::vector<QString> m_chunks;
    const qsizetype m_size;
};

} // namespace

TextCopy::TextCopy(QTextDocument &document, ContinuesLine continuesLine)
    : m_document(document)
    , m_continuesLine(continuesLine)
{
    m_connection = QObject::connect(&m_document, &QTextDocument::contentsChange,
        [this](int position, int /*removed*/, int added) { changed(position, added); });
    changed(0, m_document.characterCount());
}

TextCopy::~TextCopy() { QObject::disconnect(m_connection); }

std::shared_ptr<const Model::BodyText> TextCopy::snapshot() const
{
    return std::make_shared<const ChunkedBody>(m_chunks, m_size);
}

void TextCopy::changed(int position, int added)
{
    const int length = m_document.characterCount() - 1;
    const int from = std::clamp(position, 0, length);
    const int to = std::clamp(position + added, from, length);
    // What follows the change is the same as before it; only the range's start and its new
    // end are relied on, not the count of characters removed.
    const qsizetype oldTo = m_size - (length - to);
    if (oldTo < from)
        replace(0, m_size, read(0, length));
    else
        replace(from, oldTo - from, read(from, to));
}

QString TextCopy::read(int from, int to) const
{
    if (from >= to)
        return {};
    QString text;
    if (from == 0 && to == m_document.characterCount() - 1) {
        text = m_document.toRawText();
    } else {
        QTextCursor range(&m_document);
        range.setPosition(from);
        range.setPosition(to, QTextCursor::KeepAnchor);
        text = range.selectedText();
    }
    for (QTextBlock block = m_document.findBlock(from); block.isValid(); block = block.next()) {
        const int blockBreak = block.position() + block.length() - 1;
        if (blockBreak >= to)
            break;
        if (blockBreak >= from && m_continuesLine(block.next()))
            text[blockBreak - from] = PieceBreak;
    }
    return text;
}

void TextCopy::replace(qsizetype from, qsizetype count, const QString &text)
{
    // The chunks the change falls in, first to last, and where each of the two starts.
    const auto chunks = static_cast<std::ptrdiff_t>(m_chunks.size());
    std::ptrdiff_t first = 0;
    qsizetype firstStart = 0;
    while (first < chunks && firstStart + m_chunks[first].size() < from)
        firstStart += m_chunks[first++].size();
    std::ptrdiff_t last = first;
    qsizetype lastStart = firstStart;
    while (last < chunks && lastStart + m_chunks[last].size() < from + count)
        lastStart += m_chunks[last++].size();

    QString changed;
    std::ptrdiff_t end = std::min(last + 1, chunks); // one past the last chunk replaced
    if (first < chunks) {
        const QStringView head = QStringView(m_chunks[first]).first(from - firstStart);
        const QStringView tail = last < chunks
            ? QStringView(m_chunks[last]).sliced(from + count - lastStart)
            : QStringView();
        changed.reserve(head.size() + text.size() + tail.size());
        changed.append(head);
        changed.append(text);
        changed.append(tail);
    } else {
        changed = text;
    }
    // Small chunks left by deleting are joined to the next one.
    if (changed.size() < ChunkSize / 4 && end < chunks)
        changed += m_chunks[end++];

    std::vector<QString> made;
    if (changed.size() > 2 * ChunkSize) {
        for (qsizetype at = 0; at < changed.size(); at += ChunkSize)
            made.push_back(changed.sliced(at, std::min(ChunkSize, changed.size() - at)));
    } else if (!changed.isEmpty()) {
        made.push_back(std::move(changed));
    }
    m_chunks.erase(m_chunks.begin() + first, m_chunks.begin() + end);
    m_chunks.insert(m_chunks.begin() + first, std::make_move_iterator(made.begin()),
        std::make_move_iterator(made.end()));
    m_size += text.size() - count;
}

} // namespace Editor
