#include "core/util/Text.h"
#include "core/util/WinPath.h"
#include "tests/core/GameTestRig.h"
#include "tests/fixtures/FakeProcessTable.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace {

// Launches a host game on the rig and returns the index in the log where the
// end of the game will begin.
qsizetype launchHost(GameTestRig &rig)
{
    rig.dispatcher.dispatch(LobbyMessage("EAEXECHOST 4"));
    return rig.log.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Grows points.txt so that, with the end-of-game line still to come, it will
// be exactly `total` bytes long when the report is read.
void padPointsLog(GameTestRig &rig, qint64 total)
{
    const qint64 stopped = PointsLink::timeText().size() + qint64(sizeof(" Stopped playing")) - 1 + 2;
    const qint64 now = QFileInfo(rig.pointsFile()).size();
    const qint64 pad = total - now - stopped - 2;
    QVERIFY(pad >= 0);
    rig.points.appendLine(QByteArray(pad, 'x'));
}

QByteArray autoMessage(const QByteArray &text)
{
    return "SENDMSG " + Text::EncodeText(Text::BlanksToFreeText(text));
}

// An error window that notes what the timers did while it was open.
class TimerSnapshotReporter : public ErrorReporter
{
public:
    const GameWatch *watch = nullptr;
    QList<QString> methods;
    bool anyTimerActive = true;
    void ShowError(const Failure &, const QString &method) override
    {
        methods.append(method);
        anyTimerActive = watch->gamingTimer().isActive() || watch->joinTimer().isActive()
                         || watch->antiCheatTimer().isActive();
    }
};

} // namespace

class tst_GameWatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void idleWithoutTask_data();
    void idleWithoutTask();
    void runningGameArmsAntiCheat();
    void pointReport_data();
    void pointReport();
    void reportSendsNulAsBlank();
    void friendlyGame();
    void missingPointsFile();
    void restoresInOrder();
    void failurePath();
    void joinCheck_data();
    void joinCheck();
    void joinCheckNeverReadsADeadGame();
    void antiCheat();
    void antiCheatStopsWhenNotGaming();
    void patchWaitsForLateCode();
    void findsTheGameProcess_data();
    void findsTheGameProcess();
};

void tst_GameWatch::idleWithoutTask_data()
{
    QTest::addColumn<qint64>("taskId");
    QTest::newRow("0") << qint64(0);
    QTest::newRow("-1") << qint64(-1);
}

void tst_GameWatch::idleWithoutTask()
{
    QFETCH(qint64, taskId);
    GameTestRig rig;
    rig.setUpHut(true);
    rig.watch->armGaming(taskId);
    rig.watch->tmrGaming_Timer();
    QVERIFY(rig.log.isEmpty());
    QVERIFY(rig.watch->isWatching());
}

void tst_GameWatch::runningGameArmsAntiCheat()
{
    GameTestRig rig;
    rig.setUpHut(true);
    launchHost(rig);
    rig.log.clear();
    rig.watch->tmrGaming_Timer();
    QVERIFY(rig.watch->antiCheatTimer().isActive());
    QVERIFY(rig.log.isEmpty());
}

void tst_GameWatch::pointReport_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("cheat");
    QTest::addColumn<bool>("reportSent");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("chatMessage");
    QTest::newRow("201, fair") << qint64(201) << false << true << QByteArray("You won! Report sent to server!")
                               << QByteArray();
    QTest::newRow("200, fair") << qint64(200) << false << false
                               << QByteArray("You didn't win, better luck next time!") << QByteArray();
    QTest::newRow("201, cheat")
        << qint64(201) << true << false
        << QByteArray("You won, but you were so lame that you cheated. Your point report has been ignored and "
                      "this counts as a loss!")
        << autoMessage("Auto message: And remember, kids, only admins can prevent lame cheaters!");
    QTest::newRow("200, cheat")
        << qint64(200) << true << false
        << QByteArray("You lost, but you cheated as well. If you win while cheating, it will count as a loss!")
        << autoMessage("Auto message: Sometimes life just sucks for the cheaters who get caught..");
}

