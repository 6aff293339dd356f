#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyConnection.h"
#include "core/LobbyProtocol.h"
#include "core/util/Text.h"
#include "tests/fixtures/FakeMacAddress.h"
#include "tests/fixtures/LobbyServer.h"

#include <QSignalSpy>
#include <QTest>

// The opening exchange against the scripted lobby server: "VERSION 10", the
// login command, and the client's reaction to every login result.
class tst_LobbyProtocol : public QObject
{
    Q_OBJECT

    struct Client
    {
        ClientState state;
        Dispatcher dispatcher;
        LobbyConnection connection{state, dispatcher};
        FakeMacAddress mac{QByteArray("\x00\x1A\x2B\x3C\x4D\x5E", 6)};
        LobbyProtocol protocol{state, connection, mac};
        QByteArrayList statuses;
        int accepted = 0;
        int closed = 0;

        Client()
        {
            protocol.registerHandlers(dispatcher);
            QObject::connect(&protocol, &LobbyProtocol::status,
                             [this](const QByteArray &t) { statuses.append(t); });
            QObject::connect(&connection, &LobbyConnection::status,
                             [this](const QByteArray &t) { statuses.append(t); });
            QObject::connect(&protocol, &LobbyProtocol::loginAccepted, [this] { ++accepted; });
            QObject::connect(&connection, &LobbyConnection::closed, [this] { ++closed; });
            state.CurrentUser.Name = "john doe";
            state.CurrentUser.PasswordHash = Text::MD5String("secret");
        }
        void connectTo(LobbyServer &server)
        {
            connection.connectToServer(LobbyServer::host(), server.port());
        }
    };

private Q_SLOTS:
    void loginCommandBytes()
    {
        QCOMPARE(LobbyProtocol::loginCommand("john doe", Text::MD5String("secret"), "127.0.0.1",
                                             "00-1A-2B-3C-4D-5E"),
                 QByteArray("LOGIN john_doe "
                            "60908D905D5D645F908E8F5B905B915B63908C8D6261645B8F5D8C6190906164 "
                            "127.0.0.1 00-1A-2B-3C-4D-5E"));
    }

    void openingExchange()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        server.scriptLogin(7, {"USER 7 john_doe 127.0.0.1 user 17 00-1A-2B-3C-4D-5E"});
        Client client;
        // Leftovers of an earlier session are gone after the new login.
        client.state.Users.growTo(30)->Name = "ghost";
        client.state.Rooms.entry(5)->Name = "old";

