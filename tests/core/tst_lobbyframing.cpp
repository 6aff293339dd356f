#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyConnection.h"
#include "core/NulFramer.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/WebHost.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using Messages = QList<QByteArray>;
using Chunks = QList<QByteArray>;

// The NUL framer as a pure function, and the connection that uses it against
// a real socket.
class tst_LobbyFraming : public QObject
{
    Q_OBJECT

    struct Client
    {
        ClientState state;
        Dispatcher dispatcher;
        LobbyConnection connection{state, dispatcher};
        QList<QList<QByteArray>> handled;   // words of every handled message
        int refreshes = 0;

        Client()
        {
            for (const char *w : {"VERSION", "LOGIN", "A", "B", "C", "MSG"})
                dispatcher.on(w, [this](const LobbyMessage &m) { handled.append(m.words()); });
            QObject::connect(&connection, &LobbyConnection::ownStateRefreshed, [this] { ++refreshes; });
        }
        QByteArrayList texts() const
        {
            QByteArrayList out;
            for (const auto &words : handled)
                out.append(words.join(' '));
            return out;
        }
    };

    static bool connectTo(Client &client, LobbyServer &server)
    {
        client.connection.connectToServer(LobbyServer::host(), server.port());
        return server.waitForClient(1) && server.waitForMessage(0, "VERSION 10");
    }

private Q_SLOTS:
    void framer_data()
    {
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<Messages>("messages");
        QTest::addColumn<QByteArray>("pending");

        QTest::newRow("two complete, third waits")
            << Chunks{QByteArray("A 1\0B 2\0C", 9)} << Messages{"A 1", "B 2"} << QByteArray("C");
        QTest::newRow("split across three arrivals")
            << Chunks{"MSG al", "ice hel", QByteArray("lo 0\0", 5)} << Messages{"MSG alice hello 0"}
            << QByteArray();
        QTest::newRow("two NULs in a row") << Chunks{QByteArray("A\0\0B\0", 5)} << Messages{"A", "B"}
                                           << QByteArray();
        QTest::newRow("NUL first") << Chunks{QByteArray("\0A\0", 3)} << Messages{"A"} << QByteArray();
        QTest::newRow("only NULs") << Chunks{QByteArray("\0\0\0", 3)} << Messages{} << QByteArray();
        QTest::newRow("blanks only is a message") << Chunks{QByteArray("  \0", 3)} << Messages{"  "}
                                                  << QByteArray();
        QTest::newRow("byte 255 kept") << Chunks{QByteArray("MSG a\xFF" "b\0", 8)}
                                       << Messages{"MSG a\xFF" "b"} << QByteArray();
        QTest::newRow("NUL alone in its own arrival")
            << Chunks{"A 1", QByteArray("\0", 1), "B"} << Messages{"A 1"} << QByteArray("B");
    }

    void framer()
    {
        QFETCH(Chunks, chunks);
        QFETCH(Messages, messages);
        QFETCH(QByteArray, pending);
        NulFramer framer;
        Messages got;
        for (const QByteArray &chunk : chunks)
            got += framer.feed(chunk);
        QCOMPARE(got, messages);
        QCOMPARE(framer.ReceiveBuffer(), pending);
    }

    // A server that never sends a NUL cannot grow the buffer without limit;
    // the message is cut at the cap and the stream goes on after its NUL.
    void framerCap()
    {
        NulFramer framer;
        const QByteArray big(NulFramer::MaxMessage + 1000, 'x');
        QVERIFY(framer.feed(big.left(40000)).isEmpty());
        QVERIFY(framer.feed(big.mid(40000)).isEmpty());
        QCOMPARE(framer.ReceiveBuffer().size(), NulFramer::MaxMessage);
        QCOMPARE(framer.droppedBytes(), 1000);
        const Messages got = framer.feed(QByteArray("yy\0A 1\0", 7));
        QCOMPARE(got.size(), 2);
        QCOMPARE(got[0], big.left(NulFramer::MaxMessage));
        QCOMPARE(got[1], QByteArray("A 1"));
        QCOMPARE(framer.droppedBytes(), 1002);
    }

    void wordSplit()
    {
        const LobbyMessage m(QByteArray(" A  b "));
        QCOMPARE(m.words(), (QList<QByteArray>{"", "A", "", "b", ""}));
    }

    // Over a socket: segments arrive separately, messages are dispatched once
    // each and in order, and every arrival runs the own-state refresh.
    void segmentsOverSocket()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        Client client;
        QVERIFY(connectTo(client, server));