void tst_GameWatch::pointReport()
{
    QFETCH(qint64, size);
    QFETCH(bool, cheat);
    QFETCH(bool, reportSent);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, chatMessage);
    GameTestRig rig;
    rig.setUpHut(true);
    const qsizetype end = launchHost(rig);
    padPointsLog(rig, size);
    rig.state.Game.CheatDetected = cheat;
    rig.fakeStarter.exitGame();
    rig.watch->tmrGaming_Timer();

    const QList<QByteArray> after = rig.log.mid(end);
    QCOMPARE(after.value(0), QByteArray("BEIDLE"));
    QVERIFY(rig.chat.hasSystemMessage("Welcome back!"));
    if (reportSent) {
        QVERIFY(after.value(1).startsWith("POINTREPORT Game Start: "));
        QCOMPARE(after.value(1).size(), qsizetype(sizeof("POINTREPORT ") - 1 + size));
        QVERIFY(after.value(1).endsWith(" Stopped playing\r\n"));
        QCOMPARE(after.value(2), QByteArray("POPULOUS OFF"));
    } else {
        QCOMPARE(after.value(1), QByteArray("POINTREPORT NO"));
        int next = 2;
        if (!chatMessage.isEmpty())
            QCOMPARE(after.value(next++), chatMessage);
        QCOMPARE(after.value(next), QByteArray("POPULOUS OFF"));
    }
    QVERIFY(rig.chat.hasSystemMessage(status));
    // "POINTREPORT NO" comes before the status line that explains it.
    QVERIFY(rig.chat.systemMessages.indexOf(status) > rig.chat.systemMessages.indexOf("Welcome back!"));
    QVERIFY(!QFile::exists(rig.pointsFile()));
    QVERIFY(!rig.state.Game.GameRunning);
    QVERIFY(!rig.watch->isWatching());
    QVERIFY(!rig.watch->joinTimer().isActive());
    QVERIFY(!rig.watch->antiCheatTimer().isActive());
    QCOMPARE(rig.watch->GameTaskId(), qint64(0));
    QVERIFY(!rig.points.isListening());
}

void tst_GameWatch::reportSendsNulAsBlank()
{
    GameTestRig rig;
    rig.setUpHut(true);
    launchHost(rig);
    rig.points.appendLine(QByteArray("a\0b", 3) + QByteArray(300, 'y'));
    rig.fakeStarter.exitGame();
    rig.watch->tmrGaming_Timer();
    const QByteArray report = rig.commands.withWord("POINTREPORT").value(0);
    QVERIFY(report.contains("a b"));
    QVERIFY(!report.contains('\0'));
}

void tst_GameWatch::friendlyGame()
{
    GameTestRig rig;
    rig.setUpHut(true).Friendly = true;
    const qsizetype end = launchHost(rig);
    padPointsLog(rig, 500);
    rig.fakeStarter.exitGame();
    rig.watch->tmrGaming_Timer();
    const QList<QByteArray> after = rig.log.mid(end);
    QCOMPARE(after.mid(0, 3), (QList<QByteArray>{"BEIDLE", "POPULOUS OFF", "<events>"}));
    QVERIFY(rig.commands.withWord("POINTREPORT").isEmpty());
    QVERIFY(rig.chat.hasSystemMessage("Welcome back!"));
    QVERIFY(readFile(rig.pointsFile()).endsWith(" Stopped playing\r\n"));
}

void tst_GameWatch::missingPointsFile()
{
    GameTestRig rig;
    rig.setUpHut(true);
    const qsizetype end = launchHost(rig);
    QVERIFY(QFile::remove(rig.pointsFile()));
    rig.fakeStarter.exitGame();
    rig.watch->tmrGaming_Timer();
    const QList<QByteArray> after = rig.log.mid(end);
    QCOMPARE(after.mid(0, 2), (QList<QByteArray>{"BEIDLE", "POPULOUS OFF"}));
    QVERIFY(rig.chat.hasSystemMessage("Error occured,"));
    QVERIFY(after.contains("<RestoreMapBackup>"));
    QVERIFY(rig.errors.calls.isEmpty());
}

