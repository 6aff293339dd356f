#include "tests/fixtures/LobbyServer.h"

#include <QTcpSocket>
#include <QTest>

// The scripted lobby server the other tests stand on: scripts per client,
// mismatches logged, replies cut into separate segments.
class tst_LobbyServer : public QObject
{
    Q_OBJECT

    static QTcpSocket *connectClient(LobbyServer &server, QObject *parent)
    {
        auto *socket = new QTcpSocket(parent);
        socket->connectToHost(QStringLiteral("127.0.0.1"), server.port());
        return socket->waitForConnected(5000) ? socket : nullptr;
    }

private Q_SLOTS:
    void scriptPerClient()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        QVERIFY(server.port() != 0);
        server.expect("VERSION 10", {"VERSION OK"});
        server.expectWord("LOGIN", {"LOGIN 1 4"});
        QObject owner;
        QTcpSocket *a = connectClient(server, &owner);
        QTcpSocket *b = connectClient(server, &owner);
        QVERIFY(a && b);
        QVERIFY(server.waitForClient(2));

        a->write(QByteArray("VERSION 10\0LOGIN x y z \0", 24));
        b->write(QByteArray("VERSION 9\0", 10));
        QVERIFY(server.waitForMessage(0, "LOGIN x y z "));
        QVERIFY(server.waitForMessage(1, "VERSION 9"));
        QVERIFY(server.scriptDone(0));
        QCOMPARE(server.scriptPosition(1), 0);
        QCOMPARE(server.scriptErrors(), QStringList{"1: expected VERSION 10, got VERSION 9"});
        QCOMPARE(server.loginName(0), QByteArray("x"));
        QTRY_COMPARE(a->bytesAvailable(), qint64(21));
        QCOMPARE(a->readAll(), QByteArray("VERSION OK\0LOGIN 1 4\0", 21));
        QCOMPARE(b->bytesAvailable(), qint64(0));
    }

    void segments()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        QObject owner;
        QTcpSocket *client = connectClient(server, &owner);
        QVERIFY(client);
        QVERIFY(server.waitForClient(1));
        int reads = 0;
        QByteArray got;
        connect(client, &QTcpSocket::readyRead, &owner, [&] {
            ++reads;
            got += client->readAll();
        });
        server.setSegmentSize(4);
        server.send(0, "MSG alice hi 0");
        QTRY_COMPARE(got, QByteArray("MSG alice hi 0\0", 15));
        QVERIFY(server.allWritten());
        QVERIFY2(reads >= 2, qPrintable(QString::number(reads)));
    }

    void disconnectIsSeen()
    {
        LobbyServer server;
        QVERIFY(server.listen());
        QObject owner;
        QTcpSocket *client = connectClient(server, &owner);
        QVERIFY(client);
        QVERIFY(server.waitForClient(1));
        server.send(0, "LAST");
        server.disconnectClient(0);
        QTRY_COMPARE(client->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(client->readAll(), QByteArray("LAST\0", 5));
        QVERIFY(!server.isConnected(0));
        server.send(0, "LOST");   // no client any more: nothing, no failure
    }
};

QTEST_GUILESS_MAIN(tst_LobbyServer)
#include "tst_lobbyserver.moc"
