#include "core/util/Ini.h"
#include "platform/LinuxGameStarter.h"
#include "platform/LinuxProcessMemory.h"
#include "tests/fixtures/FakeGameFolder.h"

#include <QDir>
#include <cerrno>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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

QTEST_GUILESS_MAIN(tst_GameProcess)
#include "tst_gameprocess.moc"
