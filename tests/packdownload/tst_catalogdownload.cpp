#include "packs/PackCatalog.h"
#include "packs/download/CatalogDownload.h"
#include "tests/fixtures/PackShop.h"
#include "tests/packdownload/DownloadRig.h"

#include <QMap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace InstallTest;

class tst_CatalogDownload : public QObject
{
    Q_OBJECT

    static QByteArray record(const QByteArray &name, const QByteArray &zip, const QByteArray &crc)
    {
        return name + "<br>" + zip + "<br>" + crc + "<br>" + name + " pack<br>";
    }
    static QStringList kafNames(const QString &folder)
    {
        return QDir(folder).entryList({QStringLiteral("*.kaf")}, QDir::Files, QDir::Name);
    }

private Q_SLOTS:
    void twoPacksOneAfterTheOther_data()
    {
        QTest::addColumn<bool>("map");
        QTest::newRow("map packs") << true;
        QTest::newRow("mod packs") << false;
    }
    void twoPacksOneAfterTheOther()
    {
        QFETCH(bool, map);
        DownloadRig rig;
        const QByteArray folder = map ? "mappacks/" : "modpacks/";
        const auto [aBytes, aCrc] = rig.kaf("a");
        const auto [bBytes, bCrc] = rig.kaf("b");
        rig.serveZip("/packs/a.zip", {ZipEntry(folder).dir(), ZipEntry(folder + "a.kaf", aBytes)});
        rig.serveZip("/packs/b.zip", {ZipEntry(folder + "b.kaf", bBytes)});
        const QString packFolder = map ? rig.files.setup.MappacksFolder : rig.files.setup.ModpacksFolder;
        // A stale checksum cache of a.kaf must not name the new archive.
        writeFile(WinPath::join(packFolder, QByteArray("a.kaf.crc")), "stale");
        rig.web.serve(map ? "/qx_mappacks.php" : "/qx_modpacks.php",
                      record("A", "packs/a.zip", aCrc) + record("B", "packs/b.zip", bCrc) + "END<br>");

        PackCatalog catalog(map ? PackCatalog::Kind::Mappacks : PackCatalog::Kind::Modpacks, rig.files.setup,
                            rig.files.packs);
        RecordingChatOutput chat;
        CatalogDownload run(catalog, rig.pack(map), chat);
        run.Open();
        QVERIFY(run.state().panelVisible);
        QCOMPARE(catalog.Count(), 2);
        // The list, as the view would show it, disabled while the run goes.
        QList<CatalogDownload::State> seen;
        connect(&run, &CatalogDownload::changed, &run, [&] { seen << run.state(); });
        QSignalSpy finished(&run, &CatalogDownload::runFinished);
        run.cmdDownload_Click({1, 0});
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);

