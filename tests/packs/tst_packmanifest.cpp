#include "packs/PackManifest.h"

#include <QtTest>

using LevelFile = MappackInstallManifest::LevelFile;

class TestPackManifest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installReading()
    {
        const QByteArray text = "PACKCREATOR:Someone\r\n"
                                "LEVEL:\r\n"
                                "NAME: First Land\r\n"
                                "DAT: maps\\one.dat\r\n"
                                "HDR: one.hdr\r\n"
                                "CREATOR: Ann\r\n"
                                "LANG 5:not in a block? yes it is\r\n"
                                "\r\n"
                                "LEVEL:\r\n"
                                "NAME: Second\r\n"
                                "DAT: two.dat\r\n"
                                "HDR: C:\\x\\two.hdr\r\n"
                                "\r\n"
                                "LANG 100:Text: with colon\r\n"
                                "LANG  7 :spaced\r\n"
                                "LANG:8:direct\r\n";
        const MappackInstallManifest m = ReadMappackManifestForInstall(text);
        QVERIFY2(m.Valid, m.Error.constData());
        QCOMPARE(m.Levels.size(), 2);
        QCOMPARE(m.Levels.at(0).Name, QByteArray("First Land"));
        QCOMPARE(m.Levels.at(0).DatFile, QByteArray("one.dat"));
        QCOMPARE(m.Levels.at(1).HdrFile, QByteArray("two.hdr"));
        QCOMPARE(m.Files.size(), 4);
        QCOMPARE(m.Files.at(0).Level, 1);
        QCOMPARE(m.Files.at(0).Member, QByteArray("one.dat"));
        QVERIFY(!m.Files.at(0).Header);
        QVERIFY(m.Files.at(3).Header);
        QCOMPARE(m.Files.at(3).Level, 2);
        QCOMPARE(m.LanguageEntries,
                 (QList<LanguageEntry>{{720, "First Land"}, {721, "Second"}, {100, "Text: with colon"},
                                       {7, "spaced"}, {8, "direct"}}));
    }

    void installEdges_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("levels");
        QTest::addColumn<QByteArray>("lastName");
        QTest::newRow("block ends at end of file") << QByteArray("LEVEL:\r\nNAME: End\r\nDAT: e.dat") << 1 << QByteArray("End");
        QTest::newRow("name of six characters") << QByteArray("LEVEL:\r\nNAME: \r\n\r\n") << 1 << QByteArray();
        QTest::newRow("LEVEL without colon counts") << QByteArray("LEVELX\r\nNAME: A\r\n") << 1 << QByteArray("A");
        QTest::newRow("blank line is not empty") << QByteArray("LEVEL:\r\n \r\nNAME: B\r\n") << 1 << QByteArray("B");
        QTest::newRow("lower case starts nothing") << QByteArray("level:\r\nNAME: C\r\n") << 0 << QByteArray();
        QTest::newRow("lone LF lines") << QByteArray("LEVEL:\nNAME: D\n\n") << 1 << QByteArray("D");
    }

    void installEdges()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, levels);
        QFETCH(QByteArray, lastName);
        const MappackInstallManifest m = ReadMappackManifestForInstall(text);
        QVERIFY(m.Valid);
        QCOMPARE(m.Levels.size(), levels);
        if (levels)
            QCOMPARE(m.Levels.last().Name, lastName);
    }

    void installRefusals_data()
    {
        QTest::addColumn<QByteArray>("text");
        QByteArray seventeen;
        for (int i = 0; i < 17; ++i)
            seventeen += "LEVEL:\r\nNAME: L\r\n\r\n";
        QTest::newRow("seventeen levels") << seventeen;
        QTest::newRow("language line without colon") << QByteArray("LANG 12 no colon\r\n");
        QTest::newRow("data file that is a folder") << QByteArray("LEVEL:\r\nDAT: maps\\\r\n");
        QTest::newRow("data file dot dot") << QByteArray("LEVEL:\r\nDAT: x\\..\r\n");
        QTest::newRow("header with a colon") << QByteArray("LEVEL:\r\nHDR: C:x.hdr\r\n");
        QTest::newRow("NUL in a name") << QByteArray("LEVEL:\r\nDAT: a\0b.dat\r\n", 20);
    }

    void installRefusals()
    {
        QFETCH(QByteArray, text);
        const MappackInstallManifest m = ReadMappackManifestForInstall(text);
        QVERIFY(!m.Valid);
        QVERIFY(!m.Error.isEmpty());
        QVERIFY(m.Levels.isEmpty());
        QVERIFY(m.LanguageEntries.isEmpty());
        QVERIFY(m.Files.isEmpty());
    }

    void previewReading()
    {
        const QByteArray text = "PACKCREATOR:Someone\r\n"
                                "LEVEL:\r\n"
                                "NAME: One\r\n"
                                "DAT: sub\\one.dat\r\n"
                                "HDR: one.hdr\r\n"
                                "CREATOR: X\r\n"
                                "\r\n"
                                "level:\r\n"
                                "NAME: not a level\r\n"
                                "LEVEL:\r\n"
                                "Two\r\n"           // the name line is not tested for its key
                                "DAT: two.dat\r\n"
                                "   \r\n"           // only blanks: closes the block
                                "CREATOR: outside\r\n"
                                "LEVEL:\r\n";       // names no level
        const MappackPreviewManifest m = ReadMappackManifestForPreview(text);
        QCOMPARE(m.Levels.size(), 2);
        QCOMPARE(m.Levels.at(0).Name, QByteArray("One"));
        QCOMPARE(m.Levels.at(0).DatFile, QByteArray("one.dat"));
        QCOMPARE(m.Levels.at(0).HdrFile, QByteArray("one.hdr"));
        QCOMPARE(m.Levels.at(0).Creator, QByteArray("X"));
        QCOMPARE(m.Levels.at(1).Name, QByteArray(""));
        QCOMPARE(m.Levels.at(1).DatFile, QByteArray("two.dat"));
        QCOMPARE(m.Levels.at(1).Creator, QByteArray());
    }

    void modpackReading()
    {
        const QByteArray text = "Creator Name\r\n"
                                "Title of Pack\r\n"
                                "EXTRASRC: files\\hfx0-0.dat\r\n"
                                "DESTFILE: data\\hfx0-0.dat\r\n"
                                "EXTRASRC: sky.dat\r\n"
                                "DESTFILE: data/sky0-0.dat  \r\n";
        const ModpackManifest m = ReadModpackManifest(text);
        QVERIFY2(m.Valid, m.Error.constData());
        QCOMPARE(m.Creator, QByteArray("Creator Name"));
        QCOMPARE(m.Title, QByteArray("Title of Pack"));
        QCOMPARE(m.Files.size(), 2);
        QCOMPARE(m.Files.at(0).Source, QByteArray("hfx0-0.dat"));
        QCOMPARE(m.Files.at(0).Destination, QByteArray("data\\hfx0-0.dat"));
        QCOMPARE(m.Files.at(0).DestinationParts, (QStringList{QStringLiteral("data"), QStringLiteral("hfx0-0.dat")}));
        QCOMPARE(m.Files.at(1).DestinationParts, (QStringList{QStringLiteral("data"), QStringLiteral("sky0-0.dat")}));
    }

    void modpackRefusals_data()
    {
        QTest::addColumn<QByteArray>("destination");
        QTest::newRow("parent") << QByteArray("..\\..\\x.dat");
        QTest::newRow("inner parent") << QByteArray("data\\..\\..\\x.dat");
        QTest::newRow("game folder root only") << QByteArray("\\");
        QTest::newRow("root then parent") << QByteArray("\\..\\x.dat");
        QTest::newRow("slash absolute") << QByteArray("/etc/x");
        QTest::newRow("drive") << QByteArray("C:\\x.dat");
        QTest::newRow("drive relative") << QByteArray("C:x.dat");
        QTest::newRow("UNC") << QByteArray("\\\\server\\share\\x");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("NUL") << QByteArray("data\\a\0b", 8);
        QTest::newRow("control") << QByteArray("data\\a\x02");
    }

    void modpackRefusals()
    {
        QFETCH(QByteArray, destination);
        // A good pair first: the manifest is refused whole, not in part.
        const QByteArray text = "c\r\nt\r\nEXTRASRC: ok.dat\r\nDESTFILE: data\\ok.dat\r\nEXTRASRC: x.dat\r\nDESTFILE: "
            + destination + "\r\n";
        const ModpackManifest m = ReadModpackManifest(text);
        QVERIFY(!m.Valid);
        QVERIFY(!m.Error.isEmpty());
        QVERIFY(m.Files.isEmpty());
    }

    // On Windows a destination after "\\" was taken from the game folder's
    // root: it still is.
    void modpackDestinationFromGameRoot()
    {
        const ModpackManifest m = ReadModpackManifest("c\r\nt\r\nEXTRASRC: x.dat\r\nDESTFILE: \\data\\x.dat\r\n");
        QVERIFY2(m.Valid, m.Error.constData());
        QCOMPARE(m.Files.size(), 1);
        QCOMPARE(m.Files.at(0).Destination, QByteArray("\\data\\x.dat"));
        QCOMPARE(m.Files.at(0).DestinationParts, (QStringList{QStringLiteral("data"), QStringLiteral("x.dat")}));
    }

    // An empty data or header value skips that one file; the rest stays.
    void installSkipsEmptyFileLines()
    {
        const QByteArray text = "LEVEL:\r\n"
                                "NAME: One\r\n"
                                "DAT:\r\n"
                                "HDR: one.hdr\r\n"
                                "\r\n"
                                "LEVEL:\r\n"
                                "NAME: Two\r\n"
                                "DAT: two.dat\r\n"
                                "HDR:   \r\n"
                                "\r\n"
                                "LANG 5: five\r\n";
        const MappackInstallManifest m = ReadMappackManifestForInstall(text);
        QVERIFY2(m.Valid, m.Error.constData());
        QCOMPARE(m.Levels.size(), 2);
        QCOMPARE(m.Levels.at(0).DatFile, QByteArray());
        QCOMPARE(m.Levels.at(0).HdrFile, QByteArray("one.hdr"));
        QCOMPARE(m.Levels.at(1).DatFile, QByteArray("two.dat"));
        QCOMPARE(m.Levels.at(1).HdrFile, QByteArray());
        QCOMPARE(m.Files.size(), 2);
        QCOMPARE(m.Files.at(0).Member, QByteArray("one.hdr"));
        QCOMPARE(m.Files.at(1).Member, QByteArray("two.dat"));
        QCOMPARE(m.LanguageEntries.size(), 3);
    }

    void modpackEdges()
    {
        QVERIFY(!ReadModpackManifest("c\r\nt\r\nEXTRASRC: last.dat\r\n").Valid);
        QVERIFY(!ReadModpackManifest("c\r\nt\r\nEXTRASRC: ..\r\nDESTFILE: data\\x\r\n").Valid);
        const ModpackManifest shortOne = ReadModpackManifest("only creator");
        QVERIFY(shortOne.Valid);
        QCOMPARE(shortOne.Creator, QByteArray("only creator"));
        QCOMPARE(shortOne.Title, QByteArray());
        // The destination line is taken whatever it holds, even a key.
        const ModpackManifest pair = ReadModpackManifest("c\r\nt\r\nEXTRASRC: a.dat\r\nEXTRASRC: b.dat\r\n");
        QVERIFY(pair.Valid);
        QCOMPARE(pair.Files.size(), 1);
        QCOMPARE(pair.Files.at(0).Destination, QByteArray("b.dat"));
    }

    void levelHeader()
    {
        QByteArray header(120, '\x07');
        header[88] = 4;
        header[96] = 2;
        QCOMPARE(LevelHeader::Players(header), 4);
        QCOMPARE(LevelHeader::LandTexture(header), 2);
        const QByteArray cleared = LevelHeader::WithLandTextureCleared(header);
        QCOMPARE(cleared.size(), 120);
        QCOMPARE(cleared.at(96), '\0');
        QCOMPARE(cleared.at(97), '\0');
        QCOMPARE(cleared.left(96), header.left(96));
        QCOMPARE(cleared.mid(98), header.mid(98));
        QCOMPARE(LevelHeader::Players(QByteArray(88, 'x')), -1);
        QCOMPARE(LevelHeader::LandTexture(QByteArray(96, 'x')), -1);
        QCOMPARE(LevelHeader::WithLandTextureCleared(QByteArray()), QByteArray(98, '\0'));
        QCOMPARE(LevelHeader::Players(QByteArray(89, '\xff')), 255);
    }

    void memberNames()
    {
        QCOMPARE(PackMemberName("C:\\maps\\x.dat"), QByteArray("x.dat"));
        QCOMPARE(PackMemberName("maps/x.dat"), QByteArray("x.dat"));
        QCOMPARE(PackMemberName("x.dat"), QByteArray("x.dat"));
    }
};

QTEST_GUILESS_MAIN(TestPackManifest)
#include "tst_packmanifest.moc"
