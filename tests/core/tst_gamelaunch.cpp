#include "tests/core/GameTestRig.h"

#include <QFile>
#include <QtTest>

class tst_GameLaunch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandLine_data();
    void commandLine();
    void hostLaunchOrder();
    void joinLaunchOrder();
    void pendingColoursGoFirst_data();
    void pendingColoursGoFirst();
    void palettesAndHeaderBackup_data();
    void palettesAndHeaderBackup();
    void warpHost();
    void gameThatCannotStart_data();
    void gameThatCannotStart();
    void secondLaunchIsIgnored();
    void pointsLogIsStartedAfresh();
    void gameEndingWhileLaunching();
};

void tst_GameLaunch::commandLine_data()
{
    QTest::addColumn<bool>("host");
    QTest::addColumn<QByteArray>("word1");
    QTest::addColumn<QByteArray>("word2");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("host")
        << true << QByteArray("4") << QByteArray()
        << QByteArray("C:\\Game\\poptb.exe /h tcp /n4 /dIP127.0.0.1:7589 /boundip 192.0.2.5 /externip 198.51.100.4");
    QTest::newRow("join")
        << false << QByteArray("4") << QByteArray("203.0.113.9")
        << QByteArray("C:\\Game\\poptb.exe /j tcp 203.0.113.9 /n4 /dIP127.0.0.1:7589 /boundip 192.0.2.5 /externip 198.51.100.4");
    QTest::newRow("empty word 1")
        << true << QByteArray() << QByteArray()
        << QByteArray("C:\\Game\\poptb.exe /h tcp /n /dIP127.0.0.1:7589 /boundip 192.0.2.5 /externip 198.51.100.4");
    QTest::newRow("words verbatim")
        << false << QByteArray("x\xff;") << QByteArray("\"a\"")
        << QByteArray("C:\\Game\\poptb.exe /j tcp \"a\" /nx\xff; /dIP127.0.0.1:7589 /boundip 192.0.2.5 /externip 198.51.100.4");
}

void tst_GameLaunch::commandLine()
{
    QFETCH(bool, host);
    QFETCH(QByteArray, word1);
    QFETCH(QByteArray, word2);
    QFETCH(QByteArray, expected);
    GameLaunch::CommandLineParts parts;
    parts.exePath = "C:\\Game\\poptb.exe";
    parts.host = host;
    parts.word1 = word1;
    parts.word2 = word2;
    parts.localIP = "192.0.2.5";
    parts.externalIP = "198.51.100.4";
    QCOMPARE(GameLaunch::GameCommandLine(parts), expected);
}

