// The three ways the game's files are put back after a game with a mod pack
// that brings its own palette file and custom tribe colours: the end of the
// game, a point report that cannot be read, and the next start of the client
// program after the client was killed during the game. In every case the
// game folder ends byte for byte as it was before the launch: the palette
// saved before patching is the mod pack's copy, so the palettes must go back
// before the mod pack's journal puts the original over it.
#include "core/util/Ini.h"
#include "core/util/Text.h"
#include "core/util/SettingsKeys.h"
#include "tests/e2e/GameFlowClient.h"
#include "tests/fixtures/FreePort.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/ProcessMemoryProbe.h"
#include "tests/fixtures/WebHost.h"

#include <QProcess>
#include <QTcpSocket>
#include <QtEndian>
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

// One key press and release on the screen of a client program run on Qt's
// VNC platform (the protocol's version 3.3, no authentication): how the test
// types into the real client's login window.
bool pressKey(quint16 vncPort, quint32 keysym)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, vncPort);
    if (!s.waitForConnected(5000))
        return false;
    const auto take = [&s](qint64 n) {
        while (s.bytesAvailable() < n) {
            if (!s.waitForReadyRead(5000))
                return QByteArray();
        }
        return s.read(n);
    };
    if (!take(12).startsWith("RFB "))
        return false;
    s.write("RFB 003.003\n");
    if (take(4) != QByteArray("\0\0\0\1", 4))
        return false;
    s.write("\1", 1); // shared
    const QByteArray init = take(24);
    if (init.size() != 24 || take(qFromBigEndian<quint32>(init.constData() + 20)).isNull())
        return false;
    for (const char down : {'\1', '\0'}) {
        char event[8] = {4, down, 0, 0, 0, 0, 0, 0};
        qToBigEndian<quint32>(keysym, event + 4);
        s.write(event, 8);
    }
    s.flush();
    s.waitForBytesWritten(5000);
    // The server reads the events before it sees the connection go.
    QTest::qWait(200);
    return true;
}

// The processes whose parent is `pid`.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> out;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 child = entry.toLongLong(&number);
        if (!number)
            continue;
        const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(child));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == pid)
            out.append(child);
    }
    return out;
}

// The client program on the given folders; `vncPort` 0 runs it off screen.
void startClient(QProcess &zorbel, const QString &program, const QString &prefix, quint16 vncPort)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZORBEL_HOME"), program);
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    env.insert(QStringLiteral("ZORBEL_TEST_POINTS_PORT"), QString::number(freePort()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               vncPort ? QStringLiteral("vnc:size=1024x768:port=%1").arg(vncPort) : QStringLiteral("offscreen"));
    zorbel.setProcessEnvironment(env);
    zorbel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    zorbel.start(QStringLiteral(ZORBEL_CLIENT_PATH), QStringList());
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
    void journalsWaitForThePalettes();

private:
    void killClientProgramDuringTheGame(Client &files, const HutPacks &packs, const QByteArray &originalPalette);
    QString m_skip;
};

