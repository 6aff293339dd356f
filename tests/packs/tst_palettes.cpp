#include "packs/GameFileOperations.h"
#include "packs/PalFile.h"
#include "packs/TribePalettes.h"
#include "tests/fixtures/RecordingChatOutput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray patternPalette(qsizetype size = clsPalFile::FileSize, char salt = 0)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + salt) & 0xFF);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Box colours that name their tribe and shade: red = 16 * tribe + shade,
// green = 100 + shade, blue = 200 + tribe.
qint32 boxColour(int tribe, int shade)
{
    return (16 * tribe + shade) + 256 * (100 + shade) + 65536 * (200 + tribe);
}

} // namespace

class tst_Palettes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitColour();
    void palFileIndexOutOfRange();
    void palFileKeepsTail();
    void paletteNamesAreTheExistingFilesSorted();
    void paletteNamesAtMost36();
    void patchTouchesOnlyTheTribeBand_data();
    void patchTouchesOnlyTheTribeBand();
    void installBacksUpRestoreRestores();
    void pendingBackupIsNeverOverwritten();
    void restoreWithoutBackupsDeletesMarker();
    void failedRestoreKeepsMarkerAndBackup();
    void failedRestoreSaysWhy();
    void startUpRestoreOnlyWithMarker();
    void restoreWaitsForTheGameFolder();
};

void tst_Palettes::splitColour()
{
    qint16 r = 0, g = 0, b = 0;
    SplitColour(153 + 256 * 102 + 65536 * 51, r, g, b);
    QCOMPARE(r, qint16(153));
    QCOMPARE(g, qint16(102));
    QCOMPARE(b, qint16(51));
    SplitColour(-1, r, g, b); // outside the model: still three bytes
    QCOMPARE(r, qint16(255));
    QCOMPARE(b, qint16(255));
}

void tst_Palettes::palFileIndexOutOfRange()
{
    clsPalFile pal;
    QVERIFY(pal.SetRed(255, 9));
    QVERIFY(!pal.SetRed(256, 9));
    QVERIFY(!pal.SetGreen(-1, 9));
    QCOMPARE(pal.GetRed(255), quint8(9));
    QCOMPARE(pal.GetBlue(300), quint8(0));
    QCOMPARE(pal.image().count('\0'), 1023);
}

void tst_Palettes::palFileKeepsTail()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pal0-0.dat");
    const QByteArray original = patternPalette(1500);
    QVERIFY(writeFile(path, original));
    clsPalFile pal;
    QVERIFY(pal.Load(path));
    QCOMPARE(pal.GetRed(1), quint8(28));
    pal.SetBlue(10, 0xAB);
    QVERIFY(pal.Save(path));
    QByteArray expected = original;
    expected[42] = char(0xAB);
    QCOMPARE(readFile(path), expected);
    QVERIFY(!pal.Load(dir.filePath("missing.dat")));
}

void tst_Palettes::paletteNamesAreTheExistingFilesSorted()
{
    QTemporaryDir dir;
    const QString game = dir.filePath("game");
    for (const char *name : {"pal0-b.dat", "PAL0-A.DAT", "pal0-0.dat", "pal1-0.dat", "pal0-c.bak"})
        QVERIFY(writeFile(QDir(game).filePath(QStringLiteral("DATA/") + QLatin1String(name)), patternPalette()));
    QCOMPARE(PaletteFileNames(game), (QStringList{"pal0-0.dat", "PAL0-A.DAT", "pal0-b.dat"}));
    QCOMPARE(PaletteFileNames(dir.filePath("nothing")), QStringList());
}

void tst_Palettes::paletteNamesAtMost36()
{
    QTemporaryDir dir;
    for (int i = 0; i < 40; ++i)
        QVERIFY(writeFile(dir.filePath(QStringLiteral("data/pal0-%1.dat").arg(i, 2, 10, QLatin1Char('0'))),
                          patternPalette()));
    const QStringList names = PaletteFileNames(dir.path());
    QCOMPARE(names.size(), 36);
    QCOMPARE(names.first(), QStringLiteral("pal0-00.dat"));
    QCOMPARE(names.last(), QStringLiteral("pal0-35.dat"));
}

void tst_Palettes::patchTouchesOnlyTheTribeBand_data()
{
    QTest::addColumn<int>("tribe");
    QTest::addColumn<int>("shade");
    QTest::addColumn<int>("entry");
    QTest::newRow("blue 0") << 0 << 0 << 216;
    QTest::newRow("red 7") << 1 << 7 << 247;
    QTest::newRow("green 0") << 3 << 0 << 224;
    QTest::newRow("yellow 0") << 2 << 0 << 232;
    QTest::newRow("yellow 7") << 2 << 7 << 239;
}

