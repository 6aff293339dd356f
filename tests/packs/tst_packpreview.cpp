// Reading packs for the map and mod previews: levels, level files and
// headers, mod pictures and texts, hostile packs, and that nothing is ever
// written. The level picture's pixels for known height maps.
#include "packs/LevelPicture.h"
#include "packs/MapPackPreview.h"
#include "packs/ModPackPreview.h"
#include "packs/PackFileReader.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/packs/InstallFixture.h"

#include <QDateTime>
#include <QTest>

using namespace InstallTest;

namespace {

struct Level
{
    QByteArray name, dat, hdr, creator;
};

QByteArray manifest(const QList<Level> &levels, const QByteArray &end = "\r\n")
{
    QByteArray out = "PACKCREATOR: someone" + end;
    for (const Level &l : levels) {
        out += "LEVEL:" + end + "NAME: " + l.name + end + "DAT: " + l.dat + end + "HDR: " + l.hdr + end;
        if (!l.creator.isNull())
            out += "CREATOR: " + l.creator + end;
        out += end;
    }
    return out + "LANG 5:text" + end;
}

// A height map of one height everywhere but a square of another.
QByteArray heightMap(int sea, int x0, int y0, int side, int height, int size = LevelPicture::Bytes)
{
    QByteArray map(size, '\0');
    for (int i = 0; i + 1 < size; i += 2) {
        const int cell = i / 2;
        const int x = cell % LevelPicture::Side, y = cell / LevelPicture::Side;
        const bool in = x >= x0 && x < x0 + side && y >= y0 && y < y0 + side;
        const int h = in ? height : sea;
        map[i] = char(h & 0xFF);
        map[i + 1] = char(h >> 8);
    }
    return map;
}

QByteArray header(int size, int players, int texture)
{
    QByteArray h(size, '\x11');
    if (size >= 89)
        h[88] = char(players);
    if (size >= 97)
        h[96] = char(texture);
    return h;
}

QList<QByteArray> names(const QList<MappackLevel> &levels)
{
    QList<QByteArray> out;
    for (const MappackLevel &l : levels)
        out << l.Name;
    return out;
}

QList<QByteArray> numbered(const char *prefix, int count)
{
    QList<QByteArray> out;
    for (int i = 1; i <= count; ++i)
        out << prefix + QByteArray::number(i);
    return out;
}

QList<Level> levelsNamed(const QList<QByteArray> &names)
{
    QList<Level> out;
    for (const QByteArray &n : names)
        out.append({n, n + ".dat", n + ".hdr", "by " + n});
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Level)

class tst_PackPreview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void levels_data();
    void levels();
    void level_data();
    void level();
    void previewFollowsItsOwnPack();
    void brokenMapPack();
    void modPreview_data();
    void modPreview();
    void modPreviewOfMissingOrBrokenPack();
    void readingWritesNothing();
    void selectedPackIsReadOnce();
    void longLinesBreakForDisplay_data();
    void longLinesBreakForDisplay();
    void packOfTooManyRecords();
    void heightColours_data();
    void heightColours();
    void levelPicturePixels();
    void levelPictureOfShortFile();
};

