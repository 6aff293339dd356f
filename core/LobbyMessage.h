#pragma once
#include <QByteArray>
#include <QList>
#include <QtGlobal>

// One lobby message split into its words at every single blank: no trimming,
// no merging, so "a  b" has an empty word 1. Handlers read words through the
// checked accessors; a word the message lacks reads as empty / 0 and has()
// tells them apart.
class LobbyMessage
{
public:
    LobbyMessage() = default;
    explicit LobbyMessage(const QByteArray &text);

    const QByteArray &text() const { return m_text; }
    qsizetype size() const { return m_words.size(); }
    bool has(qsizetype i) const { return i >= 0 && i < m_words.size(); }
    QByteArray word(qsizetype i) const { return has(i) ? m_words[i] : QByteArray(); }
    qint32 slot(qsizetype i) const;   // leading number, nearest signed 32-bit
    qint16 room(qsizetype i) const;   // leading number, nearest signed 16-bit
    const QList<QByteArray> &words() const { return m_words; }

private:
    QByteArray m_text;
    QList<QByteArray> m_words;
};