void tst_GameLaunch::hostLaunchOrder()
{
    GameTestRig rig;
    UserRecord &own = rig.setUpHut(true);
    own.CustomPals = true;
    rig.state.Hut.HutMappackOn = false;
    rig.dispatcher.dispatch(LobbyMessage("EAEXECHOST 4"));

    const QByteArray commandLine = "C:\\Games\\Populous\\poptb.exe /h tcp /n4 /dIP127.0.0.1:" + rig.portText()
                                   + " /boundip 192.0.2.5 /externip 198.51.100.4";
    const QList<QByteArray> expected{
        "<ClosePingHost>",
        "PATH C:\\Games\\Populous",
        "APPPATH " + rig.clientFolder().toLocal8Bit(),
        "INSTALLING!",
        "<InstallMappack 1234ABCD>",
        "<InstallModpack OFF>",
        "<InstallTribePalettes>",
        "<BackupPackLevelHeaders>",
        "<events>",
        "BEGAMING",
        "EXEFILE C:\\Games\\Populous\\poptb.exe",
        "RUNCOMM " + commandLine,
        "POPULOUS ON",
        "<events>",
        "<HideGamePanel>",
    };
    QCOMPARE(rig.log, expected);
    QVERIFY(rig.chat.hasSystemMessage("Setting Up Tribe Colors.."));

    QCOMPARE(rig.fakeStarter.calls.size(), 1);
    const FakeGameStarter::Call call = rig.fakeStarter.calls.first();
    QCOMPARE(call.executable, QDir(rig.gameFolder()).filePath("poptb.exe"));
    QCOMPARE(call.workingFolder, rig.gameFolder());
    QCOMPARE(call.arguments, (QStringList{"/h", "tcp", "/n4", "/dIP127.0.0.1:" + QString::fromLatin1(rig.portText()),
                                          "/boundip", "192.0.2.5", "/externip", "198.51.100.4"}));

    const GameState &game = rig.state.Game;
    QCOMPARE(game.GamePid, qint64(4242));
    QCOMPARE(rig.watch->GameTaskId(), qint64(4242));
    QVERIFY(game.GameRunning);
    QCOMPARE(game.GameRole, QByteArray("HOST"));
    QCOMPARE(game.GameMappack, QByteArray("1234ABCD"));
    QCOMPARE(game.GameModpack, QByteArray("OFF"));
    QCOMPARE(game.JoinCheckTicks, 0);
    QVERIFY(!game.CheatDetected);
    QVERIFY(rig.watch->gamingTimer().isActive());
    QVERIFY(rig.watch->joinTimer().isActive());
    QVERIFY(!rig.watch->antiCheatTimer().isActive());
    QVERIFY(rig.points.isListening());
    QCOMPARE(rig.points.listeningPort(), rig.launch->pointsPort());
    QCOMPARE(game.PointsLogFile, rig.pointsFile());
    QFile log(rig.pointsFile());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().startsWith("Game Start: "));
}

void tst_GameLaunch::pendingColoursGoFirst_data()
{
    QTest::addColumn<bool>("host");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("host") << true << QByteArray("EAEXECHOST 4");
    QTest::newRow("joiner") << false << QByteArray("EAEXECJOIN 4 203.0.113.9");
}

// Colours the editor still holds back go out before any launch command.
void tst_GameLaunch::pendingColoursGoFirst()
{
    QFETCH(bool, host);
    QFETCH(QByteArray, message);
    GameTestRig rig;
    rig.setUpHut(host).CustomPals = true;
    rig.watch->services().FlushTribeColours = [&rig] { rig.log.append("<FlushTribeColours>"); };
    rig.dispatcher.dispatch(LobbyMessage(message));
    QCOMPARE(rig.log.value(0), QByteArray("<FlushTribeColours>"));
    QCOMPARE(rig.log.count("<FlushTribeColours>"), 1);
    QVERIFY(rig.log.indexOf("PATH C:\\Games\\Populous") > 0);
}

void tst_GameLaunch::joinLaunchOrder()
{
    GameTestRig rig;
    UserRecord &own = rig.setUpHut(false);
    own.CustomPals = false;
    rig.state.Users.at(GameTestRig::HostSlot)->CustomPals = true; // the own record decides
    rig.state.Hut.HutMappackOn = true;
    rig.dispatcher.dispatch(LobbyMessage("EAEXECJOIN 4 203.0.113.9"));

    const QByteArray commandLine = "C:\\Games\\Populous\\poptb.exe /j tcp 203.0.113.9 /n4 /dIP127.0.0.1:"
                                   + rig.portText() + " /boundip 192.0.2.5 /externip 198.51.100.4";
    const QList<QByteArray> expected{
        "<ClosePingProbe>",
        "PATH C:\\Games\\Populous",
        "APPPATH " + rig.clientFolder().toLocal8Bit(),
        "<InstallMappack 1234ABCD>", // the host's packs
        "<InstallModpack OFF>",
        "BEGAMING",
        "EXEFILE C:\\Games\\Populous\\poptb.exe",
        "RUNCOMM " + commandLine,
        "POPULOUS ON",
        "<HideGamePanel>",
    };
    QCOMPARE(rig.log, expected);
    QCOMPARE(rig.state.Game.GameRole, QByteArray("CLIENT"));
    QCOMPARE(rig.state.Game.GameMappack, QByteArray("1234ABCD"));
    QVERIFY(rig.watch->joinTimer().isActive());
    QVERIFY(!rig.chat.hasSystemMessage("Setting Up Tribe Colors.."));
}