void tst_PackPreview::levels_data()
{
    QTest::addColumn<Fixture::Members>("members");
    QTest::addColumn<QList<QByteArray>>("names");
    QTest::addColumn<QList<QByteArray>>("datFiles");

    QTest::newRow("one level") << Fixture::Members{{"mappack.txt", manifest(levelsNamed({"Alpha"}))}}
                               << QList<QByteArray>{"Alpha"} << QList<QByteArray>{"Alpha.dat"};
    QTest::newRow("LF line ends")
        << Fixture::Members{{"mappack.txt", manifest(levelsNamed({"A", "B"}), "\n")}}
        << QList<QByteArray>{"A", "B"} << QList<QByteArray>{"A.dat", "B.dat"};
    QTest::newRow("sixteen levels") << Fixture::Members{{"mappack.txt", manifest(levelsNamed(numbered("L", 16)))}}
                                    << numbered("L", 16) << [] {
                                           QList<QByteArray> d;
                                           for (const QByteArray &n : numbered("L", 16))
                                               d << n + ".dat";
                                           return d;
                                       }();
    // A pack holds sixteen levels; a seventeenth block is not offered.
    QTest::newRow("seventeen levels")
        << Fixture::Members{{"mappack.txt", manifest(levelsNamed(numbered("L", 17)))}} << numbered("L", 16)
        << [] {
               QList<QByteArray> d;
               for (const QByteArray &n : numbered("L", 16))
                   d << n + ".dat";
               return d;
           }();
    // Names outside the pack's folder are looked up inside the pack by their last part.
    QTest::newRow("names with folders")
        << Fixture::Members{{"mappack.txt", manifest({{"Far", "..\\..\\windows\\x.dat", "C:\\y.hdr", "c"}})}}
        << QList<QByteArray>{"Far"} << QList<QByteArray>{"x.dat"};
    QTest::newRow("manifest missing") << Fixture::Members{{"other.txt", "LEVEL:\r\nNAME: x\r\n"}}
                                      << QList<QByteArray>{} << QList<QByteArray>{};
    QTest::newRow("manifest over a megabyte")
        << Fixture::Members{{"mappack.txt", manifest(levelsNamed({"Big"})) + QByteArray(1024 * 1024, 'x')}}
        << QList<QByteArray>{} << QList<QByteArray>{};
    QTest::newRow("ends after LEVEL:") << Fixture::Members{{"mappack.txt", "LEVEL:\r\nNAME: A\r\n\r\nLEVEL:\r\n"}}
                                       << QList<QByteArray>{"A"} << QList<QByteArray>{""};
    QTest::newRow("lower-case level: starts nothing")
        << Fixture::Members{{"mappack.txt", "level:\r\nNAME: A\r\nDAT: a.dat\r\n"}} << QList<QByteArray>{}
        << QList<QByteArray>{};
    // Names reach the level list and a label: cut to 255 characters.
    QTest::newRow("level name of a megabyte")
        << Fixture::Members{{"mappack.txt", manifest({{QByteArray(1000 * 1000, 'n'), "a.dat", "a.hdr", "c"}})}}
        << QList<QByteArray>{QByteArray(255, 'n')} << QList<QByteArray>{"a.dat"};
    QTest::newRow("a line of blanks closes a block")
        << Fixture::Members{{"mappack.txt", "LEVEL:\r\nNAME: A\r\n   \r\nDAT: a.dat\r\n"}}
        << QList<QByteArray>{"A"} << QList<QByteArray>{""};
}

void tst_PackPreview::levels()
{
    QFETCH(Fixture::Members, members);
    QFETCH(QList<QByteArray>, names);
    QFETCH(QList<QByteArray>, datFiles);
    Fixture f;
    f.addMappack(QStringLiteral("pack.kaf"), members);
    const QList<MappackLevel> levels = MapPackReading::ReadLevels(f.client(QStringLiteral("mappacks/pack.kaf")));
    QCOMPARE(::names(levels), names);
    QList<QByteArray> dats;
    for (const MappackLevel &l : levels)
        dats << l.DatFile;
    QCOMPARE(dats, datFiles);
}

