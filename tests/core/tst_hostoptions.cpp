#include "tests/core/HutTestClient.h"

#include "packs/TribeColourBroadcast.h"
#include "packs/TribeColours.h"
#include "packs/TribePreviews.h"

#include <QtTest>

using Commands = QList<QByteArray>;

class tst_HostOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void launchRefusal_data();
    void launchRefusal();
    void mappackBox();
    void modpackBox();
    void packBoxesWithoutPacks();
    void packBoxWhileGameRuns();
    void packListFollowsSelection();
    void packListRebuilt_data();
    void packListRebuilt();
    void hostOnlyOptions_data();
    void hostOnlyOptions();
    void optionsForJoiner();
    void optionsAnnouncedOnBecomingHost();
    void gameMenu();

private:
    LobbyServer *m_server = nullptr;
};

void tst_HostOptions::init()
{
    delete m_server;
    m_server = new LobbyServer(this);
    QVERIFY(m_server->listen());
}

struct HutMember
{
    qint32 slot;
    QByteArray state;
    qint32 hostSlot;
    QByteArray hasMappack;
    QByteArray hasModpack;
};
Q_DECLARE_METATYPE(QList<HutMember>)

void tst_HostOptions::launchRefusal_data()
{
    QTest::addColumn<QList<HutMember>>("members");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("refusal");   // "" launches

    const QString noMap = "Not all users have mappack installed!";
    const QString noMod = "Not all users have modpack installed!";
    QTest::newRow("no clients") << QList<HutMember>{} << true << QString();
    QTest::newRow("one client with both packs")
        << QList<HutMember>{{2, "CLIENT", 5, "TRUE", "TRUE"}} << true << QString();
    QTest::newRow("client without the map pack")
        << QList<HutMember>{{2, "CLIENT", 5, "FALSE", "TRUE"}} << true << noMap;
    QTest::newRow("client still downloading the mod pack")
        << QList<HutMember>{{2, "CLIENT", 5, "TRUE", "DOWNLOADING"}} << true << noMod;
    QTest::newRow("map pack is tested first")
        << QList<HutMember>{{2, "CLIENT", 5, "FALSE", "FALSE"}} << true << noMap;
    QTest::newRow("second client refuses")
        << QList<HutMember>{{2, "CLIENT", 5, "TRUE", "TRUE"}, {7, "CLIENT", 5, "TRUE", "FALSE"}} << true
        << noMod;
    QTest::newRow("client of another host does not count")
        << QList<HutMember>{{2, "CLIENT", 4, "FALSE", "FALSE"}} << true << QString();
    QTest::newRow("user who left the hut does not count")
        << QList<HutMember>{{2, QByteArray(), 5, "FALSE", "FALSE"}} << true << QString();
    QTest::newRow("answer not yet in") << QList<HutMember>{{2, "CLIENT", 5, QByteArray(), "TRUE"}} << true
                                       << noMap;
    QTest::newRow("button disabled") << QList<HutMember>{} << false << QString("-");
}

void tst_HostOptions::launchRefusal()
{
    QFETCH(QList<HutMember>, members);
    QFETCH(bool, enabled);
    QFETCH(QString, refusal);

    HutTestClient client;
    client.setOwn(5, "HOST");
    for (const HutMember &m : members) {
        UserRecord *u = client.state.Users.at(m.slot);
        u->State = m.state;
        u->HostSlot = m.hostSlot;
        u->HasMappack = m.hasMappack;
        u->HasModpack = m.hasModpack;
    }
    client.panels.ownStateRefreshed(enabled);
    QVERIFY(client.connectTo(*m_server));

    const bool launched = client.options.cmdlaunch_Click();
    const Commands sent = sentAfterVersion(*m_server, client);
    if (refusal.isEmpty()) {
        QVERIFY(launched);
        QCOMPARE(sent, Commands{"LAUNCH"});
        QVERIFY(!client.panels.state().cmdlaunchEnabled);
        QVERIFY(!client.panels.state().cmdlaunchVisible);
        QVERIFY(client.dialogs.questions.isEmpty());
    } else {
        QVERIFY(!launched);
        QCOMPARE(sent, Commands{});
        if (refusal == "-") {
            QVERIFY(client.dialogs.questions.isEmpty());
        } else {
            QCOMPARE(client.dialogs.questions.size(), 1);
            QCOMPARE(client.dialogs.questions.first().text, refusal);
        }
    }
}

