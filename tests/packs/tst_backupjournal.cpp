// The journal format, backup names, level slot table and path confinement:
// pure functions, table tests (hostile rows included).

#include "core/util/Ini.h"
#include "core/util/WinPath.h"
#include "packs/BackupJournal.h"
#include "packs/ConfinedPath.h"
#include "packs/GameFileOperations.h"
#include "packs/LobbyLevels.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(QList<BackupRecord>)

class tst_BackupJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void serialiseRoundTrip();
    void backupNameFits_data();
    void backupNameFits();
    void freeBackupPath();
    void coversOnlyUsableRecords();
    void lobbyLevelsOverride_data();
    void lobbyLevelsOverride();
    void lobbyLevelsFromSettings();
    void confinement_data();
    void confinement();
    void confinementFollowsLinks();
};

void tst_BackupJournal::parse_data()
{
    QTest::addColumn<QByteArray>("journal");
    QTest::addColumn<QList<BackupRecord>>("records");
    const BackupRecord copy = BackupRecord::copy("/c/backup/a.dat", "/g/levels/a.dat");
    const BackupRecord del = BackupRecord::remove("/g/levels/b.dat");

    QTest::newRow("empty") << QByteArray() << QList<BackupRecord>();
    QTest::newRow("copy") << QByteArray("COPY\r\n/c/backup/a.dat\r\n/g/levels/a.dat\r\n")
                          << QList<BackupRecord>{copy};
    QTest::newRow("delete") << QByteArray("DELETE\r\n/g/levels/b.dat\r\n")
                            << QList<BackupRecord>{del};
    QTest::newRow("both, LF only") << QByteArray("COPY\n/c/backup/a.dat\n/g/levels/a.dat\nDELETE\n/g/levels/b.dat\n")
                                   << QList<BackupRecord>{copy, del};
    QTest::newRow("last line cut off") << QByteArray("COPY\r\n/c/backup/a.dat\r\n/g/levels/a.dat\r\nDELETE\r\n/g/levels/b.d")
                                       << QList<BackupRecord>{copy};
    QTest::newRow("copy without its game path") << QByteArray("COPY\r\n/c/backup/a.dat\r\n")
                                                << QList<BackupRecord>();
    QTest::newRow("torn copy, then a whole record") << QByteArray("COPY\r\n/c/backup/x.dat\r\nDELETE\r\n/g/levels/b.dat\r\n")
                                                    << QList<BackupRecord>{del};
    QTest::newRow("torn after the keyword") << QByteArray("COPY\r\nCOPY\r\n/c/backup/a.dat\r\n/g/levels/a.dat\r\n")
                                            << QList<BackupRecord>{copy};
    QTest::newRow("delete without a path") << QByteArray("DELETE\r\n\r\nDELETE\r\n/g/levels/b.dat\r\n")
                                           << QList<BackupRecord>{del};
    QTest::newRow("other lines skipped") << QByteArray("hello\r\ncopy\r\n\r\nDELETE\r\n/g/levels/b.dat\r\n")
                                         << QList<BackupRecord>{del};
}

void tst_BackupJournal::parse()
{
    QFETCH(QByteArray, journal);
    QFETCH(QList<BackupRecord>, records);
    QCOMPARE(BackupJournalFormat::Parse(journal), records);
}

void tst_BackupJournal::serialiseRoundTrip()
{
    const QList<BackupRecord> records{BackupRecord::copy("/c/backup/é x.dat", "/g/a b/é x.dat"),
                                      BackupRecord::remove("/g/new.dat")};
    const QByteArray bytes = BackupJournalFormat::Serialise(records);
    QVERIFY(bytes.startsWith("COPY\r\n"));
    QVERIFY(bytes.endsWith("DELETE\r\n/g/new.dat\r\n"));
    QCOMPARE(BackupJournalFormat::Parse(bytes), records);
}