void tst_PackPreview::level_data()
{
    QTest::addColumn<Fixture::Members>("members");
    QTest::addColumn<Level>("level");
    QTest::addColumn<int>("dataBytes");
    QTest::addColumn<QByteArray>("players");
    QTest::addColumn<QByteArray>("texture");

    const QByteArray map = heightMap(0, 10, 10, 5, 300);
    const Level l{"A", "a.dat", "a.hdr", "Cleo"};
    QTest::newRow("whole level") << Fixture::Members{{"a.dat", map}, {"a.hdr", header(616, 4, 2)}} << l
                                 << LevelPicture::Bytes << QByteArray("Players: 4") << QByteArray("Land Texture: 2");
    QTest::newRow("bytes above 127") << Fixture::Members{{"a.dat", map}, {"a.hdr", header(616, 200, 255)}} << l
                                     << LevelPicture::Bytes << QByteArray("Players: 200")
                                     << QByteArray("Land Texture: 255");
    QTest::newRow("long level file") << Fixture::Members{{"a.dat", map + QByteArray(9000, '\x7f')},
                                                         {"a.hdr", header(616, 3, 1)}}
                                     << l << LevelPicture::Bytes << QByteArray("Players: 3")
                                     << QByteArray("Land Texture: 1");
    QTest::newRow("short level file") << Fixture::Members{{"a.dat", map.left(1000)}, {"a.hdr", header(616, 3, 1)}}
                                      << l << 1000 << QByteArray("Players: 3") << QByteArray("Land Texture: 1");
    QTest::newRow("90-byte header") << Fixture::Members{{"a.dat", map}, {"a.hdr", header(90, 4, 2)}} << l
                                    << LevelPicture::Bytes << QByteArray("Players: 4") << QByteArray("Land Texture: ");
    QTest::newRow("97-byte header") << Fixture::Members{{"a.dat", map}, {"a.hdr", header(97, 4, 2)}} << l
                                    << LevelPicture::Bytes << QByteArray("Players: 4") << QByteArray("Land Texture: 2");
    QTest::newRow("88-byte header") << Fixture::Members{{"a.dat", map}, {"a.hdr", header(88, 4, 2)}} << l
                                    << LevelPicture::Bytes << QByteArray("Players: ") << QByteArray("Land Texture: ");
    QTest::newRow("members missing") << Fixture::Members{{"other.dat", map}} << l << 0 << QByteArray("Players: ")
                                     << QByteArray("Land Texture: ");
    QTest::newRow("names left empty") << Fixture::Members{{"a.dat", map}, {"a.hdr", header(616, 4, 2)}}
                                      << Level{"A", "", "", ""} << 0 << QByteArray("Players: ")
                                      << QByteArray("Land Texture: ");
    QTest::newRow("case of names") << Fixture::Members{{"A.DAT", map}, {"a.Hdr", header(616, 2, 6)}} << l
                                   << LevelPicture::Bytes << QByteArray("Players: 2") << QByteArray("Land Texture: 6");
}

void tst_PackPreview::level()
{
    QFETCH(Fixture::Members, members);
    QFETCH(Level, level);
    QFETCH(int, dataBytes);
    QFETCH(QByteArray, players);
    QFETCH(QByteArray, texture);
    Fixture f;
    members.prepend({"mappack.txt", manifest({level})});
    f.addMappack(QStringLiteral("pack.kaf"), members);
    const QString path = f.client(QStringLiteral("mappacks/pack.kaf"));
    const QList<MappackLevel> levels = MapPackReading::ReadLevels(path);
    QCOMPARE(levels.size(), 1);
    const LevelPreview p = MapPackReading::ReadLevel(path, levels.at(0));
    QCOMPARE(p.LevelData.size(), dataBytes);
    QCOMPARE(p.PlayersText(), players);
    QCOMPARE(p.LandTextureText(), texture);
    QCOMPARE(p.CreatorText(), "Creator: " + level.creator);
}

void tst_PackPreview::previewFollowsItsOwnPack()
{
    Fixture f;
    f.addMappack(QStringLiteral("one.kaf"), {{"mappack.txt", manifest({{"A", "a.dat", "a.hdr", "x"}})},
                                             {"a.dat", heightMap(0, 0, 0, 4, 100)},
                                             {"a.hdr", header(616, 2, 1)}});
    f.addMappack(QStringLiteral("two.kaf"), {{"mappack.txt", manifest({{"B", "a.dat", "a.hdr", "y"},
                                                                       {"C", "c.dat", "c.hdr", "z"}})},
                                             {"a.dat", heightMap(0, 0, 0, 4, 900)},
                                             {"a.hdr", header(616, 4, 3)}});
    MapPackPreview model(f.setup, f.packs);
    QCOMPARE(model.FillMapPackList().size(), 2);
    QVERIFY(!model.LoadMapPackInfo(2));
    QVERIFY(!model.LoadMapPackInfo(-1));
    QVERIFY(!model.ShowMapPreview(0));

    QVERIFY(model.LoadMapPackInfo(1));
    QCOMPARE(names(model.levels()), (QList<QByteArray>{"B", "C"}));
    QCOMPARE(model.ShowMapPreview(0)->Players, 4);
    QVERIFY(!model.ShowMapPreview(2));
    // Level 2 names files the pack lacks: nothing of level 1 is shown for it.
    QVERIFY(model.ShowMapPreview(1)->LevelData.isEmpty());
    QCOMPARE(model.ShowMapPreview(1)->Players, -1);

    // A rescan that reorders the installed list changes nothing on show.
    f.packs.InstalledMappacks.swapItemsAt(0, 1);
    QCOMPARE(model.ShowMapPreview(0)->Players, 4);
    QCOMPARE(model.packs().at(1).FileName, QStringLiteral("two.kaf"));
    // A pack deleted since: silence.
    QVERIFY(QFile::remove(f.client(QStringLiteral("mappacks/two.kaf"))));
    QVERIFY(!model.ShowMapPreview(0));
    // Filling again forgets the levels of the earlier list.
    QCOMPARE(model.FillMapPackList().at(0).FileName, QStringLiteral("two.kaf"));
    QCOMPARE(model.MapLevelCount(), 0);
    QVERIFY(!model.ShowMapPreview(0));
}