        client.state.CurrentUser.OwnSlot = 1;
        client.state.Users.growTo(1)->Name = "me";   // so that the refresh runs
        server.setSegmentSize(3);
        server.send(0, "MSG alice hello 0");
        server.sendRaw(0, QByteArray("A 1\0B 2\0\0  \0 A\0a 1\0C", 20));
        QTRY_COMPARE_WITH_TIMEOUT(client.texts(),
                                  (QByteArrayList{"MSG alice hello 0", "A 1", "B 2"}), 5000);
        QTRY_VERIFY(server.allWritten());
        QTRY_COMPARE(client.connection.ReceiveBuffer(), QByteArray("C"));
        QVERIFY2(client.refreshes >= 2, qPrintable(QString::number(client.refreshes)));
        QCOMPARE(client.handled[0], (QList<QByteArray>{"MSG", "alice", "hello", "0"}));
    }

    void refreshWithoutMessage()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        Client client;
        QVERIFY(connectTo(client, server));
        client.state.CurrentUser.OwnSlot = 2;
        client.state.Users.growTo(2)->State = "HOST";
        QSignalSpy refreshed(&client.connection, &LobbyConnection::ownStateRefreshed);
        server.sendRaw(0, "A 1 no end yet");
        QVERIFY(refreshed.wait(5000));
        QCOMPARE(refreshed.first().first().toBool(), true);
        QVERIFY(client.state.CurrentUser.InHut);
        QVERIFY(client.handled.isEmpty());
    }

    // Without a record at the own slot there is nothing to refresh.
    void noRefreshBeforeOwnRecord()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        Client client;
        QVERIFY(connectTo(client, server));
        server.send(0, "A 1");
        QTRY_COMPARE(client.handled.size(), 1);
        QCOMPARE(client.refreshes, 0);
    }

    // A handler that waits (a local event loop) while more data arrives: the
    // later messages are handled after it, in stream order.
    void orderKeptWhileHandlerWaits()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        Client client;
        QVERIFY(connectTo(client, server));
        QByteArrayList order;
        client.dispatcher.on("WAIT", [&](const LobbyMessage &) {
            order.append("WAIT begins");
            server.send(0, "C 3");
            // Wait, as a web request would, until "C 3" has reached the socket.
            QDeadlineTimer deadline(5000);
            while (client.connection.WSClient().bytesAvailable() == 0 && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            order.append(client.connection.WSClient().bytesAvailable() > 0 ? "WAIT ends"
                                                                           : "WAIT timed out");
        });
        client.dispatcher.on("A", [&](const LobbyMessage &m) { order.append(m.text()); });
        client.dispatcher.on("B", [&](const LobbyMessage &m) { order.append(m.text()); });
        client.dispatcher.on("C", [&](const LobbyMessage &m) { order.append(m.text()); });
        server.sendRaw(0, QByteArray("A 1\0WAIT\0B 2\0", 13));
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), 5, 5000);
        QCOMPARE(order, (QByteArrayList{"A 1", "WAIT begins", "WAIT ends", "B 2", "C 3"}));
    }

    // A handler that finishes later (after a web page) holds the messages
    // after it, of its own arrival and of later ones, until it lets go.
    void holdKeepsLaterMessagesBack()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        Client client;
        QVERIFY(connectTo(client, server));
        Dispatcher::Hold hold;
        client.dispatcher.on("HOLD", [&](const LobbyMessage &m) {
            client.handled.append(m.words());
            hold = client.dispatcher.hold();
        });
        server.sendRaw(0, QByteArray("A 1\0HOLD\0B 2\0", 14));
        QTRY_VERIFY(client.dispatcher.isHeld());
        server.send(0, "C 3");
        QTRY_VERIFY(client.dispatcher.pending() >= 3); // B 2, the refresh, C 3
        QCOMPARE(client.texts(), (QByteArrayList{"A 1", "HOLD"}));
        hold.reset(); // the rest follows from the event loop
        QTRY_COMPARE(client.texts(), (QByteArrayList{"A 1", "HOLD", "B 2", "C 3"}));
        QTRY_COMPARE(client.dispatcher.pending(), qsizetype(0));
    }

    // The server's close comes after the messages before it, also those that
    // wait behind a hold.
    void closeAfterHeldMessages()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        Client client;
        QVERIFY(connectTo(client, server));
        client.connection.setLobbyOpen();
        Dispatcher::Hold hold;
        client.dispatcher.on("HOLD", [&](const LobbyMessage &) { hold = client.dispatcher.hold(); });
        QSignalSpy closed(&client.connection, &LobbyConnection::closed);
        QSignalSpy status(&client.connection, &LobbyConnection::status);
        server.sendRaw(0, QByteArray("HOLD\0A 1\0", 10));
        QTRY_VERIFY(client.dispatcher.isHeld());
        server.disconnectClient(0);
        QTRY_COMPARE(client.connection.WSClient().state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(closed.size(), 0);
        QVERIFY(client.handled.isEmpty());
        hold.reset();
        QTRY_COMPARE(client.texts(), QByteArrayList{"A 1"});
        QTRY_COMPARE(closed.size(), 1);
        QCOMPARE(status.last().first().toByteArray(), QByteArray("The connection to the lobby server was lost."));
    }

    // While the client waits for a web page no message is handled; they
    // follow from the event loop after the wait, not inside its caller.
    void noMessageInsideAPageWait()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        WebHost web;
        QVERIFY(web.listen());
        web.stall("/page");
        Client client;
        QVERIFY(connectTo(client, server));
        bool arrived = false;
        QObject::connect(&client.connection.WSClient(), &QTcpSocket::readyRead, [&] { arrived = true; });
        QTimer::singleShot(50, [&] { server.sendRaw(0, QByteArray("A 1\0B 2\0", 8)); });
        QByteArray body;
        const UrlDownload::Result r = UrlDownload::fetch(web.url("/page"), &body, 600);
        QVERIFY(r.timedOut);
        QVERIFY(arrived);
        QVERIFY(client.handled.isEmpty());
        QTRY_COMPARE(client.texts(), (QByteArrayList{"A 1", "B 2"}));
    }

    // Thousands of messages in one arrival are handled in slices, the event
    // loop turning between them; a later message and a posted step come
    // after all of them.
    void burstInSlices()
    {
        Dispatcher dispatcher;
        dispatcher.setSliceMs(2);
        QList<int> order;
        dispatcher.on("A", [&](const LobbyMessage &m) {
            QElapsedTimer spin;
            spin.start();
            while (spin.nsecsElapsed() < 20000) {
            }
            order.append(m.slot(1));
        });
        constexpr int Burst = 3000;
        QList<LobbyMessage> burst;
        for (int i = 0; i < Burst; ++i)
            burst.append(LobbyMessage("A " + QByteArray::number(i)));
        int turnsDuring = 0;
        QTimer turns;
        turns.setInterval(0);
        QObject::connect(&turns, &QTimer::timeout, [&] {
            if (order.size() < Burst) {
                ++turnsDuring;
                if (turnsDuring == 1) {
                    dispatcher.dispatch(LobbyMessage("A -1"));
                    dispatcher.post([&] { order.append(-2); });
                }
            }
        });
        turns.start();
        dispatcher.dispatchAll(burst);
        QVERIFY(order.size() < Burst);
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), Burst + 2, 20000);
        QVERIFY(turnsDuring > 1);
        for (int i = 0; i < Burst; ++i)
            QCOMPARE(order[i], i);
        QCOMPARE(order.mid(Burst), (QList<int>{-1, -2}));
    }

    void sendCommand()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        Client client;
        client.connection.SendCommand("LOST");   // not connected: nothing, no failure
        QVERIFY(connectTo(client, server));
        client.connection.SendCommand(QByteArray("SENDMSG a\0b 0", 13));
        client.connection.SendCommand("USERLIST");
        QVERIFY(server.waitForMessage(0, "USERLIST"));
        QCOMPARE(server.received(0), QByteArray("VERSION 10\0SENDMSG ab 0\0USERLIST\0", 33));
    }

    void serverCloses()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        Client client;
        QSignalSpy closed(&client.connection, &LobbyConnection::closed);
        QVERIFY(connectTo(client, server));
        server.sendRaw(0, QByteArray("A 1\0half", 8));
        QTRY_COMPARE(client.handled.size(), 1);
        server.disconnectClient(0);
        QVERIFY(closed.wait(5000));
        QCOMPARE(closed.size(), 1);
        QVERIFY(!client.connection.isConnected());

        // A new connection starts with an empty buffer.
        client.connection.connectToServer(LobbyServer::host(), server.port());
        QVERIFY(server.waitForClient(2));
        QVERIFY(server.waitForMessage(1, "VERSION 10"));
        QVERIFY(client.connection.ReceiveBuffer().isEmpty());
        server.send(1, "B 2");
        QTRY_COMPARE(client.texts().last(), QByteArray("B 2"));
    }

    // Closing from this side (a new login) never runs Close.
    void localCloseIsQuiet()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        Client client;
        QSignalSpy closed(&client.connection, &LobbyConnection::closed);
        QVERIFY(connectTo(client, server));
        client.connection.closeQuietly();
        QCOMPARE(closed.size(), 0);
        QTRY_VERIFY(!server.isConnected(0));
        QCOMPARE(closed.size(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_LobbyFraming)
#include "tst_lobbyframing.moc"
