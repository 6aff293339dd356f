#pragma once
// One lobby client as the hut tests need it: the real lobby connection to a
// scripted lobby server, the hut capabilities on its dispatcher, and fakes
// for the rest. Header-only, shared by the hut tests of this folder.
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/HostOptions.h"
#include "core/HutHosting.h"
#include "core/HutMessages.h"
#include "core/HutPanels.h"
#include "core/LobbyConnection.h"
#include "core/LobbyEvents.h"
#include "core/LobbyMessage.h"
#include "packs/InstalledPacks.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/RecordingChatOutput.h"

#include <QTest>

struct HutTestClient
{
    ClientState state;
    Dispatcher dispatcher;
    LobbyEvents events;
    FakeDialogs dialogs;
    RecordingChatOutput chat;
    HutPanels panels;
    LobbyConnection connection {state, dispatcher};
    InstalledPacks packs {state.Setup, chat};
    HostOptions options {state, packs, connection, dialogs, panels};
    HutHosting hosting {state, connection, chat, dialogs, panels};
    HutMessages messages {state, packs, connection, dialogs, panels, events};

    HutTestClient()
    {
        messages.registerHandlers(dispatcher);
        // The tests' sync point: answered in stream order, so everything the
        // server sent before it has been handled once the answer arrives.
        dispatcher.on("ZZSYNC", [this](const LobbyMessage &m) { connection.SendCommand("ZZMARK " + m.word(1)); });
    }

    // Connects and waits until the server has the "VERSION 10" of this client.
    bool connectTo(LobbyServer &server, int clientIndex = 0)
    {
        connection.connectToServer(LobbyServer::host(), server.port());
        return server.waitForMessage(clientIndex, "VERSION 10", 5000);
    }

    // Own user at `ownSlot` with the given state word, in a table of `count` users.
    void setOwn(qint32 ownSlot, const QByteArray &stateWord, qint32 count = 8)
    {
        state.Users.growTo(count);
        state.CurrentUser.OwnSlot = ownSlot;
        UserRecord *own = state.Users.at(ownSlot);
        own->Name = "me";
        own->State = stateWord;
        state.CurrentUser.InHut = own->isHost() || own->isClient();
    }

    void addPack(QList<InstalledPack> &list, const QString &file, const QByteArray &crc)
    {
        list.append(InstalledPack{file, crc});
    }
};

// Everything the server received from the client but "VERSION 10", once the
// client has handled all that the server sent before (see ZZSYNC).
inline QList<QByteArray> sentAfterVersion(LobbyServer &server, HutTestClient &client,
                                          int clientIndex = 0)
{
    Q_UNUSED(client)
    static int markers = 0;
    ++markers;
    server.send(clientIndex, "ZZSYNC " + QByteArray::number(markers));
    if (!server.waitForMessage(clientIndex, "ZZMARK " + QByteArray::number(markers), 5000))
        return {"<marker never arrived>"};
    QList<QByteArray> out;
    for (const QByteArray &m : server.messages(clientIndex)) {
        if (m != "VERSION 10" && !m.startsWith("ZZMARK"))
            out.append(m);
    }
    return out;
}