void tst_PackPreview::brokenMapPack()
{
    Fixture f;
    // A table that claims more records than the file holds.
    writeFile(f.client(QStringLiteral("mappacks/broken.kaf")), QByteArray("\x10\x00\x00\x00 short", 10));
    const QString path = f.client(QStringLiteral("mappacks/broken.kaf"));
    QVERIFY(MapPackReading::ReadLevels(path).isEmpty());
    const LevelPreview p = MapPackReading::ReadLevel(path, {"A", "a.dat", "a.hdr", "c"});
    QVERIFY(p.LevelData.isEmpty());
    QCOMPARE(p.PlayersText(), QByteArray("Players: "));
    QCOMPARE(p.CreatorText(), QByteArray("Creator: c"));
    f.packs.InstalledMappacks.append({QStringLiteral("broken.kaf"), "00000000"});
    MapPackPreview model(f.setup, f.packs);
    model.FillMapPackList();
    QVERIFY(model.LoadMapPackInfo(0));
    QCOMPARE(model.MapLevelCount(), 0);
    QVERIFY(!model.ShowMapPreview(0));
}

void tst_PackPreview::modPreview_data()
{
    QTest::addColumn<Fixture::Members>("members");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<QByteArray>("creator");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("description");

    const QByteArray jpg = "\xFF\xD8 not really a picture";
    QTest::newRow("whole pack") << Fixture::Members{{"modpreview.jpg", jpg}, {"modpack.txt", "X\r\nY\r\n"},
                                                    {"Desc.txt", "line one\r\nline two\r\n"}}
                                << true << QByteArray("Creator: X") << QByteArray("Y")
                                << QByteArray("line one\r\nline two\r\n");
    QTest::newRow("description without final line end")
        << Fixture::Members{{"modpack.txt", "X\r\nY"}, {"Desc.txt", "one\r\ntwo"}} << false
        << QByteArray("Creator: X") << QByteArray("Y") << QByteArray("one\r\ntwo\r\n");
    QTest::newRow("LF line ends") << Fixture::Members{{"modpack.txt", "X\nY\n"}, {"desc.TXT", "a\nb\n"}} << false
                                  << QByteArray("Creator: X") << QByteArray("Y") << QByteArray("a\r\nb\r\n");
    // (The archive never stores an empty file: an empty description is a missing one.)
    QTest::newRow("no description") << Fixture::Members{{"modpack.txt", "X\r\nY\r\n"}}
                                       << false << QByteArray("Creator: X") << QByteArray("Y") << QByteArray();
    QTest::newRow("one-line manifest") << Fixture::Members{{"modpack.txt", "Only\r\n"}} << false
                                       << QByteArray("Creator: Only") << QByteArray() << QByteArray();
    // The installer refuses this manifest; the preview still shows who made it.
    QTest::newRow("manifest the installer refuses")
        << Fixture::Members{{"modpack.txt", "X\r\nY\r\nEXTRASRC: a.dat\r\nDEST:      ..\\..\\evil.dat\r\n"}}
        << false << QByteArray("Creator: X") << QByteArray("Y") << QByteArray();
    QTest::newRow("nothing in the pack") << Fixture::Members{{"readme.txt", "x"}} << false
                                         << QByteArray("Creator: ") << QByteArray() << QByteArray();
    // Texts are cut before they reach a widget: a description at 64 KiB,
    // a creator or title at 255 characters.
    QTest::newRow("description of 1 MiB on one line")
        << Fixture::Members{{"modpack.txt", "X\r\nY\r\n"}, {"Desc.txt", QByteArray(1024 * 1024, 'd')}} << false
        << QByteArray("Creator: X") << QByteArray("Y") << QByteArray(64 * 1024, 'd') + "\r\n";
    QTest::newRow("description of many lines")
        << Fixture::Members{{"modpack.txt", "X\r\nY\r\n"}, {"Desc.txt", QByteArray("ab\r\n").repeated(100000)}}
        << false << QByteArray("Creator: X") << QByteArray("Y")
        << QByteArray("ab\r\n").repeated(64 * 1024 / 4);
    QTest::newRow("creator and title of 300,000 characters")
        << Fixture::Members{{"modpack.txt", QByteArray(300000, 'c') + "\r\n" + QByteArray(300000, 't') + "\r\n"}}
        << false << "Creator: " + QByteArray(255, 'c') << QByteArray(255, 't') << QByteArray();
    QTest::newRow("picture over 8 MiB")
        << Fixture::Members{{"modpreview.jpg", QByteArray(ModPackReading::MaxPictureBytes + 1, 'j')},
                            {"modpack.txt", "X\r\nY\r\n"}}
        << false << QByteArray("Creator: X") << QByteArray("Y") << QByteArray();
}