void tst_Palettes::patchTouchesOnlyTheTribeBand()
{
    QFETCH(int, tribe);
    QFETCH(int, shade);
    QFETCH(int, entry);
    QTemporaryDir dir;
    const QString game = dir.filePath("game");
    const QString file = QDir(game).filePath("data/pal0-0.dat");
    const QByteArray original = patternPalette();
    QVERIFY(writeFile(file, original));
    RecordingChatOutput chat;
    QVERIFY(PatchPaletteFiles({dir.filePath("client"), game, boxColour}, chat));
    QCOMPARE(chat.systemMessages.last(), QByteArray("Tribe Colors Successfully Setup!"));

    const QByteArray patched = readFile(file);
    QCOMPARE(patched.size(), original.size());
    const qint32 colour = boxColour(tribe, shade);
    QCOMPARE(quint8(patched[entry * 4]), quint8(colour & 0xFF));
    QCOMPARE(quint8(patched[entry * 4 + 1]), quint8((colour >> 8) & 0xFF));
    QCOMPARE(quint8(patched[entry * 4 + 2]), quint8((colour >> 16) & 0xFF));
    for (qsizetype i = 0; i < original.size(); ++i) {
        const qsizetype e = i / 4;
        const bool band = e >= 216 && e <= 247 && i % 4 != 3;
        if (!band)
            QVERIFY2(patched[i] == original[i], qPrintable(QString::number(i)));
    }
}

void tst_Palettes::installBacksUpRestoreRestores()
{
    QTemporaryDir dir;
    const QString client = dir.filePath("client");
    const QString game = dir.filePath("game");
    QDir().mkpath(client);
    QMap<QString, QByteArray> originals;
    for (int i = 0; i < 3; ++i) {
        const QString name = QStringLiteral("pal0-%1.dat").arg(i);
        originals[name] = patternPalette(1024 + i, char(i));
        QVERIFY(writeFile(QDir(game).filePath("data/" + name), originals[name]));
    }
    RecordingChatOutput chat;
    QVERIFY(InstallTribePalettes({client, game, boxColour}, chat));
    QCOMPARE(readFile(QDir(client).filePath("pal.dat")), QByteArray("True\r\n"));
    for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
        QCOMPARE(readFile(QDir(client).filePath("palbackup/" + it.key())), it.value());
        QVERIFY(readFile(QDir(game).filePath("data/" + it.key())) != it.value());
    }

    QVERIFY(RestorePaletteFiles(client, game));
    for (auto it = originals.cbegin(); it != originals.cend(); ++it)
        QCOMPARE(readFile(QDir(game).filePath("data/" + it.key())), it.value());
    QVERIFY(!QFile::exists(QDir(client).filePath("pal.dat")));
    QVERIFY(QDir(QDir(client).filePath("palbackup")).entryList(QDir::Files).isEmpty());
}

void tst_Palettes::pendingBackupIsNeverOverwritten()
{
    // A game with custom colours ended without its restore: the backup holds
    // the original, the game file is patched. The next install must not save
    // the patched file over the original.
    QTemporaryDir dir;
    const QString client = dir.filePath("client");
    const QString game = dir.filePath("game");
    const QByteArray original = patternPalette();
    RecordingChatOutput chat;
    QVERIFY(writeFile(QDir(game).filePath("data/pal0-0.dat"), original));
    QDir().mkpath(client);
    QVERIFY(InstallTribePalettes({client, game, boxColour}, chat));
    QVERIFY(InstallTribePalettes({client, game, [](int, int) { return 0x123456; }}, chat));
    QVERIFY(RestorePaletteFiles(client, game));
    QCOMPARE(readFile(QDir(game).filePath("data/pal0-0.dat")), original);
}

void tst_Palettes::restoreWithoutBackupsDeletesMarker()
{
    QTemporaryDir dir;
    const QString game = dir.filePath("game");
    const QByteArray original = patternPalette();
    QVERIFY(writeFile(QDir(game).filePath("data/pal0-0.dat"), original));
    QVERIFY(writeFile(dir.filePath("client/pal.dat"), "True\r\n"));
    QVERIFY(RestorePaletteFiles(dir.filePath("client"), game));
    QVERIFY(!QFile::exists(dir.filePath("client/pal.dat")));
    QCOMPARE(readFile(QDir(game).filePath("data/pal0-0.dat")), original);
}

void tst_Palettes::failedRestoreKeepsMarkerAndBackup()
{
    QTemporaryDir dir;
    const QString game = dir.filePath("game");
    // A folder where the palette file should be: the copy back cannot land.
    QVERIFY(QDir().mkpath(QDir(game).filePath("data/pal0-0.dat")));
    QVERIFY(writeFile(QDir(game).filePath("data/pal0-1.dat"), patternPalette()));
    QVERIFY(writeFile(dir.filePath("client/pal.dat"), "True\r\n"));
    QVERIFY(writeFile(dir.filePath("client/palbackup/pal0-0.dat"), patternPalette(1024, 5)));
    QVERIFY(writeFile(dir.filePath("client/palbackup/pal0-1.dat"), patternPalette(1024, 6)));
    QVERIFY(!RestorePaletteFiles(dir.filePath("client"), game));
    QVERIFY(QFile::exists(dir.filePath("client/pal.dat")));
    QVERIFY(QFile::exists(dir.filePath("client/palbackup/pal0-0.dat")));
    // The one that could go back did.
    QCOMPARE(readFile(QDir(game).filePath("data/pal0-1.dat")), patternPalette(1024, 6));
    QVERIFY(!QFile::exists(dir.filePath("client/palbackup/pal0-1.dat")));
}