void tst_GameWatch::restoresInOrder()
{
    GameTestRig rig;
    rig.setUpHut(true).CustomPals = true;
    rig.state.Options.CustomRes = true;
    rig.state.Hut.HutMappackOn = false;
    rig.state.Game.ConstantsChanged = true;
    const qsizetype end = launchHost(rig);
    rig.fakeStarter.exitGame();
    rig.watch->tmrGaming_Timer();
    const QList<QByteArray> after = rig.log.mid(end);
    const qsizetype off = after.indexOf("POPULOUS OFF");
    QCOMPARE(after.mid(off + 1),
             (QList<QByteArray>{"<events>", "<RestorePaletteFiles>", "<RestoreLevelHeaderFiles>",
                                "<RestoreConstants>", "<RestoreModBackup>", "<RestoreMapBackup>",
                                "<PatchGameResolution>"}));
    QVERIFY(!rig.state.own()->CustomPals);
    QVERIFY(!rig.state.Game.ConstantsChanged);

    // With the hut's map pack installed and nothing custom: the journals, and
    // any palette files still saved before them.
    GameTestRig plain;
    plain.setUpHut(true);
    plain.state.Hut.HutMappackOn = true;
    const qsizetype plainEnd = launchHost(plain);
    plain.fakeStarter.exitGame();
    plain.watch->tmrGaming_Timer();
    const QList<QByteArray> plainAfter = plain.log.mid(plainEnd);
    QCOMPARE(plainAfter.mid(plainAfter.indexOf("POPULOUS OFF") + 1),
             (QList<QByteArray>{"<events>", "<RestorePaletteFiles>", "<RestoreModBackup>",
                                "<RestoreMapBackup>"}));
}

void tst_GameWatch::failurePath()
{
    TimerSnapshotReporter reporter;
    GameTestRig rig;
    GameWatch watch(rig.state, rig.commands, rig.chat, reporter, rig.fakeStarter, rig.fakeMemory, rig.points,
                    rig.services());
    reporter.watch = &watch;
    GameLaunch launch(rig.state, rig.commands, rig.chat, rig.fakeStarter, rig.points, watch);
    launch.setPointsPort(freeLoopbackPort());
    rig.setUpHut(true).CustomPals = true;
    rig.state.Hut.HutMappackOn = false;
    launch.EAEXECHOST(LobbyMessage("EAEXECHOST 4"));
    watch.tmrGaming_Timer(); // the game runs: the anti-cheat timer starts
    QVERIFY(watch.antiCheatTimer().isActive());
    const qsizetype end = rig.log.size();

    // points.txt is there but cannot be read.
    QVERIFY(QFile::remove(rig.pointsFile()));
    QVERIFY(QDir().mkpath(rig.pointsFile()));
    rig.fakeStarter.exitGame();
    watch.tmrGaming_Timer();

    QCOMPARE(reporter.methods, QList<QString>{"In Gaming Timer / Point Report"});
    QVERIFY(!reporter.anyTimerActive);
    const QList<QByteArray> after = rig.log.mid(end);
    QCOMPARE(after, (QList<QByteArray>{"BEIDLE", "BEIDLE", "<RestorePaletteFiles>", "<RestoreLevelHeaderFiles>",
                                       "<RestoreModBackup>", "<RestoreMapBackup>"}));
    QVERIFY(!rig.state.own()->CustomPals);
    QVERIFY(rig.chat.hasSystemMessage("Points Server Crashed - Error in Delivery"));
    QVERIFY(!rig.state.Game.GameRunning);
    QVERIFY(!rig.state.Game.GamePatched);
    QVERIFY(!watch.isWatching());
    QVERIFY(!rig.points.isListening());
}

void tst_GameWatch::joinCheck_data()
{
    QTest::addColumn<QByteArray>("exe");
    QTest::addColumn<quint64>("address");
    QTest::addColumn<int>("joinOnTick"); // 0: never
    QTest::newRow("software joins on tick 3") << QByteArray("poptb.exe") << quint64(0x87D29C) << 3;
    QTest::newRow("hardware joins on tick 1") << QByteArray("D3DPOPTB.EXE") << quint64(0x894D04) << 1;
    QTest::newRow("second byte only") << QByteArray("poptb.exe") << quint64(0x87D29D) << 5;
    QTest::newRow("never joins") << QByteArray("poptb.exe") << quint64(0x87D29C) << 0;
    QTest::newRow("hardware, software address") << QByteArray("d3dpoptb.exe") << quint64(0x87D29C) << 0;
}

void tst_GameWatch::joinCheck()
{
    QFETCH(QByteArray, exe);
    QFETCH(quint64, address);
    QFETCH(int, joinOnTick);
    GameTestRig rig;
    rig.state.Setup.GameExeName = exe;
    rig.setUpHut(false);
    rig.dispatcher.dispatch(LobbyMessage("EAEXECJOIN 4 203.0.113.9"));
    rig.commands.clear();
    for (int tick = 1; tick <= 6 && rig.watch->joinTimer().isActive(); ++tick) {
        if (tick == joinOnTick)
            rig.fakeMemory.set(address, "\x01");
        rig.watch->tmrJoinSuccess_Timer();
    }
    QVERIFY(!rig.watch->joinTimer().isActive());
    if (joinOnTick) {
        QCOMPARE(rig.commands.commands, QList<QByteArray>{"JOINSUCCESS"});
        QCOMPARE(rig.state.Game.JoinCheckTicks, joinOnTick);
        QVERIFY(rig.chat.hasSystemMessage("Join succeeded! notify server for next launch..."));
    } else {
        QCOMPARE(rig.commands.commands, QList<QByteArray>{"JOINFAILED"});
        QCOMPARE(rig.state.Game.JoinCheckTicks, 6);
        QCOMPARE(rig.chat.systemMessages.count("Trying to check join status..."), 5);
        QVERIFY(rig.chat.hasSystemMessage("Join failed (host can not accept connections), notify server about it..."));
    }
}

