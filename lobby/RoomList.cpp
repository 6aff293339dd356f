#include "lobby/RoomList.h"

#include <algorithm>

int RoomList::rowOf(qint16 room) const
{
    return m_rowByRoom.value(room, -1);
}

qint16 RoomList::roomAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].room : qint16(-1);
}

bool RoomList::isFree(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows[row].text == FreeText;
}

void RoomList::reset()
{
    m_rows = {{0, "Main"}};
    m_rowByRoom = {{0, 0}};
    Q_EMIT rowsReset();
}

void RoomList::setText(int row, const QByteArray &text)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].text = text;
    Q_EMIT rowChanged(row);
}

int RoomList::append(qint16 room, const QByteArray &text)
{
    m_rows.append({room, text});
    const int row = int(m_rows.size() - 1);
    // The first row of a room number is the one found, as a scan would.
    if (!m_rowByRoom.contains(room))
        m_rowByRoom.insert(room, row);
    Q_EMIT rowAppended(row);
    return row;
}

int RoomList::firstFreeRow() const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].text == FreeText)
            return i;
    }
    return -1;
}

qint16 RoomList::highestRoom() const
{
    qint16 highest = 0;
    for (const Row &r : m_rows)
        highest = std::max(highest, r.room);
    return highest;
}