void tst_GameLaunch::palettesAndHeaderBackup_data()
{
    QTest::addColumn<bool>("customPals");
    QTest::addColumn<bool>("hutMappackOn");
    QTest::newRow("palettes, no pack") << true << false;
    QTest::newRow("palettes, pack") << true << true;
    QTest::newRow("no palettes, no pack") << false << false;
    QTest::newRow("no palettes, pack") << false << true;
}

void tst_GameLaunch::palettesAndHeaderBackup()
{
    QFETCH(bool, customPals);
    QFETCH(bool, hutMappackOn);
    GameTestRig rig;
    rig.setUpHut(true).CustomPals = customPals;
    rig.state.Hut.HutMappackOn = hutMappackOn;
    rig.dispatcher.dispatch(LobbyMessage("EAEXECHOST 4"));
    QCOMPARE(rig.log.contains("<InstallTribePalettes>"), customPals);
    QCOMPARE(rig.log.contains("<BackupPackLevelHeaders>"), !hutMappackOn);
}

// The hut turns into a warp hut while the host's own game runs; the warp
// message then closes the ping host and announces the game, and leaves the
// running game and its watch alone.
void tst_GameLaunch::warpHost()
{
    GameTestRig rig;
    rig.setUpHut(true);
    rig.dispatcher.dispatch(LobbyMessage("EAEXECHOST 4"));
    QVERIFY(rig.state.Game.GameRunning);
    QVERIFY(rig.watch->isWatching());
    rig.state.own()->State = "WARPHOST";
    rig.log.clear();
    rig.chat.clear();
    rig.dispatcher.dispatch(LobbyMessage("EAEXECHOSTWARP"));
    QCOMPARE(rig.log, (QList<QByteArray>{"<ClosePingHost>", "<events>", "BEGAMING"}));
    QVERIFY(rig.chat.systemMessages.isEmpty());
    QCOMPARE(rig.fakeStarter.calls.size(), 1);
    QVERIFY(rig.state.Game.GameRunning);
    QVERIFY(rig.watch->isWatching());
    QVERIFY(rig.watch->gamingTimer().isActive());
    QCOMPARE(rig.state.Game.GamePid, qint64(4242));
    QCOMPARE(rig.state.Game.GameRole, QByteArray("HOST"));
    QVERIFY(rig.points.isListening());
}

void tst_GameLaunch::gameThatCannotStart_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("starterFails");
    QTest::addColumn<bool>("startTried");
    QTest::addColumn<bool>("gameFolderKnown");
    QTest::newRow("start fails") << QByteArray("EAEXECHOST 4") << true << true << true;
    QTest::newRow("word 1 missing") << QByteArray("EAEXECHOST") << false << false << true;
    QTest::newRow("join word 2 missing") << QByteArray("EAEXECJOIN 4") << false << false << true;
    QTest::newRow("game folder unknown") << QByteArray("EAEXECHOST 4") << false << false << false;
}

