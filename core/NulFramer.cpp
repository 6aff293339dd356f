#include "core/NulFramer.h"

QList<QByteArray> NulFramer::feed(const QByteArray &bytes)
{
    QList<QByteArray> messages;
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype nul = bytes.indexOf('\0', from);
        const qsizetype end = nul < 0 ? bytes.size() : nul;
        const qsizetype room = MaxMessage - m_buffer.size();
        const qsizetype take = qMin(end - from, room);
        m_buffer.append(bytes.constData() + from, take);
        m_dropped += (end - from) - take;
        if (nul < 0)
            break;
        if (!m_buffer.isEmpty()) {
            messages.append(m_buffer);
            m_buffer.clear();
        }
        from = nul + 1;
    }
    return messages;
}

void NulFramer::clear()
{
    m_buffer.clear();
}
