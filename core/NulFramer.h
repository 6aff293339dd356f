#pragma once
#include <QByteArray>
#include <QList>

// Cuts the lobby's byte stream into messages: each message is the bytes
// before a NUL. Empty messages (two NULs in a row, a NUL first) are skipped.
// A message still waiting for its NUL stays in ReceiveBuffer across feeds.
//
// The buffer is bounded: once MaxMessage bytes have gathered without a NUL,
// further bytes are dropped up to the next NUL, which then ends the message
// as far as it was kept. A server that never sends a NUL cannot make the
// client grow without limit.
class NulFramer
{
public:
    static constexpr qsizetype MaxMessage = 64 * 1024;

    // Takes the bytes in order and returns the messages they complete.
    QList<QByteArray> feed(const QByteArray &bytes);

    void clear();
    const QByteArray &ReceiveBuffer() const { return m_buffer; }
    // Bytes thrown away because a message passed MaxMessage.
    qint64 droppedBytes() const { return m_dropped; }

private:
    QByteArray m_buffer;
    qint64 m_dropped = 0;
};