void tst_GameWatch::joinCheckNeverReadsADeadGame()
{
    GameTestRig rig;
    rig.setUpHut(true);
    launchHost(rig);
    rig.fakeMemory.set(0x87D29C, "\x01");
    rig.fakeStarter.exitGame();
    rig.watch->tmrJoinSuccess_Timer();
    QCOMPARE(rig.fakeMemory.reads, 0);
    QVERIFY(!rig.commands.contains("JOINSUCCESS"));
    // The end of the game stops the join check too.
    rig.watch->tmrGaming_Timer();
    QVERIFY(!rig.watch->joinTimer().isActive());
}

void tst_GameWatch::antiCheat()
{
    GameTestRig rig;
    rig.setUpHut(true).State = "GAMING";
    launchHost(rig);
    rig.fakeMemory.set(0x884BFA, QByteArray("\x80\x00", 2));
    rig.watch->tmrAntiCheat_Timer();
    QVERIFY(rig.state.Game.CheatDetected);
    QVERIFY(rig.state.Game.GamePatched);
    const qsizetype writes = rig.fakeMemory.writes.size();
    QCOMPARE(writes, 1 + 5); // the reset, then the five code runs
    rig.watch->tmrAntiCheat_Timer();
    QCOMPARE(rig.fakeMemory.writes.size(), writes); // patched once per game

    // A denied patch is tried again on the next tick, once per tick.
    GameTestRig denied;
    denied.setUpHut(true).State = "GAMING";
    launchHost(denied);
    denied.fakeMemory.denyWrite = true;
    denied.watch->tmrAntiCheat_Timer();
    QVERIFY(!denied.state.Game.GamePatched);
    denied.fakeMemory.denyWrite = false;
    denied.watch->tmrAntiCheat_Timer();
    QVERIFY(denied.state.Game.GamePatched);

    // Neither the watch nor the patch touches a game that has ended.
    GameTestRig ended;
    ended.setUpHut(true).State = "GAMING";
    launchHost(ended);
    ended.fakeStarter.exitGame();
    ended.watch->tmrAntiCheat_Timer();
    QCOMPARE(ended.fakeMemory.reads, 0);
    QVERIFY(ended.fakeMemory.writes.isEmpty());
}

void tst_GameWatch::antiCheatStopsWhenNotGaming()
{
    GameTestRig rig;
    rig.setUpHut(true).State = "GAMING";
    launchHost(rig);
    rig.watch->tmrGaming_Timer();
    QVERIFY(rig.watch->antiCheatTimer().isActive());
    rig.watch->tmrAntiCheat_Timer();
    QVERIFY(rig.state.Game.GamePatched);
    rig.state.own()->State = "HOST";
    rig.watch->tmrAntiCheat_Timer();
    QVERIFY(!rig.watch->antiCheatTimer().isActive());
    QVERIFY(!rig.state.Game.GamePatched);
}

void tst_GameWatch::patchWaitsForLateCode()
{
    // The loader holds the code range reserved past the first ticks.
    GameTestRig rig;
    rig.setUpHut(true).State = "GAMING";
    rig.fakeMemory.reserve(0x464000, 0x1000);
    launchHost(rig);
    for (int tick = 0; tick < 3; ++tick)
        rig.watch->tmrAntiCheat_Timer();
    QVERIFY(!rig.state.Game.GamePatched);
    QVERIFY(rig.fakeMemory.writes.isEmpty());

    rig.fakeMemory.mapOver(0x464000, 0x1000, char(0xCC));
    rig.watch->tmrAntiCheat_Timer();
    QVERIFY(rig.state.Game.GamePatched);
    QCOMPARE(rig.fakeMemory.writes.size(), 5);
    rig.watch->tmrAntiCheat_Timer();
    QCOMPARE(rig.fakeMemory.writes.size(), 5);

    // Mapped over once more: the next tick patches again.
    rig.fakeMemory.mapOver(0x464000, 0x1000, char(0xCC));
    rig.watch->tmrAntiCheat_Timer();
    QVERIFY(rig.state.Game.GamePatched);
    QCOMPARE(rig.fakeMemory.writes.size(), 10);
    QCOMPARE(rig.fakeMemory.byte(0x464CCF), quint8(0xCC));
    QCOMPARE(rig.fakeMemory.byte(0x464CCE), quint8(0x90));
}