void tst_HostOptions::mappackBox()
{
    HutTestClient client;
    client.setOwn(5, "HOST");
    client.addPack(client.packs.InstalledMappacks, "first.kaf", "0A0B0C0D");
    client.addPack(client.packs.InstalledMappacks, "second.kaf", "11111111");
    client.addPack(client.packs.InstalledMappacks, "third.kaf", "22222222");
    QVERIFY(client.connectTo(*m_server));

    client.options.chkMappack_Click(true);
    QVERIFY(client.state.Hut.HutMappackOn);
    QVERIFY(client.options.boxes().chkMappack);
    QVERIFY(client.options.boxes().cmbMapPackEnabled);
    QCOMPARE(client.options.boxes().cmbMapPackIndex, 0);

    client.options.chkMappack_Click(false);
    QVERIFY(!client.state.Hut.HutMappackOn);
    QVERIFY(!client.options.boxes().cmbMapPackEnabled);
    QCOMPARE(sentAfterVersion(*m_server, client), (Commands{"MAPPACK 0A0B0C0D", "MAPPACK OFF"}));
}

void tst_HostOptions::modpackBox()
{
    HutTestClient client;
    client.setOwn(5, "HOST");
    client.addPack(client.packs.InstalledModpacks, "textures.kaf", "ABCDEF01");
    QVERIFY(client.connectTo(*m_server));
    client.options.chkModPack_Click(true);
    QVERIFY(client.options.boxes().cmbModPackEnabled);
    QVERIFY(!client.state.Hut.HutMappackOn);
    client.options.chkModPack_Click(false);
    QCOMPARE(sentAfterVersion(*m_server, client), (Commands{"MODPACK ABCDEF01", "MODPACK OFF"}));
}

void tst_HostOptions::packBoxesWithoutPacks()
{
    HutTestClient client;
    client.setOwn(5, "HOST");
    client.state.Hut.HutMappackOn = true;
    QVERIFY(client.connectTo(*m_server));
    client.options.chkMappack_Click(true);
    client.options.chkModPack_Click(true);
    QVERIFY(!client.options.boxes().chkMappack);
    QVERIFY(!client.options.boxes().chkModPack);
    QVERIFY(!client.options.boxes().cmbMapPackEnabled);
    QVERIFY(!client.state.Hut.HutMappackOn);
    QCOMPARE(sentAfterVersion(*m_server, client), (Commands{"MAPPACK OFF", "MODPACK OFF"}));
}

void tst_HostOptions::packBoxWhileGameRuns()
{
    HutTestClient client;
    client.setOwn(5, "WARPHOST");
    client.addPack(client.packs.InstalledMappacks, "first.kaf", "0A0B0C0D");
    client.state.Game.GameRunning = true;
    QVERIFY(client.connectTo(*m_server));

    client.state.own()->Mappack = "0A0B0C0D";
    client.options.chkMappack_Click(false);
    QVERIFY(client.options.boxes().chkMappack);   // back to the hut's pack
    client.state.own()->Mappack = "00000000";
    client.options.chkMappack_Click(true);
    QVERIFY(!client.options.boxes().chkMappack);
    client.state.own()->Modpack = "OFF";
    client.options.chkModPack_Click(true);
    QVERIFY(!client.options.boxes().chkModPack);
    QCOMPARE(sentAfterVersion(*m_server, client), Commands{});
}

void tst_HostOptions::packListFollowsSelection()
{
    HutTestClient client;
    client.setOwn(5, "HOST");
    client.addPack(client.packs.InstalledMappacks, "first.kaf", "0A0B0C0D");
    client.addPack(client.packs.InstalledMappacks, "second.kaf", "11111111");
    QVERIFY(client.connectTo(*m_server));
    client.options.cmbMapPack_Click(1);      // box cleared: nothing goes out
    client.options.chkMappack_Click(true);   // the selected line
    client.options.cmbMapPack_Click(0);      // box ticked: the hut follows
    QCOMPARE(sentAfterVersion(*m_server, client), (Commands{"MAPPACK 11111111", "MAPPACK 0A0B0C0D"}));
}

