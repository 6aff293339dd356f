// Two clients and the development lobby's hut logic on loopback, from hosting
// a hut to the restored game folders: one hosts a hut with a map pack, a mod
// pack and custom tribe colours, the other joins; the host launches, both
// install the packs and palettes and start the fake game, the games report
// their joins, send traffic and end, both clients report and put the game
// folders back byte for byte. Each client has its own points port (test only:
// one machine cannot hold 127.0.0.1:7589 twice); the hut ping uses a free port.
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/FindGamePath.h"
#include "core/GameLaunch.h"
#include "core/GameWatch.h"
#include "core/Huts.h"
#include "core/LobbyConnection.h"
#include "core/LobbyEvents.h"
#include "core/LobbyProtocol.h"
#include "core/PointsLink.h"
#include "core/UserStateHandlers.h"
#include "core/util/Ini.h"
#include "core/util/SettingsKeys.h"
#include "packs/PackInstaller.h"
#include "packs/TribePalettes.h"
#include "platform/LinuxGameStarter.h"
#include "platform/LinuxProcessMemory.h"
#include "platform/WineRegistry.h"
#include "tests/e2e/HutWiring.h"
#include "tests/e2e/PackGameServices.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/FakeErrorReporter.h"
#include "tests/fixtures/FakeGameFolder.h"
#include "tests/fixtures/FakeMacAddress.h"
#include "tests/fixtures/FreePort.h"
#include "tests/fixtures/HutLobby.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/ProcessMemoryProbe.h"
#include "tests/fixtures/WebHost.h"
#include "tests/fixtures/WinePrefix.h"
#include "tests/packs/InstallFixture.h"

#include <QtTest>
#include <memory>

using namespace InstallTest;

namespace {

struct Client
{
    Fixture files;
    ClientState state;
    Dispatcher dispatcher;
    LobbyEvents events;
    LobbyConnection connection{state, dispatcher};
    FakeMacAddress mac{QByteArray("\x00\x16\x3e\x01\x02\x03", 6)};
    LobbyProtocol protocol{state, connection, mac};
    FakeDialogs dialogs;
    UserStateHandlers userState{state, connection, events};
    FakeErrorReporter errors;
    LinuxGameStarter starter{QString()};
    LinuxProcessMemory memory;
    PointsLink points;
    std::unique_ptr<Huts> huts;
    std::unique_ptr<PackInstaller> installer;
    std::unique_ptr<GameWatch> watch;
    std::unique_ptr<GameLaunch> launch;
    std::unique_ptr<FakeGameFolder> game;

    Client(const QByteArray &name, const QByteArray &exeName, quint16 pingPort, const QByteArray &webHost)
    {
        // The game folder of a Wine prefix, found through its system.reg.
        FindGamePath(WineRegistry(makeWinePrefix(files.root.path())), dialogs, files.setup);
        files.setup.GameExeName = exeName;
        state.Setup = files.setup;
        state.CurrentUser.Name = name;
        state.CurrentUser.PasswordHash = "0123456789abcdef0123456789abcdef";
        Ini::WriteIni(SettingsKeys::QxIniPath(state.Setup.ProgramFolder), "general", "webhost", webHost);
        game = std::make_unique<FakeGameFolder>(state.Setup.GamePath, files.root.path());

        startHuts(*this, files.packs, files.chat, pingPort);

        installer = std::make_unique<PackInstaller>(state.Setup, files.packs, connection, files.chat);
        GameServices s = packGameServices(state, *installer, huts->colours, files.chat);
        s.ClosePingHost = [this] { huts->ping.ClosePingHost(); };
        s.ClosePingProbe = [this] { huts->ping.ClosePingProbe(); };
        s.HideGamePanel = [this] { huts->panels.update([](HutPanels::State &p) { p.frmGameVisible = false; }); };
        s.LocalIP = [this] { return connection.LocalIP(); };
        watch = std::make_unique<GameWatch>(state, connection, files.chat, errors, starter, memory, points, s);
        watch->setIntervals(100, 400, 20); // six join ticks outlast a slow start
        launch = std::make_unique<GameLaunch>(state, connection, files.chat, starter, points, *watch);
        launch->setPointsPort(freePort());
        launch->registerHandlers(dispatcher);
    }

