#pragma once
#include <QObject>

// What the lobby handlers tell the lobby window to show again. The handlers
// emit; the views connect. Emitting is cheap: views coalesce or update
// incrementally, they never rebuild a whole tree per message.
class LobbyEvents : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void userListChanged();      // UpdateUserList
    void hutsChanged();          // ConstructHuts
    void mappackInfoChanged();   // UpdateMappackInfo
    void modpackInfoChanged();   // UpdateModpackInfo
    void lobbyShown();           // ShowLobby ran

    // The record at `slot` changed ("USER", "USERSTATE", "USERSTATUS",
    // "GAME"): the user list and the huts tree update that slot and the hut it
    // belongs to, in O(log n). userListChanged and hutsChanged stay the
    // whole-table refresh (block list changes, a cleared table).
    void userChanged(qint32 slot);
    // "NWROOM" stored room `room` (0 to 32767) in the RoomTable. The room list
    // reuses the line `room` when it reads "<Free>" (then shows room 0),
    // otherwise appends the room's name and creates its log.
    void roomAnnounced(qint16 room);
};
