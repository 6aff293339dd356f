#include "packs/KAFHandler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray le32(qint32 v)
{
    char b[4];
    qToLittleEndian<qint32>(v, b);
    return QByteArray(b, 4);
}

// One 281-byte record.
QByteArray record(const QByteArray &name, qint32 offset, qint32 size, char pad = ' ')
{
    QByteArray r = name.left(255);
    r.append(255 - r.size(), pad);
    r.append(10, pad);
    r.append(8, pad);
    r += le32(offset);
    r += le32(size);
    return r;
}

// An archive with the given records (NumFI = count - 1) and data appended.
QByteArray archive(const QList<QByteArray> &records, const QByteArray &data)
{
    QByteArray out = le32(qint32(records.size()) - 1);
    for (const QByteArray &r : records)
        out += r;
    return out + data;
}

} // namespace

class TestKafHandler : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    QString source(const QString &name, const QByteArray &bytes)
    {
        const QString p = path(QStringLiteral("src/") + name);
        QDir().mkpath(QFileInfo(p).absolutePath());
        writeFile(p, bytes);
        return p;
    }

private Q_SLOTS:
    void createGivesTheGoldenLayout()
    {
        KAFHandler kaf;
        const QString file = path(QStringLiteral("golden.kaf"));
        QVERIFY(kaf.CreateFile(file, 4));
        const QByteArray bytes = readFile(file);
        QCOMPARE(bytes.size(), 1409); // 4-byte header and 5 records of 281
        QCOMPARE(bytes.left(4), le32(4));
        QCOMPARE(bytes.mid(4), QByteArray(1405, '\0'));
        QCOMPARE(kaf.getNumFileInfos(), 4);
        QCOMPARE(kaf.getCurrentFile(), file);

        QVERIFY(kaf.AddFile(source(QStringLiteral("first.dat"), "0123456789")));
        QCOMPARE(kaf.getOffset(0), 1410);
        QCOMPARE(kaf.getSize(0), 10);
        QVERIFY(kaf.AddFile(source(QStringLiteral("second.dat"), "abc")));
        // One byte after the end of the first file, not right after it.
        QCOMPARE(kaf.getOffset(1), 1410 + 10 + 1);

        const QByteArray after = readFile(file);
        QCOMPARE(after.size(), 1409 + 10 + 1 + 3);
        QCOMPARE(after.mid(1409, 10), QByteArray("0123456789"));
        QCOMPARE(after.at(1419), '\0');
        QCOMPARE(after.mid(1420, 3), QByteArray("abc"));
        // Written records are blank-padded.
        QCOMPARE(after.mid(4, 255), QByteArray("first.dat") + QByteArray(246, ' '));
        QCOMPARE(after.mid(4 + 273, 4), le32(1410));
        QCOMPARE(after.mid(4 + 277, 4), le32(10));

        KAFHandler reader;
        QVERIFY(reader.OpenFile(file));
        QCOMPARE(reader.FileNames(), (QList<QByteArray>{"first.dat", "second.dat"}));
        QCOMPARE(reader.getDateAdded(0).size() <= 10, true);
        QVERIFY(!reader.getTimeAdded(0).isEmpty());
    }

    void extractFindsNamesWithoutCase()
    {
        KAFHandler kaf;
        const QString file = path(QStringLiteral("case.kaf"));
        QVERIFY(kaf.CreateFile(file, 2));
        QVERIFY(kaf.AddFile(source(QStringLiteral("mappack.txt"), "LEVEL:\r\n")));
        const QString target = path(QStringLiteral("out.txt"));
        QVERIFY(kaf.ExtractFile("MAPPACK.TXT", target));
        QCOMPARE(readFile(target), QByteArray("LEVEL:\r\n"));
        QVERIFY(kaf.Contains("MapPack.Txt"));
        QVERIFY(!kaf.ExtractFile("missing.txt", target));
    }

    void sameNameReusesTheRecordAndReorganiseDropsDeadBytes()
    {
        KAFHandler kaf;
        const QString file = path(QStringLiteral("replace.kaf"));
        QVERIFY(kaf.CreateFile(file, 4));
        QVERIFY(kaf.AddFile(source(QStringLiteral("a.dat"), "AAAA")));
        QVERIFY(kaf.AddFile(source(QStringLiteral("b.dat"), "BB")));
        QVERIFY(kaf.AddFile(source(QStringLiteral("A.DAT"), "NEWA")));
        QCOMPARE(kaf.FileNames(), (QList<QByteArray>{"A.DAT", "b.dat"}));
        QCOMPARE(kaf.getOffset(0), 1410 + 4 + 1 + 2 + 1);
        // The old bytes are still in the file.
        QCOMPARE(readFile(file).mid(1409, 4), QByteArray("AAAA"));

        QVERIFY(kaf.Reorganise());
        QCOMPARE(kaf.getNumFileInfos(), 2 + 10);
        const qint32 start = (12 + 1) * 281 + 5;
        QCOMPARE(kaf.getOffset(0), start);
        QCOMPARE(kaf.getOffset(1), start + 4 + 1);
        const QByteArray bytes = readFile(file);
        QCOMPARE(bytes.size(), start - 1 + 4 + 1 + 2);
        QVERIFY(!bytes.contains("AAAA"));
        const QString target = path(QStringLiteral("a.out"));
        QVERIFY(kaf.ExtractFile("a.dat", target));
        QCOMPARE(readFile(target), QByteArray("NEWA"));
        QVERIFY(kaf.ExtractFile("b.dat", target));
        QCOMPARE(readFile(target), QByteArray("BB"));
    }

    // A name with trailing blanks reads back without them: adding it again
    // must replace that record, not add a second one hidden behind it.
    void trailingBlanksNameTheSameRecord()
    {
        KAFHandler kaf;
        const QString file = path(QStringLiteral("blanks.kaf"));
        QVERIFY(kaf.CreateFile(file, 4));
        QVERIFY(kaf.AddFile(source(QStringLiteral("t"), "first")));
        QVERIFY(kaf.AddFile(source(QStringLiteral("t  "), "second")));
        QCOMPARE(kaf.FileNames(), QList<QByteArray>{"t"});
        KAFHandler again;
        QVERIFY(again.OpenFile(file));
        const QString target = path(QStringLiteral("t.out"));
        QVERIFY(again.ExtractFile("t  ", target));
        QCOMPARE(readFile(target), QByteArray("second"));
    }

    void aFullTableIsCompactedFirst()
    {
        KAFHandler kaf;
        const QString file = path(QStringLiteral("full.kaf"));
        QVERIFY(kaf.CreateFile(file, 1)); // two slots
        QVERIFY(kaf.AddFile(source(QStringLiteral("one"), "1")));
        QVERIFY(kaf.AddFile(source(QStringLiteral("two"), "22")));
        QVERIFY(kaf.AddFile(source(QStringLiteral("three"), "333")));
        QCOMPARE(kaf.getNumFileInfos(), 2 + 10); // n + 11 slots
        QCOMPARE(kaf.FileNames(), (QList<QByteArray>{"one", "two", "three"}));
        KAFHandler reader;
        QVERIFY(reader.OpenFile(file));
        QCOMPARE(reader.getNumFileInfos(), 12);
        const QString target = path(QStringLiteral("three.out"));
        QVERIFY(reader.ExtractFile("three", target));
        QCOMPARE(readFile(target), QByteArray("333"));
    }

    void deleteBlanksTheRecordAndKeepsTheData()
    {
        KAFHandler kaf;
        const QString file = path(QStringLiteral("delete.kaf"));
        QVERIFY(kaf.CreateFile(file, 2));
        QVERIFY(kaf.AddFile(source(QStringLiteral("gone.dat"), "GONE")));
        QVERIFY(kaf.DeleteFile("GONE.dat"));
        QVERIFY(!kaf.DeleteFile("gone.dat"));
        const QByteArray bytes = readFile(file);
        QCOMPARE(bytes.mid(4, 281), record(QByteArray(), 0, 0, ' '));
        QVERIFY(bytes.contains("GONE"));
        QVERIFY(kaf.FileNames().isEmpty());
    }

    void emptyOrMissingSourceChangesNothing()
    {
        KAFHandler kaf;
        const QString file = path(QStringLiteral("empty.kaf"));
        QVERIFY(kaf.CreateFile(file, 2));
        const QByteArray before = readFile(file);
        QVERIFY(!kaf.AddFile(source(QStringLiteral("zero.dat"), QByteArray())));
        QVERIFY(!kaf.AddFile(path(QStringLiteral("src/nothere.dat"))));
        QCOMPARE(readFile(file), before);
    }

    void nulAndBlankPaddingReadTheSame()
    {
        const QString file = path(QStringLiteral("padding.kaf"));
        const qint32 start = 2 * 281 + 5;
        writeFile(file, archive({record("one.txt", start, 1, '\0'), record("two.txt", start + 2, 1, ' ')}, QByteArray("x\0y", 3)));
        KAFHandler kaf;
        QVERIFY2(kaf.OpenFile(file), qPrintable(kaf.lastError()));
        QCOMPARE(kaf.GetFileName(0), QByteArray("one.txt"));
        QCOMPARE(kaf.GetFileName(1), QByteArray("two.txt"));
        QCOMPARE(kaf.getDateAdded(0), QByteArray());
        QCOMPARE(KAFHandler::TrimFixedString(QByteArray("ab \0 \0", 6)), QByteArray("ab"));
        QCOMPARE(kaf.GetFileName(7), QByteArray());
        QCOMPARE(kaf.getOffset(-1), 0);
    }

    void zeroSizeRecordLeavesTheTargetUntouched()
    {
        const QString file = path(QStringLiteral("zero.kaf"));
        writeFile(file, archive({record("empty.txt", 0, 0)}, QByteArray()));
        KAFHandler kaf;
        QVERIFY(kaf.OpenFile(file));
        const QString target = path(QStringLiteral("keep.txt"));
        writeFile(target, "keep");
        QVERIFY(!kaf.ExtractFile("empty.txt", target));
        QCOMPARE(readFile(target), QByteArray("keep"));
    }

    void hostileArchivesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const qint32 one = 1 * 281 + 5; // first data position with one record
        QTest::newRow("too short") << QByteArray("\x01\x00", 2);
        QTest::newRow("negative bound") << archive({}, QByteArray());
        QTest::newRow("huge bound") << (le32(0x7FFFFFFF) + QByteArray(600, '\0'));
        QTest::newRow("table beyond the file") << (le32(3) + record("a", 0, 0));
        QTest::newRow("data beyond the file") << archive({record("a.dat", one, 10)}, "short");
        QTest::newRow("offset beyond the file") << archive({record("a.dat", 0x7FFFFF00, 1)}, "x");
        QTest::newRow("negative size") << archive({record("a.dat", one, -5)}, "x");
        QTest::newRow("data inside the table") << archive({record("a.dat", 3, 4)}, "xxxx");
        QTest::newRow("offset overflow") << archive({record("a.dat", 0x7FFFFFFF, 0x7FFFFFFF)}, "x");
        QTest::newRow("backslash") << archive({record("..\\evil.dat", one, 1)}, "x");
        QTest::newRow("slash") << archive({record("sub/evil.dat", one, 1)}, "x");
        QTest::newRow("dot dot") << archive({record("..", one, 1)}, "x");
        QTest::newRow("dot") << archive({record(".", one, 1)}, "x");
        QTest::newRow("drive") << archive({record("C:evil.dat", one, 1)}, "x");
        QTest::newRow("inner NUL") << archive({record(QByteArray("a\0b.dat", 7), one, 1)}, "x");
        QTest::newRow("control character") << archive({record("a\x01.dat", one, 1)}, "x");
        QTest::newRow("empty slot with stray data") << archive({record(QByteArray(), one + 100, 50)}, "x");
    }

    void hostileArchivesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        const QString file = path(QStringLiteral("hostile.kaf"));
        writeFile(file, bytes);
        KAFHandler kaf;
        QVERIFY(!kaf.OpenFile(file));
        QVERIFY(!kaf.lastError().isEmpty());
        QCOMPARE(kaf.getNumFileInfos(), -1);
        QVERIFY(kaf.FileNames().isEmpty());
        QVERIFY(!kaf.ExtractFile("a.dat", path(QStringLiteral("hostile.out"))));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("hostile.out"))));
        QCOMPARE(readFile(file), bytes);
    }

    void unsafeNamesAreNotStored()
    {
        KAFHandler kaf;
        QVERIFY(kaf.CreateFile(path(QStringLiteral("names.kaf")), 2));
        QVERIFY(!kaf.AddFile(source(QStringLiteral("a:b"), "x")));
        QVERIFY(KAFHandler::IsSafeStoredName("foo..bar"));
        QVERIFY(!KAFHandler::IsSafeStoredName("..."));
        QCOMPARE(KAFHandler::getRealFileName(QStringLiteral("C:\\x\\y/z.dat")), QByteArray("z.dat"));
        QCOMPARE(KAFHandler::getRealFileName(QStringLiteral("bare.dat")), QByteArray("bare.dat"));
    }

    void openingAndExtractingNeverWriteTheArchive()
    {
        KAFHandler writer;
        const QString file = path(QStringLiteral("readonly.kaf"));
        QVERIFY(writer.CreateFile(file, 2));
        QVERIFY(writer.AddFile(source(QStringLiteral("level.dat"), "LEVELDATA")));
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        const QByteArray before = readFile(file);
        const QDateTime modified = QFileInfo(file).lastModified();

        KAFHandler reader;
        QVERIFY(reader.OpenFile(file));
        QVERIFY(reader.ExtractFile("level.dat", path(QStringLiteral("level.out"))));
        QCOMPARE(readFile(file), before);
        QCOMPARE(QFileInfo(file).lastModified(), modified);
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void aFailedExtractionLeavesTheTargetAsItWas()
    {
        KAFHandler kaf;
        const QString file = path(QStringLiteral("shrunk.kaf"));
        QVERIFY(kaf.CreateFile(file, 2));
        QVERIFY(kaf.AddFile(source(QStringLiteral("big.dat"), QByteArray(5000, 'b'))));
        const QString target = path(QStringLiteral("game.dat"));
        writeFile(target, "original");
        // The archive is cut short after it was opened.
        QVERIFY(QFile::resize(file, 2000));
        QVERIFY(!kaf.ExtractFile("big.dat", target));
        QVERIFY(!kaf.lastError().isEmpty());
        QCOMPARE(readFile(target), QByteArray("original"));
        // A target folder that does not exist is a failure, not a crash.
        QVERIFY(!kaf.ExtractFile("big.dat", path(QStringLiteral("nofolder/x.dat"))));
        const QStringList leftovers = QDir(dir.path()).entryList({QStringLiteral("game.dat?*")}, QDir::Files | QDir::Hidden);
        QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(QLatin1Char(','))));
    }

    // The bound of CreateFile holds on open, whatever the file's size allows:
    // the table is refused before any of it is read.
    void openRefusesATableOverTheBound_data()
    {
        QTest::addColumn<qint32>("upper");
        QTest::addColumn<bool>("opens");
        QTest::newRow("100,000 records") << KAFHandler::MaxNumFI << true;
        QTest::newRow("100,001 records") << KAFHandler::MaxNumFI + 1 << false;
        QTest::newRow("400,000 records") << qint32(399999) << false;
    }

    void openRefusesATableOverTheBound()
    {
        QFETCH(qint32, upper);
        QFETCH(bool, opens);
        const QString file = path(QStringLiteral("table.kaf"));
        writeFile(file, le32(upper));
        // Empty slots all through (a sparse file): only the bound is wrong.
        QVERIFY(QFile::resize(file, 4 + (qint64(upper) + 1) * 281 + 1));
        KAFHandler kaf;
        QCOMPARE(kaf.OpenFile(file), opens);
        if (opens) {
            QCOMPARE(kaf.getNumFileInfos(), upper);
        } else {
            QCOMPARE(kaf.getNumFileInfos(), -1);
            QCOMPARE(kaf.lastError(), file + QStringLiteral(": a table of %1 records is refused").arg(qint64(upper) + 1));
            // The same words as a table too large to create.
            KAFHandler creator;
            QVERIFY(!creator.CreateFile(path(QStringLiteral("other.kaf")), upper));
            QCOMPARE(creator.lastError(),
                     path(QStringLiteral("other.kaf")) + QStringLiteral(": a table of %1 records is refused").arg(qint64(upper) + 1));
        }
        QFile::remove(file);
    }

    // Member look-ups go through an index of the table, which follows every
    // change: the first record of a name, any case, trailing blanks ignored.
    void lookUpsFollowTheTable()
    {
        const QString file = path(QStringLiteral("index.kaf"));
        const qint32 one = 3 * 281 + 5;
        writeFile(file, archive({record("A.dat", one, 1), record("b.dat", one + 2, 1), record("a.DAT", one + 4, 1)},
                                "x-y-z"));
        KAFHandler kaf;
        QVERIFY(kaf.OpenFile(file));
        QCOMPARE(kaf.IndexOf("a.dat"), 0);
        QCOMPARE(kaf.IndexOf("B.DAT  "), 1);
        QCOMPARE(kaf.IndexOf("c.dat"), -1);
        QCOMPARE(kaf.IndexOf(""), -1);
        QVERIFY(kaf.DeleteFile("A.DAT"));   // both records of that name
        QCOMPARE(kaf.IndexOf("a.dat"), -1);
        QVERIFY(kaf.AddFile(source(QStringLiteral("c.dat"), "cc")));
        QCOMPARE(kaf.IndexOf("C.dat"), 0);  // the first free slot
        QVERIFY(kaf.OpenFile(file));
        QCOMPARE(kaf.IndexOf("c.dat"), 0);
        QCOMPARE(kaf.IndexOf("b.dat"), 1);
    }

    void createRefusesAHugeTable()
    {
        KAFHandler kaf;
        QVERIFY(!kaf.CreateFile(path(QStringLiteral("huge.kaf")), KAFHandler::MaxNumFI + 1));
        QVERIFY(!kaf.CreateFile(path(QStringLiteral("huge.kaf")), -1));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("huge.kaf"))));
    }

    void addDirectoryAddsEveryFile()
    {
        const QString folder = path(QStringLiteral("folder"));
        QDir().mkpath(folder + QStringLiteral("/sub"));
        writeFile(folder + QStringLiteral("/b.txt"), "b");
        writeFile(folder + QStringLiteral("/a.txt"), "a");
        KAFHandler kaf;
        QVERIFY(kaf.CreateFile(path(QStringLiteral("dir.kaf")), 4));
        kaf.AddDirectory(folder);
        QCOMPARE(kaf.FileNames(), (QList<QByteArray>{"a.txt", "b.txt"}));
    }
};

QTEST_GUILESS_MAIN(TestKafHandler)
#include "tst_kafhandler.moc"
