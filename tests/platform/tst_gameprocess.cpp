#include "core/util/Ini.h"
#include "platform/LinuxGameStarter.h"
#include "platform/LinuxProcessMemory.h"
#include "platform/LinuxProcessTable.h"
#include "tests/fixtures/FakeGameFolder.h"

#include <QDir>
#include <cerrno>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Field 4 of /proc/<pid>/stat.
qint64 parentOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
}

// The processes started since `since` that map `exe` at the game's base.
QList<qint64> mappingTheGame(const LinuxProcessTable &table, quint64 since, const QString &exe)
{
    QList<qint64> found;
    for (const ProcessTable::Process &p : table.processesSince(since)) {
        if (table.mapsFileAt(p.pid, exe, 0x400000))
            found.append(p.pid);
    }
    return found;
}
} // namespace

// The real game start and process memory, against the fake game.
class tst_GameProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void launcherSetting_data();
    void launcherSetting();
    void startsDirectlyWithArgumentsInGameFolder();
    void launcherGoesInFront();
    void missingExecutableFails();
    void readsAndWritesGameMemory_data();
    void readsAndWritesGameMemory();
    void endedProcessIsNotRunning();
    void otherPidIsNeverRunning();
    void deniedAccessIsAFailure();
    void processTableSeesTheGame();
    void handedOverGameIsAnotherProcess();
    void reservedCodeCannotBeRead();
};

void tst_GameProcess::launcherSetting_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("launcher");
    QTest::newRow("no file") << QByteArray() << "wine";
    QTest::newRow("no key") << QByteArray("[SECTION=PATHS]\r\nEXEFILE=poptb.exe\r\n[EOS]\r\n") << "wine";
    QTest::newRow("empty key") << QByteArray("[SECTION=PATHS]\r\nLAUNCHER=\r\n[EOS]\r\n") << "";
    QTest::newRow("empty key, other section")
        << QByteArray("[SECTION=OPTIONS]\r\nLAUNCHER=\r\n[EOS]\r\n") << "wine";
    QTest::newRow("own launcher")
        << QByteArray("[SECTION=PATHS]\r\nLAUNCHER=/usr/bin/wine64\r\n[EOS]\r\n") << "/usr/bin/wine64";
}

void tst_GameProcess::launcherSetting()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, launcher);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("qx.ini"));
    if (!ini.isNull()) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini);
    }
    QCOMPARE(LinuxGameStarter::launcherFromSettings(file), launcher);
}

void tst_GameProcess::startsDirectlyWithArgumentsInGameFolder()
{
    if (!FakeGameFolder::available())
        QSKIP("the fake game is not built");
    QTemporaryDir dir;
    FakeGameFolder game(dir.filePath(QStringLiteral("Pop TB")), dir.path());
    QVERIFY(game.install(QStringLiteral("poptb.exe"), {{"exit_after_ms", "100"}, {"exit_code", "7"}}));
    const QString before = QDir::currentPath();
    LinuxGameStarter starter(QString{});
    const QString exe = QDir(game.folder()).filePath(QStringLiteral("poptb.exe"));
    // An argument with blanks or shell characters reaches the game unchanged.
    const QStringList args{"/h", "tcp", "/n4", "$(touch x); 'a b'"};
    const GameStarter::Started started = starter.start(exe, args, game.folder());
    QVERIFY2(started.ok, qPrintable(started.error));
    QVERIFY(started.pid > 0);
    QTRY_VERIFY_WITH_TIMEOUT(game.finished(), 10000);
    QCOMPARE(game.values("arg"), args);
    QCOMPARE(game.value("cwd"), QDir(game.folder()).canonicalPath());
    QVERIFY(!QFile::exists(QDir(game.folder()).filePath("x")));
    QCOMPARE(QDir::currentPath(), before); // the client's own folder never changes
}

void tst_GameProcess::launcherGoesInFront()
{
    if (!FakeGameFolder::available())
        QSKIP("the fake game is not built");
    QTemporaryDir dir;
    FakeGameFolder game(dir.filePath(QStringLiteral("game")), dir.path());
    QVERIFY(game.install(QStringLiteral("poptb.exe"), {{"exit_after_ms", "50"}}));
    // "env" runs the executable it is given, as wine would.
    const QString before = QDir::currentPath();
    LinuxGameStarter starter(QStringLiteral("env FAKE=1"));
    const GameStarter::Started started =
        starter.start(QDir(game.folder()).filePath("poptb.exe"), {"/j", "tcp"}, game.folder());
    QVERIFY2(started.ok, qPrintable(started.error));
    QTRY_VERIFY_WITH_TIMEOUT(game.finished(), 10000);
    QCOMPARE(game.values("arg"), (QStringList{"/j", "tcp"}));
    QCOMPARE(QDir::currentPath(), before);
}