void tst_PackPreview::modPreview()
{
    QFETCH(Fixture::Members, members);
    QFETCH(bool, picture);
    QFETCH(QByteArray, creator);
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, description);
    Fixture f;
    f.addModpack(QStringLiteral("mod.kaf"), members);
    ModPackPreview model(f.setup, f.packs);
    QCOMPARE(model.fillModList().size(), 1);
    const std::optional<ModPreview> p = model.ShowModPreview(0);
    QVERIFY(p);
    QCOMPARE(!p->Picture.isEmpty(), picture);
    QCOMPARE(p->CreatorText(), creator);
    QCOMPARE(p->Title, title);
    QCOMPARE(p->Description, description);
}

// The table of the selected pack is read when the pack is chosen, not again
// for each level shown, unless the file changed on disk since.
void tst_PackPreview::selectedPackIsReadOnce()
{
    Fixture f;
    f.addMappack(QStringLiteral("one.kaf"), {{"mappack.txt", manifest({{"A", "a.dat", "a.hdr", "x"},
                                                                       {"B", "b.dat", "b.hdr", "y"}})},
                                             {"a.dat", heightMap(0, 0, 0, 4, 100)},
                                             {"a.hdr", header(616, 2, 1)},
                                             {"b.hdr", header(616, 3, 1)}});
    MapPackPreview model(f.setup, f.packs);
    model.FillMapPackList();
    QVERIFY(model.LoadMapPackInfo(0));
    QCOMPARE(model.tableReads(), 1);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(model.ShowMapPreview(0)->Players, 2);
        QCOMPARE(model.ShowMapPreview(1)->Players, 3);
    }
    QCOMPARE(model.tableReads(), 1);
    // Replaced on disk (a download): read again at the next level shown.
    const QString path = f.client(QStringLiteral("mappacks/one.kaf"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QFileInfo(path).lastModified().addSecs(-60), QFileDevice::FileModificationTime));
    }
    QCOMPARE(model.ShowMapPreview(1)->Players, 3);
    QCOMPARE(model.tableReads(), 2);
    // A click on the pack already chosen keeps its table; after the list
    // was filled anew, the next choice reads it.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(model.LoadMapPackInfo(0));
        QCOMPARE(model.levels().size(), 2);
    }
    QCOMPARE(model.tableReads(), 2);
    model.FillMapPackList();
    QVERIFY(model.LoadMapPackInfo(0));
    QCOMPARE(model.tableReads(), 3);

    f.addModpack(QStringLiteral("mod.kaf"), {{"modpack.txt", "X\r\nY\r\n"}, {"Desc.txt", "d\r\n"}});
    ModPackPreview mods(f.setup, f.packs);
    mods.fillModList();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(mods.ShowModPreview(0)->Title, QByteArray("Y"));
    QCOMPARE(mods.tableReads(), 1);
}

