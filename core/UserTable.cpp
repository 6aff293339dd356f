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

void UserTable::setName(qint32 slot, const QByteArray &name)
{
    UserRecord *u = at(slot);
    if (!u)
        return;
    u->Name = name;
    if (slot == 0)
        return;
    if (m_indexedNames.size() <= slot)
        m_indexedNames.resize(m_users.size());
    QByteArray &filed = m_indexedNames[slot];
    if (filed == name)
        return;
    if (!filed.isEmpty()) {
        auto it = m_slotsByName.find(filed);
        if (it != m_slotsByName.end()) {
            it->erase(slot);
            if (it->empty())
                m_slotsByName.erase(it);
        }
    }
    filed = name;
    if (!name.isEmpty())
        m_slotsByName[name].insert(slot);
}

qint32 UserTable::FindUserIndex(const QByteArray &name) const
{
    if (name.isEmpty())
        return 0;
    const auto it = m_slotsByName.constFind(name);
    if (it == m_slotsByName.cend())
        return 0;
    // A record whose Name was written past setName is not taken for a match.
    for (auto slot = it->rbegin(); slot != it->rend(); ++slot) {
        if (m_users.at(*slot).Name == name)
            return *slot;
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
