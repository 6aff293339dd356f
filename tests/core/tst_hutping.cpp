#include "core/HutPing.h"
#include "tests/fixtures/RecordingCommandSink.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>
#include <vector>

class tst_HutPing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void elevenConnectionsTenServed();
    void pingResFromInjectedClock_data();
    void pingResFromInjectedClock();
    void answerWithoutPingIsNotReported();
    void probeTimerFollowsProbe();
    void probeToClosedPortFailsQuietly();
    void closeAllClearsBothEnds();
};

namespace {

std::unique_ptr<QTcpSocket> connectTo(quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    return socket;
}

} // namespace

void tst_HutPing::elevenConnectionsTenServed()
{
    RecordingCommandSink sink;
    HutPing host(sink, 0);
    QVERIFY(host.OpenPingHost());
    QVERIFY(host.PingHostListening());
    const quint16 port = host.listeningPort();
    QVERIFY(port != 0);

    std::vector<std::unique_ptr<QTcpSocket>> peers;
    for (int i = 0; i < HutPing::SlotCount; ++i) {
        peers.push_back(connectTo(port));
        QVERIFY(peers.back()->waitForConnected(5000));
        QTRY_COMPARE_WITH_TIMEOUT(host.busySlots(), i + 1, 5000);
    }
    // The eleventh is refused: the host closes it and keeps ten.
    auto eleventh = connectTo(port);
    QTRY_COMPARE_WITH_TIMEOUT(eleventh->state(), QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(host.busySlots(), HutPing::SlotCount);

    for (auto &peer : peers)
        peer->write("PING");
    for (auto &peer : peers) {
        QTRY_VERIFY_WITH_TIMEOUT(peer->bytesAvailable() > 0, 5000);
        QCOMPARE(peer->readAll(), QByteArray("P"));
    }

    // Once one of the ten closes, the next request takes the freed slot.
    peers.front()->disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(host.busySlots(), HutPing::SlotCount - 1, 5000);
    auto next = connectTo(port);
    QVERIFY(next->waitForConnected(5000));
    QTRY_COMPARE_WITH_TIMEOUT(host.busySlots(), HutPing::SlotCount, 5000);
    next->write("PING");
    QTRY_VERIFY_WITH_TIMEOUT(next->bytesAvailable() > 0, 5000);
    QCOMPARE(next->readAll(), QByteArray("P"));
    QVERIFY(sink.commands.isEmpty()); // the host side never talks to the lobby
}

void tst_HutPing::pingResFromInjectedClock_data()
{
    QTest::addColumn<qint64>("roundTripNs");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("153.4 ms") << qint64(153'400'000) << QByteArray("PINGRES 153");
    QTest::newRow("153.6 ms") << qint64(153'600'000) << QByteArray("PINGRES 154");
    QTest::newRow("half to even") << qint64(2'500'000) << QByteArray("PINGRES 2");
    QTest::newRow("at once") << qint64(0) << QByteArray("PINGRES 0");
    QTest::newRow("over a minute") << qint64(61'000'000'000) << QByteArray("PINGRES 61000");
}

void tst_HutPing::pingResFromInjectedClock()
{
    QFETCH(qint64, roundTripNs);
    QFETCH(QByteArray, expected);

    RecordingCommandSink hostSink, clientSink;
    HutPing host(hostSink, 0);
    QVERIFY(host.OpenPingHost());
    HutPing client(clientSink, host.listeningPort());

    // A monotonic clock far from zero; the "PING" goes out at `start`.
    const qint64 start = 5'000'000'000'000LL;
    qint64 now = start;
    client.setClock([&now] { return now; });

    client.ConnectPingProbe("127.0.0.1");
    QVERIFY(client.PingProbeConnected());
    QTRY_VERIFY_WITH_TIMEOUT(client.pingTimer().isActive(), 5000);
    QCOMPARE(client.pingTimer().interval(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(host.busySlots(), 1, 5000);

    QSignalSpy reported(&client, &HutPing::pingReported);
    client.tmrPing_Timer();
    now = start + roundTripNs; // what the clock reads when the "P" arrives
    QVERIFY(reported.wait(5000));
    QCOMPARE(clientSink.commands, QList<QByteArray>{expected});
}

void tst_HutPing::answerWithoutPingIsNotReported()
{
    // A host that answers without being asked makes no round trip to report.
    QTcpServer fakeHost;
    QVERIFY(fakeHost.listen(QHostAddress::LocalHost, 0));
    RecordingCommandSink sink;
    HutPing client(sink, fakeHost.serverPort());
    client.ConnectPingProbe("127.0.0.1");
    QVERIFY(fakeHost.waitForNewConnection(5000));
    QTcpSocket *peer = fakeHost.nextPendingConnection();
    QTRY_VERIFY_WITH_TIMEOUT(client.pingTimer().isActive(), 5000);
    QSignalSpy reported(&client, &HutPing::pingReported);
    peer->write("PPP");
    peer->flush();
    QVERIFY(!reported.wait(200)); // bounded: a stray answer would be reported at once
    QVERIFY(sink.commands.isEmpty());

    // A real exchange after it is reported once, for several "P"s together.
    client.tmrPing_Timer();
    QTRY_VERIFY_WITH_TIMEOUT(peer->bytesAvailable() >= 4, 5000);
    QCOMPARE(peer->readAll(), QByteArray("PING"));
    peer->write("PP");
    QTRY_COMPARE_WITH_TIMEOUT(sink.commands.size(), 1, 5000);
    QVERIFY(sink.commands.first().startsWith("PINGRES "));
}

void tst_HutPing::probeTimerFollowsProbe()
{
    RecordingCommandSink sink;
    HutPing host(sink, 0);
    QVERIFY(host.OpenPingHost());
    HutPing client(sink, host.listeningPort());
    QVERIFY(!client.pingTimer().isActive());
    QCOMPARE(client.pingTimer().interval(), 2000);

    client.ConnectPingProbe("127.0.0.1");
    QTRY_VERIFY_WITH_TIMEOUT(client.pingTimer().isActive(), 5000);
    client.ClosePingProbe();
    QVERIFY(!client.PingProbeConnected());
    QVERIFY(!client.pingTimer().isActive());

    // A tick after the probe is no longer wanted stops the timer and sends nothing.
    client.tmrPing_Timer();
    QVERIFY(!client.pingTimer().isActive());
    QVERIFY(sink.commands.isEmpty());
}

void tst_HutPing::probeToClosedPortFailsQuietly()
{
    quint16 freePort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        freePort = probe.serverPort();
    }
    RecordingCommandSink sink;
    HutPing client(sink, freePort);
    client.ConnectPingProbe("127.0.0.1");
    QTRY_VERIFY_WITH_TIMEOUT(!client.probeOpen() && !client.pingTimer().isActive(), 5000);
    client.tmrPing_Timer(); // a send on the failed probe goes nowhere
    QVERIFY(sink.commands.isEmpty());
    QVERIFY(client.PingProbeConnected()); // only the user state clears it
}

void tst_HutPing::closeAllClearsBothEnds()
{
    RecordingCommandSink sink;
    HutPing host(sink, 0);
    QVERIFY(host.OpenPingHost());
    auto peer = connectTo(host.listeningPort());
    QVERIFY(peer->waitForConnected(5000));
    QTRY_COMPARE_WITH_TIMEOUT(host.busySlots(), 1, 5000);
    host.ConnectPingProbe("127.0.0.1");
    host.CloseAll();
    QVERIFY(!host.PingHostListening());
    QVERIFY(!host.PingProbeConnected());
    QCOMPARE(host.listeningPort(), quint16(0));
    QCOMPARE(host.busySlots(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(peer->state(), QAbstractSocket::UnconnectedState, 5000);
}

QTEST_GUILESS_MAIN(tst_HutPing)
#include "tst_hutping.moc"
