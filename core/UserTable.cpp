#include "core/UserTable.h"

UserRecord *UserTable::at(qint32 slot)
{
    if (slot < 0 || slot >= m_users.size())
        return nullptr;
    return &m_users[slot];
}

const UserRecord *UserTable::at(qint32 slot) const
{
    if (slot < 0 || slot >= m_users.size())
        return nullptr;
    return &m_users[slot];
}

UserRecord *UserTable::growTo(qint32 slot)
{
    if (slot < 0 || slot > MaxSlot)
        return nullptr;
    if (slot > UserCount())
        m_users.resize(slot + 1); // grows by doubling, moving records by realloc
    return at(slot);
}

qint32 UserTable::FindUserIndex(const QByteArray &name) const
{
    if (name.isEmpty())
        return 0;
    for (qint32 i = qint32(m_users.size()) - 1; i >= 1; --i) {
        if (m_users[i].Name == name)
            return i;
    }
    return 0;
}

RoomRecord *RoomTable::at(qint32 room)
{
    auto it = m_rooms.find(room);
    return it == m_rooms.end() ? nullptr : &it.value();
}

const RoomRecord *RoomTable::at(qint32 room) const
{
    auto it = m_rooms.constFind(room);
    return it == m_rooms.cend() ? nullptr : &it.value();
}

RoomRecord *RoomTable::entry(qint32 room)
{
    if (room < 0 || room > MaxRoom)
        return nullptr;
    RoomRecord &r = m_rooms[room];
    r.RoomNo = qint16(room);
    return &r;
}
