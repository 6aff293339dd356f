// Two whole clients, as main() composes them, with their real windows, the
// development lobby's hut logic and the fake game, all on loopback. Each
// client has its own program folder, Wine-style registry and game folder.
// Both log in through the login window; one hosts a hut with a map pack and a
// mod pack, the other joins from the huts tree; the launch is refused while
// the joiner lacks the hut's mod pack and goes ahead once the host picks one
// both have; each picks colours for its tribe and sees the other's, and both
// games start with them in their palette files; the fake games join, talk to
// their clients and end; the server sees each client's game commands in order
// and both game folders are as they were. The hut ping and the game link use free ports (test only: one
// machine cannot hold 7575 and 127.0.0.1:7589 twice).
#include "core/ClientState.h"
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/util/Ini.h"
#include "core/util/SettingsKeys.h"
#include "lobby/HutsTreeModel.h"
#include "lobby/ui/CreateHutPanel.h"
#include "lobby/ui/GamePanel.h"
#include "lobby/ui/HutButtons.h"
#include "lobby/ui/HutPackPanel.h"
#include "lobby/ui/HutsTreeView.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/TribePanel.h"
#include "packs/TribeColourEditor.h"
#include "packs/TribeColours.h"
#include "packs/TribeFigure.h"
#include "platform/LinuxGameStarter.h"
#include "platform/LinuxProcessMemory.h"
#include "platform/UrlDownload.h"
#include "platform/WineRegistry.h"
#include "tests/core/GameTestRig.h"
#include "tests/e2e/HutTreeClicks.h"
#include "tests/fixtures/ChatLobby.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/FakeGameFolder.h"
#include "tests/fixtures/FakeMacAddress.h"
#include "tests/fixtures/FakeSoundPlayer.h"
#include "tests/fixtures/FakeWebBrowser.h"
#include "tests/fixtures/HutLobby.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/ProcessMemoryProbe.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WinePrefix.h"
#include "tests/fixtures/WebHost.h"
#include "tests/packs/InstallFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>
#include <cerrno>
#include <memory>

using namespace InstallTest;

namespace {

// What the fake game does: joins at once, sends traffic to its client, ends
// after the first join check (GameWatch::JoinInterval) has seen the join.
const QMap<QString, QString> Plays{{"join_delay_ms", "50"}, {"payload", "TRAFFIC "},
                                   {"payload_size", "300"}, {"exit_after_ms", "9000"}};

// One client: its folders, its platform (the game started for real, the
// registry read from a Wine prefix) and the whole client.
struct Client
{
    Fixture files;   // files.setup.ProgramFolder is the client's ZORBEL_HOME
    FakeDialogs dialogs;
    std::unique_ptr<WineRegistry> registry;
    FakeMacAddress mac;
    FakeWebBrowser browser;
    FakeSoundPlayer sound;
    LinuxGameStarter starter{QString()};   // the empty launcher runs the game directly
    LinuxProcessMemory memory;
    std::unique_ptr<FakeGameFolder> game;
    ClientApp::TestPorts ports;
    std::unique_ptr<ClientApp> app;

    Client(const QByteArray &macBytes, const QByteArray &webHost)
        : mac(macBytes)
    {
        const QString prefix = makeWinePrefix(
            files.root.path(), "\"Version\"=\"1.03\"\n\"Language\"=dword:00000000\n",
            "\n[Software\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning\\\\HWSWSelect] 1700000000\n"
            "\"CurrentEXE\"=\"poptb.exe\"\n");
        registry = std::make_unique<WineRegistry>(prefix);
        files.setup.GamePath = registry->hostPath("C:\\Games\\Populous");
        game = std::make_unique<FakeGameFolder>(files.setup.GamePath, files.root.path());
        copyTree(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), files.client(QStringLiteral("skins")));
        Ini::WriteIni(SettingsKeys::QxIniPath(files.setup.ProgramFolder), "general", "webhost", webHost);
        // A player who chose software mode in the options (the panel writes
        // its choice as the window loads, before start-up reads it).
        Ini::WriteIni(SettingsKeys::QxIniPath(files.setup.ProgramFolder), "options", "D3D", "False");

