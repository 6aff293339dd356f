#include "lobby/ChatLog.h"

#include "lobby/ColourValue.h"
#include "lobby/Smileys.h"

#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextImageFormat>
#include <QUrl>
#include <algorithm>

namespace {

QColor colourOf(qint32 colour)
{
    if (colour == -1)
        return QColor(255, 255, 255);
    return ColourValue::toColor(colour);
}

} // namespace

ChatLog::ChatLog() : m_doc(std::make_unique<QTextDocument>())
{
    // A chat log is never edited by hand; an undo stack would only keep every
    // trimmed line alive.
    m_doc->setUndoRedoEnabled(false);
}

ChatLog::~ChatLog() = default;

int ChatLog::length() const
{
    return m_doc->characterCount() - 1;
}

QString ChatLog::plainText() const
{
    return m_doc->toPlainText();
}

void ChatLog::append(const QString &text, const ChatRunFormat &format)
{
    const int end = length();
    if (m_pendingFrom < 0) {
        // A tag may begin in the text before and end in this one.
        m_pendingFrom = std::max(0, end - int(Smileys::maxTagLength() - 1));
    }

    // Like the selection of a rich text box, the format sticks from one run to
    // the next; a run only changes what it names.
    if (!format.font.isEmpty())
        m_format.setFontFamilies({QString::fromLatin1(format.font)});
    m_format.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    m_format.setFontItalic(format.italic);
    if (format.size >= 1)
        m_format.setFontPointSize(format.size);
    m_format.setForeground(colourOf(format.colour));

    QTextCursor cursor(m_doc.get());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text, m_format);
}

void ChatLog::ensureResources()
{
    if (m_resourcesAdded)
        return;
    for (int i = 0; i < Smileys::Count; ++i)
        m_doc->addResource(QTextDocument::ImageResource, QUrl(Smileys::resourceName(i)),
                           Smileys::picture(i));
    m_resourcesAdded = true;
}

bool ChatLog::convertSmileys()
{
    if (m_pendingFrom < 0)
        return true;
    const int from = std::min(m_pendingFrom, length());
    m_pendingFrom = -1;

    QTextCursor cursor(m_doc.get());
    cursor.setPosition(from);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    const QList<Smileys::Match> matches = Smileys::find(cursor.selectedText());
    if (matches.isEmpty())
        return true;

    for (const Smileys::Match &m : matches) {
        if (Smileys::picture(m.index).isNull())
            return false;
    }
    ensureResources();
    cursor.beginEditBlock();
    // From the last match back, so the positions of the earlier ones hold.
    for (auto it = matches.crbegin(); it != matches.crend(); ++it) {
        cursor.setPosition(from + int(it->position));
        cursor.setPosition(from + int(it->position + it->length), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QTextImageFormat image;
        image.setName(Smileys::resourceName(it->index));
        image.setWidth(Smileys::ShownSize);
        image.setHeight(Smileys::ShownSize);
        cursor.insertImage(image);
    }
    cursor.endEditBlock();
    return true;
}

int ChatLog::trim()
{
    const int len = length();
    if (len <= TrimAbove)
        return 0;
    const int cut = len - TrimTo;
    QTextCursor cursor(m_doc.get());
    cursor.setPosition(0);
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (m_pendingFrom >= 0)
        m_pendingFrom = std::max(0, m_pendingFrom - cut);
    return cut;
}

void ChatLog::clear()
{
    QTextCursor cursor(m_doc.get());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    m_pendingFrom = -1;
}

int ChatLog::pictureCount() const
{
    int count = 0;
    for (QTextBlock block = m_doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().isImageFormat())
                count += fragment.length();
        }
    }
    return count;
}
