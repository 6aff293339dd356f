#include "packs/PackCatalog.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/packs/InstallFixture.h"

#include <QSignalSpy>
#include <QtTest>

using namespace InstallTest;

class tst_PackCatalog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UrlDownload::setDefaultTimeout(3000); }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QList<QByteArray>>("names");
        QTest::addColumn<QList<QByteArray>>("urls");
        QTest::newRow("one record written with <br>, then END")
            << QByteArray("A<br>packs/a.zip<br>0000ABCD<br>first pack<br>END<br>B<br>b.zip<br>0000BBBB<br>x")
            << QList<QByteArray>{"A"} << QList<QByteArray>{"http://h/packs/a.zip"};
        QTest::newRow("CR LF, no END") << QByteArray("A\r\na.zip\r\n00000001\r\none\r\nB\r\nb.zip\r\n00000002\r\ntwo")
                                       << QList<QByteArray>{"A", "B"}
                                       << QList<QByteArray>{"http://h/a.zip", "http://h/b.zip"};
        QTest::newRow("LF lines") << QByteArray("A\na.zip\n00000001\none\n") << QList<QByteArray>{"A"}
                                  << QList<QByteArray>{"http://h/a.zip"};
        QTest::newRow("end and END  are names")
            << QByteArray("end\r\ne.zip\r\n00000001\r\n1\r\nEND \r\nf.zip\r\n00000002\r\n2\r\nEND\r\n")
            << QList<QByteArray>{"end", "END "} << QList<QByteArray>{"http://h/e.zip", "http://h/f.zip"};
        QTest::newRow("END only as a record's first line")
            << QByteArray("A\r\nEND\r\n00000001\r\none\r\n") << QList<QByteArray>{"A"}
            << QList<QByteArray>{"http://h/END"};
        QTest::newRow("cut after line 1") << QByteArray("A\r\na.zip\r\n00000001\r\none\r\nB\r\n")
                                          << QList<QByteArray>{"A"} << QList<QByteArray>{"http://h/a.zip"};
        QTest::newRow("cut after line 3") << QByteArray("A\r\na.zip\r\n00000001\r\none\r\nB\r\nb.zip\r\n00000002")
                                          << QList<QByteArray>{"A"} << QList<QByteArray>{"http://h/a.zip"};
        QTest::newRow("empty description")
            << QByteArray("A\r\na.zip\r\n00000001\r\n\r\nEND") << QList<QByteArray>{"A"}
            << QList<QByteArray>{"http://h/a.zip"};
        QTest::newRow("empty page") << QByteArray() << QList<QByteArray>{} << QList<QByteArray>{};
    }
    void parse()
    {
        QFETCH(QByteArray, page);
        const QList<PackCatalogEntry> entries = ParsePackCatalog(NormalizeCatalogText(page), "http://h/");
        QList<QByteArray> names;
        QList<QByteArray> urls;
        for (const PackCatalogEntry &e : entries) {
            names << e.Name;
            urls << e.Url;
            QVERIFY(e.Extra.isEmpty());
        }
        QTEST(names, "names");
        QTEST(urls, "urls");
    }

    void listsWhatIsNotInstalled()
    {
        Fixture f;
        // The pack's stamps are the clock's, and one crc in forty has no
        // letter, so that its lower-case form would be the installed crc
        // itself: fixed stamps give the same crc, with letters, every run.
        f.addMappack("have.kaf", {{"mappack.txt", "x"}});
        const QString have = WinPath::join(f.setup.MappacksFolder, QStringLiteral("have.kaf"));
        QVERIFY(KafPackBuilder::fixTimes(have));
        const QByteArray installed = crc8(clsCRC32::ofBytes(readFile(have)));
        f.packs.InstalledMappacks.last().Crc = installed;
        QVERIFY2(installed.toLower() != installed, installed.constData());
        QVERIFY(Ini::WriteIni(f.client(QStringLiteral("qx.ini")), "general", "webhost", "h"));
        PackCatalog maps(PackCatalog::Kind::Mappacks, f.setup, f.packs);
        const QByteArray lower = installed.toLower();
        maps.List(NormalizeCatalogText("Have<br>have.zip<br>" + installed + "<br>mine<br>"
                                       "Lower<br>l.zip<br>" + lower + "<br>lower case<br>"
                                       "A<br>packs/a.zip<br>0000ABCD<br>first pack<br>END<br>"));
        QCOMPARE(maps.Count(), 2);
        QCOMPARE(maps.rows(), (QList<QByteArray>{"Lower - lower case   ", "A - first pack   "}));
        QCOMPARE(maps.entries()[0].Crc, lower);
        QCOMPARE(maps.entries()[1].Url, QByteArray("http://h/packs/a.zip"));

        PackCatalog mods(PackCatalog::Kind::Modpacks, f.setup, f.packs);
        mods.List("M\r\nm.zip\r\n" + installed + "\r\nmod text\r\n");
        QCOMPARE(mods.rows(), QList<QByteArray>{"M - mod text"});   // an installed map pack is no mod pack
    }

    void fetchFromTheWebHost()
    {
        Fixture f;
        WebHost web;
        QVERIFY(web.listen());
        QVERIFY(Ini::WriteIni(f.client(QStringLiteral("qx.ini")), "general", "webhost", web.hostAndPort()));
        web.serve("/qx_mappacks.php", "A<br>packs/a.zip<br>0000ABCD<br>first pack<br>END<br>");
        web.serve("/qx_modpacks.php", "M\r\nm.zip\r\n0000EEEE\r\nmod\r\n");
        PackCatalog maps(PackCatalog::Kind::Mappacks, f.setup, f.packs);
        PackCatalog mods(PackCatalog::Kind::Modpacks, f.setup, f.packs);
        maps.Fetch();
        mods.Fetch();
        QCOMPARE(maps.rows(), QList<QByteArray>{"A - first pack   "});
        QCOMPARE(maps.entries()[0].Url, "http://" + web.hostAndPort() + "/packs/a.zip");
        QCOMPARE(mods.rows(), QList<QByteArray>{"M - mod"});
        QCOMPARE(readFile(f.client(QStringLiteral("mappacks.txt"))),
                 QByteArray("A\r\npacks/a.zip\r\n0000ABCD\r\nfirst pack\r\nEND\r\n\r\n"));
        QCOMPARE(readFile(f.client(QStringLiteral("modpacks.txt"))), QByteArray("M\r\nm.zip\r\n0000EEEE\r\nmod\r\n\r\n"));
        const QByteArray random = web.requests[0].queryValue("random");
        bool ok = false;
        QVERIFY(random.toInt(&ok) >= 0 && ok && random.toInt() < 20000);

        // A failed fetch empties the list, whatever an earlier one showed.
        web.serve("/qx_mappacks.php", "gone", 404);
        QSignalSpy changed(&maps, &PackCatalog::listChanged);
        maps.Fetch();
        QCOMPARE(maps.Count(), 0);
        QVERIFY(maps.rows().isEmpty());
        QVERIFY(!changed.isEmpty());
    }
};

QTEST_MAIN(tst_PackCatalog)
#include "tst_packcatalog.moc"