void tst_PackPreview::longLinesBreakForDisplay_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("shown");
    const qsizetype n = PackText::DisplayLineChars;
    const QByteArray a(n, 'a'), b(n, 'b');
    QTest::newRow("short lines stay") << QByteArray("one\r\ntwo\r\n") << QByteArray("one\r\ntwo\r\n");
    QTest::newRow("exactly one piece") << a + "\r\n" << a + "\r\n";
    QTest::newRow("two pieces and a bit") << a + b + "c\r\nd\r\n" << a + "\r\n" + b + "\r\nc\r\nd\r\n";
    QTest::newRow("LF ends") << a + "x\n" << a + "\nx\n";
    QTest::newRow("no final line end") << a + "x" << a + "\r\nx";
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n") << QByteArray("\r\n\r\n");
    QTest::newRow("nothing") << QByteArray() << QByteArray();
}

void tst_PackPreview::longLinesBreakForDisplay()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, shown);
    QCOMPARE(PackText::breakLongLines(text), shown);
}

// A table of 400,000 records (112 MB of records) is refused at once: the
// previews show an empty pack, as for any pack that cannot be read.
void tst_PackPreview::packOfTooManyRecords()
{
    Fixture f;
    for (const char *folder : {"mappacks/huge.kaf", "modpacks/huge.kaf"}) {
        const QString path = f.client(QLatin1String(folder));
        writeFile(path, QByteArray("\x7F\x1A\x06\x00", 4)); // 399,999: 400,000 records
        QVERIFY(QFile::resize(path, 4 + 400000LL * 281 + 100));
    }
    f.packs.InstalledMappacks.append({QStringLiteral("huge.kaf"), "00000000"});
    f.packs.InstalledModpacks.append({QStringLiteral("huge.kaf"), "00000000"});
    MapPackPreview maps(f.setup, f.packs);
    maps.FillMapPackList();
    QVERIFY(maps.LoadMapPackInfo(0));
    QCOMPARE(maps.MapLevelCount(), 0);
    QVERIFY(!maps.ShowMapPreview(0));
    ModPackPreview mods(f.setup, f.packs);
    mods.fillModList();
    const std::optional<ModPreview> p = mods.ShowModPreview(0);
    QVERIFY(p);
    QVERIFY(p->Picture.isEmpty() && p->Title.isEmpty() && p->Description.isEmpty());
    QCOMPARE(p->CreatorText(), QByteArray("Creator: "));
}

void tst_PackPreview::modPreviewOfMissingOrBrokenPack()
{
    Fixture f;
    f.addModpack(QStringLiteral("good.kaf"), {{"modpack.txt", "X\r\nY\r\n"}});
    writeFile(f.client(QStringLiteral("modpacks/broken.kaf")), QByteArray("\xFF\xFF\xFF\x7F garbage", 12));
    f.packs.InstalledModpacks.append({QStringLiteral("broken.kaf"), "00000000"});
    f.packs.InstalledModpacks.append({QStringLiteral("gone.kaf"), "00000001"});
    ModPackPreview model(f.setup, f.packs);
    QCOMPARE(model.fillModList().size(), 3);
    QVERIFY(!model.ShowModPreview(-1));
    QVERIFY(!model.ShowModPreview(3));
    QCOMPARE(model.ShowModPreview(0)->Title, QByteArray("Y"));
    // A pack that cannot be read shows empty fields (nothing of the pack before).
    const std::optional<ModPreview> broken = model.ShowModPreview(1);
    QVERIFY(broken);
    QVERIFY(broken->Creator.isEmpty() && broken->Title.isEmpty() && broken->Description.isEmpty());
    // A pack gone from the folder changes nothing.
    QVERIFY(!model.ShowModPreview(2));
}