void tst_GameFileRestore::initTestCase()
{
    m_skip = fakeGameUnavailable();
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
    Client client("d3dpoptb.exe"); // the executable the folders' settings name
    HutPacks packs = prepareGameFolder(client.files);
    packs.modpack = addPaletteModpack(client.files);
    const QString exitAfter = ending == Ending::ClientKilled ? QStringLiteral("120000") : QStringLiteral("3000");
    QVERIFY(client.game().install(QStringLiteral("d3dpoptb.exe"),
                                  {{"join_delay_ms", "50"}, {"payload", "GAME RESULT "}, {"payload_size", "400"},
                                   {"exit_after_ms", exitAfter}}));
    if (ending != Ending::ClientKilled) {
        client.connection.connectToServer(LobbyServer::host(), server.port());
        QVERIFY(server.waitForMessage(0, "VERSION 10"));
        hostOwnHut(client, packs);
    }
    const QString game = client.files.setup.GamePath;
    const QString program = client.files.setup.ProgramFolder;
    const Snapshot before = snapshot(game);
    const QByteArray originalPalette = readAll(QDir(game).filePath("data/pal0-0.dat"));

    if (ending == Ending::ClientKilled) {
        killClientProgramDuringTheGame(client, packs, originalPalette);
        if (QTest::currentTestFailed())
            return;
    } else {
        server.send(0, "EAEXECHOST 4");
        QVERIFY(server.waitForMessage(0, "POPULOUS ON", 20000));
        // While the game runs: the mod pack's palette, patched with the
        // colours, and the palette backup holds the mod pack's copy.
        QVERIFY(readAll(QDir(game).filePath("data/pal0-0.dat")) != originalPalette);
        QCOMPARE(readAll(QDir(program).filePath("palbackup/pal0-0.dat")), filler('m', 1024));
        QVERIFY(QFile::exists(QDir(program).filePath("pal.dat")));
        if (ending == Ending::GameEnds) {
            QVERIFY(server.waitForMessage(0, "POPULOUS OFF", 20000));
        } else {
            // points.txt is there when the game ends, but cannot be read.
            QVERIFY(QFile::remove(client.watch->pointsFile()));
            QVERIFY(QDir().mkpath(client.watch->pointsFile()));
            QTRY_VERIFY_WITH_TIMEOUT(client.chat.hasSystemMessage("Points Server Crashed - Error in Delivery"),
                                     20000);
            QCOMPARE(client.errors.calls.size(), 1);
            QVERIFY(!server.messages(0).contains("POPULOUS OFF"));
        }
    }

    QCOMPARE(difference(before, snapshot(game)), QString());
    QCOMPARE(readAll(QDir(game).filePath("data/pal0-0.dat")), originalPalette);
    QVERIFY(!QFile::exists(QDir(program).filePath("pal.dat")));
    QVERIFY(QDir(QDir(program).filePath("palbackup")).entryList(QDir::Files).isEmpty());
}

// The client program on the test's scripted lobby and web host: the first
// lobby connection is client 0 (slot 1), the next client 1 (slot 2), ...
struct ClientProgram
{
    QString program;
    QString prefix;
    LobbyServer lobby;
    WebHost web;
    QProcess zorbel;
    int sessions = 0;

    ~ClientProgram() { stop(); }

    bool setUp(const Client &files)
    {
        program = files.files.setup.ProgramFolder;
        prefix = QDir(files.files.root.path()).filePath("prefix");
        if (!lobby.listen() || !web.listen())
            return false;
        lobby.actAsSimpleLobby();
        web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://127.0.0.1/none.zip\r\n");
        web.serve("/qxserver/list.php",
                  "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
        const QString ini = SettingsKeys::QxIniPath(program);
        Ini::WriteIni(ini, "general", "webhost", web.hostAndPort());
        Ini::WriteIni(ini, "paths", "launcher", QByteArray()); // the fake game runs as it is
        SettingsKeys::write(ini, SettingsKeys::UserName, "killed_kim");
        SettingsKeys::write(ini, SettingsKeys::UserPassword, Text::EncodeText("x"));
        return QFile::link(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), QDir(program).filePath("skins"));
    }

    void stop()
    {
        if (zorbel.state() != QProcess::NotRunning) {
            zorbel.kill();
            zorbel.waitForFinished(10000);
        }
    }

    // Starts the program; it restores before its login window, which asks
    // for the server list. `vncPort` 0 runs it off screen.
    bool start(quint16 vncPort)
    {
        const int listed = web.requestCount("/qxserver/list.php");
        startClient(zorbel, program, prefix, vncPort);
        return zorbel.waitForStarted(10000)
            && QTest::qWaitFor([&] { return web.requestCount("/qxserver/list.php") > listed; }, 60000);
    }