void tst_GameLaunch::gameThatCannotStart()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, starterFails);
    QFETCH(bool, startTried);
    QFETCH(bool, gameFolderKnown);
    GameTestRig rig;
    rig.setUpHut(message.startsWith("EAEXECHOST")).CustomPals = true;
    rig.fakeStarter.failStart = starterFails;
    if (!gameFolderKnown) {
        rig.state.Setup.GamePath.clear();
        rig.state.Setup.GameInstalled = false;
    }
    rig.dispatcher.dispatch(LobbyMessage(message));

    QCOMPARE(rig.fakeStarter.calls.size(), startTried ? 1 : 0);
    QVERIFY(!rig.commands.contains("POPULOUS ON"));
    const qsizetype runcomm = rig.log.indexOf(rig.commands.withWord("RUNCOMM").value(0));
    QVERIFY(runcomm > 0);
    QCOMPARE(rig.log.mid(runcomm + 1),
             (QList<QByteArray>{"<RestorePaletteFiles>", "<RestoreLevelHeaderFiles>", "<RestoreModBackup>",
                                "<RestoreMapBackup>", "BEIDLE"}));
    QVERIFY(rig.chat.hasSystemMessage("The game could not be started: "
                                      + (gameFolderKnown ? QDir(rig.gameFolder()).filePath("poptb.exe").toLocal8Bit()
                                                         : QByteArray("poptb.exe"))));
    QCOMPARE(rig.state.Game.GamePid, qint64(-1));
    QVERIFY(!rig.state.Game.GameRunning);
    QVERIFY(!rig.state.own()->CustomPals);
    QVERIFY(!rig.watch->isWatching()); // the client may exit
    QVERIFY(!rig.watch->joinTimer().isActive());
    QVERIFY(!rig.points.isListening());
    QVERIFY(!rig.points.isLogOpen());

    // A later launch works again.
    rig.fakeStarter.failStart = false;
    rig.state.Setup.GamePath = rig.gameFolder();
    rig.log.clear();
    rig.dispatcher.dispatch(LobbyMessage("EAEXECHOST 4"));
    QVERIFY(rig.commands.contains("POPULOUS ON"));
}

void tst_GameLaunch::secondLaunchIsIgnored()
{
    GameTestRig rig;
    rig.setUpHut(true);
    rig.dispatcher.dispatch(LobbyMessage("EAEXECHOST 4"));
    QVERIFY(rig.state.Game.GameRunning);
    rig.log.clear();
    rig.chat.clear();
    for (const char *again : {"EAEXECHOST 5", "EAEXECJOIN 4 203.0.113.9"})
        rig.dispatcher.dispatch(LobbyMessage(again));
    QVERIFY(rig.log.isEmpty());
    QCOMPARE(rig.fakeStarter.calls.size(), 1);
    QCOMPARE(rig.chat.systemMessages.size(), 2);
    QVERIFY(rig.chat.hasSystemMessage("already running"));
}

void tst_GameLaunch::pointsLogIsStartedAfresh()
{
    GameTestRig rig;
    rig.setUpHut(true);
    QVERIFY(rig.launch->StartPointsLog(rig.launch->pointsPort()));
    rig.points.appendLine("first game's traffic");
    rig.state.Game.CheatDetected = true;
    QVERIFY(rig.launch->StartPointsLog(rig.launch->pointsPort()));
    QVERIFY(!rig.state.Game.CheatDetected);
    QFile log(rig.pointsFile());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY(text.startsWith("Game Start: "));
    QVERIFY(text.endsWith("\r\n"));
    QCOMPARE(text.count("\r\n"), 1);
}

void tst_GameLaunch::gameEndingWhileLaunching()
{
    GameTestRig rig;
    rig.setUpHut(true);
    int pauses = 0;
    // The game dies at once, and the watch sees it in the launch's last pause.
    rig.watch->services().ProcessEvents = [&] {
        if (++pauses == 2) {
            rig.fakeStarter.exitGame();
            rig.watch->tmrGaming_Timer();
        }
    };
    rig.dispatcher.dispatch(LobbyMessage("EAEXECHOST 4"));
    QCOMPARE(pauses, 3); // the launch's two, the end of the game's one
    QVERIFY(rig.commands.contains("POPULOUS OFF"));
    QVERIFY(!rig.state.Game.GameRunning);
    QVERIFY(!rig.watch->joinTimer().isActive());
    QVERIFY(!rig.watch->isWatching());
}

QTEST_GUILESS_MAIN(tst_GameLaunch)
#include "tst_gamelaunch.moc"
