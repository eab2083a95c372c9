#pragma once

#include "project/projectsession.h"

#include <QMetaObject>
#include <QString>

#include <memory>
#include <vector>

class QTextBlock;
class QTextDocument;

namespace Editor {

/// A copy of a text control's characters, kept up to date change by change, that a snapshot
/// takes in a moment however long the text: the characters are held in chunks of a few
/// thousand, which a snapshot shares, and a change makes new chunks only where it falls, so
/// every snapshot keeps the text of its moment. In the copy a block break is U+2029 where a
/// line ends and U+FDD0 where one line goes on in the next block (a piece break), a character
/// that the control turns into a block break and so never holds.
class TextCopy
{
public:
    /// Whether a block goes on the line of the block before it.
    using ContinuesLine = bool (*)(const QTextBlock &block);

    /// Copies `document` and follows its changes from now on; it must outlive the copy.
    TextCopy(QTextDocument &document, ContinuesLine continuesLine);
    ~TextCopy();
    TextCopy(const TextCopy &) = delete;
    TextCopy &operator=(const TextCopy &) = delete;

    /// The text as it is now (lines separated by CR LF, converted as PageText::body does),
    /// made into bytes only when asked, on any thread.
    std::shared_ptr<const Model::BodyText> snapshot() const;

    /// The number of characters in the copy: the document's, without its last block break.
    qsizetype size() const { return m_size; }

private:
    /// The document changed between `position` and `position + added` (as it is now).
    void changed(int position, int added);
    /// The characters from `from` to `to` as the copy holds them.
    QString read(int from, int to) const;
    /// Puts `text` in place of the `count` characters from `from`.
    void replace(qsizetype from, qsizetype count, const QString &text);

    QTextDocument &m_document;
    ContinuesLine m_continuesLine;
    QMetaObject::Connection m_connection;
    std::vector<QString> m_chunks;
    qsizetype m_size = 0;
};

} // namespace Editor