    // Enter in the user name field logs in; the client number of the session.
    int logIn(quint16 vncPort)
    {
        const int client = sessions;
        for (int tries = 0; tries < 5 && lobby.clientCount() <= client; ++tries) {
            if (!pressKey(vncPort, 0xFF0D))
                return -1;
            if (QTest::qWaitFor([&] { return lobby.clientCount() > client; }, 3000))
                break;
        }
        if (!lobby.waitForMessage(client, "USERLIST", 10000))
            return -1;
        ++sessions;
        return client;
    }

    // A host with a hut that uses these packs and custom colours; the program
    // is placed in it and told to launch. True once the game runs.
    bool joinHutAndLaunch(int client, const HutPacks &packs)
    {
        const QByteArray own = QByteArray::number(client + 1);
        const QByteArray host = QByteArray::number(client + 100);
        lobby.send(client, "USER " + host + " hosting_hal 127.0.0.1 user 1002 00-00-00-00-00-02");
        lobby.send(client, "USERSTATE " + host + " HOST");
        lobby.send(client, "USERSTATE " + own + " CLIENT " + host + " 1");
        if (!packs.mappack.isEmpty())
            lobby.send(client, "MAPPACK " + host + ' ' + packs.mappack);
        lobby.send(client, "MODPACK " + host + ' ' + packs.modpack);
        lobby.send(client, "USECUSTOMPALS " + host + " TRUE");
        lobby.send(client, "BLUE " + own + ' ' + host + " 255 255 255 255 255 255 255 255");
        if (!lobby.waitForMessage(client, "MODPACKOK TRUE", 10000)
            || (!packs.mappack.isEmpty() && !lobby.waitForMessage(client, "MAPPACKOK TRUE", 10000)))
            return false;
        lobby.send(client, "EAEXECJOIN 4 127.0.0.1");
        return lobby.waitForMessage(client, "POPULOUS ON", 30000);
    }

    // The game's processes: the program's children.
    QList<qint64> game() { return childrenOf(zorbel.processId()); }

    static bool killAll(const QList<qint64> &processes)
    {
        for (const qint64 pid : processes)
            ::kill(pid_t(pid), SIGKILL);
        return QTest::qWaitFor([&] {
            for (const qint64 pid : processes) {
                if (QFileInfo::exists(QStringLiteral("/proc/%1/exe").arg(pid)))
                    return false;
            }
            return true;
        }, 10000);
    }

    // kill -9 during the game; the game, its child, goes too.
    bool killDuringTheGame()
    {
        const QList<qint64> children = game();
        if (children.isEmpty())
            return false;
        ::kill(pid_t(zorbel.processId()), SIGKILL);
        return zorbel.waitForFinished(10000) && killAll(children);
    }
};

// The client program logs in to the scripted lobby, joins a hut with the mod
// pack and custom colours, launches the game and is killed (SIGKILL) while
// the game runs; the game is killed too. Then the program is started again on
// the same folders: it restores before its login window, and is ended once
// the palette marker is gone.
void tst_GameFileRestore::killClientProgramDuringTheGame(Client &files, const HutPacks &packs,
                                                         const QByteArray &originalPalette)
{
    const QString program = files.files.setup.ProgramFolder;
    const QString game = files.files.setup.GamePath;
    ClientProgram zorbel;
    QVERIFY(zorbel.setUp(files));
    const quint16 vncPort = freePort();
    QVERIFY(zorbel.start(vncPort));
    const int client = zorbel.logIn(vncPort);
    QVERIFY(client >= 0);
    QVERIFY2(zorbel.joinHutAndLaunch(client, {QByteArray(), packs.modpack}),
             qPrintable(QString::fromLatin1(zorbel.lobby.messages(client).join(" | "))));
    QVERIFY(readAll(QDir(game).filePath("data/pal0-0.dat")) != originalPalette);
    QCOMPARE(readAll(QDir(program).filePath("palbackup/pal0-0.dat")), filler('m', 1024));
    QVERIFY(zorbel.killDuringTheGame());
    QVERIFY(QFile::exists(QDir(program).filePath("pal.dat")));

    // Started again: everything goes back before the login window.
    QVERIFY(zorbel.start(0));
    QVERIFY(!QFile::exists(QDir(program).filePath("pal.dat")));
    QVERIFY(!QFile::exists(QDir(program).filePath("modbackup/backup.txt")));
}