void tst_PackPreview::readingWritesNothing()
{
    Fixture f;
    f.addMappack(QStringLiteral("maps.kaf"),
                 {{"mappack.txt", manifest({{"A", "..\\..\\..\\a.dat", "\\a.hdr", "c"}, {"B", "b.dat", "b.hdr", "d"}})},
                  {"a.dat", heightMap(0, 1, 1, 3, 50)},
                  {"a.hdr", header(90, 1, 1)}});
    f.addModpack(QStringLiteral("mod.kaf"), {{"modpreview.jpg", "jpg"}, {"modpack.txt", "X\r\nY\r\n"},
                                             {"Desc.txt", "d\r\n"}});
    writeFile(f.game(QStringLiteral("levels/levl2001.dat")), "level");
    const Snapshot before = snapshot(f.root.path());
    const QDateTime packTime = QFileInfo(f.client(QStringLiteral("mappacks/maps.kaf"))).lastModified();

    MapPackPreview maps(f.setup, f.packs);
    maps.FillMapPackList();
    QVERIFY(maps.LoadMapPackInfo(0));
    QCOMPARE(maps.MapLevelCount(), 2);
    QCOMPARE(maps.ShowMapPreview(0)->Players, 1);
    QVERIFY(maps.ShowMapPreview(1)->LevelData.isEmpty());
    ModPackPreview mods(f.setup, f.packs);
    mods.fillModList();
    QCOMPARE(mods.ShowModPreview(0)->Picture, QByteArray("jpg"));

    QCOMPARE(difference(before, snapshot(f.root.path())), QString());
    QCOMPARE(QFileInfo(f.client(QStringLiteral("mappacks/maps.kaf"))).lastModified(), packTime);
    for (const char *name : {"mappack.txt", "preview.dat", "preview.hdr", "modpack.txt", "modpreview.jpg", "Desc.txt"})
        QVERIFY2(!QFile::exists(f.client(QString::fromLatin1(name))), name);
}

void tst_PackPreview::heightColours_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("sea") << 0 << QColor(28, 72, 140);
    QTest::newRow("lowest land") << 1 << QColor(52, 120, 44);
    QTest::newRow("highest land") << 1028 << QColor(245, 245, 245);
    QTest::newRow("above the highest") << 60000 << QColor(245, 245, 245);
    QTest::newRow("olive at 45 %") << 463 << QColor(150, 140, 72); // 463 / 1028 ≈ 0.4504
}

void tst_PackPreview::heightColours()
{
    QFETCH(int, height);
    QFETCH(QColor, colour);
    const QColor got = QColor::fromRgb(LevelPicture::heightColour(height));
    QVERIFY2(qAbs(got.red() - colour.red()) <= 1 && qAbs(got.green() - colour.green()) <= 1
                 && qAbs(got.blue() - colour.blue()) <= 1,
             qPrintable(got.name()));
}

void tst_PackPreview::levelPicturePixels()
{
    // Sea, with a 20 × 20 plateau of height 514 whose corner is at (40, 60).
    const QImage image = LevelPicture::render(heightMap(0, 40, 60, 20, 514));
    QCOMPARE(image.size(), QSize(128, 128));
    const QRgb plateau = LevelPicture::heightColour(514);
    QCOMPARE(image.pixel(0, 0), LevelPicture::heightColour(0));
    QCOMPARE(image.pixel(127, 127), LevelPicture::heightColour(0));
    QCOMPARE(image.pixel(50, 70), plateau);                  // flat ground: its own colour
    QCOMPARE(image.pixel(59, 79), plateau);
    QVERIFY(qGray(image.pixel(40, 60)) > qGray(plateau));    // faces the north-western light
    QCOMPARE(image.pixel(60, 80), LevelPicture::heightColour(0)); // past the plateau: sea
    // Rows run first: the byte pair at (y * 128 + x) * 2 is (x, y).
    const QImage one = LevelPicture::render(heightMap(0, 5, 9, 1, 700));
    QVERIFY(one.pixel(5, 9) != LevelPicture::heightColour(0));
    QCOMPARE(one.pixel(9, 5), LevelPicture::heightColour(0));
    // Land everywhere: the edges are flat too, their neighbours wrap round.
    const QImage all = LevelPicture::render(heightMap(300, 0, 0, 0, 0));
    QCOMPARE(all.pixel(0, 0), LevelPicture::heightColour(300));
    QCOMPARE(all.pixel(127, 0), LevelPicture::heightColour(300));
}

void tst_PackPreview::levelPictureOfShortFile()
{
    QVERIFY(LevelPicture::render(QByteArray()).isNull());
    QVERIFY(LevelPicture::render(QByteArray(LevelPicture::Bytes - 1, '\x01')).isNull());
    QVERIFY(!LevelPicture::render(QByteArray(LevelPicture::Bytes + 10, '\x01')).isNull());
}

QTEST_GUILESS_MAIN(tst_PackPreview)
#include "tst_packpreview.moc"