        files.setLobbyLevels("2101,2102");
        files.writeGameFile("levels/levl2101.dat", filler('e', 1500));
        files.writeGameFile("levels/levl2101.hdr", header('f'));
        files.writeGameFile("levels/levl2102.hdr", header('g'));
        files.writeGameFile("language/LANG00.DAT", languageFileOfSize(740, 0));
        files.writeGameFile("data/pal0-0.dat", filler('p', 1024));
        files.writeGameFile("data/pal0-1.dat", filler('q', 1024), true);
        files.writeGameFile("sound/foo.dat", filler('i', 900));
    }

    void start(const QByteArray &name, const ClientApp::TestPorts &testPorts)
    {
        ports = testPorts;
        qputenv("ZORBEL_HOME", files.setup.ProgramFolder.toLocal8Bit());
        ClientApp::Platform p{&dialogs, registry.get(), &mac, &browser, &sound, &starter, &memory};
        app = std::make_unique<ClientApp>(p, ports);
        qunsetenv("ZORBEL_HOME");
        QVERIFY(app->Main());
        QVERIFY(dialogs.messages().isEmpty());
        QCOMPARE(state().Setup.ProgramFolder, files.setup.ProgramFolder);
        QCOMPARE(state().Setup.GamePath, files.setup.GamePath);
        QCOMPARE(state().Setup.GameExeName, QByteArray("poptb.exe"));

        LoginForm &login = app->loginForm();
        QTRY_VERIFY_WITH_TIMEOUT(login.isVisible(), 5000);
        login.UsernameField->setText(QString::fromLatin1(name));
        login.PasswordField->setText(QStringLiteral("x"));
        login.Loginme->click();
        QTRY_VERIFY_WITH_TIMEOUT(!login.isVisible(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(form().isVisible(), 5000);
        form().resize(900, 650);
    }

    ClientState &state() { return app->state(); }
    LobbyForm &form() { return app->lobbyForm(); }
    const UserRecord *user(qint32 slot) { return state().Users.at(slot); }
    qint32 slot() { return state().CurrentUser.OwnSlot; }
    template<typename T> T *placed(LobbyForm::Place place) { return qobject_cast<T *>(form().placed(place)); }
    HutButtons *buttons() { return placed<HutButtons>(LobbyForm::Place::HutButtons); }
    GamePanel *gamePanel() { return placed<GamePanel>(LobbyForm::Place::GamePanel); }

    // Picks the pack list line showing `name`, as the user does with the keyboard.
    void pickModpack(const QString &name)
    {
        QComboBox *list = gamePanel()->cmbModPack;
        const int wanted = list->findText(name);
        QVERIFY2(wanted >= 0, qPrintable(name));
        list->setFocus();
        while (list->currentIndex() != wanted) {
            const int before = list->currentIndex();
            QTest::keyClick(list, before < wanted ? Qt::Key_Down : Qt::Key_Up);
            QVERIFY(list->currentIndex() != before);
        }
    }
};

// Copies a pack of one client into the other's pack folder (same bytes, same crc8).
void sharePack(const Fixture &from, Fixture &to, const QString &subfolder, const QString &name)
{
    QVERIFY(QFile::copy(WinPath::join(WinPath::join(from.setup.ProgramFolder, subfolder), name),
                        WinPath::join(WinPath::join(to.setup.ProgramFolder, subfolder), name)));
}

// The game part of what a client sent: the words of the launch and the
// watch, variable ones reduced to their word.
QList<QByteArray> gameMessages(const QList<QByteArray> &all)
{
    static const QList<QByteArray> words{"PATH", "APPPATH", "INSTALLING!", "BACKUP", "INSTALL", "LANGUAGE",
                                         "MODBACKUP", "MODINSTALL", "BEGAMING", "EXEFILE", "RUNCOMM",
                                         "POPULOUS", "JOINSUCCESS", "JOINFAILED", "BEIDLE", "POINTREPORT"};
    QList<QByteArray> out;
    bool launched = false;
    for (const QByteArray &m : all) {
        const QByteArray word = m.left(m.indexOf(' ') < 0 ? m.size() : m.indexOf(' '));
        launched = launched || word == "PATH";
        if (!launched || !words.contains(word))
            continue;   // the BEIDLE of leaving earlier huts is not the game's
        if (word == "PATH" || word == "APPPATH" || word == "EXEFILE" || word == "RUNCOMM"
            || (word == "POINTREPORT" && m != "POINTREPORT NO"))
            out.append(word);
        else
            out.append(m);
    }
    return out;
}

QByteArray firstWith(const QList<QByteArray> &messages, const QByteArray &prefix)
{
    for (const QByteArray &m : messages) {
        if (m.startsWith(prefix))
            return m;
    }
    return {};
}

// The eight colours of `tribe` in a palette file (entries 216 to 247).
QList<qint32> paletteBand(const QByteArray &pal, int tribe)
{
    static const int bandStart[] = {216, 240, 232, 224};   // blue, red, yellow, green
    QList<qint32> out;
    for (int k = 0; k < 8; ++k) {
        const int at = 4 * (bandStart[tribe] + k);
        out.append(TribeColours::rgb(quint8(pal[at]), quint8(pal[at + 1]), quint8(pal[at + 2])));
    }
    return out;
}

QRgb pixelOf(const QLabel *picture, const QPoint &at)
{
    return picture->pixmap().toImage().pixel(at);
}

// `picker` opens its tribe panel and clicks swatch `swatch`; the server gets
// one colour command for the picker's tribe, and `other` shows the colours in
// that tribe's boxes and preview. Returns the eight colours chosen.
QList<qint32> chooseColours(Client &picker, Client &other, int swatch, int pickerClient, LobbyServer &lobby)
{
    const int tribe = picker.state().Hut.SelectedTribe;
    GamePanel *panel = picker.gamePanel();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(panel->lbltribepal->isVisible(), 5000); }();
    panel->lbltribepal->click();
    auto *tribes = picker.placed<TribePanel>(LobbyForm::Place::TribePanel);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(tribes->isVisible(), 5000); }();
    const int sentBefore = int(lobby.messages(pickerClient).size());
    QTest::mouseClick(tribes->imgTribe(swatch), Qt::LeftButton);