void tst_GameProcess::missingExecutableFails()
{
    QTemporaryDir dir;
    LinuxGameStarter direct(QString{});
    const GameStarter::Started a = direct.start(dir.filePath("poptb.exe"), {}, dir.path());
    QVERIFY(!a.ok);
    QVERIFY(!a.error.isEmpty());
    LinuxGameStarter wine(QStringLiteral("wine"));
    QVERIFY(!wine.start(dir.filePath("poptb.exe"), {}, dir.path()).ok);
    QVERIFY(!direct.isRunning(-1));

    // The executable is there, the launcher is not.
    QFile exe(dir.filePath("poptb.exe"));
    QVERIFY(exe.open(QIODevice::WriteOnly));
    exe.close();
    LinuxGameStarter noLauncher(QStringLiteral("/nonexistent/zorbel-wine"));
    const GameStarter::Started b = noLauncher.start(dir.filePath("poptb.exe"), {}, dir.path());
    QVERIFY(!b.ok);
    QVERIFY(!b.error.isEmpty());
}

void tst_GameProcess::readsAndWritesGameMemory_data()
{
    QTest::addColumn<QString>("exeName");
    QTest::addColumn<quint64>("joinAddress");
    QTest::newRow("software") << "poptb.exe" << quint64(0x87D29C);
    QTest::newRow("hardware") << "d3dpoptb.exe" << quint64(0x894D04);
}

void tst_GameProcess::readsAndWritesGameMemory()
{
    QFETCH(QString, exeName);
    QFETCH(quint64, joinAddress);
    if (!FakeGameFolder::available())
        QSKIP("the fake game is not built");
    QTemporaryDir dir;
    FakeGameFolder game(dir.filePath("game"), dir.path());
    QVERIFY(game.install(exeName, {{"join_delay_ms", "100"}, {"exit_after_ms", "3000"}}));
    LinuxGameStarter starter(QString{});
    const GameStarter::Started started =
        starter.start(QDir(game.folder()).filePath(exeName), {}, game.folder());
    QVERIFY(started.ok);
    QTRY_VERIFY_WITH_TIMEOUT(game.has("mapped"), 10000);

    LinuxProcessMemory memory;
    QByteArray bytes;
    if (!memory.read(started.pid, joinAddress, 2, &bytes) && memory.lastError() == EPERM)
        QSKIP("the kernel denies access to another process's memory here (ptrace scope)");
    QTRY_VERIFY_WITH_TIMEOUT(memory.read(started.pid, joinAddress, 2, &bytes) && bytes != QByteArray(2, '\0'),
                             5000);
    QVERIFY(starter.isRunning(started.pid));

    // The code page is read-only inside the game; the write still lands.
    QVERIFY(memory.write(started.pid, 0x464BCE, QByteArray(3, char(0x90))));
    QVERIFY(memory.read(started.pid, 0x464BCD, 5, &bytes));
    QCOMPARE(bytes, QByteArray::fromHex("cc909090cc"));
    // An unmapped address is a failed read, not a crash.
    QVERIFY(!memory.read(started.pid, 0x1000, 2, &bytes));
    QVERIFY(!memory.write(started.pid, 0x1000, "xx"));
}

void tst_GameProcess::endedProcessIsNotRunning()
{
    if (!FakeGameFolder::available())
        QSKIP("the fake game is not built");
    QTemporaryDir dir;
    FakeGameFolder game(dir.filePath("game"), dir.path());
    QVERIFY(game.install("poptb.exe", {{"exit_after_ms", "200"}}));
    LinuxGameStarter starter(QString{});
    const GameStarter::Started started = starter.start(QDir(game.folder()).filePath("poptb.exe"), {}, game.folder());
    QVERIFY(started.ok);
    QVERIFY(starter.isRunning(started.pid));
    QTRY_VERIFY_WITH_TIMEOUT(!starter.isRunning(started.pid), 10000);
}

void tst_GameProcess::otherPidIsNeverRunning()
{
    LinuxGameStarter starter(QString{});
    // Our own process runs, but it is not the game this starter started.
    QVERIFY(!starter.isRunning(QCoreApplication::applicationPid()));
    QVERIFY(!starter.isRunning(0));
}

void tst_GameProcess::deniedAccessIsAFailure()
{
    LinuxProcessMemory memory;
    QByteArray bytes = "keep";
    // pid 1 is not ours to read when we lack the right; either way no crash,
    // and a process that does not exist is a plain failure.
    QVERIFY(!memory.read(999999999, 0x87D29C, 2, &bytes));
    QCOMPARE(bytes, QByteArray("keep"));
    QVERIFY(!memory.write(999999999, 0x87D29C, "\x01\x00"));
    QVERIFY(memory.lastError() != 0);
    QVERIFY(!memory.read(-1, 0, 2, &bytes));
}

