#pragma once
// Header only, for the end-to-end tests whose clients hold the lobby side as
// members of their own: state, dispatcher, events, connection, dialogs,
// protocol, userState and the std::unique_ptr<Huts> huts.
#include "core/Huts.h"
#include "core/LobbyConnection.h"
#include "core/UserStateHandlers.h"
#include "core/api/ChatOutput.h"
#include "packs/InstalledPacks.h"

#include <memory>

// Makes the client's huts and registers them with its protocol and user-state
// handlers as the client does at start-up; the tribe colours start at their
// defaults.
template<typename Client>
void startHuts(Client &c, const InstalledPacks &packs, ChatOutput &chat, quint16 pingPort)
{
    c.huts = std::make_unique<Huts>(c.state, packs, c.connection, c.dialogs, chat, c.events, pingPort);
    c.protocol.registerHandlers(c.dispatcher);
    c.userState.registerHandlers(c.dispatcher);
    c.huts->registerHandlers(c.dispatcher);
    UserStateHandlers::Hooks hooks;
    c.huts->fillUserStateHooks(hooks);
    c.userState.setHooks(hooks);
    QObject::connect(&c.connection, &LobbyConnection::ownStateRefreshed, &c.huts->panels,
                     &HutPanels::ownStateRefreshed);
    c.huts->colours.InitTribeShades();
    c.huts->colours.SetDefaultTribeColours();
}
