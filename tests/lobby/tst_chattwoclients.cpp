// Two clients in one lobby: chat in Main and in a passworded room, and a
// private message, through the development lobby's chat over loopback.
#include "ChatLogRuns.h"

#include "tests/fixtures/ChatLobby.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/LobbyServer.h"

#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyConnection.h"
#include "core/LobbyEvents.h"
#include "core/UserStateHandlers.h"
#include "lobby/Chat.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

struct Client
{
    QTemporaryDir markerDir;
    ClientState state;
    Dispatcher dispatcher;
    LobbyEvents events;
    FakeDialogs dialogs;
    LobbyConnection connection{state, dispatcher};
    UserStateHandlers users{state, connection, events};
    Chat chat{state, connection, dialogs, events, markerDir.path()};

    Client()
    {
        state.Options.TimeStamps = false;
        users.registerHandlers(dispatcher);
        chat.registerHandlers(dispatcher);
    }

    void say(const QByteArray &line)
    {
        chat.input().setText(line);
        chat.input().SendChatLine();
    }
    QString log(qint16 room) { return shownText(chat.logs().log(room)); }
};

} // namespace

class tst_ChatTwoClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chatRoomsAndPrivateMessages()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        server.actAsSimpleLobby();
        actAsChatLobby(server);

        Client alice, bob;
        const QList<std::pair<Client *, QByteArray>> clients{{&alice, "alice"}, {&bob, "bob"}};
        for (int i = 0; i < clients.size(); ++i) {
            Client &c = *clients[i].first;
            c.connection.connectToServer(LobbyServer::host(), server.port());
            QVERIFY(server.waitForClient(i + 1));
            c.state.CurrentUser.OwnSlot = i + 1;
            c.connection.SendCommand("LOGIN " + clients[i].second + " x");
            c.connection.SendCommand("USERLIST");
            QVERIFY(server.waitForMessage(i, "MOTD"));
        }
        QTRY_VERIFY(alice.state.Users.FindUserIndex("bob") == 2);
        QTRY_VERIFY(alice.log(0).contains(QStringLiteral("Welcome to the development lobby.")));
        QTRY_VERIFY(bob.log(0).contains(QStringLiteral("Welcome to the development lobby.")));

        // Main.
        alice.say("hi bob :)");
        QTRY_VERIFY(bob.log(0).endsWith(QStringLiteral("alice | hi bob [smiley:47]\n")));

        // A passworded room, created by alice, entered by bob.
        alice.chat.rooms().cmdCreateRoom_Click("secret room", "pass word");
        QTRY_COMPARE(bob.chat.rooms().lstRooms().count(), 2);
        QTRY_COMPARE(alice.chat.rooms().lstRooms().count(), 2);
        QCOMPARE(bob.chat.rooms().lstRooms().rows()[1].text, QByteArray("secret_room"));
        alice.dialogs.inputs = {QStringLiteral("pass word")};
        alice.chat.rooms().lstRooms_Click(1);
        QCOMPARE(alice.chat.logs().RoomFocus(), qint16(1));
        bob.dialogs.inputs = {QStringLiteral("wrong")};
        bob.chat.rooms().lstRooms_Click(1);
        QCOMPARE(bob.chat.logs().RoomFocus(), qint16(0));
        bob.dialogs.inputs = {QStringLiteral("pass word")};
        bob.chat.rooms().lstRooms_Click(1);
        QCOMPARE(bob.chat.logs().RoomFocus(), qint16(1));
        bob.say("in the room");
        QTRY_VERIFY(alice.log(1).endsWith(QStringLiteral("bob | in the room\n")));
        QVERIFY(!alice.log(0).contains(QStringLiteral("in the room")));

        // A private message from bob to alice, echoed on bob's side.
        bob.chat.input().startPrivateMessage(1, "alice");
        bob.say("/PVT alice: psst");
        QCOMPARE(bob.chat.input().text(), QByteArray("/PVT alice: "));
        QVERIFY(bob.log(1).endsWith(QStringLiteral(" >> alice | psst\n")));
        QTRY_VERIFY(alice.log(1).endsWith(QStringLiteral("bob | (private) psst\n")));
        QVERIFY(!bob.log(1).contains(QStringLiteral("(private)")));
    }
};

QTEST_MAIN(tst_ChatTwoClients)
#include "tst_chattwoclients.moc"
