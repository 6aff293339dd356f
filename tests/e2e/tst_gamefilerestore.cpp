// The three ways the game's files are put back after a game with a mod pack
// that brings its own palette file and custom tribe colours: the end of the
// game, a point report that cannot be read, and the next start of the client
// program after the client was killed during the game. In every case the
// game folder ends byte for byte as it was before the launch: the palette
// saved before patching is the mod pack's copy, so the palettes must go back
// before the mod pack's journal puts the original over it.
#include "core/util/Ini.h"
#include "core/util/SettingsKeys.h"
#include "tests/e2e/GameFlowClient.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/ProcessMemoryProbe.h"
#include "tests/fixtures/WebHost.h"

#include <QProcess>
#include <QScopeGuard>
#include <QtTest>
#include <csignal>
#include <sys/types.h>

using namespace GameFlow;

namespace {

enum class Ending { GameEnds, ReportUnreadable, ClientKilled };

// The mod pack: a texture and its own copy of the first palette file.
QByteArray addPaletteModpack(Fixture &f)
{
    return f.addModpack("palettes.kaf",
                        {{"modpack.txt", "creator\r\ntitle\r\nEXTRASRC: foo.dat\r\nDEST:     sound\\foo.dat\r\n"
                                         "EXTRASRC: pal0-0.dat\r\nDEST:     data\\pal0-0.dat\r\n"},
                         {"foo.dat", filler('7', 300)},
                         {"pal0-0.dat", filler('m', 1024)}});
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Ending)

class tst_GameFileRestore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void gameFolderAsBefore_data();
    void gameFolderAsBefore();

private:
    QString m_skip;
};

void tst_GameFileRestore::initTestCase()
{
    if (!FakeGameFolder::available())
        m_skip = QStringLiteral("the fake game is not built");
    else if (memoryAccessDenied())
        m_skip = QStringLiteral("the kernel denies access to another process's memory here (ptrace scope)");
}

void tst_GameFileRestore::gameFolderAsBefore_data()
{
    QTest::addColumn<Ending>("ending");
    QTest::newRow("end of the game") << Ending::GameEnds;
    QTest::newRow("point report fails") << Ending::ReportUnreadable;
    QTest::newRow("client killed, started again") << Ending::ClientKilled;
}

void tst_GameFileRestore::gameFolderAsBefore()
{
    QFETCH(Ending, ending);
    if (!m_skip.isEmpty())
        QSKIP(qPrintable(m_skip));

    LobbyServer server;
    QVERIFY(server.listen());
    Client client("poptb.exe");
    HutPacks packs = prepareGameFolder(client.files);
    packs.modpack = addPaletteModpack(client.files);
    const QString exitAfter = ending == Ending::ClientKilled ? QStringLiteral("120000") : QStringLiteral("3000");
    QVERIFY(client.game().install(QStringLiteral("poptb.exe"),
                                  {{"join_delay_ms", "50"}, {"payload", "GAME RESULT "}, {"payload_size", "400"},
                                   {"exit_after_ms", exitAfter}}));
    client.connection.connectToServer(LobbyServer::host(), server.port());
    QVERIFY(server.waitForMessage(0, "VERSION 10"));
    hostOwnHut(client, packs);
    const QString game = client.files.setup.GamePath;
    const QString program = client.files.setup.ProgramFolder;
    const Snapshot before = snapshot(game);
    const QByteArray originalPalette = readAll(QDir(game).filePath("data/pal0-0.dat"));

    server.send(0, "EAEXECHOST 4");
    QVERIFY(server.waitForMessage(0, "POPULOUS ON", 20000));
    // While the game runs: the mod pack's palette, patched with the colours,
    // and the palette backup holds the mod pack's copy, not the original.
    QVERIFY(readAll(QDir(game).filePath("data/pal0-0.dat")) != originalPalette);
    QCOMPARE(readAll(QDir(program).filePath("palbackup/pal0-0.dat")), filler('m', 1024));
    QVERIFY(QFile::exists(QDir(program).filePath("pal.dat")));

    switch (ending) {
    case Ending::GameEnds:
        QVERIFY(server.waitForMessage(0, "POPULOUS OFF", 20000));
        break;
    case Ending::ReportUnreadable:
        // points.txt is there when the game ends, but cannot be read.
        QVERIFY(QFile::remove(client.watch->pointsFile()));
        QVERIFY(QDir().mkpath(client.watch->pointsFile()));
        QTRY_VERIFY_WITH_TIMEOUT(client.chat.hasSystemMessage("Points Server Crashed - Error in Delivery"), 20000);
        QCOMPARE(client.errors.calls.size(), 1);
        QVERIFY(!server.messages(0).contains("POPULOUS OFF"));
        break;
    case Ending::ClientKilled: {
        // What a kill leaves: the watch and the launch are gone without any
        // end of the game, then the game goes too.
        const qint64 gamePid = client.state.Game.GamePid;
        client.launch.reset();
        client.watch.reset();
        QVERIFY(gamePid > 0);
        ::kill(pid_t(gamePid), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(!client.starter.isRunning(gamePid), 10000);
        QVERIFY(difference(before, snapshot(game)) != QString());

        // The client program starts on the same folders and restores before
        // its login window; it is ended once the game folder is back.
        WebHost web;
        QVERIFY(web.listen());
        web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://127.0.0.1/none.zip\r\n");
        Ini::WriteIni(SettingsKeys::QxIniPath(program), "general", "webhost", web.hostAndPort());
        QFile::link(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), QDir(program).filePath("skins"));
        QProcess zorbel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZORBEL_HOME"), program);
        env.insert(QStringLiteral("WINEPREFIX"), QDir(client.files.root.path()).filePath("prefix"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        zorbel.setProcessEnvironment(env);
        zorbel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        zorbel.start(QStringLiteral(ZORBEL_CLIENT_PATH), QStringList());
        const auto end = qScopeGuard([&zorbel] {
            zorbel.kill();
            zorbel.waitForFinished(10000);
        });
        QVERIFY(zorbel.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(difference(before, snapshot(game)).isEmpty()
                                     && !QFile::exists(QDir(program).filePath("pal.dat")),
                                 60000);
        break;
    }
    }

    QCOMPARE(difference(before, snapshot(game)), QString());
    QCOMPARE(readAll(QDir(game).filePath("data/pal0-0.dat")), originalPalette);
    QVERIFY(!QFile::exists(QDir(program).filePath("pal.dat")));
    QVERIFY(QDir(QDir(program).filePath("palbackup")).entryList(QDir::Files).isEmpty());
}

QTEST_MAIN(tst_GameFileRestore)
#include "tst_gamefilerestore.moc"
