#pragma once
#include <QByteArray>
#include <QtGlobal>

struct ClientState;

// The user menu (mnuUser) of the user list for one user, decided when the
// menu opens. The slot and the user id are captured then, so the actions act
// on the user the menu was opened for even if the table changes meanwhile.
struct UserMenuState
{
    bool valid = false;          // false: no user at that slot, no menu
    qint32 slot = 0;             // mnuClNr
    QByteArray userId;           // the user's UserId when the menu opened
    QByteArray name;             // mnuUserName: the Name as stored ('_' for blanks)
    QByteArray ip;               // for Detailed Info
    QByteArray mac;
    bool detailedVisible = false; // mnuDetailed: admins and mods
    bool kickVisible = false;     // mnuKick: admins and mods
    bool sendFileVisible = false; // mnuSendFile: another user
    bool setStatusVisible = false;// mnuSetStatus: oneself
    bool blockVisible = false;    // mnuBlock: another user, not blocked
    bool unblockVisible = false;  // mnuUnBlock: another user, blocked
};

namespace UserMenu {

// The menu for the user at `slot`; invalid for slot 0 or a free slot.
UserMenuState forSlot(const ClientState &state, qint32 slot);

// The admin and mod test: the own record's Rank in lower case.
bool ownRankIsStaff(const ClientState &state);

// A name or text from the network as a menu caption: shown literally, each
// "&" doubled so that none is taken as a mnemonic.
QByteArray literalCaption(const QByteArray &text);

} // namespace UserMenu
