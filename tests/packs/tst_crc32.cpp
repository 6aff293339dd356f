#include "packs/CRC32.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <zlib.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 zlibCrc(const QByteArray &bytes)
{
    return quint32(crc32(0L, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size())));
}

} // namespace

class TestCrc32 : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

private Q_SLOTS:
    void checkValue()
    {
        const QString file = dir.filePath(QStringLiteral("check.kaf"));
        writeFile(file, "123456789");
        clsCRC32 crc;
        QCOMPARE(crc.CRC32(file, false), 0xCBF43926u);
        QCOMPARE(crc8(crc.CRC32(file, true)), QByteArray("CBF43926"));
        QCOMPARE(clsCRC32::ofBytes("123456789"), 0xCBF43926u);
    }

    void matchesZlibAtEveryLengthAndAlignment()
    {
        QByteArray data(3 << 20, '\0');
        QRandomGenerator rng(1234);
        for (char &c : data)
            c = char(rng.bounded(256));
        for (int length = 0; length <= 300; ++length) {
            for (int offset = 0; offset < 8; offset += 3) {
                const QByteArray piece = data.mid(offset, length);
                QCOMPARE(clsCRC32::ofBytes(piece), zlibCrc(piece));
            }
        }
        QCOMPARE(clsCRC32::ofBytes(data), zlibCrc(data));
        QCOMPARE(clsCRC32::ofBytes(data.mid(5, (1 << 20) + 77)), zlibCrc(data.mid(5, (1 << 20) + 77)));
        // Running in pieces gives the same as one run.
        quint32 running = 0;
        for (qsizetype at = 0; at < data.size(); at += 100003)
            running = clsCRC32::update(running, data.constData() + at, qMin<qsizetype>(100003, data.size() - at));
        QCOMPARE(running, zlibCrc(data));
    }

    void largeFileIsReadInPieces()
    {
        QByteArray data(9 << 20, '\0');
        QRandomGenerator rng(99);
        for (qsizetype i = 0; i < data.size(); i += 4093)
            data[i] = char(rng.bounded(256));
        const QString file = dir.filePath(QStringLiteral("large.kaf"));
        writeFile(file, data);
        clsCRC32 crc;
        QCOMPARE(crc.CRC32(file, false), zlibCrc(data));
        QCOMPARE(crc.FileSize(file), qint64(data.size()));
    }

    void padTo8_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("padded");
        QTest::newRow("short") << QByteArray("1A2B") << QByteArray("00001A2B");
        QTest::newRow("empty") << QByteArray() << QByteArray("00000000");
        QTest::newRow("full") << QByteArray("CBF43926") << QByteArray("CBF43926");
        QTest::newRow("longer") << QByteArray("123456789") << QByteArray("123456789");
    }

    void padTo8()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, padded);
        QCOMPARE(PadTo8(text), padded);
    }

    void identities()
    {
        QCOMPARE(crc8(0x1A2B), QByteArray("00001A2B"));
        QCOMPARE(crc8(0), QByteArray("00000000"));
        QCOMPARE(crc8(0xFFFFFFFFu), QByteArray("FFFFFFFF"));
        QVERIFY(IsNoPack("OFF"));
        QVERIFY(IsNoPack("00000000"));
        QVERIFY(IsNoPack(""));
        QVERIFY(!IsNoPack("00001A2B"));
        QVERIFY(IsCrc8("00001a2B"));
        QVERIFY(!IsCrc8("1A2B"));
        QVERIFY(!IsCrc8("1A2B&x=1"));
        QVERIFY(!IsCrc8("0000 1A2"));
    }

    void cacheFileFormat()
    {
        const QString file = dir.filePath(QStringLiteral("format.kaf"));
        writeFile(file, "123456789");
        clsCRC32 crc;
        QCOMPARE(crc.CRC32(file, true), 0xCBF43926u);
        const QByteArray cache = readFile(clsCRC32::CacheFileName(file));
        const QList<QByteArray> lines = cache.split('\n');
        QCOMPARE(lines.size(), 5);
        QVERIFY(cache.endsWith("\r\n"));
        // The register before the final inversion, signed: ~0xCBF43926 = 0x340BC6D9.
        QCOMPARE(lines.at(0), QByteArray(" ") + QByteArray::number(qint32(0x340BC6D9)) + "\r");
        QCOMPARE(lines.at(1), QByteArray(" 9\r"));
        QCOMPARE(lines.at(2), clsCRC32::LastModifiedText(file) + "\r");
        QCOMPARE(lines.at(3), clsCRC32::CreatedText(file) + "\r");

        // A negative register has its sign and no blank.
        const QString negative = dir.filePath(QStringLiteral("negative.kaf"));
        writeFile(negative, "a"); // crc 0xE8B7BE43, register 0x174841BC (positive)
        QByteArray data("ab"); // find a content whose register is negative
        while (qint32(~clsCRC32::ofBytes(data)) >= 0)
            data += 'x';
        writeFile(negative, data);
        QCOMPARE(crc.CRC32(negative, true), clsCRC32::ofBytes(data));
        QVERIFY(readFile(clsCRC32::CacheFileName(negative)).startsWith('-'));
    }

    // The time texts are the file's local times as "yyyy-MM-dd HH:mm:ss.zzz",
    // so that caches written before keep being believed.
    void cacheTimeTexts()
    {
        const QString file = dir.filePath(QStringLiteral("times.kaf"));
        writeFile(file, "123456789");
        const QFileInfo info(file);
        const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
        QCOMPARE(clsCRC32::LastModifiedText(file), info.lastModified().toLocalTime().toString(format).toLatin1());
        const QDateTime created = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
        QCOMPARE(clsCRC32::CreatedText(file), created.toLocalTime().toString(format).toLatin1());
        QCOMPARE(clsCRC32::LastModifiedText(dir.filePath(QStringLiteral("missing.kaf"))), QByteArray());
    }

    // How a cache file found beside a pack is taken.
    void cacheTable_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("believed");
        QTest::newRow("valid cache is believed") << QString() << true;
        QTest::newRow("blanks around the numbers") << QStringLiteral("blanks") << true;
        QTest::newRow("touched file") << QStringLiteral("touch") << false;
        QTest::newRow("resized file") << QStringLiteral("resize") << false;
        QTest::newRow("lines 3 and 4 missing") << QStringLiteral("short") << false;
        QTest::newRow("register not a number") << QStringLiteral("garbage") << false;
        QTest::newRow("empty cache") << QStringLiteral("empty") << false;
        QTest::newRow("cache not used") << QStringLiteral("nocache") << false;
    }

    void cacheTable()
    {
        QFETCH(QString, change);
        QFETCH(bool, believed);
        const QString file = dir.filePath(QStringLiteral("pack-%1.kaf").arg(QString::number(qHash(change))));
        writeFile(file, "123456789");
        QFileInfo(file).lastModified();
        const QString cache = clsCRC32::CacheFileName(file);
        const quint32 fake = 0x11223344;
        // A cache that claims another CRC: believed only while it matches the file.
        QByteArray text = " " + QByteArray::number(qint32(~fake)) + "\r\n 9\r\n"
            + clsCRC32::LastModifiedText(file) + "\r\n" + clsCRC32::CreatedText(file) + "\r\n";
        if (change == QLatin1String("blanks"))
            text = "  " + QByteArray::number(qint32(~fake)) + "  \r\n  9 \r\n"
                + clsCRC32::LastModifiedText(file) + "\r\n" + clsCRC32::CreatedText(file) + "\r\n";
        if (change == QLatin1String("short"))
            text = " " + QByteArray::number(qint32(~fake)) + "\r\n 9\r\n";
        if (change == QLatin1String("garbage"))
            text.replace(0, 3, "abc");
        if (change == QLatin1String("empty"))
            text.clear();
        writeFile(cache, text);

        quint32 expected = believed ? fake : 0xCBF43926u;
        if (change == QLatin1String("touch")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QFileInfo(file).lastModified().addSecs(-3600), QFileDevice::FileModificationTime));
        }
        if (change == QLatin1String("resize")) {
            QByteArray bigger("1234567890");
            writeFile(file, bigger);
            expected = clsCRC32::ofBytes(bigger);
        }
        clsCRC32 crc;
        QCOMPARE(crc.CRC32(file, change != QLatin1String("nocache")), expected);
        if (!believed) {
            // The cache was rewritten and is believed from now on.
            QVERIFY(readFile(cache).startsWith(" " + QByteArray::number(qint32(~expected))) || qint32(~expected) < 0);
            QCOMPARE(crc.CRC32(file, true), expected);
        }
    }

    void unreadableFileGivesZeroAndNoCache()
    {
        const QString missing = dir.filePath(QStringLiteral("missing.kaf"));
        clsCRC32 crc;
        QCOMPARE(crc.FileSize(missing), qint64(-1));
        QCOMPARE(crc.CRC32(missing, true), 0u);
        quint32 value = 1;
        QVERIFY(!crc.Checksum(missing, true, &value));
        QVERIFY(!QFileInfo::exists(clsCRC32::CacheFileName(missing)));
        QCOMPARE(crc.FileSize(dir.path()), qint64(-1)); // a folder is not a file
    }
};

QTEST_GUILESS_MAIN(TestCrc32)
#include "tst_crc32.moc"