        client.connectTo(server);
        QTRY_VERIFY_WITH_TIMEOUT(server.scriptDone(0), 5000);
        QCOMPARE(server.scriptErrors(), QStringList());
        QCOMPARE(server.messages(0),
                 (QByteArrayList{"VERSION 10",
                                 "LOGIN john_doe "
                                 "60908D905D5D645F908E8F5B905B915B63908C8D6261645B8F5D8C6190906164 "
                                 "127.0.0.1 00-1A-2B-3C-4D-5E",
                                 "USERLIST"}));
        QCOMPARE(client.state.CurrentUser.OwnSlot, 7);
        QCOMPARE(client.accepted, 1);
        QCOMPARE(client.closed, 0);
        QVERIFY(client.state.Users.UserCount() < 30);
        QVERIFY(!client.state.Rooms.at(5));
        QCOMPARE(client.statuses,
                 (QByteArrayList{"Connected, checking version... (10)",
                                 "Version ok! Logging in as john doe...",
                                 "Login OK! Requesting userlist..."}));
        QCOMPARE(client.protocol.LocalMAC(), QByteArray("00-1A-2B-3C-4D-5E"));
        QCOMPARE(client.mac.asked.value(0), QHostAddress(QStringLiteral("127.0.0.1")));
    }

    void wrongVersion_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("lower case ok") << QByteArray("VERSION ok");
        QTest::newRow("no word") << QByteArray("VERSION");
        QTest::newRow("other") << QByteArray("VERSION OLD");
        QTest::newRow("two blanks") << QByteArray("VERSION  OK");
    }

    void wrongVersion()
    {
        QFETCH(QByteArray, answer);
        LobbyServer server;
        QVERIFY(server.listen());
        server.expect("VERSION 10", {answer});
        server.expect("END");
        Client client;
        client.connectTo(server);
        QTRY_VERIFY_WITH_TIMEOUT(server.scriptDone(0), 5000);
        QCOMPARE(server.messages(0), (QByteArrayList{"VERSION 10", "END"}));
        QCOMPARE(client.statuses.last(), QByteArray("Wrong version!"));
        // The connection stays open until the server closes it.
        QVERIFY(client.connection.isConnected());
        server.disconnectClient(0);
        QTRY_COMPARE(client.closed, 1);
    }

    // Without a MAC the command ends in a blank; a later login keeps the last one found.
    void macNotFound()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        server.respond("VERSION", [&](int c, const QByteArrayList &) { server.send(c, "VERSION OK"); });
        Client client;
        client.mac.bytes.clear();
        client.connectTo(server);
        QTRY_COMPARE_WITH_TIMEOUT(server.messages(0).size(), 2, 5000);
        QVERIFY(server.messages(0)[1].endsWith(" 127.0.0.1 "));

        client.mac.bytes = QByteArray("\x01\x02\x03\x04\x05\x06", 6);
        client.connectTo(server);
        QTRY_COMPARE_WITH_TIMEOUT(server.messages(1).size(), 2, 5000);
        client.mac.bytes.clear();
        client.connectTo(server);
        QTRY_COMPARE_WITH_TIMEOUT(server.messages(2).size(), 2, 5000);
        QVERIFY(server.messages(2)[1].endsWith(" 127.0.0.1 01-02-03-04-05-06"));
    }

    void loginCodes_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<bool>("closes");
        const QByteArray previous = "Version ok! Logging in as john doe...";
        QTest::newRow("2") << QByteArray("2") << QByteArray("Username not registered!") << true;
        QTest::newRow("3") << QByteArray("3") << QByteArray("Invalid password!") << true;
        QTest::newRow("4") << QByteArray("4") << QByteArray("IP already used!") << true;
        QTest::newRow("5") << QByteArray("5") << QByteArray("User already online!") << true;
        QTest::newRow("6") << QByteArray("6") << QByteArray("Internal error!") << true;
        QTest::newRow("7") << QByteArray("7") << QByteArray("Unknown error!") << true;
        QTest::newRow("8") << QByteArray("8") << QByteArray("Account not verified, check your e-mail") << true;
        QTest::newRow("9") << QByteArray("9") << QByteArray("You are banned!") << true;
        QTest::newRow("10") << QByteArray("10")
                            << QByteArray("Invalid username! Please only use normal characters!") << true;
        QTest::newRow("11") << QByteArray("11") << QByteArray("BETA Testers Only!") << true;
        QTest::newRow("12 keeps the text") << QByteArray("12") << previous << true;
        QTest::newRow("3 with junk") << QByteArray("3x") << QByteArray("Invalid password!") << true;
        QTest::newRow("0 changes nothing") << QByteArray("0") << previous << false;
        QTest::newRow("-4 changes nothing") << QByteArray("-4") << previous << false;
        QTest::newRow("no number") << QByteArray("abc") << previous << false;
    }

    void loginCodes()
    {
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, status);
        QFETCH(bool, closes);
        LobbyServer server;
        QVERIFY(server.listen());
        server.expect("VERSION 10", {"VERSION OK"});
        server.expectWord("LOGIN", {"LOGIN " + code + " 3", "PROBE"});
        Client client;
        bool probed = false;
        client.dispatcher.on("PROBE", [&](const LobbyMessage &) { probed = true; });
        client.connectTo(server);
        QTRY_VERIFY_WITH_TIMEOUT(server.scriptDone(0), 5000);
        if (closes) {
            QTRY_COMPARE(client.closed, 1);
            QVERIFY(!client.connection.isConnected());
            QTRY_VERIFY(!server.isConnected(0));
        } else {
            QTRY_VERIFY(probed);
            QCOMPARE(client.closed, 0);
            QVERIFY(client.connection.isConnected());
        }
        QCOMPARE(client.statuses.last(), status);
        QCOMPARE(client.accepted, 0);
        QCOMPARE(client.state.CurrentUser.OwnSlot, 0);
        QVERIFY(!server.messages(0).contains("USERLIST"));
    }
};

QTEST_GUILESS_MAIN(tst_LobbyProtocol)
#include "tst_lobbyprotocol.moc"
