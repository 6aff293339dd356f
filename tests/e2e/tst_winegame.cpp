// The game under real Wine. The client's game side (the real lobby
// connection, the game start with the launcher, process memory and process
// table, pack installs and palettes, the client's own timer intervals)
// against the Windows build of the fake game, in a prefix the test makes with
// wineboot and whose registry Wine's own "reg add" writes. The prefix is kept
// for every row, so the first row starts the game cold and the others warm.
#include "tests/e2e/GameFlowClient.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/ProcessMemoryProbe.h"
#include "tests/fixtures/WineTestPrefix.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace GameFlow;

namespace {

// What the test saw of one game, in milliseconds from the launch message.
struct Timeline
{
    qint64 imageMapped = -1;   // the game runs: its record says "mapped"
    qint64 codeMapped = -1;    // the late code arrived
    qint64 patched = -1;       // the watch counts the game patched
    qint64 joined = -1;        // "JOINSUCCESS" sent
    qint64 ended = -1;         // "POPULOUS OFF" sent
    bool otherProcess = false; // memory was read in a process other than the started one
};

Timeline watchGame(Client &client, LobbyServer &server, int timeoutMs)
{
    Timeline t;
    QElapsedTimer clock;
    clock.start();
    server.send(0, "EAEXECHOST 4");
    while (clock.elapsed() < timeoutMs) {
        QTest::qWait(10);
        const qint64 now = clock.elapsed();
        if (t.imageMapped < 0 && client.game().has(QStringLiteral("mapped")))
            t.imageMapped = now;
        if (t.codeMapped < 0 && client.game().has(QStringLiteral("code_mapped")))
            t.codeMapped = now;
        if (t.patched < 0 && client.state.Game.GamePatched) {
            t.patched = now;
            t.otherProcess = client.watch->gameMemoryPid() != client.state.Game.GamePid;
        }
        const QList<QByteArray> sent = server.messages(0);
        if (t.joined < 0 && sent.contains("JOINSUCCESS"))
            t.joined = now;
        if (sent.contains("POPULOUS OFF")) {
            t.ended = now;
            break;
        }
    }
    return t;
}

} // namespace

class tst_WineGame : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void hostGame_data();
    void hostGame();
    void cleanupTestCase();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<WineTestPrefix> m_prefix;
    QString m_gameFolder;
};

void tst_WineGame::initTestCase()
{
    if (WineTestPrefix::wine().isEmpty())
        QSKIP("wine is not installed");
    if (const QString why = WineTestPrefix::cannotRun32Bit(); !why.isEmpty())
        QSKIP(qPrintable(why));
    const QString windowsGame = FakeGameFolder::windowsFakeGamePath();
    if (windowsGame.isEmpty() || !QFile::exists(windowsGame))
        QFAIL("the Windows fake game is not built (mingw-w64 was missing when the tests were built)");
    if (memoryAccessDenied())
        QSKIP("the kernel denies access to another process's memory here (ptrace scope)");
    QVERIFY(m_dir.isValid());

    m_prefix = std::make_unique<WineTestPrefix>(m_dir.filePath(QStringLiteral("prefix")));
    m_prefix->enter();
    QString error;
    QElapsedTimer clock;
    clock.start();
    QVERIFY2(m_prefix->boot(240000, &error), qPrintable(error));
    qInfo("timing: first start of the prefix (wineboot --init): %lld ms", clock.restart());
    // As the game's 32-bit installer leaves it: the 32-bit view of the
    // registry, which a 64-bit prefix keeps under Wow6432Node.
    QVERIFY2(m_prefix->run({"reg", "add", "HKLM\\Software\\Bullfrog Productions Ltd\\Populous: The Beginning",
                            "/v", "InstallPath", "/t", "REG_SZ", "/d", "C:\\Games\\Populous", "/f", "/reg:32"},
                           60000, &error),
             qPrintable(error));
    qInfo("timing: reg add: %lld ms", clock.restart());
    QVERIFY2(m_prefix->waitForServer(120000, &error), qPrintable(error));
    qInfo("timing: wineserver -w (the keys reach system.reg): %lld ms", clock.restart());
    m_gameFolder = QDir(m_prefix->path()).filePath(QStringLiteral("drive_c/Games/Populous"));
    QVERIFY(QDir().mkpath(m_gameFolder));
}

void tst_WineGame::cleanupTestCase()
{
    m_prefix.reset(); // wineserver -k: no Wine process outlives the test
}