void tst_BackupJournal::backupNameFits_data()
{
    QTest::addColumn<QString>("backup");
    QTest::addColumn<QString>("game");
    QTest::addColumn<bool>("fits");
    QTest::newRow("same name") << "/c/backup/levl2101.dat" << "/g/levels/levl2101.dat" << true;
    QTest::newRow("other case") << "/c/backup/LEVL2101.DAT" << "/g/levels/levl2101.dat" << true;
    QTest::newRow("second copy") << "/c/backup/foo.dat~2" << "/g/sound/foo.dat" << true;
    QTest::newRow("bad number") << "/c/backup/foo.dat~1" << "/g/sound/foo.dat" << false;
    QTest::newRow("leading zero") << "/c/backup/foo.dat~02" << "/g/sound/foo.dat" << false;
    QTest::newRow("other file") << "/c/backup/bar.dat" << "/g/sound/foo.dat" << false;
    QTest::newRow("the journal itself") << "/c/backup/backup.txt" << "/g/backup.txt" << false;
}

void tst_BackupJournal::backupNameFits()
{
    QFETCH(QString, backup);
    QFETCH(QString, game);
    QFETCH(bool, fits);
    QCOMPARE(BackupJournal::BackupNameFits(backup, game), fits);
}

void tst_BackupJournal::freeBackupPath()
{
    QTemporaryDir dir;
    GameFileOperations ops(false);
    BackupJournal journal(dir.path(), "backup", ops);
    const QString folder = journal.Folder();
    QCOMPARE(journal.FreeBackupPath("/g/data/foo.dat"), folder + "/foo.dat");
    // The client's own names are never used for a copy.
    QCOMPARE(journal.FreeBackupPath("/g/BACKUP.TXT"), folder + "/BACKUP.TXT~2");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(journal.Append(BackupRecord::copy(folder + "/foo.dat", "/g/data/foo.dat"), nullptr));
    QCOMPARE(journal.FreeBackupPath("/g/sound/FOO.DAT"), folder + "/FOO.DAT~2");
    // A file left in the folder is never overwritten.
    QFile stray(folder + "/FOO.DAT~2");
    QVERIFY(stray.open(QIODevice::WriteOnly));
    stray.close();
    QCOMPARE(journal.FreeBackupPath("/g/sound/FOO.DAT"), folder + "/FOO.DAT~3");
}

// A copy record kept because its backup cannot be used (a moved program
// folder, an edited journal) does not stand for the file: the next install
// must save it again, or its original would be lost.
void tst_BackupJournal::coversOnlyUsableRecords()
{
    QTemporaryDir dir;
    GameFileOperations ops(false);
    BackupJournal journal(dir.path(), "backup", ops);
    const QString folder = journal.Folder();
    QVERIFY(QDir().mkpath(folder));
    for (const char *name : {"/other.dat", "/c.dat"}) {
        QFile backup(folder + QLatin1String(name));
        QVERIFY(backup.open(QIODevice::WriteOnly));
    }
    QVERIFY(journal.Rewrite({BackupRecord::copy("/old/client/backup/a.dat", "/g/data/a.dat"),
                             BackupRecord::copy(folder + "/other.dat", "/g/data/b.dat"),
                             BackupRecord::copy(folder + "/c.dat", "/g/data/c.dat"),
                             BackupRecord::remove("/g/data/d.dat"),
                             BackupRecord::copy(folder + "/f.dat", "/g/data/f.dat")},
                            nullptr));
    QVERIFY(!journal.Covers("/g/data/a.dat")); // moved program folder
    QVERIFY(!journal.Covers("/g/data/b.dat")); // not its copy
    QVERIFY(journal.Covers("/g/data/c.dat"));
    QVERIFY(journal.Covers("/g/data/d.dat"));
    QVERIFY(!journal.Covers("/g/data/e.dat"));
    QVERIFY(!journal.Covers("/g/data/f.dat")); // its copy was never made
    QVERIFY(!journal.BackupInFolder(journal.Records().at(0)));
    QVERIFY(journal.BackupInFolder(journal.Records().at(2)));
}