void tst_GameFileRestore::journalsWaitForThePalettes()
{
    if (!m_skip.isEmpty())
        QSKIP(qPrintable(m_skip));
    Client files("d3dpoptb.exe");
    HutPacks packs = prepareGameFolder(files.files);
    packs.modpack = addPaletteModpack(files.files);
    QVERIFY(files.game().install(QStringLiteral("d3dpoptb.exe"),
                                 {{"join_delay_ms", "50"}, {"exit_after_ms", "120000"}}));
    const QString game = files.files.setup.GamePath;
    const QString program = files.files.setup.ProgramFolder;
    const Snapshot before = snapshot(game);
    const QString palette = QDir(game).filePath("data/pal0-0.dat");

    // Killed during a game with the palette-carrying mod pack and colours.
    ClientProgram zorbel;
    QVERIFY(zorbel.setUp(files));
    const quint16 vncPort = freePort();
    QVERIFY(zorbel.start(vncPort));
    int client = zorbel.logIn(vncPort);
    QVERIFY(client >= 0);
    QVERIFY(zorbel.joinHutAndLaunch(client, {QByteArray(), packs.modpack}));
    QVERIFY(zorbel.killDuringTheGame());
    const QByteArray journals = readAll(QDir(program).filePath("modbackup/backup.txt"));
    QVERIFY(!journals.isEmpty());

    // The saved palette cannot go back: a folder stands where it belongs.
    const QString aside = QDir(files.files.root.path()).filePath("pal0-0.aside");
    QVERIFY(QFile::rename(palette, aside));
    QVERIFY(QDir().mkdir(palette));
    const auto waiting = [&] {
        return QFile::exists(QDir(program).filePath("pal.dat"))
            && readAll(QDir(program).filePath("modbackup/backup.txt")) == journals
            && !QFile::exists(QDir(program).filePath("backup/backup.txt"))
            && QFileInfo::exists(QDir(program).filePath("palbackup/pal0-0.dat"));
    };

    // Started again: nothing is replayed; a game with both packs and the
    // colours runs without the packs and ends; nothing is replayed either.
    QVERIFY(zorbel.start(vncPort));
    QVERIFY(waiting());
    client = zorbel.logIn(vncPort);
    QVERIFY(client >= 0);
    QVERIFY2(zorbel.joinHutAndLaunch(client, packs),
             qPrintable(QString::fromLatin1(zorbel.lobby.messages(client).join(" | "))));
    QVERIFY(!zorbel.lobby.messages(client).contains("MODBACKUP"));
    QVERIFY(!zorbel.lobby.messages(client).contains("BACKUP"));
    QVERIFY(waiting());
    QVERIFY(ClientProgram::killAll(zorbel.game()));
    QVERIFY(zorbel.lobby.waitForMessage(client, "BEIDLE", 20000));
    // The end of the game runs in one go; the close that follows comes after it.
    ::kill(pid_t(zorbel.zorbel.processId()), SIGTERM);
    QVERIFY(zorbel.zorbel.waitForFinished(20000));
    QVERIFY(waiting());

    // The folder goes; the next start puts everything back.
    QVERIFY(QDir().rmdir(palette));
    QVERIFY(QFile::rename(aside, palette));
    QVERIFY(zorbel.start(0));
    QCOMPARE(difference(before, snapshot(game)), QString());
    QVERIFY(!QFile::exists(QDir(program).filePath("pal.dat")));
    QVERIFY(QDir(QDir(program).filePath("palbackup")).entryList(QDir::Files).isEmpty());
    QVERIFY(!QFile::exists(QDir(program).filePath("modbackup/backup.txt")));
    QVERIFY(!QFile::exists(QDir(program).filePath("backup/backup.txt")));
}

QTEST_MAIN(tst_GameFileRestore)
#include "tst_gamefilerestore.moc"