void tst_WineGame::hostGame_data()
{
    QTest::addColumn<QByteArray>("exe");
    QTest::addColumn<QString>("launcher");
    QTest::addColumn<GameSettings>("game");
    QTest::addColumn<int>("patchedBytes");
    QTest::addColumn<bool>("handedOver");

    // The first join tick comes 5 s after the launch: the game joins before
    // it and plays past the second tick, in case a loaded machine starts it
    // late.
    const GameSettings plays{{"join_delay_ms", "300"}, {"payload", "GAME RESULT "},
                             {"payload_size", "400"}, {"exit_after_ms", "10500"}};
    QTest::newRow("wine") << QByteArray("poptb.exe") << "wine" << plays << 77 << false;
    // The code arrives well after the first anti-cheat tick (about 1.1 s).
    GameSettings lateCode = plays;
    lateCode["code_delay_ms"] = "2500";
    QTest::newRow("wine, late code mapping") << QByteArray("poptb.exe") << "wine" << lateCode << 77 << false;
    // wine64 holds start.exe, which starts the 32-bit game as another process.
    QTest::newRow("wine64") << QByteArray("d3dpoptb.exe") << "wine64" << plays << 87 << true;
}

void tst_WineGame::hostGame()
{
    QFETCH(QByteArray, exe);
    QFETCH(QString, launcher);
    QFETCH(GameSettings, game);
    QFETCH(int, patchedBytes);
    QFETCH(bool, handedOver);
    if (launcher == QLatin1String("wine64")) {
        launcher = WineTestPrefix::wine64();
        if (launcher.isEmpty())
            QSKIP("wine64 is not installed");
    }

    QDir(m_gameFolder).removeRecursively();
    QVERIFY(QDir().mkpath(m_gameFolder));
    LobbyServer server;
    QVERIFY(server.listen());
    Client client(exe, launcher, m_prefix->path());
    QCOMPARE(QFileInfo(client.state.Setup.GamePath).canonicalFilePath(), QFileInfo(m_gameFolder).canonicalFilePath());
    client.watch->setIntervals(GameWatch::GamingInterval, GameWatch::JoinInterval, GameWatch::AntiCheatInterval);
    const HutPacks packs = prepareGameFolder(client.files);
    QVERIFY(client.game().install(QString::fromLatin1(exe), game, FakeGameFolder::windowsFakeGamePath()));
    client.connection.connectToServer(LobbyServer::host(), server.port());
    QVERIFY(server.waitForMessage(0, "VERSION 10"));
    hostOwnHut(client, packs);
    const Snapshot before = snapshot(client.state.Setup.GamePath);

    const Timeline t = watchGame(client, server, 90000);
    qInfo("timing: %s: image mapped %lld ms, code mapped %lld ms, patched %lld ms, JOINSUCCESS %lld ms, "
          "POPULOUS OFF %lld ms after the launch",
          QTest::currentDataTag(), t.imageMapped, t.codeMapped, t.patched, t.joined, t.ended);
    QVERIFY2(t.ended >= 0, qPrintable(client.game().record().join(QLatin1Char('|'))));
    QTRY_VERIFY_WITH_TIMEOUT(!client.state.Game.GameRunning, 10000);

    const QList<QByteArray> sent = server.messages(0);
    if (afterRunComm(only(sent, Milestones)).value(1) != "JOINSUCCESS") {
        qWarning() << "game record:" << client.game().record();
        qWarning() << "status lines:" << client.chat.systemMessages;
    }
    QCOMPARE(afterRunComm(only(sent, Milestones)),
             (QList<QByteArray>{"POPULOUS ON", "JOINSUCCESS", "BEIDLE", "POINTREPORT <report>", "POPULOUS OFF"}));
    QCOMPARE(client.game().values("arg"),
             (QStringList{"/h", "tcp", "/n4", "/dIP127.0.0.1:" + QString::number(client.launch->pointsPort()),
                          "/boundip", "127.0.0.1", "/externip", "127.0.0.1"}));
    QCOMPARE(client.game().value("cwd").toLower(), QStringLiteral("c:\\games\\populous"));
    QCOMPARE(client.game().value("patched").toInt(), patchedBytes);
    QCOMPARE(client.game().value("exit"), QStringLiteral("0"));
    QVERIFY(client.game().value("answer").startsWith(QLatin1String("OK")));
    QCOMPARE(t.otherProcess, handedOver);
    // The patch waits for the code; both may be seen in the same poll.
    if (game.contains("code_delay_ms"))
        QVERIFY(t.codeMapped >= 0 && t.patched >= t.codeMapped);

    const QByteArray report = sent[sent.indexOf("POPULOUS OFF") - 1];
    QVERIFY(report.startsWith("POINTREPORT Game Start: "));
    QVERIFY(report.contains("(GAME RESULT GAME RESULT"));
    QVERIFY(report.endsWith(" Stopped playing\r\n"));
    QVERIFY(!QFile::exists(client.watch->pointsFile()));
    QVERIFY(!client.watch->isWatching());
    // The game folder is exactly as it was.
    QCOMPARE(difference(before, snapshot(client.state.Setup.GamePath)), QString());
}

QTEST_MAIN(tst_WineGame)
#include "tst_winegame.moc"
