#include "packs/download/HutPackDownload.h"
#include "tests/fixtures/RecordingCommandSink.h"
#include "tests/packdownload/DownloadRig.h"

#include <QSignalSpy>
#include <QtTest>

using namespace InstallTest;

// Own user at slot 5, a client of the host at slot 3.
struct HutRig : DownloadRig
{
    ClientState state;
    LobbyEvents events;
    HutPanels panels;
    RecordingCommandSink commands;
    RecordingChatOutput chat;
    HutMessages messages{state, files.packs, commands, dialogs, panels, events};

    HutRig()
    {
        state.Users.growTo(8);
        state.CurrentUser.OwnSlot = 5;
        state.own()->Name = "me";
        state.own()->State = "CLIENT";
        state.own()->HostSlot = 3;
        state.Users.at(3)->Name = "host";
        state.Users.at(3)->State = "HOST";
    }

    // The host's pack message, as the dispatcher hands it over.
    void hostChooses(bool map, const QByteArray &crc, const QByteArray &address)
    {
        messages.setFetchMappackInfo([address](const QByteArray &) { return address; });
        messages.setFetchModpackInfo([address](const QByteArray &) { return address; });
        const LobbyMessage m((map ? "MAPPACK 3 " : "MODPACK 3 ") + crc);
        map ? messages.onMappack(m) : messages.onModpack(m);
        commands.clear();
    }
};

class tst_HutPackDownload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void downloadInstallsAndAnswers_data()
    {
        QTest::addColumn<bool>("map");
        QTest::newRow("map pack") << true;
        QTest::newRow("mod pack") << false;
    }
    void downloadInstallsAndAnswers()
    {
        QFETCH(bool, map);
        HutRig rig;
        const auto [bytes, crc] = rig.kaf("hut");
        const QByteArray zip = rig.serveZip("/packs/hut.zip", {ZipEntry(QByteArray(map ? "mappacks/" : "modpacks/") + "hut.kaf", bytes)});
        const QByteArray url = rig.web.url("/packs/hut.zip").toEncoded();
        rig.hostChooses(map, crc, url);
        QCOMPARE(map ? rig.panels.state().cmdDLMAPEnabled : rig.panels.state().cmdDLMODEnabled, true);

        HutPackDownload dl(map ? HutPackDownload::Kind::Mappack : HutPackDownload::Kind::Modpack, rig.state,
                           rig.panels, rig.messages, rig.files.packs, rig.commands, rig.chat, rig.pack(map));
        QList<QByteArray> labels;
        connect(&rig.panels, &HutPanels::changed, &dl, [&] {
            labels << (map ? rig.panels.state().lblMappackURL : rig.panels.state().lblmodpackurl);
        });
        QSignalSpy finished(&dl, &HutPackDownload::finished);
        dl.Start();
        QVERIFY(!(map ? rig.panels.state().cmdDLMAPEnabled : rig.panels.state().cmdDLMODEnabled));
        QVERIFY(dl.state().barVisible);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);

        const QByteArray ok = map ? "MAPPACKOK" : "MODPACKOK";
        QCOMPARE(rig.commands.commands, (QList<QByteArray>{ok + " DOWNLOADING", ok + " TRUE"}));
        const HutPanels::State &s = rig.panels.state();
        QCOMPARE(map ? s.lblmappack : s.lblModPack, QByteArray(map ? "Mappack: hut.kaf" : "Modpack: hut.kaf"));
        QCOMPARE(map ? s.lblMappackURL : s.lblmodpackurl, url);   // the address is back
        QVERIFY(map ? s.cmdDLMAPEnabled : s.cmdDLMODEnabled);
        QVERIFY(map ? !s.PBMapDLVisible : !s.lblmodpackurlVisible);
        QVERIFY(map ? rig.state.Hut.HutMappackOn : rig.state.Hut.HutModpackOn);
        QVERIFY(labels.contains("Downloading: " + QByteArray::number(zip.size()) + " / " + QByteArray::number(zip.size())));
        QVERIFY(!QFile::exists(rig.pack(map).zip(map)));
        QVERIFY(map ? rig.files.packs.findMappack(crc) : rig.files.packs.findModpack(crc));
    }

    void progressInKilobytes()
    {
        HutRig rig;
        WebHost::Answer a;
        a.body = QByteArray(51234, 'x');
        rig.web.serve("/big.zip", a);
        rig.hostChooses(true, "0000ABCD", rig.web.url("/big.zip").toEncoded());
        HutPackDownload dl(HutPackDownload::Kind::Mappack, rig.state, rig.panels, rig.messages, rig.files.packs,
                           rig.commands, rig.chat, rig.pack(true));
        QSignalSpy finished(&dl, &HutPackDownload::finished);
        dl.Start();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QCOMPARE(dl.state().barMax, 50);
        QCOMPARE(dl.state().barValue, 50);
        // Not a zip: the pack is still missing.
        QCOMPARE(rig.commands.commands, (QList<QByteArray>{"MAPPACKOK DOWNLOADING", "MAPPACKOK FALSE"}));
        QVERIFY(rig.chat.hasSystemMessage("The downloaded mappack is not the hut's mappack."));
        QVERIFY(rig.panels.state().cmdDLMAPEnabled);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("address");   // "cut": a body that breaks off
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::addColumn<bool>("barVisible");
        QTest::newRow("404") << QByteArray("/none.zip") << QList<QByteArray>{} << false;
        QTest::newRow("no download available") << QByteArray("No download available!") << QList<QByteArray>{} << false;
        QTest::newRow("body breaks off") << QByteArray("cut")
                                         << QList<QByteArray>{"MAPPACKOK DOWNLOADING", "MAPPACKOK FALSE"} << true;
    }
    void failures()
    {
        QFETCH(QByteArray, address);
        HutRig rig;
        WebHost::Answer cut;
        cut.body = QByteArray(9000, 'c');
        cut.mode = WebHost::Answer::Mode::CloseMidBody;
        cut.closeAfter = 3000;
        rig.web.serve("/cut.zip", cut);
        const QByteArray url = address == "cut" ? rig.web.url("/cut.zip").toEncoded()
            : address.startsWith('/')          ? rig.web.url(address).toEncoded()
                                               : address;
        rig.hostChooses(true, "0000ABCD", url);
        rig.dialogs.clear();
        HutPackDownload dl(HutPackDownload::Kind::Mappack, rig.state, rig.panels, rig.messages, rig.files.packs,
                           rig.commands, rig.chat, rig.pack(true));
        QSignalSpy finished(&dl, &HutPackDownload::finished);
        dl.Start();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QTEST(rig.commands.commands, "sent");
        QTEST(dl.state().barVisible, "barVisible");
        QCOMPARE(rig.chat.systemMessages.size(), 1);
        QVERIFY(rig.panels.state().cmdDLMAPEnabled);
        QCOMPARE(rig.panels.state().lblMappackURL, url);
        QVERIFY(!QFile::exists(rig.pack(true).zip(true)));
        QVERIFY(rig.dialogs.questions.isEmpty());
    }

    void abortLeavesTheHut()
    {
        HutRig rig;
        HutPackDownload dl(HutPackDownload::Kind::Modpack, rig.state, rig.panels, rig.messages, rig.files.packs,
                           rig.commands, rig.chat, rig.pack(false));
        dl.AbortModpackDL_Click();
        QCOMPARE(rig.commands.commands, QList<QByteArray>{"BEIDLE"});
    }
};

QTEST_MAIN(tst_HutPackDownload)
#include "tst_hutpackdownload.moc"
