#pragma once
// Header only: the chat tests of the lobby and of its widgets share it.
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyEvents.h"
#include "core/LobbyMessage.h"
#include "lobby/Chat.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/RecordingCommandSink.h"

#include <QTemporaryDir>

// The chat with everything it talks to recorded or faked, its handlers
// registered; a test's own rig derives from it and adds its users and
// options. The filter marker lies in a folder of its own unless the test
// names one (to share it between two rigs).
struct ChatRig
{
    QTemporaryDir markerDir;
    ClientState state;
    RecordingCommandSink commands;
    FakeDialogs dialogs;
    LobbyEvents events;
    Dispatcher dispatcher;
    Chat chat;

    explicit ChatRig(const QString &markerFolder = QString())
        : chat(state, commands, dialogs, events, markerFolder.isEmpty() ? markerDir.path() : markerFolder)
    {
        chat.registerHandlers(dispatcher);
    }

    UserRecord &addUser(qint32 slot, const QByteArray &name, const QByteArray &rank = QByteArray(),
                        const QByteArray &id = QByteArray())
    {
        UserRecord *r = state.Users.growTo(slot);
        state.Users.setName(slot, name);
        r->Rank = rank;
        r->UserId = id;
        return *r;
    }

    void send(const QByteArray &message) { dispatcher.dispatch(LobbyMessage(message)); }
};
