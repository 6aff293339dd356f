#pragma once
// Header only, for the end-to-end tests whose clients hold the lobby side as
// members of their own: state, dispatcher, events, connection, dialogs,
// protocol, userState and the std::unique_ptr<Huts> huts.
#include "core/Huts.h"
#include "core/LobbyConnection.h"
#include "core/UserStateHandlers.h"
#include "core/api/ChatOutput.h"
#include "packs/InstalledPacks.h"
#include "tests/fixtures/HutLobby.h"
#include "tests/fixtures/LobbyServer.h"

#include <QtTest>
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

// The lobby these tests play in: listening on loopback, with the simple
// lobby's login and the development lobby's hut logic. False when it cannot
// listen.
inline bool listenAsHutLobby(LobbyServer &lobby)
{
    if (!lobby.listen())
        return false;
    lobby.actAsSimpleLobby();
    actAsHutLobby(lobby);
    return true;
}

// Logs the host in, then the joiner (slots 1 and 2), and returns once each
// has the other's record by name. A wait that runs out fails the test: the
// caller returns when QTest::currentTestFailed().
template<typename Host, typename Joiner>
void connectHostThenJoiner(LobbyServer &lobby, Host &host, Joiner &joiner, const QByteArray &hostName = "Host",
                           const QByteArray &joinerName = "Joiner")
{
    host.connection.connectToServer(LobbyServer::host(), lobby.port());
    QVERIFY(lobby.waitForMessage(0, "USERLIST"));
    joiner.connection.connectToServer(LobbyServer::host(), lobby.port());
    QVERIFY(lobby.waitForMessage(1, "USERLIST"));
    QTRY_VERIFY_WITH_TIMEOUT(host.user(2) && host.user(2)->Name == joinerName, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(joiner.user(1) && joiner.user(1)->Name == hostName, 5000);
}