    const UserRecord *user(qint32 slot) const { return state.Users.at(slot); }
};

void prepareHutGameFolder(Fixture &f)
{
    f.setLobbyLevels("2101,2102");
    f.writeGameFile("levels/levl2101.dat", filler('e', 1500));
    f.writeGameFile("levels/levl2101.hdr", header('f'));
    f.writeGameFile("levels/levl2102.hdr", header('g'));
    f.writeGameFile("language/LANG00.DAT", languageFileOfSize(740, 0));
    f.writeGameFile("data/pal0-0.dat", filler('p', 1024));
    f.writeGameFile("data/pal0-1.dat", filler('q', 1024), true);
    f.writeGameFile("sound/foo.dat", filler('i', 900));
}

// Copies a pack of one client into the other's pack folder (same bytes, same crc8).
void sharePack(const Fixture &from, Fixture &to, const QString &subfolder, const InstalledPack &pack)
{
    const QString source = WinPath::join(WinPath::join(from.setup.ProgramFolder, subfolder), pack.FileName);
    const QString target = WinPath::join(WinPath::join(to.setup.ProgramFolder, subfolder), pack.FileName);
    QVERIFY(QFile::copy(source, target));
}

QList<QByteArray> gameMessages(const QList<QByteArray> &all)
{
    static const QList<QByteArray> words{"PATH", "APPPATH", "INSTALLING!", "BACKUP", "INSTALL", "LANGUAGE",
                                         "MODBACKUP", "MODINSTALL", "BEGAMING", "EXEFILE", "RUNCOMM",
                                         "POPULOUS", "JOINSUCCESS", "JOINFAILED", "BEIDLE", "POINTREPORT"};
    QList<QByteArray> out;
    for (const QByteArray &m : all) {
        const QByteArray word = m.left(m.indexOf(' ') < 0 ? m.size() : m.indexOf(' '));
        if (!words.contains(word))
            continue;
        if (word == "PATH" || word == "APPPATH" || word == "EXEFILE" || word == "RUNCOMM"
            || (word == "POINTREPORT" && m != "POINTREPORT NO"))
            out.append(word);
        else
            out.append(m);
    }
    return out;
}

} // namespace

class tst_GameHut : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostJoinPlayAndRestore();
};

