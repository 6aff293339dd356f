#include "core/api/GameSetup.h"
#include "core/util/Ini.h"
#include "packs/PackInfo.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/WebHost.h"
#include "tests/fixtures/ZipBuilder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPackInfo : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    WebHost web;
    GameSetup setup;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(web.listen());
        setup.ProgramFolder = dir.path();
        QVERIFY(Ini::WriteIni(dir.filePath(QStringLiteral("qx.ini")), "general", "webhost", web.hostAndPort()));
    }

    void fetchGivesTheFirstLine()
    {
        web.serve("/getmappack.php", "http://example.invalid/packs/good.zip\r\nmore text\r\n");
        web.serve("/getmodpack.php", "http://example.invalid/mods/mod.zip\n");
        QCOMPARE(FetchMappackInfo(setup, "00001A2B"), QByteArray("http://example.invalid/packs/good.zip"));
        const WebHost::Request r = web.lastRequest();
        QCOMPARE(r.queryValue("crc"), QByteArray("00001A2B"));
        QVERIFY(r.query.startsWith("random="));
        const int random = r.queryValue("random").toInt();
        QVERIFY(random >= 0 && random < 1000);
        QVERIFY(readFile(dir.filePath(QStringLiteral("mappack.txt"))).startsWith("http://example.invalid/packs/good.zip"));

        QCOMPARE(FetchModpackInfo(setup, "CBF43926"), QByteArray("http://example.invalid/mods/mod.zip"));
        QCOMPARE(web.lastRequest().path, QByteArray("/getmodpack.php"));
    }

    void onlyEightHexDigitsAreSent_data()
    {
        QTest::addColumn<QByteArray>("crc");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("OFF") << QByteArray("OFF");
        QTest::newRow("short") << QByteArray("1A2B");
        QTest::newRow("query injection") << QByteArray("1&x=2345");
        QTest::newRow("blank") << QByteArray("1A2B 3C4");
        QTest::newRow("too long") << QByteArray("CBF439261");
    }

    void onlyEightHexDigitsAreSent()
    {
        QFETCH(QByteArray, crc);
        web.serve("/getmappack.php", "http://example.invalid/x.zip\r\n");
        const int before = web.requestCount("/getmappack.php");
        QCOMPARE(FetchMappackInfo(setup, crc), QByteArray());
        QCOMPARE(web.requestCount("/getmappack.php"), before);
    }

    void failuresGiveEmpty()
    {
        web.serve("/getmappack.php", "not found", 404);
        QCOMPARE(FetchMappackInfo(setup, "00001A2B"), QByteArray());
        web.stall("/getmappack.php");
        QElapsedTimer t;
        t.start();
        QCOMPARE(FetchMappackInfo(setup, "00001A2B", 500), QByteArray());
        QVERIFY(t.elapsed() < 5000);
        web.serve("/getmappack.php", QByteArray());
        QCOMPARE(FetchMappackInfo(setup, "00001A2B"), QByteArray());
    }

    void normalizePath()
    {
        QByteArray url("http://host/packs/pack1.zip");
        QCOMPARE(NormalizePath(url), QByteArray("pack1.zip"));
        QCOMPARE(url, QByteArray("http:\\\\host\\packs\\pack1.zip"));
        QByteArray bare("bare.zip");
        QCOMPARE(NormalizePath(bare), QByteArray("bare.zip"));
    }

    void unzipPackWritesOnlyPackArchives()
    {
        const QString zip = dir.filePath(QStringLiteral("mappack.zip"));
        QVERIFY(buildZip(zip, {ZipEntry("mappacks/").dir(), ZipEntry("mappacks/Great Pack.kaf", "KAF")}));
        FakeDialogs dialogs;
        QVERIFY(UnzipPack(zip, dir.path(), dialogs));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("mappacks/Great Pack.kaf"))), QByteArray("KAF"));
        QVERIFY(dialogs.questions.isEmpty());
    }

    // Packs zipped on Windows name the folder in any case; it is the
    // client's own folder all the same.
    void unzipPackFolderInAnyCase()
    {
        QTemporaryDir target;
        const QString zip = target.filePath(QStringLiteral("pack.zip"));
        QVERIFY(buildZip(zip, {ZipEntry("MapPacks/").dir(), ZipEntry("MapPacks/x.kaf", "MAP"),
                               ZipEntry("MODPACKS/y.kaf", "MOD")}));
        FakeDialogs dialogs;
        QVERIFY(UnzipPack(zip, target.path(), dialogs));
        QCOMPARE(readFile(target.filePath(QStringLiteral("mappacks/x.kaf"))), QByteArray("MAP"));
        QCOMPARE(readFile(target.filePath(QStringLiteral("modpacks/y.kaf"))), QByteArray("MOD"));
        QCOMPARE(QDir(target.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("mappacks"), QStringLiteral("modpacks"), QStringLiteral("pack.zip")}));
        QVERIFY(dialogs.questions.isEmpty());
    }

    void unzipPackRefusesAnythingElse_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("file at the top") << QByteArray("readme.txt");
        QTest::newRow("other folder") << QByteArray("skins/x.kaf");
        QTest::newRow("not a kaf") << QByteArray("mappacks/x.exe");
        QTest::newRow("deeper") << QByteArray("mappacks/sub/x.kaf");
        QTest::newRow("only the extension") << QByteArray("modpacks/.kaf");
        QTest::newRow("escape") << QByteArray("mappacks/../qx.ini");
        QTest::newRow("other case folder, deeper") << QByteArray("MAPPACKS/sub/x.kaf");
        QTest::newRow("other case, not a kaf") << QByteArray("ModPacks/x.dll");
    }

    void unzipPackRefusesAnythingElse()
    {
        QFETCH(QByteArray, name);
        QTemporaryDir target;
        const QString zip = target.filePath(QStringLiteral("pack.zip"));
        QVERIFY(buildZip(zip, {ZipEntry("modpacks/fine.kaf", "KAF"), ZipEntry(name, "x")}));
        FakeDialogs dialogs;
        QVERIFY(!UnzipPack(zip, target.path(), dialogs));
        QCOMPARE(dialogs.messages().size(), 1);
        QVERIFY(!dialogs.messages().first().text.isEmpty());
        QCOMPARE(QDir(target.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("pack.zip")});
    }
};

QTEST_GUILESS_MAIN(TestPackInfo)
#include "tst_packinfo.moc"