        QCOMPARE(kafNames(packFolder), (QStringList{"a.kaf", "b.kaf"}));
        QCOMPARE(readFile(WinPath::join(packFolder, QByteArray("a.kaf"))), aBytes);
        QVERIFY(!QFile::exists(rig.pack(map).catalogueZip(map)));
        const QList<InstalledPack> &installed = map ? rig.files.packs.InstalledMappacks : rig.files.packs.InstalledModpacks;
        QCOMPARE(installed.size(), 2);
        QCOMPARE(installed[0].Crc, aCrc);
        QCOMPARE(catalog.Count(), 0);   // listed again: both are installed now
        // A before B, each fetched whole before the next began.
        QList<QByteArray> zips;
        for (const WebHost::Request &r : rig.web.requests) {
            if (r.path.endsWith(".zip"))
                zips << r.path;
        }
        QCOMPARE(zips, (QList<QByteArray>{"/packs/a.zip", "/packs/b.zip"}));
        QVERIFY(std::any_of(seen.begin(), seen.end(), [](const CatalogDownload::State &s) {
            return s.running && !s.listEnabled && !s.downloadEnabled && s.cancelVisible && s.barVisible;
        }));
        const CatalogDownload::State &end = run.state();
        QVERIFY(!end.running && end.listEnabled && end.downloadEnabled && end.selectEnabled && !end.cancelVisible
                && !end.barVisible);
        QVERIFY(chat.systemMessages.isEmpty());
        QVERIFY(rig.dialogs.questions.isEmpty());
    }

    void failedPackIsSkipped()
    {
        DownloadRig rig;
        const auto [bBytes, bCrc] = rig.kaf("b");
        rig.serveZip("/b.zip", {ZipEntry("mappacks/b.kaf", bBytes)});
        WebHost::Answer cut;
        cut.body = QByteArray(5000, 'z');
        cut.mode = WebHost::Answer::Mode::CloseMidBody;
        cut.closeAfter = 100;
        rig.web.serve("/cut.zip", cut);
        rig.web.serve("/qx_mappacks.php", record("Gone", "gone.zip", "00000001") + record("Cut", "cut.zip", "00000002")
                                              + record("B", "b.zip", bCrc));
        PackCatalog catalog(PackCatalog::Kind::Mappacks, rig.files.setup, rig.files.packs);
        RecordingChatOutput chat;
        CatalogDownload run(catalog, rig.pack(true), chat);
        run.Open();
        QSignalSpy finished(&run, &CatalogDownload::runFinished);
        run.cmdDownload_Click({0, 1, 2});
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QCOMPARE(kafNames(rig.files.setup.MappacksFolder), QStringList{"b.kaf"});
        QCOMPARE(chat.systemMessages.size(), 2);
        QVERIFY(chat.systemMessages[0].contains("Gone"));
        QVERIFY(chat.systemMessages[0].contains("File Not Found!"));
        QVERIFY(chat.systemMessages[1].contains("Cut"));
        QVERIFY(!QFile::exists(rig.pack(true).catalogueZip(true)));
        QCOMPARE(catalog.rows(), (QList<QByteArray>{"Gone - Gone pack   ", "Cut - Cut pack   "}));
    }

    void noRowSelected()
    {
        DownloadRig rig;
        rig.web.serve("/qx_mappacks.php", record("A", "a.zip", "00000001"));
        PackCatalog catalog(PackCatalog::Kind::Mappacks, rig.files.setup, rig.files.packs);
        RecordingChatOutput chat;
        CatalogDownload run(catalog, rig.pack(true), chat);
        run.Open();
        QSignalSpy finished(&run, &CatalogDownload::runFinished);
        run.cmdDownload_Click({});
        QCOMPARE(finished.size(), 1);
        QCOMPARE(rig.web.requestCount("/qx_mappacks.php"), 2);
        QVERIFY(run.state().listEnabled && run.state().status.isEmpty());
    }

    void progress()
    {
        DownloadRig rig;
        PackCatalog catalog(PackCatalog::Kind::Mappacks, rig.files.setup, rig.files.packs);
        RecordingChatOutput chat;
        CatalogDownload run(catalog, rig.pack(true), chat);
        run.DownloadProgress(1024);
        run.DownloadProgress(2048);
        QCOMPARE(run.state().barValue, 0);
        run.DownloadProgress(3072);
        QCOMPARE(run.state().barValue, 3);
    }

    void barCountsKilobytes()
    {
        DownloadRig rig;
        WebHost::Answer a;
        a.body = QByteArray(51234, 'x');
        a.status = 200;
        rig.web.serve("/p.zip", a);
        rig.web.serve("/qx_mappacks.php", record("P", "p.zip", "00000001"));
        PackCatalog catalog(PackCatalog::Kind::Mappacks, rig.files.setup, rig.files.packs);
        RecordingChatOutput chat;
        CatalogDownload run(catalog, rig.pack(true), chat);
        run.Open();
        qint32 max = 0;
        qint32 lastValue = 0;
        connect(&run, &CatalogDownload::changed, &run, [&] {
            if (run.state().barVisible) {
                max = run.state().barMax;
                lastValue = run.state().barValue;
            }
        });
        QSignalSpy finished(&run, &CatalogDownload::runFinished);
        run.cmdDownload_Click({0});
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QCOMPARE(max, 50);
        QCOMPARE(lastValue, 50);
        QCOMPARE(rig.dialogs.questions.size(), 1);   // not a zip: UnzipPack says so
    }

    void cancelDuringTheTransfer()
    {
        DownloadRig rig;
        WebHost::Answer slow;
        slow.body = QByteArray(400000, 'x');
        slow.chunkBytes = 2000;
        slow.chunkIntervalMs = 20;
        rig.web.serve("/slow.zip", slow);
        rig.web.serve("/qx_mappacks.php", record("Slow", "slow.zip", "00000001"));
        PackCatalog catalog(PackCatalog::Kind::Mappacks, rig.files.setup, rig.files.packs);
        RecordingChatOutput chat;
        CatalogDownload run(catalog, rig.pack(true), chat);
        run.Open();
        bool sawZip = false;
        connect(&run.downloader(), &DownLoad::RecievedBytes, &run, [&] {
            if (sawZip)
                return;
            sawZip = QFile::exists(rig.pack(true).catalogueZip(true));
            run.CancelDownload();
        });
        QSignalSpy finished(&run, &CatalogDownload::runFinished);
        run.cmdDownload_Click({0});
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QVERIFY(sawZip);
        QVERIFY(!QFile::exists(rig.pack(true).catalogueZip(true)));   // deleted once the transfer let go of it
        QVERIFY(!run.downloader().InDL());
        QVERIFY(kafNames(rig.files.setup.MappacksFolder).isEmpty());
        QVERIFY(run.state().listEnabled && !run.state().cancelVisible && !run.state().barVisible);
        QCOMPARE(catalog.Count(), 1);
    }

    void cancelWithoutARun()
    {
        DownloadRig rig;
        rig.web.serve("/qx_modpacks.php", record("M", "m.zip", "00000001"));
        writeFile(rig.pack(false).catalogueZip(false), "leftover");
        // A hut download's zip, maybe still being written, is not the run's.
        writeFile(rig.pack(false).zip(false), "hut");
        PackCatalog catalog(PackCatalog::Kind::Modpacks, rig.files.setup, rig.files.packs);
        RecordingChatOutput chat;
        CatalogDownload run(catalog, rig.pack(false), chat);
        run.CancelDownload();
        QVERIFY(!QFile::exists(rig.pack(false).catalogueZip(false)));
        QCOMPARE(readFile(rig.pack(false).zip(false)), QByteArray("hut"));
        QCOMPARE(catalog.Count(), 1);
    }

    // The catalogue opened again while a run goes: the list shown changes,
    // the run installs exactly the packs selected when it started.
    void reopenDuringARun_data()
    {
        QTest::addColumn<QByteArray>("second");   // the page the second fetch gets
        QTest::newRow("failing page") << QByteArray("fail");
        QTest::newRow("shorter page") << QByteArray("C");
        QTest::newRow("reordered page") << QByteArray("CBA");
        QTest::newRow("a pack dropped before the selected ones") << QByteArray("BC");
    }
    void reopenDuringARun()
    {
        QFETCH(QByteArray, second);
        DownloadRig rig;
        QMap<QByteArray, QByteArray> crcs;
        for (const QByteArray name : {"a", "b", "c"}) {
            const auto [bytes, crc] = rig.kaf(name);
            crcs[name.toUpper()] = crc;
            const QByteArray zip = rig.serveZip("/" + name + ".zip", {ZipEntry("mappacks/" + name + ".kaf", bytes)});
            // Slow enough for a click to come while it arrives.
            WebHost::Answer slow;
            slow.body = zip;
            slow.chunkBytes = 40;
            slow.chunkIntervalMs = 10;
            rig.web.serve("/" + name + ".zip", slow);
        }
        auto page = [&](const QByteArray &names) {
            QByteArray text;
            for (const char n : names)
                text += record(QByteArray(1, n), QByteArray(1, char(n + 32)) + ".zip", crcs[QByteArray(1, n)]);
            return text + "END<br>";
        };
        WebHost::Answer first;
        first.body = page("ABC");
        WebHost::Answer later;
        later.body = second == "fail" ? QByteArray("oops") : page(second);
        later.status = second == "fail" ? 500 : 200;
        rig.web.serveSequence("/qx_mappacks.php", {first, later});

        PackCatalog catalog(PackCatalog::Kind::Mappacks, rig.files.setup, rig.files.packs);
        RecordingChatOutput chat;
        CatalogDownload run(catalog, rig.pack(true), chat);
        run.Open();
        QCOMPARE(catalog.Count(), 3);
        bool reopened = false;
        connect(&run.downloader(), &DownLoad::RecievedBytes, &run, [&] {
            if (reopened)
                return;
            reopened = true;
            // As the player's click on the catalogue opener: from the event loop.
            QTimer::singleShot(0, &run, [&run] { run.Open(); });
        });
        QSignalSpy finished(&run, &CatalogDownload::runFinished);
        run.cmdDownload_Click({0, 2});   // A and C
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
        QVERIFY(reopened);
        QCOMPARE(kafNames(rig.files.setup.MappacksFolder), (QStringList{"a.kaf", "c.kaf"}));
        QVERIFY(chat.systemMessages.isEmpty());
        QVERIFY(rig.dialogs.questions.isEmpty());
        QVERIFY(!QFile::exists(rig.pack(true).catalogueZip(true)));
        QCOMPARE(rig.web.requestCount("/b.zip"), 0);
    }

    void slowTransferSaysWhy()
    {
        DownloadRig rig;
        rig.web.serve("/slow.zip", WebHost::hostile("trickle body", QByteArray(3000, 's'), 50));
        rig.web.serve("/qx_mappacks.php", record("Slow", "slow.zip", "00000001"));
        PackCatalog catalog(PackCatalog::Kind::Mappacks, rig.files.setup, rig.files.packs);
        RecordingChatOutput chat;
        CatalogDownload run(catalog, rig.pack(true), chat);
        run.downloader().setBounds(UrlDownload::TransferBounds::within(400));
        run.Open();
        QSignalSpy finished(&run, &CatalogDownload::runFinished);
        run.cmdDownload_Click({0});
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(chat.systemMessages,
                 QList<QByteArray>{"Could not download the mappack Slow (less than 4096 bytes arrived in 400 ms); "
                                   "it is skipped."});
        QVERIFY(!QFile::exists(rig.pack(true).catalogueZip(true)));
    }

    void closingDuringATransferLeavesNoFile()
    {
        DownloadRig rig;
        rig.web.serve("/slow.zip", WebHost::hostile("trickle body", QByteArray(3000, 's'), 20));
        rig.web.serve("/qx_mappacks.php", record("Slow", "slow.zip", "00000001"));
        PackCatalog catalog(PackCatalog::Kind::Mappacks, rig.files.setup, rig.files.packs);
        RecordingChatOutput chat;
        auto run = std::make_unique<CatalogDownload>(catalog, rig.pack(true), chat);
        run->Open();
        QSignalSpy received(&run->downloader(), &DownLoad::RecievedBytes);
        run->cmdDownload_Click({0});
        QVERIFY(received.wait(5000));
        QVERIFY(QFile::exists(rig.pack(true).catalogueZip(true)));
        run.reset();   // the client closes
        QVERIFY(!QFile::exists(rig.pack(true).catalogueZip(true)));
    }

    // The development lobby's shop: built again (another start, another
    // second), each pack is the same archive with the same crc8.
    void shopPacksKeepTheirCrcs()
    {
        WebHost web;
        QVERIFY(web.listen());
        QTemporaryDir one;
        QTemporaryDir two;
        const QList<ShopPack> first = openPackShop(web, one.path());
        const QList<ShopPack> second = openPackShop(web, two.path());
        QCOMPARE(first.size(), second.size());
        for (qsizetype i = 0; i < first.size(); ++i) {
            QCOMPARE(first[i].crc, second[i].crc);
            KAFHandler kaf;
            QVERIFY(kaf.OpenFile(first[i].kaf));
            QCOMPARE(kaf.getTimeAdded(0), QByteArray("12:00:00"));
            QCOMPARE(kaf.getDateAdded(0), QByteArray("01/01/2001"));
        }
    }

    void hostileZipsChangeNothing_data()
    {
        QTest::addColumn<QList<ZipEntry>>("entries");
        const QByteArray kafBytes(3000, 'k');
        QTest::newRow("outside mappacks") << QList<ZipEntry>{ZipEntry("mappacks/a.kaf", kafBytes), ZipEntry("qx.ini", "[x]")};
        QTest::newRow("dot dot") << QList<ZipEntry>{ZipEntry("mappacks/../qx.ini", "[x]")};
        QTest::newRow("deeper") << QList<ZipEntry>{ZipEntry("mappacks/sub/a.kaf", kafBytes)};
        QTest::newRow("not a kaf") << QList<ZipEntry>{ZipEntry("mappacks/a.exe", kafBytes)};
        QTest::newRow("symlink") << QList<ZipEntry>{ZipEntry("mappacks/a.kaf", "../qx.ini").link()};
        QTest::newRow("bomb") << QList<ZipEntry>{ZipEntry("mappacks/a.kaf", QByteArray(8 << 20, '\0'))};
    }
    void hostileZipsChangeNothing()
    {
        QFETCH(QList<ZipEntry>, entries);
        DownloadRig rig;
        rig.files.addMappack("old.kaf", {{"mappack.txt", "old"}});
        rig.files.packs.BuildMappackCrcList();
        rig.serveZip("/bad.zip", entries);
        rig.web.serve("/qx_mappacks.php", record("Bad", "bad.zip", "00000001"));
        PackCatalog catalog(PackCatalog::Kind::Mappacks, rig.files.setup, rig.files.packs);
        RecordingChatOutput chat;
        CatalogDownload run(catalog, rig.pack(true), chat);
        run.Open();
        const Snapshot before = snapshot(rig.files.setup.ProgramFolder);
        QSignalSpy finished(&run, &CatalogDownload::runFinished);
        run.cmdDownload_Click({0});
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
        QCOMPARE(difference(before, snapshot(rig.files.setup.ProgramFolder)), QString());
        QCOMPARE(rig.dialogs.messages().size(), 1);   // UnzipPack's own report
    }
};

QTEST_MAIN(tst_CatalogDownload)
#include "tst_catalogdownload.moc"