    QList<qint32> chosen;
    for (int s = 0; s < 8; ++s)
        chosen.append(swatch < 4 ? TribeColours::DefaultRamp(swatch, s)
                                 : TribeColourEditor::BarRampColour(
                                       TribeColourEditor::SwatchColour(swatch) & 0xFF,
                                       (TribeColourEditor::SwatchColour(swatch) >> 8) & 0xFF,
                                       TribeColourEditor::SwatchColour(swatch) >> 16, s));
    QByteArray command = TribeColours::TribeWord(tribe) + " 1";
    for (qint32 c : chosen)
        command += ' ' + QByteArray::number(c);
    [&] { QVERIFY(lobby.waitForMessage(pickerClient, command)); }();
    [&] { QCOMPARE(lobby.messages(pickerClient).mid(sentBefore), QList<QByteArray>{command}); }();

    // The other client's boxes and preview: a pixel drawn in reference shade s
    // shows the new colour of box s.
    auto *theirs = other.placed<TribePanel>(LobbyForm::Place::TribePanel);
    const QImage reference = TribeFigure::draw(tribe);
    for (int s = 0; s < 8; ++s) {
        const QRgb want = TribeFigure::toRgb(chosen[s]);
        [&] { QTRY_COMPARE_WITH_TIMEOUT(theirs->box(tribe, s)->palette().color(QPalette::Window).rgb(), want, 5000); }();
        QPoint at(-1, -1);
        for (int y = 0; y < reference.height() && at.x() < 0; ++y)
            for (int x = 0; x < reference.width() && at.x() < 0; ++x)
                if (reference.pixel(x, y) == TribeFigure::toRgb(TribeColours::ReferenceShade(tribe, s)))
                    at = QPoint(x, y);
        [&] { QVERIFY(at.x() >= 0); }();
        [&] { QTRY_COMPARE_WITH_TIMEOUT(pixelOf(theirs->preview(tribe), at), want, 5000); }();
    }
    return chosen;
}

} // namespace