void tst_Palettes::failedRestoreSaysWhy()
{
    // A saved copy that cannot be read: the reason names it, the marker and
    // the copy stay, the other palette goes back with the game file's
    // permissions.
    struct RefusingReads : GameFileOperations
    {
        RefusingReads() : GameFileOperations(false) {}
        bool readFile(const QString &path, QByteArray *bytes, QString *error) override
        {
            if (path.endsWith(QLatin1String("palbackup/pal0-0.dat")))
                return failWith(error, path + QStringLiteral(": Permission denied"));
            return GameFileOperations::readFile(path, bytes, error);
        }
    } ops;
    QTemporaryDir dir;
    const QString game = dir.filePath("game");
    const QString client = dir.filePath("client");
    QVERIFY(writeFile(QDir(game).filePath("data/pal0-0.dat"), patternPalette(1024, 1)));
    QVERIFY(writeFile(QDir(game).filePath("data/pal0-1.dat"), patternPalette(1024, 2)));
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QVERIFY(QFile::setPermissions(QDir(game).filePath("data/pal0-1.dat"), readOnly));
    QVERIFY(writeFile(QDir(client).filePath("pal.dat"), "True\r\n"));
    QVERIFY(writeFile(QDir(client).filePath("palbackup/pal0-0.dat"), patternPalette(1024, 5)));
    QVERIFY(writeFile(QDir(client).filePath("palbackup/pal0-1.dat"), patternPalette(1024, 6)));

    QString why;
    QVERIFY(!CheckPaletteRestore(client, game, ops, &why));
    QCOMPARE(why, QDir(client).filePath("palbackup/pal0-0.dat") + QStringLiteral(": Permission denied"));
    QVERIFY(QFile::exists(QDir(client).filePath("pal.dat")));
    QCOMPARE(readFile(QDir(client).filePath("palbackup/pal0-0.dat")), patternPalette(1024, 5));
    QCOMPARE(readFile(QDir(game).filePath("data/pal0-0.dat")), patternPalette(1024, 1));
    QCOMPARE(readFile(QDir(game).filePath("data/pal0-1.dat")), patternPalette(1024, 6));
    QCOMPARE(QFile::permissions(QDir(game).filePath("data/pal0-1.dat"))
                 & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
             readOnly);

    GameFileOperations plain(false);
    QVERIFY(CheckPaletteRestore(client, game, plain, &why));
    QCOMPARE(readFile(QDir(game).filePath("data/pal0-0.dat")), patternPalette(1024, 5));
    QVERIFY(!QFile::exists(QDir(client).filePath("pal.dat")));
}

void tst_Palettes::startUpRestoreOnlyWithMarker()
{
    QTemporaryDir dir;
    const QString game = dir.filePath("game");
    const QByteArray patched = patternPalette(1024, 1);
    const QByteArray original = patternPalette(1024, 2);
    QVERIFY(writeFile(QDir(game).filePath("data/pal0-0.dat"), patched));
    QVERIFY(writeFile(dir.filePath("client/palbackup/pal0-0.dat"), original));
    CheckPaletteRestore(dir.filePath("client"), game);
    QCOMPARE(readFile(QDir(game).filePath("data/pal0-0.dat")), patched);
    QVERIFY(writeFile(dir.filePath("client/pal.dat"), "True\r\n"));
    CheckPaletteRestore(dir.filePath("client"), game);
    QCOMPARE(readFile(QDir(game).filePath("data/pal0-0.dat")), original);
    QVERIFY(!QFile::exists(dir.filePath("client/pal.dat")));
}

void tst_Palettes::restoreWaitsForTheGameFolder()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("client/pal.dat"), "True\r\n"));
    QVERIFY(writeFile(dir.filePath("client/palbackup/pal0-0.dat"), patternPalette()));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    CheckPaletteRestore(dir.filePath("client"), QString());
    RecordingChatOutput chat;
    QVERIFY(writeFile(dir.filePath("data/pal0-0.dat"), patternPalette()));
    QVERIFY(!PatchPaletteFiles({dir.filePath("client"), QString(), boxColour}, chat));
    QCOMPARE(readFile(dir.filePath("data/pal0-0.dat")), patternPalette());
    QVERIFY(QFile::remove(dir.filePath("data/pal0-0.dat")));
    QVERIFY(QDir(dir.path()).rmdir("data"));
    QVERIFY(!RestorePaletteFiles(dir.filePath("client"), dir.filePath("no game here")));
    QDir::setCurrent(before);
    QVERIFY(!QFile::exists(dir.filePath("data")));
    QVERIFY(QFile::exists(dir.filePath("client/pal.dat")));
    QVERIFY(QFile::exists(dir.filePath("client/palbackup/pal0-0.dat")));
}

QTEST_GUILESS_MAIN(tst_Palettes)
#include "tst_palettes.moc"
