// Two clients and the development lobby's hut logic, in one process on
// loopback: one hosts, the other joins; both see the hut and the pack states,
// the host's options reach the joiner, the joiner pings the host, and the
// host's launch is refused until the joiner has both packs.
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/Huts.h"
#include "core/LobbyConnection.h"
#include "core/LobbyEvents.h"
#include "core/LobbyMessage.h"
#include "core/LobbyProtocol.h"
#include "core/UserStateHandlers.h"
#include "core/util/Ini.h"
#include "core/util/SettingsKeys.h"
#include "packs/InstalledPacks.h"
#include "tests/e2e/HutWiring.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/FakeMacAddress.h"
#include "tests/fixtures/FreePort.h"
#include "tests/fixtures/HutLobby.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/RecordingChatOutput.h"
#include "tests/fixtures/WebHost.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

struct Client
{
    QTemporaryDir folder;
    ClientState state;
    Dispatcher dispatcher;
    LobbyEvents events;
    LobbyConnection connection {state, dispatcher};
    FakeMacAddress mac {QByteArray("\x00\x16\x3e\x01\x02\x03", 6)};
    LobbyProtocol protocol {state, connection, mac};
    FakeDialogs dialogs;
    RecordingChatOutput chat;
    InstalledPacks packs {state.Setup, chat};
    UserStateHandlers userState {state, connection, events};
    std::unique_ptr<Huts> huts;
    QList<QByteArray> launches;

    Client(const QByteArray &name, quint16 pingPort, const QByteArray &webHost)
    {
        state.Setup.ProgramFolder = folder.path();
        Ini::WriteIni(SettingsKeys::QxIniPath(folder.path()), "general", "webhost", webHost);
        QFile exe(folder.filePath("poptb.exe"));
        exe.open(QIODevice::WriteOnly);
        state.Setup.GameInstalled = true;
        state.Setup.GamePath = folder.path();
        state.Setup.GamePathWindows = "C:\\Games\\Populous";
        state.Setup.GameExeName = "poptb.exe";
        state.CurrentUser.Name = name;
        state.CurrentUser.PasswordHash = "0123456789abcdef0123456789abcdef";

        startHuts(*this, packs, chat, pingPort);
        for (const char *word : {"EAEXECHOST", "EAEXECJOIN", "EAEXECHOSTWARP"})
            dispatcher.on(word, [this](const LobbyMessage &m) { launches.append(m.text()); });
    }

    const UserRecord *user(qint32 slot) const { return state.Users.at(slot); }
};

} // namespace

class tst_HutFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostAndJoin();
    void colourStepJustBeforeLaunch();
    void coloursOfAnEarlierHut();
};

