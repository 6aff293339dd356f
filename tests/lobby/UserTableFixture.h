#pragma once
// Table fixtures for the user list and huts tree tests: records written
// straight into a ClientState, as the handlers would leave them.
#include "core/ClientState.h"

#include <QByteArray>

namespace UserTableFixture {

inline UserRecord &user(ClientState &state, qint32 slot, const QByteArray &name,
                        const QByteArray &rank = "user", const QByteArray &id = QByteArray())
{
    UserRecord *u = state.Users.growTo(slot);
    if (!u) { // an empty table holds slot 0 only once a higher slot exists
        state.Users.growTo(1);
        u = state.Users.at(slot);
    }
    state.Users.setName(slot, name);
    u->Rank = rank;
    u->UserId = id.isEmpty() ? QByteArray::number(slot * 10) : id;
    u->ExternalIP = "10.0.0." + QByteArray::number(slot);
    u->MAC = "mac" + QByteArray::number(slot);
    return *u;
}

inline UserRecord &host(ClientState &state, qint32 slot, const QByteArray &name, qint32 size,
                        const QByteArray &password = "NONE", const QByteArray &kind = "HOST")
{
    UserRecord &u = user(state, slot, name);
    u.State = kind;
    u.HutSize = size;
    u.HutPassword = password;
    return u;
}

inline UserRecord &client(ClientState &state, qint32 slot, const QByteArray &name, qint32 hostSlot,
                          qint32 position)
{
    UserRecord &u = user(state, slot, name);
    u.State = "CLIENT";
    u.HostSlot = hostSlot;
    u.HutPosition = position;
    return u;
}

} // namespace UserTableFixture