// The lists scanned again after a download or a rescan, with the pack
// "second" chosen and the box ticked: the box follows the pack wherever it
// lies now; the hut hears only of a pack that is another one now.
void tst_HostOptions::packListRebuilt_data()
{
    QTest::addColumn<bool>("map");
    QTest::addColumn<QStringList>("after");   // the installed list after the scan
    QTest::addColumn<int>("row");             // where the scan found "second"
    QTest::addColumn<int>("index");           // the box's line afterwards
    QTest::addColumn<Commands>("sent");
    const QStringList before{"first", "second"};
    for (const bool map : {true, false}) {
        const QByteArray word = map ? "MAPPACK " : "MODPACK ";
        const char *kind = map ? "map: " : "mod: ";
        QTest::addRow("%sa new pack before it", kind) << map << QStringList{"aaa", "first", "second"} << 2 << 2
                                                      << Commands{};
        QTest::addRow("%sa new pack after it", kind) << map << QStringList{"first", "second", "zzz"} << 1 << 1
                                                     << Commands{};
        QTest::addRow("%sthe same list", kind) << map << before << 1 << 1 << Commands{};
        QTest::addRow("%sgone, another on its line", kind) << map << QStringList{"first", "third"} << -1 << 1
                                                           << Commands{word + "third"};
        QTest::addRow("%sgone, the list shorter", kind) << map << QStringList{"first"} << -1 << 0
                                                        << Commands{word + "first"};
        QTest::addRow("%sgone, no pack left", kind) << map << QStringList{} << -1 << -1
                                                    << Commands{word + "OFF"};
    }
}

void tst_HostOptions::packListRebuilt()
{
    QFETCH(bool, map);
    QFETCH(QStringList, after);
    QFETCH(int, row);
    QFETCH(int, index);
    QFETCH(Commands, sent);
    HutTestClient client;
    client.setOwn(5, "HOST");
    QList<InstalledPack> &list = map ? client.packs.InstalledMappacks : client.packs.InstalledModpacks;
    // A pack's crc8 is its name here.
    for (const char *name : {"first", "second"})
        client.addPack(list, QString::fromLatin1(name) + QStringLiteral(".kaf"), name);
    QVERIFY(client.connectTo(*m_server));
    HostOptions &o = client.options;
    map ? o.cmbMapPack_Click(1) : o.cmbModPack_Click(1);
    map ? o.chkMappack_Click(true) : o.chkModPack_Click(true);
    const QByteArray chosen = map ? o.selectedMappackCrc() : o.selectedModpackCrc();
    QCOMPARE(chosen, QByteArray("second"));
    const qsizetype announced = sentAfterVersion(*m_server, client).size();

    list.clear();
    for (const QString &name : after)
        client.addPack(list, name + QStringLiteral(".kaf"), name.toLatin1());
    map ? o.mapPackListRebuilt(chosen, row) : o.modPackListRebuilt(chosen, row);
    QCOMPARE(map ? o.boxes().cmbMapPackIndex : o.boxes().cmbModPackIndex, index);
    QCOMPARE(sentAfterVersion(*m_server, client).mid(announced), sent);
    QCOMPARE(map ? o.boxes().chkMappack : o.boxes().chkModPack, !after.isEmpty());
}

void tst_HostOptions::hostOnlyOptions_data()
{
    QTest::addColumn<QByteArray>("ownState");
    QTest::addColumn<Commands>("expected");
    QTest::newRow("host") << QByteArray("HOST")
                          << Commands{"FRIENDLY ON", "USECUSTOMPALS TRUE", "COLOURS", "FRIENDLY OFF",
                                      "USECUSTOMPALS FALSE"};
    QTest::newRow("warp host") << QByteArray("WARPHOST")
                               << Commands{"FRIENDLY ON", "USECUSTOMPALS TRUE", "COLOURS", "FRIENDLY OFF",
                                           "USECUSTOMPALS FALSE"};
    QTest::newRow("client") << QByteArray("CLIENT") << Commands{};
    QTest::newRow("idle") << QByteArray() << Commands{};
}

void tst_HostOptions::hostOnlyOptions()
{
    QFETCH(QByteArray, ownState);
    QFETCH(Commands, expected);
    HutTestClient client;
    client.setOwn(5, ownState);
    client.options.setSendTribeColours([&client] { client.connection.SendCommand("COLOURS"); });
    QVERIFY(client.connectTo(*m_server));

    client.options.chkFriendlyGame_Click(true);
    client.options.chkTribeColors_Click(true);
    const bool host = !expected.isEmpty();
    QCOMPARE(client.state.own()->Friendly, host);
    QCOMPARE(client.state.own()->CustomPals, host);
    QCOMPARE(client.panels.state().tribeTabVisible, host);
    client.options.chkFriendlyGame_Click(false);
    client.options.chkTribeColors_Click(false);
    QVERIFY(!client.state.own()->Friendly);
    QVERIFY(!client.state.own()->CustomPals);
    QVERIFY(!client.panels.state().tribeTabVisible);
    QCOMPARE(sentAfterVersion(*m_server, client), expected);
}

