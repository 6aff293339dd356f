#include "packs/PackCatalog.h"
#include "packs/download/HutPackDownload.h"
#include "packs/download/PackDownloads.h"
#include "tests/fixtures/RecordingCommandSink.h"
#include "tests/packdownload/DownloadRig.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
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
        state.Setup = files.setup;
        state.Users.growTo(8);
        state.CurrentUser.OwnSlot = 5;
        state.own()->Name = "me";
        state.own()->State = "CLIENT";
        state.own()->HostSlot = 3;
        state.Users.at(3)->Name = "host";
        state.Users.at(3)->State = "HOST";
        panels.followOwnState(QByteArray("CLIENT"), 3);
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
        // Not a zip: the pack is still missing, and the line says why.
        QCOMPARE(rig.commands.commands, (QList<QByteArray>{"MAPPACKOK DOWNLOADING", "MAPPACKOK FALSE"}));
        QVERIFY(rig.chat.hasSystemMessage("The mappack could not be downloaded ("));
        QVERIFY(!rig.chat.hasSystemMessage("is not the hut's mappack"));
        QVERIFY(rig.dialogs.questions.isEmpty());
        QVERIFY(rig.panels.state().cmdDLMAPEnabled);
        QCOMPARE(rig.panels.state().lblMappackURL, rig.web.url("/big.zip").toEncoded());
    }

    // A whole zip that unpacks, but holds another pack than the hut's.
    void zipOfAnotherPack()
    {
        HutRig rig;
        const auto [bytes, crc] = rig.kaf("other");
        rig.serveZip("/packs/hut.zip", {ZipEntry("mappacks/other.kaf", bytes)});
        rig.hostChooses(true, "0000ABCD", rig.web.url("/packs/hut.zip").toEncoded());
        HutPackDownload dl(HutPackDownload::Kind::Mappack, rig.state, rig.panels, rig.messages, rig.files.packs,
                           rig.commands, rig.chat, rig.pack(true));
        QSignalSpy finished(&dl, &HutPackDownload::finished);
        dl.Start();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QCOMPARE(rig.commands.commands, (QList<QByteArray>{"MAPPACKOK DOWNLOADING", "MAPPACKOK FALSE"}));
        QVERIFY(rig.chat.hasSystemMessage("The downloaded mappack is not the hut's mappack."));
        QVERIFY(rig.files.packs.findMappack(crc));
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

    // A host that sends a byte now and then, or a head that never ends: the
    // download ends within its bounds, the lobby last heard "FALSE" and the
    // button is back.
    void boundsEndIt_data()
    {
        QTest::addColumn<QByteArray>("route");
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("trickle body") << QByteArray("trickle body")
                                      << QList<QByteArray>{"MAPPACKOK DOWNLOADING", "MAPPACKOK FALSE"}
                                      << QByteArray("less than 4096 bytes arrived in 400 ms");
        QTest::newRow("endless head") << QByteArray("trickle head") << QList<QByteArray>{}
                                      << QByteArray("no answer head within 400 ms");
    }
    void boundsEndIt()
    {
        QFETCH(QByteArray, route);
        QFETCH(QByteArray, reason);
        HutRig rig;
        rig.web.serve("/slow.zip", WebHost::hostile(route, QByteArray(9000, 's'), 100));
        rig.hostChooses(true, "0000ABCD", rig.web.url("/slow.zip").toEncoded());
        HutPackDownload dl(HutPackDownload::Kind::Mappack, rig.state, rig.panels, rig.messages, rig.files.packs,
                           rig.commands, rig.chat, rig.pack(true));
        dl.downloader().setBounds(UrlDownload::TransferBounds::within(400));
        QSignalSpy finished(&dl, &HutPackDownload::finished);
        QElapsedTimer clock;
        clock.start();
        dl.Start();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QVERIFY(clock.elapsed() < 3000);
        QTEST(rig.commands.commands, "sent");
        QCOMPARE(rig.chat.systemMessages.size(), 1);
        QVERIFY2(rig.chat.systemMessages[0].contains(reason), rig.chat.systemMessages[0].constData());
        QVERIFY(rig.panels.state().cmdDLMAPEnabled);
        QCOMPARE(rig.panels.state().lblMappackURL, rig.web.url("/slow.zip").toEncoded());
        QVERIFY(!QFile::exists(rig.pack(true).zip(true)));
        // A second click fetches again.
        dl.Start();
        QTRY_COMPARE_WITH_TIMEOUT(rig.web.requestCount("/slow.zip"), 2, 5000);
    }

    // The download belongs to the hut and the pack it started for.
    void hutChangeEndsIt_data()
    {
        QTest::addColumn<QByteArray>("change");
        QTest::newRow("host changes pack") << QByteArray("pack");
        QTest::newRow("player leaves the hut") << QByteArray("leave");
        QTest::newRow("connection lost") << QByteArray("lost");
    }
    void hutChangeEndsIt()
    {
        QFETCH(QByteArray, change);
        HutRig rig;
        rig.web.serve("/a.zip", WebHost::hostile("trickle body", QByteArray(9000, 'a'), 20));
        rig.web.serve("/b.zip", QByteArray(100, 'b'));
        const QByteArray urlA = rig.web.url("/a.zip").toEncoded();
        const QByteArray urlB = rig.web.url("/b.zip").toEncoded();
        rig.hostChooses(true, "0000000A", urlA);
        PackDownloads downloads(rig.state, rig.files.packs, rig.panels, rig.messages, rig.commands, rig.chat,
                                rig.dialogs);
        downloads.follow(rig.events);
        HutPackDownload &dl = downloads.hutMappack;
        QSignalSpy finished(&dl, &HutPackDownload::finished);
        dl.Start();
        QTRY_VERIFY_WITH_TIMEOUT(rig.panels.state().lblMappackURL.startsWith("Downloading: "), 5000);
        QVERIFY(QFile::exists(rig.pack(true).zip(true)));
        QList<QByteArray> expected{"MAPPACKOK DOWNLOADING"};
        QByteArray label = urlA;
        if (change == "pack") {
            rig.messages.setFetchMappackInfo([urlB](const QByteArray &) { return urlB; });
            rig.messages.onMappack(LobbyMessage("MAPPACK 3 0000000B"));
            expected << "MAPPACKOK FALSE";   // the dispatcher's answer to the new pack
            label = urlB;
        } else if (change == "leave") {
            rig.state.own()->State = "";
            Q_EMIT rig.events.userChanged(5);
        } else {
            downloads.connectionLost();
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QVERIFY(!dl.running());
        QVERIFY(!QFile::exists(rig.pack(true).zip(true)));
        // Nothing more went to the lobby, and the panel is the dispatcher's.
        QTest::qWait(100);
        QCOMPARE(rig.commands.commands, expected);
        QCOMPARE(rig.panels.state().lblMappackURL, label);
        QVERIFY(rig.panels.state().cmdDLMAPEnabled);
        QVERIFY(!dl.state().barVisible);
        QVERIFY(rig.chat.systemMessages.isEmpty());
        if (change == "pack") {
            // The next click fetches the host's new pack.
            dl.Start();
            QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 5000);
            QCOMPARE(rig.web.requestCount("/b.zip"), 1);
        }
    }

    // A pack change lets go of the old pack before its look-up: while the
    // new pack is looked up, Download fetches nothing; then it fetches the
    // new one. A look-up answer for a hut the player has left changes nothing.
    void lookUpPendingFetchesNothing_data()
    {
        QTest::addColumn<bool>("map");
        QTest::addColumn<bool>("leaveFirst");
        QTest::newRow("map pack") << true << false;
        QTest::newRow("mod pack") << false << false;
        QTest::newRow("map pack, hut left before the answer") << true << true;
        QTest::newRow("mod pack, hut left before the answer") << false << true;
    }
    void lookUpPendingFetchesNothing()
    {
        QFETCH(bool, map);
        QFETCH(bool, leaveFirst);
        HutRig rig;
        rig.web.serve("/c.zip", QByteArray(100, 'c'));
        rig.web.serve("/d.zip", QByteArray(100, 'd'));
        const QByteArray urlC = rig.web.url("/c.zip").toEncoded();
        const QByteArray urlD = rig.web.url("/d.zip").toEncoded();
        rig.hostChooses(map, "0000000C", urlC);
        PackDownloads downloads(rig.state, rig.files.packs, rig.panels, rig.messages, rig.commands, rig.chat,
                                rig.dialogs);
        downloads.follow(rig.events);
        HutPackDownload &dl = map ? downloads.hutMappack : downloads.hutModpack;
        const HutPanels::State &s = rig.panels.state();
        const auto enabled = [&] { return map ? s.cmdDLMAPEnabled : s.cmdDLMODEnabled; };
        const auto address = [&] { return map ? s.lblMappackURL : s.lblmodpackurl; };
        QVERIFY(enabled());
        QCOMPARE(address(), urlC);

        HutMessages::PackInfoDone answer;
        const auto later = [&answer](const QByteArray &, HutMessages::PackInfoDone done) { answer = std::move(done); };
        map ? rig.messages.setFetchMappackInfo(later) : rig.messages.setFetchModpackInfo(later);
        const LobbyMessage change((map ? "MAPPACK 3 " : "MODPACK 3 ") + QByteArray("0000000D"));
        map ? rig.messages.onMappack(change) : rig.messages.onModpack(change);
        QVERIFY(answer);
        const QByteArray ok = map ? "MAPPACKOK" : "MODPACKOK";
        QCOMPARE(rig.commands.commands, QList<QByteArray>{ok + " FALSE"});
        QVERIFY(!enabled());
        QVERIFY(address().isEmpty());
        dl.Start();
        QVERIFY(!dl.running());
        QVERIFY(!dl.state().barVisible);

        if (leaveFirst) {
            rig.state.own()->State = "";
            rig.panels.followOwnState(QByteArray());
        }
        answer(urlD);
        if (leaveFirst) {
            QVERIFY(!(map ? s.PBMapDLVisible : s.PBModDLVisible));
            QVERIFY(!enabled());
            QVERIFY(address().isEmpty());
            dl.Start();
            QVERIFY(!dl.running());
        } else {
            QCOMPARE(address(), urlD);
            QVERIFY(enabled());
            QSignalSpy finished(&dl, &HutPackDownload::finished);
            dl.Start();
            QVERIFY(dl.running());
            QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
            QCOMPARE(rig.web.requestCount("/d.zip"), 1);
        }
        QCOMPARE(rig.web.requestCount("/c.zip"), 0);
        QVERIFY(!rig.commands.commands.contains(ok + " DOWNLOADING") || !leaveFirst);
        if (leaveFirst)
            QCOMPARE(rig.commands.commands, QList<QByteArray>{ok + " FALSE"});
        QVERIFY(rig.dialogs.questions.isEmpty());
    }

    // Download is for the own hut's pack only: a user in no hut, or a client
    // whose host plays another pack than the panel offers, fetches nothing.
    void startOutsideTheHutFetchesNothing_data()
    {
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<qint32>("hostSlot");
        QTest::newRow("idle") << QByteArray() << qint32(3);
        QTest::newRow("host") << QByteArray("HOST") << qint32(0);
        QTest::newRow("client of another host") << QByteArray("CLIENT") << qint32(4);
    }
    void startOutsideTheHutFetchesNothing()
    {
        QFETCH(QByteArray, state);
        QFETCH(qint32, hostSlot);
        HutRig rig;
        rig.web.serve("/a.zip", QByteArray(100, 'a'));
        rig.hostChooses(true, "0000000A", rig.web.url("/a.zip").toEncoded());
        rig.state.own()->State = state;
        rig.state.own()->HostSlot = hostSlot;
        rig.state.Users.at(4)->State = "HOST";
        HutPackDownload dl(HutPackDownload::Kind::Mappack, rig.state, rig.panels, rig.messages, rig.files.packs,
                           rig.commands, rig.chat, rig.pack(true));
        dl.Start();
        QVERIFY(!dl.running());
        QVERIFY(rig.commands.commands.isEmpty());
        QCOMPARE(rig.web.requestCount("/a.zip"), 0);
    }

    // A hut download while a catalogue run transfers: two files, two packs.
    void hutDownloadDuringACatalogueRun()
    {
        HutRig rig;
        const auto [hutBytes, hutCrc] = rig.kaf("hut");
        rig.serveZip("/hut.zip", {ZipEntry("mappacks/hut.kaf", hutBytes)});
        const auto [shopBytes, shopCrc] = rig.kaf("shop");
        const QByteArray shopZip = rig.serveZip("/shop.zip", {ZipEntry("mappacks/shop.kaf", shopBytes)});
        WebHost::Answer slow;
        slow.body = shopZip;
        slow.chunkBytes = 30;
        slow.chunkIntervalMs = 10;
        rig.web.serve("/shop.zip", slow);
        rig.web.serve("/qx_mappacks.php", "Shop<br>shop.zip<br>" + shopCrc + "<br>a pack<br>END<br>");
        rig.hostChooses(true, hutCrc, rig.web.url("/hut.zip").toEncoded());

        PackDownloads downloads(rig.state, rig.files.packs, rig.panels, rig.messages, rig.commands, rig.chat,
                                rig.dialogs);
        downloads.follow(rig.events);
        downloads.mapRun.Open();
        QSignalSpy runFinished(&downloads.mapRun, &CatalogDownload::runFinished);
        QSignalSpy hutFinished(&downloads.hutMappack, &HutPackDownload::finished);
        bool started = false;
        connect(&downloads.mapRun.downloader(), &DownLoad::RecievedBytes, &downloads.mapRun, [&] {
            if (started)
                return;
            started = true;
            QTimer::singleShot(0, &downloads.hutMappack, [&] { downloads.hutMappack.Start(); });
        });
        downloads.mapRun.cmdDownload_Click({0});
        QTRY_COMPARE_WITH_TIMEOUT(hutFinished.size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(runFinished.size(), 1, 20000);
        QVERIFY(rig.files.packs.findMappack(hutCrc));
        QVERIFY(rig.files.packs.findMappack(shopCrc));
        QCOMPARE(rig.commands.commands.last(), QByteArray("MAPPACKOK TRUE"));
        QVERIFY(rig.chat.systemMessages.isEmpty());
        QVERIFY(!QFile::exists(rig.pack(true).zip(true)));
        QVERIFY(!QFile::exists(rig.pack(true).catalogueZip(true)));
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
