#include "core/LobbyMessage.h"

#include "core/util/Text.h"

LobbyMessage::LobbyMessage(const QByteArray &text)
    : m_text(text)
    , m_words(text.split(' '))
{
}

qint32 LobbyMessage::slot(qsizetype i) const
{
    return Text::LeadingInt32(word(i));
}

qint16 LobbyMessage::room(qsizetype i) const
{
    return Text::LeadingInt16(word(i));
}