void tst_GameHut::hostJoinPlayAndRestore()
{
    if (!FakeGameFolder::available())
        QSKIP("the fake game is not built");
    if (memoryAccessDenied())
        QSKIP("the kernel denies access to another process's memory here (ptrace scope)");

    LobbyServer lobby;
    QVERIFY(listenAsHutLobby(lobby));
    WebHost web;
    QVERIFY(web.listen());

    const quint16 pingPort = freePort();
    Client host("Host", "poptb.exe", pingPort, web.hostAndPort());
    Client joiner("Joiner", "d3dpoptb.exe", pingPort, web.hostAndPort());
    QList<Client *> clients{&host, &joiner};
    for (Client *c : clients)
        prepareHutGameFolder(c->files);

    // One map pack and one mod pack, the same bytes in both clients.
    const QByteArray mapCrc = host.files.addMappack(
        "onelevel.kaf",
        {{"mappack.txt", "PACKCREATOR:tester\r\nLEVEL:\r\nNAME: Only\r\nDAT: l1.dat\r\nHDR: l1.hdr\r\n\r\n"
                         "LANG 3:Three\r\n"},
         {"l1.dat", filler('4', 1800)},
         {"l1.hdr", header('5')}});
    const QByteArray modCrc = host.files.addModpack(
        "textures.kaf",
        {{"modpack.txt", "creator\r\ntitle\r\nEXTRASRC: foo.dat\r\nDEST:     sound\\foo.dat\r\n"},
         {"foo.dat", filler('7', 300)}});
    sharePack(host.files, joiner.files, "mappacks", host.files.packs.InstalledMappacks.first());
    sharePack(host.files, joiner.files, "modpacks", host.files.packs.InstalledModpacks.first());
    joiner.files.packs.InstalledMappacks = host.files.packs.InstalledMappacks;
    joiner.files.packs.InstalledModpacks = host.files.packs.InstalledModpacks;

    const QMap<QString, QString> plays{{"join_delay_ms", "50"}, {"payload", "TRAFFIC "},
                                       {"payload_size", "300"}, {"exit_after_ms", "4000"}};
    QList<Snapshot> before;
    for (Client *c : clients) {
        QVERIFY(c->game->install(QString::fromLatin1(c->state.Setup.GameExeName), plays));
        before.append(snapshot(c->state.Setup.GamePath));
    }

    connectHostThenJoiner(lobby, host, joiner);
    if (QTest::currentTestFailed())
        return;

    // Host a hut with both packs and custom colours; the joiner takes place 1.
    host.huts->hosting.Player_Click(1, QByteArray());
    QTRY_COMPARE_WITH_TIMEOUT(joiner.user(1) ? joiner.user(1)->State : QByteArray(), QByteArray("HOST"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(host.huts->panels.state().cmdlaunchVisible, 5000);
    host.huts->options.chkMappack_Click(true);
    host.huts->options.chkModPack_Click(true);
    host.huts->colours.setColour(0, 0, 0x0000FF);
    host.huts->options.chkTribeColors_Click(true);
    QTRY_COMPARE_WITH_TIMEOUT(host.user(1)->Modpack, modCrc, 5000);
    QCOMPARE(host.user(1)->Mappack, mapCrc);
    joiner.huts->hosting.lstHuts_DblClick({true, false, "empty1_1", "h1", "1"});
    QTRY_COMPARE_WITH_TIMEOUT(host.user(2) ? host.user(2)->State : QByteArray(), QByteArray("CLIENT"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(host.user(2)->HasMappack, QByteArray("TRUE"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(host.user(2)->HasModpack, QByteArray("TRUE"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(joiner.state.own()->CustomPals, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.huts->colours.colour(0, 0), 0x0000FF, 5000);
    QVERIFY(joiner.huts->ping.PingProbeConnected());

    // Launch: both games run, join, talk to their clients and end.
    QVERIFY(host.huts->options.cmdlaunch_Click());
    for (int i = 0; i < clients.size(); ++i)
        QVERIFY(lobby.waitForMessage(i, "POPULOUS OFF", 30000));

    const QList<QByteArray> hostExpected{"PATH", "APPPATH", "INSTALLING!", "BACKUP", "INSTALL", "LANGUAGE",
                                         "MODBACKUP", "MODINSTALL", "BEGAMING", "EXEFILE", "RUNCOMM",
                                         "POPULOUS ON", "JOINSUCCESS", "BEIDLE", "POINTREPORT", "POPULOUS OFF"};
    QList<QByteArray> joinExpected = hostExpected;
    joinExpected.removeAll("INSTALLING!");
    for (int i = 0; i < clients.size(); ++i) {
        Client &c = *clients[i];
        QTRY_VERIFY_WITH_TIMEOUT(!c.state.Game.GameRunning, 5000);
        QCOMPARE(gameMessages(lobby.messages(i)), i == 0 ? hostExpected : joinExpected);
        QCOMPARE(difference(before[i], snapshot(c.state.Setup.GamePath)), QString());
        QVERIFY(!c.watch->isWatching());
        QVERIFY(c.errors.calls.isEmpty());
        QVERIFY(c.files.chat.hasSystemMessage("Tribe Colors Successfully Setup!"));
    }
    const auto runcomm = [&lobby](int client) {
        for (const QByteArray &m : lobby.messages(client)) {
            if (m.startsWith("RUNCOMM "))
                return m;
        }
        return QByteArray();
    };
    QCOMPARE(runcomm(0), "RUNCOMM C:\\Games\\Populous\\poptb.exe /h tcp /n2 /dIP127.0.0.1:"
                             + QByteArray::number(host.launch->pointsPort()) + " /boundip 127.0.0.1 /externip 127.0.0.1");
    QCOMPARE(runcomm(1), "RUNCOMM C:\\Games\\Populous\\d3dpoptb.exe /j tcp 127.0.0.1 /n2 /dIP127.0.0.1:"
                             + QByteArray::number(joiner.launch->pointsPort())
                             + " /boundip 127.0.0.1 /externip 127.0.0.1");
    QCOMPARE(host.game->value("patched").toInt(), 77);
    QCOMPARE(joiner.game->value("patched").toInt(), 87);
    QVERIFY(host.game->value("answer").startsWith("OK"));
    QVERIFY(joiner.game->value("answer").startsWith("OK"));
    QVERIFY(!host.huts->ping.PingHostListening());
    QVERIFY(!joiner.huts->ping.PingProbeConnected());
}

QTEST_MAIN(tst_GameHut)
#include "tst_gamehut.moc"