class tst_TwoClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);   // the send-lock marker stays out of the user's data
        UrlDownload::setDefaultTimeout(3000);
    }
    void hostJoinLaunchAndRestore();
};

void tst_TwoClients::hostJoinLaunchAndRestore()
{
    if (!FakeGameFolder::available())
        QSKIP("the fake game is not built");
    if (memoryAccessDenied())
        QSKIP("the kernel denies access to another process's memory here (ptrace scope)");

    // The development lobby, as tools/devlobby composes it.
    LobbyServer lobby;
    QVERIFY(lobby.listen());
    lobby.actAsSimpleLobby();
    actAsChatLobby(lobby);
    actAsHutLobby(lobby);
    WebHost web;
    QVERIFY(web.listen());
    web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
    web.serve("/qxserver/list.php", "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
    web.serve("/getmodpack.php", QByteArray("http://packs.example/extra.zip\r\n"));

    Client host(QByteArray("\x00\x16\x3e\x0a\x00\x01", 6), web.hostAndPort());
    Client joiner(QByteArray("\x00\x16\x3e\x0a\x00\x02", 6), web.hostAndPort());
    QList<Client *> clients{&host, &joiner};

    // One map pack and one mod pack in both clients, a second mod pack in the host's only.
    host.files.addMappack(
        "onelevel.kaf",
        {{"mappack.txt", "PACKCREATOR:tester\r\nLEVEL:\r\nNAME: Only\r\nDAT: l1.dat\r\nHDR: l1.hdr\r\n\r\n"
                         "LANG 3:Three\r\n"},
         {"l1.dat", filler('4', 1800)},
         {"l1.hdr", header('5')}});
    const QByteArray modCrc = host.files.addModpack(
        "textures.kaf",
        {{"modpack.txt", "creator\r\ntitle\r\nEXTRASRC: foo.dat\r\nDEST:     sound\\foo.dat\r\n"},
         {"foo.dat", filler('7', 300)}});
    const QByteArray extraCrc = host.files.addModpack(
        "extra.kaf",
        {{"modpack.txt", "creator\r\nextra\r\nEXTRASRC: foo.dat\r\nDEST:     sound\\foo.dat\r\n"},
         {"foo.dat", filler('8', 200)}});
    sharePack(host.files, joiner.files, "mappacks", "onelevel.kaf");
    sharePack(host.files, joiner.files, "modpacks", "textures.kaf");

    QList<Snapshot> before;
    for (Client *c : clients) {
        QVERIFY(c->game->install(QStringLiteral("poptb.exe"), Plays));
        before.append(snapshot(c->files.setup.GamePath));
    }

    // Both log in through their login windows.
    const quint16 pingPort = freeLoopbackPort();   // the host listens, the joiner probes
    host.start("hal", {pingPort, freeLoopbackPort()});
    if (QTest::currentTestFailed())
        return;
    joiner.start("jo", {pingPort, freeLoopbackPort()});
    if (QTest::currentTestFailed())
        return;
    const qint32 hostSlot = host.slot();
    const qint32 joinSlot = joiner.slot();
    QVERIFY(hostSlot > 0 && joinSlot > 0 && hostSlot != joinSlot);
    QTRY_VERIFY_WITH_TIMEOUT(host.user(joinSlot) && host.user(joinSlot)->Name == "jo", 5000);
    QTRY_VERIFY_WITH_TIMEOUT(joiner.user(hostSlot) && joiner.user(hostSlot)->Name == "hal", 5000);
    // The server's client numbers, by login name.
    int hostClient = -1;
    int joinClient = -1;
    for (int i = 0; i < lobby.clientCount(); ++i) {
        if (lobby.loginName(i) == "hal" && lobby.isConnected(i))
            hostClient = i;
        if (lobby.loginName(i) == "jo" && lobby.isConnected(i))
            joinClient = i;
    }
    QVERIFY(hostClient >= 0 && joinClient >= 0);

    // The host opens a hut of two through the create-hut panel.
    host.buttons()->cmdHost->click();
    auto *createHut = host.placed<CreateHutPanel>(LobbyForm::Place::CreateHutPanel);
    QVERIFY(createHut->isVisible());
    createHut->Player[0]->click();
    QTRY_COMPARE_WITH_TIMEOUT(host.user(hostSlot)->State, QByteArray("HOST"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.user(hostSlot)->State, QByteArray("HOST"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(host.buttons()->cmdlaunch->isVisible(), 5000);

    // Its game menu: the shared map pack, the mod pack only the host has, custom colours.
    GamePanel *menu = host.gamePanel();
    QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), 5000);
    menu->GameMenu->click();
    QVERIFY(menu->fraGameMenu->isVisible());
    menu->chkMappack->click();
    menu->chkModPack->click();
    host.pickModpack(QStringLiteral("extra"));
    menu->chkTribeColors->click();
    QTRY_COMPARE_WITH_TIMEOUT(host.user(hostSlot)->Modpack, extraCrc, 5000);

    // The joiner takes the hut's free place from its huts tree.
    const QModelIndex place = doubleClickFreePlace(joiner.form(), hostSlot);
    QVERIFY(place.isValid());
    QVERIFY(lobby.waitForMessage(joinClient, "BECLIENT " + QByteArray::number(hostSlot) + ' '
                                                 + place.data(HutsTreeModel::TagRole).toByteArray()));

    // Both see the hut and the pack states: the map pack is there, the mod pack is not.
    for (Client *c : clients) {
        QTRY_COMPARE_WITH_TIMEOUT(c->user(joinSlot)->State, QByteArray("CLIENT"), 5000);
        QCOMPARE(c->user(joinSlot)->HostSlot, hostSlot);
        QTRY_COMPARE_WITH_TIMEOUT(c->user(joinSlot)->HasMappack, QByteArray("TRUE"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(c->user(joinSlot)->HasModpack, QByteArray("FALSE"), 10000);
        HutsTreeModel &model = c->form().huts();
        QTRY_VERIFY_WITH_TIMEOUT(model.hutRowOf(hostSlot) >= 0, 5000);
        bool listed = false;
        for (const HutsTreeModel::Node &n : model.places(model.hutRowOf(hostSlot)))
            listed = listed || n.slot == joinSlot;
        QVERIFY(listed);
    }
    QTRY_VERIFY_WITH_TIMEOUT(joiner.gamePanel()->isVisible(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.gamePanel()->lblmappack->text(), QStringLiteral("Mappack: onelevel.kaf"), 5000);
    auto *download = joiner.placed<HutPackPanel>(LobbyForm::Place::ModDownloadPanel);
    QTRY_COMPARE_WITH_TIMEOUT(download->url->text(), QStringLiteral("http://packs.example/extra.zip"), 5000);

    // The launch is refused while the joiner lacks the mod pack.
    QVERIFY(host.buttons()->cmdlaunch->isEnabled());
    host.buttons()->cmdlaunch->click();
    QVERIFY(host.dialogs.asked(QStringLiteral("Not all users have modpack installed!")));
    QVERIFY(!lobby.messages(hostClient).contains("LAUNCH"));

    // The host picks the mod pack both have; the joiner has everything now.
    host.pickModpack(QStringLiteral("textures"));
    QTRY_COMPARE_WITH_TIMEOUT(host.user(hostSlot)->Modpack, modCrc, 5000);
    for (Client *c : clients)
        QTRY_COMPARE_WITH_TIMEOUT(c->user(joinSlot)->HasModpack, QByteArray("TRUE"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.gamePanel()->lblModPack->text(), QStringLiteral("Modpack: textures.kaf"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(joiner.state().own()->CustomPals, 5000);

    // Custom colours, live: each opens its tribe panel and picks a swatch for
    // the tribe it plays; the other's boxes and preview follow.
    QCOMPARE(host.state().Hut.SelectedTribe, qint16(0));
    QVERIFY(joiner.state().Hut.SelectedTribe > 0);   // its place in the hut
    const QList<qint32> hostColours = chooseColours(host, joiner, 2, hostClient, lobby);
    if (QTest::currentTestFailed())
        return;
    const QList<qint32> joinColours = chooseColours(joiner, host, 9, joinClient, lobby);
    if (QTest::currentTestFailed())
        return;

    // Launch: both install the packs, start their games, watch them and restore.
    host.dialogs.clear();
    host.buttons()->cmdlaunch->click();
    QVERIFY(host.dialogs.questions.isEmpty());
    QVERIFY(lobby.waitForMessage(hostClient, "LAUNCH"));
    // While a game runs its client refuses to close.
    QVERIFY(lobby.waitForMessage(hostClient, "POPULOUS ON", 30000));
    // While the games run both palette files carry the chosen colours.
    QVERIFY(lobby.waitForMessage(joinClient, "POPULOUS ON", 30000));
    for (Client *c : clients) {
        for (const char *name : {"data/pal0-0.dat", "data/pal0-1.dat"}) {
            const QByteArray pal = readFile(c->files.game(QLatin1String(name)));
            QCOMPARE(pal.size(), 1024);
            QCOMPARE(paletteBand(pal, 0), hostColours);
            QCOMPARE(paletteBand(pal, joiner.state().Hut.SelectedTribe), joinColours);
        }
    }
    QVERIFY(!host.app->ExitClient());
    QCOMPARE(host.dialogs.messages().size(), 1);
    host.dialogs.clear();
    for (int i : {hostClient, joinClient})
        QVERIFY(lobby.waitForMessage(i, "POPULOUS OFF", 60000));

    const QList<QByteArray> hostExpected{"PATH", "APPPATH", "INSTALLING!", "BACKUP", "INSTALL", "LANGUAGE",
                                         "MODBACKUP", "MODINSTALL", "BEGAMING", "EXEFILE", "RUNCOMM",
                                         "POPULOUS ON", "JOINSUCCESS", "BEIDLE", "POINTREPORT", "POPULOUS OFF"};
    QList<QByteArray> joinExpected = hostExpected;
    joinExpected.removeAll("INSTALLING!");
    for (Client *c : clients) {
        const int client = c == &host ? hostClient : joinClient;
        const QList<QByteArray> sent = lobby.messages(client);
        QTRY_VERIFY_WITH_TIMEOUT(!c->state().Game.GameRunning, 5000);
        if (gameMessages(sent) != (c == &host ? hostExpected : joinExpected))
            qWarning() << "game record:" << c->game->record();
        QCOMPARE(gameMessages(sent), c == &host ? hostExpected : joinExpected);
        const QByteArray report = sent.value(sent.lastIndexOf("POPULOUS OFF") - 1);
        QVERIFY(report.startsWith("POINTREPORT Game Start: "));
        QVERIFY(report.contains("(TRAFFIC TRAFFIC"));
        QVERIFY(report.endsWith(" Stopped playing\r\n"));
        QVERIFY(c->game->value("answer").startsWith("OK"));
        QCOMPARE(c->game->value("patched").toInt(), 77);
        QCOMPARE(difference(before[clients.indexOf(c)], snapshot(c->files.setup.GamePath)), QString());
        QVERIFY(c->dialogs.questions.isEmpty());
    }
    const QByteArray tail = " /boundip 127.0.0.1 /externip 127.0.0.1";
    QCOMPARE(firstWith(lobby.messages(hostClient), "RUNCOMM "),
             "RUNCOMM C:\\Games\\Populous\\poptb.exe /h tcp /n2 /dIP127.0.0.1:"
                 + QByteArray::number(host.ports.points) + tail);
    QCOMPARE(firstWith(lobby.messages(joinClient), "RUNCOMM "),
             "RUNCOMM C:\\Games\\Populous\\poptb.exe /j tcp 127.0.0.1 /n2 /dIP127.0.0.1:"
                 + QByteArray::number(joiner.ports.points) + tail);

    // The games are over: both clients may close.
    for (Client *c : clients)
        QVERIFY(c->app->ExitClient());
}

QTEST_MAIN(tst_TwoClients)
#include "tst_twoclients.moc"
