#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QtGlobal>

#include <set>

// One lobby user as the server announces it, by slot.
struct UserRecord
{
    bool SendLocked = false;   // the own user's chat send lock
    qint32 LockSeconds = 0;
    qint32 Offences = 0;
    qint16 RecentLines = 0;
    QByteArray Name;           // as on the wire ('_' for blanks); empty = free slot
    bool ConstantsOn = false;
    bool ModsActive = false;
    bool DirectPatch = false;
    QByteArray ExternalIP;
    QByteArray MAC;
    QByteArray State;          // "HOST", "WARPHOST", "CLIENT", "GAMING"; else idle
    qint32 HostSlot = 0;
    qint32 HutPosition = 0;
    QByteArray Rank;           // "admin", "mod"; else an ordinary user
    QByteArray AwayText;       // lower case; "back", "none" or empty mean present
    QByteArray HutPassword;    // "NONE" when open
    qint32 HutSize = 0;
    QByteArray Mappack;        // crc8, "OFF" or "00000000"
    QByteArray Modpack;
    QByteArray HasMappack;     // "TRUE", "FALSE", "DOWNLOADING"
    QByteArray HasModpack;
    QByteArray UserId;
    QByteArray GameText;
    bool CustomPals = false;
    bool Friendly = false;

    bool isHost() const { return State == "HOST" || State == "WARPHOST"; }
    bool isClient() const { return State == "CLIENT"; }
    bool isGaming() const { return State == "GAMING"; }
};
// Every member is relocatable, so the table grows by realloc, not by moving
// tens of thousands of records one by one.
Q_DECLARE_TYPEINFO(UserRecord, Q_RELOCATABLE_TYPE);

// Users by the server's slot number, 0 to UserCount. The table only grows; a
// slot outside 0 to MaxSlot is never stored.
class UserTable
{
public:
    static constexpr qint32 MaxSlot = 65535;

    bool isEmpty() const { return m_users.isEmpty(); }
    qint32 UserCount() const { return m_users.isEmpty() ? 0 : qint32(m_users.size() - 1); }

    // The record at `slot`, or nullptr when the table does not hold it.
    UserRecord *at(qint32 slot);
    const UserRecord *at(qint32 slot) const;

    // Grows the table so that it holds `slot` (when slot is above UserCount and
    // within MaxSlot); returns the record, or nullptr for a slot that cannot be
    // held. An empty table and slot 0 store nothing, as the server expects.
    UserRecord *growTo(qint32 slot);

    // A new login starts from an empty table.
    void clear()
    {
        m_users.clear();
        m_indexedNames.clear();
        m_slotsByName.clear();
    }

    // Names go in through here so that the lookup below stays an index
    // lookup: a hostile server may fill every slot and then flood chat lines
    // from unknown names. Does nothing for a slot the table does not hold.
    void setName(qint32 slot, const QByteArray &name);

    // The highest slot from 1 to UserCount whose Name equals `name` exactly
    // (case-sensitive), or 0 when none does (slot 0 is never searched; an
    // empty name finds nothing).
    qint32 FindUserIndex(const QByteArray &name) const;

private:
    QList<UserRecord> m_users;
    // The name each slot is filed under, and the slots by name (wire form).
    QList<QByteArray> m_indexedNames;
    QHash<QByteArray, std::set<qint32>> m_slotsByName;
};

// A chat room by number; room 0 is "Main".
struct RoomRecord
{
    qint16 RoomNo = 0;
    QByteArray Name;
    QByteArray Creator;
    QByteArray Password;   // "NONE" when open
    bool Passworded = false;
};

// Rooms 0 to 32767, present only once announced.
class RoomTable
{
public:
    static constexpr qint32 MaxRoom = 32767;

    RoomRecord *at(qint32 room);
    const RoomRecord *at(qint32 room) const;
    // Creates or returns the entry; nullptr outside 0 to MaxRoom.
    RoomRecord *entry(qint32 room);
    void clear() { m_rooms.clear(); }
    const QMap<qint32, RoomRecord> &rooms() const { return m_rooms; }

private:
    QMap<qint32, RoomRecord> m_rooms;
};