void tst_GameProcess::processTableSeesTheGame()
{
    if (!FakeGameFolder::available())
        QSKIP("the fake game is not built");
    QTemporaryDir dir;
    FakeGameFolder game(dir.filePath("Pop TB (1)"), dir.path());
    QVERIFY(game.install("poptb.exe", {{"exit_after_ms", "3000"}}));
    const QString exe = QDir(game.folder()).filePath("poptb.exe");
    LinuxGameStarter starter(QString{});
    const GameStarter::Started started = starter.start(exe, {}, game.folder());
    QVERIFY(started.ok);
    QTRY_VERIFY_WITH_TIMEOUT(game.has("mapped"), 10000);

    LinuxProcessTable table;
    const quint64 since = table.startTime(started.pid);
    QVERIFY(since > 0);
    QVERIFY(table.mapsFileAt(started.pid, exe, 0x400000));
    QVERIFY(!table.mapsFileAt(started.pid, exe, 0x401000));
    QVERIFY(!table.mapsFileAt(started.pid, QDir(game.folder()).filePath("fakegame.ini"), 0x400000));
    QVERIFY(!table.mapsFileAt(started.pid, QDir(game.folder()).filePath("missing.exe"), 0x400000));
    // Through another spelling of the same file.
    QVERIFY(table.mapsFileAt(started.pid, QDir(game.folder()).filePath("../Pop TB (1)/poptb.exe"), 0x400000));
    QCOMPARE(mappingTheGame(table, since, exe), QList<qint64>{started.pid});
    bool self = false;
    for (const ProcessTable::Process &p : table.processesSince(0))
        self = self || p.pid == QCoreApplication::applicationPid();
    QVERIFY(self);
    QVERIFY(mappingTheGame(table, since + 100000000, exe).isEmpty()); // started later than the game

    QTRY_VERIFY_WITH_TIMEOUT(!starter.isRunning(started.pid), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(table.startTime(started.pid), quint64(0), 10000);
    QVERIFY(!table.mapsFileAt(started.pid, exe, 0x400000));
    QCOMPARE(table.startTime(-1), quint64(0));
}

void tst_GameProcess::handedOverGameIsAnotherProcess()
{
    if (!FakeGameFolder::available())
        QSKIP("the fake game is not built");
    QTemporaryDir dir;
    FakeGameFolder game(dir.filePath("game"), dir.path());
    QVERIFY(game.install("poptb.exe", {{"handover", "1"}, {"exit_after_ms", "1500"}, {"exit_code", "7"}}));
    const QString exe = QDir(game.folder()).filePath("poptb.exe");
    QProcess launcher;
    launcher.setProgram(exe);
    launcher.setWorkingDirectory(game.folder());
    launcher.start();
    QVERIFY(launcher.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(game.has("mapped"), 10000);

    LinuxProcessTable table;
    const qint64 held = launcher.processId();
    QVERIFY(!table.mapsFileAt(held, exe, 0x400000));
    const QList<qint64> games = mappingTheGame(table, table.startTime(held), exe);
    QCOMPARE(games.size(), 1);
    QVERIFY(games[0] != held);
    QVERIFY(parentOf(games[0]) != held);
    QVERIFY(parentOf(games[0]) != QCoreApplication::applicationPid());

    // The launcher lives as long as the game and passes its exit code on.
    QVERIFY(launcher.waitForFinished(10000));
    QCOMPARE(launcher.exitCode(), 7);
    QVERIFY(game.has("handed_over"));
    QCOMPARE(game.value("exit"), QStringLiteral("7"));
}

void tst_GameProcess::reservedCodeCannotBeRead()
{
    if (!FakeGameFolder::available())
        QSKIP("the fake game is not built");
    QTemporaryDir dir;
    FakeGameFolder game(dir.filePath("game"), dir.path());
    QVERIFY(game.install("poptb.exe", {{"code_delay_ms", "2500"}, {"exit_after_ms", "3500"}}));
    LinuxGameStarter starter(QString{});
    const GameStarter::Started started =
        starter.start(QDir(game.folder()).filePath("poptb.exe"), {}, game.folder());
    QVERIFY(started.ok);
    QTRY_VERIFY_WITH_TIMEOUT(game.has("mapped"), 10000);
    LinuxProcessMemory memory;
    QByteArray bytes;
    QVERIFY(memory.read(started.pid, 0x87D29C, 2, &bytes)); // data is there
    if (game.has("code_mapped"))
        QSKIP("the machine was too slow to see the reservation");
    // While the loader holds the code range, reads fail; a write may well
    // "succeed" and is then lost when the code is mapped over it.
    QVERIFY(!memory.read(started.pid, 0x464BCE, 1, &bytes));
    memory.write(started.pid, 0x464BCE, QByteArray(1, char(0x90)));
    QTRY_VERIFY_WITH_TIMEOUT(game.has("code_mapped"), 10000);
    QVERIFY(memory.read(started.pid, 0x464BCD, 3, &bytes));
    QCOMPARE(bytes, QByteArray::fromHex("cccccc"));
    QTRY_VERIFY_WITH_TIMEOUT(game.finished(), 10000);
    QCOMPARE(game.value("patched"), QStringLiteral("0"));
}

QTEST_GUILESS_MAIN(tst_GameProcess)
#include "tst_gameprocess.moc"