void tst_HostOptions::optionsForJoiner()
{
    HutTestClient client;
    client.setOwn(5, "HOST");
    client.addPack(client.packs.InstalledMappacks, "first.kaf", "0A0B0C0D");
    client.addPack(client.packs.InstalledMappacks, "second.kaf", "11111111");
    client.addPack(client.packs.InstalledModpacks, "textures.kaf", "ABCDEF01");
    TribeColours colours;
    colours.InitTribeShades();
    colours.SetDefaultTribeColours();
    TribePreviews previews(colours);
    TribeColourBroadcast broadcast(client.connection, colours, previews, client.state.Hut.SelectedTribe);
    client.options.setSendTribeColours([&broadcast] { broadcast.SendTribeColours(); });
    QVERIFY(client.connectTo(*m_server));

    // Nothing ticked.
    client.options.SendHutOptionsToJoiner();
    const Commands off{"MAPPACK OFF", "FRIENDLY OFF", "MODPACK OFF", "USECUSTOMPALS FALSE"};
    QCOMPARE(sentAfterVersion(*m_server, client), off);

    client.options.cmbMapPack_Click(1);
    client.options.chkMappack_Click(true);
    client.options.chkFriendlyGame_Click(true);
    client.options.chkModPack_Click(true);
    client.options.chkTribeColors_Click(true);
    const int before = int(sentAfterVersion(*m_server, client).size());
    client.options.SendHutOptionsToJoiner();
    const Commands all = sentAfterVersion(*m_server, client).mid(before);
    const QByteArray blue = TribeColourBroadcast::commandFor(colours, 0);
    QCOMPARE(all, (Commands{"MAPPACK 11111111", "FRIENDLY ON", "MODPACK ABCDEF01", "USECUSTOMPALS TRUE", blue}));
    QCOMPARE(blue, QByteArray("BLUE 1 3870479 4399895 7287587 10173227 13319987 13849419 14643047 15436679"));
}

void tst_HostOptions::optionsAnnouncedOnBecomingHost()
{
    HutTestClient client;
    client.setOwn(5, QByteArray());
    client.addPack(client.packs.InstalledMappacks, "first.kaf", "0A0B0C0D");
    client.options.setSendTribeColours([&client] { client.connection.SendCommand("COLOURS"); });
    QVERIFY(client.connectTo(*m_server));
    // Ticked while idle: remembered, nothing announced (no hut yet).
    client.options.chkMappack_Click(true);
    client.options.chkTribeColors_Click(true);
    client.options.OwnStateChanged();
    const int before = int(sentAfterVersion(*m_server, client).size());
    QCOMPARE(before, 1); // the map pack box always announces itself

    client.state.own()->State = "HOST";
    client.options.OwnStateChanged();
    client.options.OwnStateChanged(); // still host: nothing again
    QCOMPARE(sentAfterVersion(*m_server, client).mid(before),
             (Commands{"MAPPACK 0A0B0C0D", "FRIENDLY OFF", "MODPACK OFF", "USECUSTOMPALS TRUE", "COLOURS"}));
    QVERIFY(client.state.own()->CustomPals);
    QVERIFY(client.panels.state().tribeTabVisible);
}

void tst_HostOptions::gameMenu()
{
    HutTestClient client;
    client.setOwn(5, "WARPHOST");
    client.options.GameMenu_Click();
    QVERIFY(!client.panels.state().fraGameMenuVisible);
    client.state.own()->State = "HOST";
    client.options.GameMenu_Click();
    QVERIFY(client.panels.state().fraGameMenuVisible);
    client.options.GameMenu_Click();
    QVERIFY(!client.panels.state().fraGameMenuVisible);
    client.options.GameMenu_Click();
    client.options.frmgameclose_Click();
    QVERIFY(!client.panels.state().fraGameMenuVisible);
    QSignalSpy raised(&client.panels, &HutPanels::tribePanelRaised);
    client.options.lbltribepal_Click();
    QVERIFY(client.panels.state().FraTribePalVisible);
    QCOMPARE(raised.size(), 1);
}

QTEST_MAIN(tst_HostOptions)
#include "tst_hostoptions.moc"