void tst_BackupJournal::lobbyLevelsOverride_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QList<QByteArray>>("slots");
    QTest::newRow("three") << QByteArray("2101,2102,2103") << QList<QByteArray>{"2101", "2102", "2103"};
    QTest::newRow("blanks") << QByteArray(" 2101 , 2102") << QList<QByteArray>{"2101", "2102"};
    QTest::newRow("empty entry") << QByteArray("2101,,2102") << QList<QByteArray>();
    QTest::newRow("not digits") << QByteArray("2101,..\\x") << QList<QByteArray>();
    QTest::newRow("repeated") << QByteArray("2101,2101") << QList<QByteArray>();
    QByteArray seventeen;
    for (int i = 1; i <= 17; ++i)
        seventeen += QByteArray::number(2100 + i) + (i < 17 ? "," : "");
    QTest::newRow("seventeen") << seventeen << QList<QByteArray>();
}

void tst_BackupJournal::lobbyLevelsOverride()
{
    QFETCH(QByteArray, value);
    QFETCH(QList<QByteArray>, slots);
    QCOMPARE(LobbyLevels::ParseOverride(value), slots);
}

void tst_BackupJournal::lobbyLevelsFromSettings()
{
    QTemporaryDir dir;
    const QList<QByteArray> defaults = LobbyLevels::Load(dir.path());
    QCOMPARE(defaults, LobbyLevels::DefaultSlots());
    QCOMPARE(defaults.size(), 16);
    QCOMPARE(LobbyLevels::SlotFileName(defaults.first(), ".dat"), QByteArray("levels\\levl2101.dat"));
    const QString ini = WinPath::join(dir.path(), QByteArray("qx.ini"));
    QVERIFY(Ini::WriteIni(ini, "paths", "lobbylevels", "2050,2051"));
    QCOMPARE(LobbyLevels::Load(dir.path()), (QList<QByteArray>{"2050", "2051"}));
    QVERIFY(Ini::WriteIni(ini, "paths", "lobbylevels", "2050,abc"));
    QCOMPARE(LobbyLevels::Load(dir.path()), defaults);
}

void tst_BackupJournal::confinement_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("below");
    QTest::newRow("inside") << "/g/game/levels/a.dat" << true;
    QTest::newRow("the folder itself") << "/g/game" << false;
    QTest::newRow("a sibling with the same start") << "/g/gameX/a.dat" << false;
    QTest::newRow("climbing out") << "/g/game/../etc/passwd" << false;
    QTest::newRow("dot part") << "/g/game/./a.dat" << false;
    QTest::newRow("relative") << "game/a.dat" << false;
    QTest::newRow("control character") << "/g/game/a\001.dat" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_BackupJournal::confinement()
{
    QFETCH(QString, path);
    QFETCH(bool, below);
    QCOMPARE(ConfinedPath::isBelow("/g/game", path), below);
}

void tst_BackupJournal::confinementFollowsLinks()
{
    QTemporaryDir dir;
    const QString game = dir.path() + "/game";
    QVERIFY(QDir().mkpath(game + "/levels"));
    QVERIFY(QDir().mkpath(dir.path() + "/elsewhere"));
    QVERIFY(QFile::link(dir.path() + "/elsewhere", game + "/escape"));
    QVERIFY(QFile::link(dir.path() + "/elsewhere/x", game + "/levels/link.dat"));
    using W = ConfinedPath::Where;
    QCOMPARE(ConfinedPath::locate(game, game + "/levels/a.dat"), W::Inside);
    QCOMPARE(ConfinedPath::locate(game, game + "/escape/a.dat"), W::Outside);
    QCOMPARE(ConfinedPath::locate(game, game + "/levels/link.dat"), W::Outside);
    QCOMPARE(ConfinedPath::locate(game, game + "/gone/a.dat"), W::Unreachable);
    QCOMPARE(ConfinedPath::locate(game, dir.path() + "/elsewhere/a.dat"), W::Outside);
}

QTEST_GUILESS_MAIN(tst_BackupJournal)
#include "tst_backupjournal.moc"