void tst_HutFlow::hostAndJoin()
{
    LobbyServer lobby;
    QVERIFY(listenAsHutLobby(lobby));
    WebHost web;
    QVERIFY(web.listen());
    web.serve("/getmodpack.php", QByteArray("http://packs.example/tex.zip\r\n"));

    const quint16 pingPort = freePort();
    Client host("Host", pingPort, web.hostAndPort());
    Client joiner("Joiner", pingPort, web.hostAndPort());
    host.packs.InstalledMappacks = {{QStringLiteral("alpha.kaf"), "0A0B0C0D"}};
    host.packs.InstalledModpacks = {{QStringLiteral("tex.kaf"), "ABCDEF01"}};
    joiner.packs.InstalledMappacks = {{QStringLiteral("alpha.kaf"), "0A0B0C0D"}};

    connectHostThenJoiner(lobby, host, joiner);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(host.state.CurrentUser.OwnSlot, 1);
    QCOMPARE(joiner.state.CurrentUser.OwnSlot, 2);

    // Host a hut of three with map and mod pack; custom colours with a blue of its own.
    host.huts->hosting.Player_Click(1, QByteArray());
    QTRY_COMPARE_WITH_TIMEOUT(host.user(1)->State, QByteArray("HOST"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.user(1)->State, QByteArray("HOST"), 5000);
    QVERIFY(host.huts->ping.PingHostListening());
    QTRY_VERIFY_WITH_TIMEOUT(host.huts->panels.state().cmdlaunchVisible, 5000);
    host.huts->options.chkMappack_Click(true);
    host.huts->options.chkModPack_Click(true);
    host.huts->colours.setColour(0, 0, 0x0000FF);
    host.huts->options.chkTribeColors_Click(true);
    QTRY_COMPARE_WITH_TIMEOUT(host.user(1)->Modpack, QByteArray("ABCDEF01"), 5000);

    // Join place 1.
    joiner.huts->hosting.lstHuts_DblClick({true, false, "empty1_1", "h1", "1"});
    QTRY_COMPARE_WITH_TIMEOUT(joiner.user(2)->State, QByteArray("CLIENT"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(host.user(2)->State, QByteArray("CLIENT"), 5000);
    QCOMPARE(host.user(2)->HostSlot, 1);
    QCOMPARE(joiner.state.Hut.SelectedTribe, qint16(1));

    // The joiner got the host's options: it has the map pack, not the mod pack.
    QTRY_COMPARE_WITH_TIMEOUT(host.user(2)->HasModpack, QByteArray("FALSE"), 10000);
    QCOMPARE(host.user(2)->HasMappack, QByteArray("TRUE"));
    // The joiner's look-up of the mod pack's address ends a moment later.
    QTRY_COMPARE_WITH_TIMEOUT(joiner.huts->panels.state().lblmodpackurl, QByteArray("http://packs.example/tex.zip"),
                              5000);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.user(2)->HasModpack, QByteArray("FALSE"), 5000);
    QCOMPARE(joiner.huts->panels.state().lblmappack, QByteArray("Mappack: alpha.kaf"));
    QVERIFY(joiner.state.Hut.HutMappackOn);
    QVERIFY(!joiner.state.Hut.HutModpackOn);
    QTRY_VERIFY_WITH_TIMEOUT(joiner.state.own()->CustomPals, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.huts->colours.colour(0, 0), 0x0000FF, 5000);
    QCOMPARE(joiner.huts->colours.colour(0, 1), host.huts->colours.colour(0, 1));

    // The joiner pings the host.
    QVERIFY(joiner.huts->ping.PingProbeConnected());
    QTRY_VERIFY_WITH_TIMEOUT(joiner.huts->ping.probeOpen(), 5000);
    joiner.huts->ping.tmrPing_Timer();
    auto pinged = [&lobby] {
        for (const QByteArray &m : lobby.messages(1)) {
            if (m.startsWith("PINGRES "))
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(pinged(), 5000);

    // Launch refused until the joiner has the mod pack too.
    QVERIFY(!host.huts->options.cmdlaunch_Click());
    QCOMPARE(host.dialogs.questions.size(), 1);
    QCOMPARE(host.dialogs.questions.first().text, QStringLiteral("Not all users have modpack installed!"));
    joiner.packs.InstalledModpacks = {{QStringLiteral("tex.kaf"), "ABCDEF01"}};
    host.huts->options.chkModPack_Click(false);
    host.huts->options.chkModPack_Click(true);
    QTRY_COMPARE_WITH_TIMEOUT(host.user(2)->HasModpack, QByteArray("TRUE"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.huts->panels.state().lblModPack, QByteArray("Modpack: tex.kaf"), 5000);

    QVERIFY(host.huts->options.cmdlaunch_Click());
    QTRY_COMPARE_WITH_TIMEOUT(host.launches, QList<QByteArray>{"EAEXECHOST 2"}, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.launches, QList<QByteArray>{"EAEXECJOIN 2 127.0.0.1"}, 5000);

    // The host leaves: the joiner leaves the hut by itself.
    host.huts->hosting.picExitHut_Click();
    QVERIFY(lobby.waitForMessage(1, "BEIDLE"));
    QTRY_VERIFY_WITH_TIMEOUT(!joiner.huts->ping.PingProbeConnected(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!host.huts->ping.PingHostListening(), 5000);
}

// A bar step waits 400 ms for more steps before it is sent; a launch 100 ms
// after it sends the colours first, so the joiners patch their palettes
// with them.
void tst_HutFlow::colourStepJustBeforeLaunch()
{
    LobbyServer lobby;
    QVERIFY(listenAsHutLobby(lobby));
    WebHost web;
    QVERIFY(web.listen());
    const quint16 pingPort = freePort();
    Client host("Host", pingPort, web.hostAndPort());
    Client joiner("Joiner", pingPort, web.hostAndPort());
    connectHostThenJoiner(lobby, host, joiner);
    if (QTest::currentTestFailed())
        return;

    host.huts->hosting.Player_Click(1, QByteArray());
    QTRY_VERIFY_WITH_TIMEOUT(host.huts->panels.state().cmdlaunchVisible, 5000);
    host.huts->options.chkTribeColors_Click(true);
    joiner.huts->hosting.lstHuts_DblClick({true, false, "empty1_1", "h1", "1"});
    QTRY_COMPARE_WITH_TIMEOUT(host.user(2) ? host.user(2)->State : QByteArray(), QByteArray("CLIENT"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(joiner.state.own()->CustomPals, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(host.user(2)->HasMappack, QByteArray("TRUE"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(host.user(2)->HasModpack, QByteArray("TRUE"), 5000);

    // The host opens its tribe panel and steps the red bar once.
    host.huts->options.lbltribepal_Click();
    QVERIFY(host.huts->editor.TribeBarsEnabled());
    const qsizetype sentBefore = lobby.messages(0).size();
    host.huts->editor.barMoved(TribeColourEditor::Red, 200, false);
    QVERIFY(host.huts->editor.unsentColours());
    const QByteArray colours = TribeColourBroadcast::commandFor(host.huts->colours, 0);
    QCOMPARE(host.huts->colours.colour(0, 0) & 0xFF, 200);

    bool launched = false;
    QTimer::singleShot(100, &host.huts->options, [&] { launched = host.huts->options.cmdlaunch_Click(); });
    QVERIFY(lobby.waitForMessage(0, "LAUNCH"));
    QVERIFY(launched);
    const QList<QByteArray> sent = lobby.messages(0).mid(sentBefore);
    QVERIFY2(sent.contains(colours), qPrintable(QString::fromLatin1(sent.join(" | "))));
    QVERIFY(sent.indexOf(colours) < sent.indexOf("LAUNCH"));
    QCOMPARE(sent.count(colours), 1);
    QVERIFY(!host.huts->editor.unsentColours());

    // The joiner has them before its launch message.
    QTRY_COMPARE_WITH_TIMEOUT(joiner.launches.size(), 1, 5000);
    QCOMPARE(TribeColourBroadcast::commandFor(joiner.huts->colours, 0), colours);
}

// A user who played in a hut with custom colours, left it, logged in again
// and joined another such hut sees that hut's colours and the default ramps,
// in the boxes and in the previews, nothing of the earlier hut.
void tst_HutFlow::coloursOfAnEarlierHut()
{
    LobbyServer lobby;
    QVERIFY(listenAsHutLobby(lobby));
    WebHost web;
    QVERIFY(web.listen());
    const quint16 pingPort = freePort();
    Client first("First", pingPort, web.hostAndPort());
    Client second("Second", pingPort, web.hostAndPort());
    Client joiner("Joiner", pingPort, web.hostAndPort());
    QList<Client *> all{&first, &second, &joiner};
    for (int i = 0; i < all.size(); ++i) {
        all[i]->connection.connectToServer(LobbyServer::host(), lobby.port());
        QVERIFY(lobby.waitForMessage(i, "USERLIST"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(joiner.user(2) && joiner.user(2)->Name == "Second", 5000);
    const auto hostWithColours = [](Client &host, qint32 slot, qint32 colour) {
        host.huts->hosting.Player_Click(1, QByteArray());
        QTRY_VERIFY_WITH_TIMEOUT(host.huts->panels.state().cmdlaunchVisible, 5000);
        host.huts->colours.setColour(TribeColours::Blue, 0, colour);
        host.huts->options.chkTribeColors_Click(true);
        QCOMPARE(host.state.CurrentUser.OwnSlot, slot);
    };
    const auto join = [&joiner](qint32 hostSlot) {
        const QByteArray key = 'h' + QByteArray::number(hostSlot);
        QTRY_COMPARE_WITH_TIMEOUT(joiner.user(hostSlot) ? joiner.user(hostSlot)->State : QByteArray(),
                                  QByteArray("HOST"), 5000);
        joiner.huts->hosting.lstHuts_DblClick({true, false, "empty" + QByteArray::number(hostSlot) + "_1", key, "1"});
        QTRY_VERIFY_WITH_TIMEOUT(joiner.state.own() && joiner.state.own()->CustomPals, 5000);
    };

    // The first hut: its host's blue, and the joiner's own red from a ramp pick.
    hostWithColours(first, 1, 0x0000FF);
    join(1);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.huts->colours.colour(TribeColours::Blue, 0), 0x0000FF, 5000);
    QCOMPARE(joiner.state.Hut.SelectedTribe, qint16(1));
    joiner.huts->options.lbltribepal_Click();
    joiner.huts->editor.PickTribeColour(TribeColours::Green);
    QCOMPARE(joiner.huts->colours.colour(TribeColours::Red, 4), TribeColours::DefaultRamp(TribeColours::Green, 4));

    // It leaves, logs in again and joins the second hut.
    joiner.huts->hosting.picExitHut_Click();
    QTRY_COMPARE_WITH_TIMEOUT(joiner.state.own()->State, QByteArray("IDLE"), 5000);
    joiner.connection.WSClient_Close();
    joiner.connection.connectToServer(LobbyServer::host(), lobby.port());
    QVERIFY(lobby.waitForMessage(3, "USERLIST"));
    QTRY_VERIFY_WITH_TIMEOUT(joiner.state.own() && joiner.state.own()->Name == "Joiner", 5000);
    hostWithColours(second, 2, 0x00FF00);
    join(2);
    QTRY_COMPARE_WITH_TIMEOUT(joiner.huts->colours.colour(TribeColours::Blue, 0), 0x00FF00, 5000);

    TribeColours expected;
    expected.InitTribeShades();
    expected.SetDefaultTribeColours();
    for (int k = 0; k < TribeColours::ShadeCount; ++k)
        expected.setColour(TribeColours::Blue, k, second.huts->colours.colour(TribeColours::Blue, k));
    TribePreviews expectedPreviews(expected);
    expectedPreviews.RecolourAll();
    for (int t = 0; t < TribeColours::TribeCount; ++t) {
        QCOMPARE(joiner.huts->colours.shades(t), expected.shades(t));
        QVERIFY2(joiner.huts->previews.preview(t) == expectedPreviews.preview(t), qPrintable(QString::number(t)));
    }
}

QTEST_MAIN(tst_HutFlow)
#include "tst_hutflow.moc"