void tst_GameWatch::findsTheGameProcess_data()
{
    // The started process is 4242, started at tick 100; another process maps
    // a file at an address from the moment it is listed.
    QTest::addColumn<bool>("heldMapsGame");
    QTest::addColumn<quint64>("otherStart");    // 0: no other process
    QTest::addColumn<QString>("otherFile");     // in the game folder
    QTest::addColumn<quint64>("otherAddress");
    QTest::addColumn<qint64>("expected");       // 0: none found
    QTest::newRow("started process maps the game") << true << quint64(0) << QString() << quint64(0) << qint64(4242);
    QTest::newRow("handed over to another process")
        << false << quint64(105) << "poptb.exe" << quint64(0x400000) << qint64(5000);
    QTest::newRow("held process wins") << true << quint64(105) << "poptb.exe" << quint64(0x400000) << qint64(4242);
    QTest::newRow("other process older than the launch")
        << false << quint64(99) << "poptb.exe" << quint64(0x400000) << qint64(0);
    QTest::newRow("executable at another address")
        << false << quint64(105) << "poptb.exe" << quint64(0x10000000) << qint64(0);
    QTest::newRow("another executable") << false << quint64(105) << "start.exe" << quint64(0x400000) << qint64(0);
    QTest::newRow("nothing maps the game") << false << quint64(0) << QString() << quint64(0) << qint64(0);
}

void tst_GameWatch::findsTheGameProcess()
{
    QFETCH(bool, heldMapsGame);
    QFETCH(quint64, otherStart);
    QFETCH(QString, otherFile);
    QFETCH(quint64, otherAddress);
    QFETCH(qint64, expected);
    GameTestRig rig;
    FakeProcessTable table;
    rig.watch->setProcessTable(&table);
    rig.watch->setSearchInterval(0);
    const QString game = GameFolder::resolve(rig.gameFolder(), QStringLiteral("poptb.exe"));
    table.addProcess(4242, 100);
    if (heldMapsGame)
        table.mapFile(4242, game, 0x400000);
    if (otherStart) {
        table.addProcess(5000, otherStart);
        table.mapFile(5000, GameFolder::resolve(rig.gameFolder(), otherFile), otherAddress);
    }
    rig.setUpHut(true).State = "GAMING";
    rig.fakeMemory.set(0x87D29C, "\x01");
    rig.fakeMemory.set(0x884BFA, QByteArray("\x80\x00", 2));
    launchHost(rig);
    rig.commands.clear();

    rig.watch->tmrAntiCheat_Timer();
    for (int tick = 1; tick <= 6 && rig.watch->joinTimer().isActive(); ++tick)
        rig.watch->tmrJoinSuccess_Timer();
    QCOMPARE(rig.watch->gameMemoryPid(), expected);
    const QByteArray notFound = "The game's process (poptb.exe) was not found: its join status and fair play "
                                "cannot be checked.";
    if (expected) {
        QCOMPARE(rig.commands.commands, QList<QByteArray>{"JOINSUCCESS"});
        QCOMPARE(rig.fakeMemory.lastReadPid, expected);
        QVERIFY(rig.state.Game.CheatDetected);
        QVERIFY(rig.state.Game.GamePatched);
        for (const FakeProcessMemory::Write &w : rig.fakeMemory.writes)
            QCOMPARE(w.pid, expected);
        QVERIFY(!rig.chat.hasSystemMessage(notFound));
    } else {
        // Neither the launcher nor a stranger is read or written.
        QCOMPARE(rig.commands.commands, QList<QByteArray>{"JOINFAILED"});
        QCOMPARE(rig.fakeMemory.reads, 0);
        QVERIFY(rig.fakeMemory.writes.isEmpty());
        QVERIFY(!rig.state.Game.CheatDetected);
        QCOMPARE(rig.chat.systemMessages.count(notFound), 1);
        QCOMPARE(rig.chat.systemMessages.last(), notFound);
    }
}

QTEST_GUILESS_MAIN(tst_GameWatch)
#include "tst_gamewatch.moc"
