// The chat against the scripted lobby server, over a real loopback connection.
#include "ChatLogRuns.h"

#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/LobbyServer.h"

#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyConnection.h"
#include "core/LobbyEvents.h"
#include "core/util/Text.h"
#include "lobby/Chat.h"

#include <QTemporaryDir>
#include <QTest>

class tst_ChatLobby : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chatOverTheWire()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        QTemporaryDir markerDir;
        ClientState state;
        state.Options.TimeStamps = false;
        Dispatcher dispatcher;
        LobbyEvents events;
        FakeDialogs dialogs;
        LobbyConnection connection(state, dispatcher);
        Chat chat(state, connection, dialogs, events, markerDir.path());
        chat.registerHandlers(dispatcher);
        bool lobbyShown = false;
        chat.handlers().setHooks({[&] { lobbyShown = true; }, {}});
        state.Users.growTo(1);
        state.Users.setName(1, "me");
        UserRecord *bob = state.Users.growTo(2);
        state.Users.setName(2, "big_bob");
        bob->Rank = "admin";
        state.CurrentUser.OwnSlot = 1;

        connection.connectToServer(LobbyServer::host(), server.port());
        QVERIFY(server.waitForClient(1));
        QVERIFY(server.waitForMessage(0, "VERSION 10"));

        server.send(0, "ENDUSERS");
        QVERIFY(server.waitForMessage(0, "MOTD"));
        QCOMPARE(server.messages(0),
                 (QList<QByteArray>{"VERSION 10", "MAPPACK OFF 0 0 0", "MAPPACKOK FALSE", "MOTD"}));
        QVERIFY(lobbyShown);

        server.send(0, "MOTDLINE Welcome\xFFhere");
        server.send(0, "MSG big_bob hi\xFF:)\xFF<b>me</b> x 0");
        QTRY_COMPARE(shownText(chat.logs().log(0)),
                     QStringLiteral("Welcome here\nbig bob | hi [smiley:47] <b>me</b>\n"));
        QVERIFY(chat.flood().tmrMsgDisable().isActive());

        chat.input().setText("hello bob");
        chat.input().SendChatLine();
        QVERIFY(server.waitForMessage(0, "SENDMSG " + Text::EncodeText("hello bob") + " 0"));
        QCOMPARE(Text::DecodeText(server.messages(0).last().split(' ').value(1)), QByteArray("hello bob"));
    }
};

QTEST_MAIN(tst_ChatLobby)
#include "tst_chatlobby.moc"
