#include "core/PointsLink.h"
#include <QTcpServer>

#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QByteArray> lines(const QString &path)
{
    QList<QByteArray> out = readFile(path).split('\n');
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    for (QByteArray &line : out)
        line.chop(1); // the CR
    return out;
}

bool connectGame(QTcpSocket &socket, quint16 port)
{
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(5000);
}

} // namespace

class tst_PointsLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordsTheGameTraffic();
    void listensOnLoopbackOnly();
    void secondConnectionIsRefused();
    void logIsCapped();
    void portTakenIsReported();
};

void tst_PointsLink::recordsTheGameTraffic()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("points.txt");
    PointsLink link;
    QVERIFY(link.StartPointsLog(file, 0));
    QTcpSocket game;
    QVERIFY(connectGame(game, link.listeningPort()));
    QTRY_VERIFY_WITH_TIMEOUT(link.gameConnected(), 5000);
    game.write("\x41\x0D\x42");
    QTRY_COMPARE_WITH_TIMEOUT(game.bytesAvailable(), qint64(2), 5000);
    QCOMPARE(game.readAll(), QByteArray("OK"));
    game.disconnectFromHost();
    QTRY_VERIFY_WITH_TIMEOUT(!link.gameConnected(), 5000);
    link.appendLine(PointsLink::timeText() + " Stopped playing", true);
    link.closeSockets();
    link.closeLog();

    const QList<QByteArray> got = lines(file);
    QCOMPARE(got.size(), 6);
    QVERIFY(got[0].startsWith("Game Start: "));
    QCOMPARE(got[1], QByteArray("Populous asked for connection!"));
    QCOMPARE(got[2], QByteArray("Connected!"));
    QCOMPARE(got[3], QByteArray("REC: 41 0D 42 (A B)"));
    QVERIFY(got[4].endsWith(" Connection closed!"));
    QVERIFY(got[5].endsWith(" Stopped playing"));
    QVERIFY(readFile(file).endsWith("\r\n"));
}

void tst_PointsLink::listensOnLoopbackOnly()
{
    QTemporaryDir dir;
    PointsLink link;
    QVERIFY(link.StartPointsLog(dir.filePath("points.txt"), 0));
    QTcpServer *server = link.findChild<QTcpServer *>();
    QVERIFY(server);
    QCOMPARE(server->serverAddress(), QHostAddress(QHostAddress::LocalHost));
}

void tst_PointsLink::secondConnectionIsRefused()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("points.txt");
    PointsLink link;
    QVERIFY(link.StartPointsLog(file, 0));
    QTcpSocket first, second;
    QVERIFY(connectGame(first, link.listeningPort()));
    QTRY_VERIFY_WITH_TIMEOUT(link.gameConnected(), 5000);
    QVERIFY(connectGame(second, link.listeningPort()));
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QAbstractSocket::UnconnectedState, 5000);
    first.write("x");
    QTRY_COMPARE_WITH_TIMEOUT(first.bytesAvailable(), qint64(2), 5000);
    QCOMPARE(readFile(file).count("Populous asked for connection!"), 2);
    QCOMPARE(readFile(file).count("Connected!"), 1);
}

void tst_PointsLink::logIsCapped()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("points.txt");
    PointsLink link;
    QVERIFY(link.StartPointsLog(file, 0));
    QTcpSocket game;
    QVERIFY(connectGame(game, link.listeningPort()));
    const QByteArray chunk(1000, 'z');
    for (int i = 0; i < 120; ++i) {
        game.write(chunk);
        QVERIFY(game.waitForBytesWritten(5000));
        // One arrival at a time, so each gets its own answer.
        QTRY_VERIFY_WITH_TIMEOUT(game.bytesAvailable() >= 2 * (i + 1), 5000);
    }
    link.appendLine(PointsLink::timeText() + " Stopped playing", true);
    link.closeLog();
    const QByteArray text = readFile(file);
    QVERIFY(text.size() <= PointsLink::MaxLogSize);
    QVERIFY(text.size() > PointsLink::MaxLogSize - 5000);
    QCOMPARE(text.count("Points log full"), 1);
    QVERIFY(text.endsWith(" Stopped playing\r\n"));
    QCOMPARE(game.readAll(), QByteArray("OK").repeated(120)); // still answered
}

void tst_PointsLink::portTakenIsReported()
{
    QTemporaryDir dir;
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
    PointsLink link;
    QVERIFY(!link.StartPointsLog(dir.filePath("points.txt"), holder.serverPort()));
    QVERIFY(link.isLogOpen()); // the log still runs
    QVERIFY(!link.isListening());
}

QTEST_GUILESS_MAIN(tst_PointsLink)
#include "tst_pointslink.moc"
