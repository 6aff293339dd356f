#include "lobby/UserMenu.h"

#include "core/ClientState.h"
#include "core/util/CodePage.h"
#include "lobby/BlockList.h"

namespace UserMenu {

bool ownRankIsStaff(const ClientState &state)
{
    const UserRecord *own = state.own();
    if (!own)
        return false;
    const QByteArray rank = CodePage::toLower(own->Rank);
    return rank == "admin" || rank == "mod";
}

QByteArray literalCaption(const QByteArray &text)
{
    QByteArray caption = text;
    return caption.replace('&', "&&");
}

UserMenuState forSlot(const ClientState &state, qint32 slot)
{
    UserMenuState m;
    const UserRecord *user = state.Users.at(slot);
    if (slot == 0 || !user || user->Name.isEmpty())
        return m;
    m.valid = true;
    m.slot = slot;
    m.userId = user->UserId;
    m.name = user->Name;
    m.ip = user->ExternalIP;
    m.mac = user->MAC;
    const bool staff = ownRankIsStaff(state);
    m.detailedVisible = staff;
    m.kickVisible = staff;
    const bool self = slot == state.CurrentUser.OwnSlot;
    m.sendFileVisible = !self;
    m.setStatusVisible = self;
    if (!self) {
        const bool blocked = BlockList::IsUserIdBlocked(state, user->UserId);
        m.blockVisible = !blocked;
        m.unblockVisible = blocked;
    }
    return m;
}

} // namespace UserMenu
