// The map and mod installs and the restores, on real files: what lands in the
// game folder, the commands and status lines, the backups, and hand-written
// journals.

#include "core/util/Files.h"
#include "packs/BackupJournal.h"
#include "packs/GameFileOperations.h"
#include "packs/LangFile.h"
#include "packs/PackInstaller.h"
#include "tests/packs/InstallFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace InstallTest;

namespace {

constexpr qint32 Grey = 192 + 192 * 256 + 192 * 65536;

QByteArray modLine(const QByteArray &source, const QByteArray &destination)
{
    return "EXTRASRC: " + source + "\r\nDEST:     " + destination + "\r\n";
}

const QByteArray TwoLevelManifest =
    "PACKCREATOR:tester\r\n"
    "LEVEL:\r\nNAME: First Level\r\nDAT: maps\\one.dat\r\nHDR: one.hdr\r\nCREATOR: me\r\n\r\n"
    "LEVEL:\r\nNAME: Second\r\nDAT: two.dat\r\nHDR: absent.hdr\r\n\r\n"
    "LANG 5:Five: with a colon\r\nLANG 721:Renamed\r\n";

QByteArray writeJournal(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write a journal");
    f.write(bytes);
    return bytes;
}

QByteArray copyRecord(const QString &backup, const QString &game)
{
    return "COPY\r\n" + QFile::encodeName(backup) + "\r\n" + QFile::encodeName(game) + "\r\n";
}

QByteArray deleteRecord(const QString &path)
{
    return "DELETE\r\n" + QFile::encodeName(path) + "\r\n";
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write a file");
    f.write(bytes);
}

} // namespace

class tst_PackInstall : public QObject
{
    Q_OBJECT

private:
    // A game folder with slots 2101 (both files, the .dat read-only and in
    // upper case), 2102 (missing) and 2103 (header only), a small LANG00.DAT
    // and a large lang01.dat.
    void makeGame(Fixture &f)
    {
        f.setLobbyLevels("2101,2102,2103");
        f.writeGameFile("LEVELS/LEVL2101.DAT", filler('a', 3000), true);
        f.writeGameFile("LEVELS/levl2101.hdr", header('b'));
        f.writeGameFile("LEVELS/levl2103.hdr", header('c'));
        f.writeGameFile("LEVELS/levl0001.dat", filler('d', 500));
        f.writeGameFile("language/LANG00.DAT", languageFileOfSize(740, 0));
        f.writeGameFile("language/lang01.dat", languageFileOfSize(740, 120000));
        f.writeGameFile("language/lang02.dat", languageFileOfSize(20, 0));
        f.writeGameFile("data/foo.dat", filler('h', 800));
        f.writeGameFile("sound/FOO.DAT", filler('i', 900));
    }
    QByteArray addTwoLevelPack(Fixture &f)
    {
        return f.addMappack("twolevels.kaf", {{"mappack.txt", TwoLevelManifest},
                                              {"one.dat", filler('1', 2000)},
                                              {"one.hdr", header('2')},
                                              {"two.dat", filler('3', 2500)}});
    }
    QByteArray addModPack(Fixture &f)
    {
        return f.addModpack("textures.kaf",
                            {{"modpack.txt", "creator\r\ntitle\r\n"
                                                 + modLine("mlevel.dat", "levels\\levl2101.dat")
                                                 + modLine("foo1.dat", "data\\foo.dat")
                                                 + modLine("foo2.dat", "sound\\foo.dat")
                                                 + modLine("foo1.dat", "data\\FOO.DAT")
                                                 + modLine("new.dat", "data\\new.dat")
                                                 + modLine("absent.dat", "data\\absent.dat")},
                             {"mlevel.dat", filler('6', 1700)},
                             {"foo1.dat", filler('7', 300)},
                             {"foo2.dat", filler('8', 400)},
                             {"new.dat", filler('9', 100)}});
    }
    static QList<BackupRecord> journal(Fixture &f, const char *folder)
    {
        GameFileOperations ops(false);
        BackupJournal j(f.setup.ProgramFolder, folder, ops);
        j.Load();
        return j.Records();
    }

private Q_SLOTS:
    void mapInstallPutsThePackInPlace();
    void modInstallAfterMapInstall();
    void installThenRestoreGivesBackTheGame_data();
    void installThenRestoreGivesBackTheGame();
    void restoreMapBackupReplaysTheModJournalFirst();
    void noPackIdentitiesInstallNothing_data();
    void noPackIdentitiesInstallNothing();
    void commandsSentWhenTheManifestNamesNoFiles();
    void unknownPacks();
    void failingMapInstallPutsBackWhatItChanged();
    void failingModInstallPutsBackWhatItChanged();
    void failingInstallUndoesOnlyItsOwnRecords();
    void modDestinationOutsideTheGameFolderIsRefused();
    void levelHeadersBackedUpWithoutMapPack();
    void restoreTwiceShowsNothingTheSecondTime();
    void journalNamingAMissingBackup();
    void journalWithATornRecord();
    void deleteOutsideTheGameFolderIsKept();
    void copyBackOntoAFolderKeepsTheBackup();
    void backupOutsideItsFolderIsKept();
    void restoreWithTheGameFolderElsewhere();
    void headerRestoreMarker();
    void constantsRestore();
    void restoresWaitForTheGameFolder();
};

void tst_PackInstall::mapInstallPutsThePackInPlace()
{
    Fixture f;
    makeGame(f);
    const QByteArray crc = addTwoLevelPack(f);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    QVERIFY(installer.InstallMappack(crc));

    QCOMPARE(f.commands.commands, (QList<QByteArray>{"BACKUP", "INSTALL", "LANGUAGE"}));
    QCOMPARE(f.chat.systemMessages, (QList<QByteArray>{"Installing mappack...", "Done! launching..."}));

    // Level 1 into slot 2101 (found in its upper-case spelling), level 2 into
    // 2102 without a header (the pack lacks it), slot 2103 emptied.
    QCOMPARE(Files::ReadAll(f.game("LEVELS/LEVL2101.DAT")), filler('1', 2000));
    QCOMPARE(Files::ReadAll(f.game("LEVELS/levl2101.hdr")), header('2'));
    QCOMPARE(Files::ReadAll(f.game("LEVELS/levl2102.dat")), filler('3', 2500));
    QVERIFY(!QFileInfo::exists(f.game("LEVELS/levl2102.hdr")));
    QVERIFY(!QFileInfo::exists(f.game("LEVELS/levl2103.hdr")));
    QVERIFY(QFileInfo(f.game("LEVELS/LEVL2101.DAT")).isWritable());
    QCOMPARE(Files::ReadAll(f.game("LEVELS/levl0001.dat")), filler('d', 500));

    // The names go to lines 720 and 721, then the LANG lines in order.
    clsLangFile lang(f.setup.ProgramFolder);
    QVERIFY(lang.LoadFile(f.game("language/LANG00.DAT")));
    QCOMPARE(lang.GetLine(720), QByteArray("First Level"));
    QCOMPARE(lang.GetLine(721), QByteArray("Renamed"));
    QCOMPARE(lang.GetLine(5), QByteArray("Five: with a colon"));
    QCOMPARE(lang.GetLine(6), QByteArray("T6"));

    // Journal: the slot files, the large language file, the created slot
    // file, then LANG00.DAT although it is small; lang02.dat is not copied.
    const QString b = f.client("backup");
    const QList<BackupRecord> expected{
        BackupRecord::copy(b + "/LEVL2101.DAT", f.game("LEVELS/LEVL2101.DAT")),
        BackupRecord::copy(b + "/levl2101.hdr", f.game("LEVELS/levl2101.hdr")),
        BackupRecord::copy(b + "/levl2103.hdr", f.game("LEVELS/levl2103.hdr")),
        BackupRecord::copy(b + "/lang01.dat", f.game("language/lang01.dat")),
        BackupRecord::remove(f.game("LEVELS/levl2102.dat")),
        BackupRecord::copy(b + "/LANG00.DAT", f.game("language/LANG00.DAT")),
    };
    QCOMPARE(journal(f, "backup"), expected);
    QCOMPARE(Files::ReadAll(b + "/LEVL2101.DAT"), filler('a', 3000));
    // The copy keeps the read-only mode, which the restore gives back.
    QVERIFY(!(QFile::permissions(b + "/LEVL2101.DAT") & QFileDevice::WriteOwner));
}

void tst_PackInstall::modInstallAfterMapInstall()
{
    Fixture f;
    makeGame(f);
    const QByteArray map = addTwoLevelPack(f);
    const QByteArray mod = addModPack(f);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    QVERIFY(installer.InstallMappack(map));
    f.chat.clear();
    QVERIFY(installer.InstallModpack(mod));

    QCOMPARE(f.commands.commands,
             (QList<QByteArray>{"BACKUP", "INSTALL", "LANGUAGE", "MODBACKUP", "MODINSTALL"}));
    QCOMPARE(f.chat.systemMessages,
             (QList<QByteArray>{"Installing Modpack textures.kaf", "Setting UP HDR Files..."}));
    QCOMPARE(Files::ReadAll(f.game("LEVELS/LEVL2101.DAT")), filler('6', 1700));
    QCOMPARE(Files::ReadAll(f.game("data/foo.dat")), filler('7', 300));
    QCOMPARE(Files::ReadAll(f.game("sound/FOO.DAT")), filler('8', 400));
    QCOMPARE(Files::ReadAll(f.game("data/new.dat")), filler('9', 100));
    QVERIFY(!QFileInfo::exists(f.game("data/absent.dat")));

    // Every slot header: land texture cleared, the rest unchanged; a missing
    // one is created.
    QByteArray h = header('2');
    h[96] = 0;
    h[97] = 0;
    QCOMPARE(Files::ReadAll(f.game("LEVELS/levl2101.hdr")), h);
    QCOMPARE(Files::ReadAll(f.game("LEVELS/levl2102.hdr")), QByteArray(98, '\0'));

    // One backup per game file, two for the two files named foo.dat; the
    // second manifest line for data\foo.dat is not backed up again.
    const QString b = f.client("modbackup");
    const QList<BackupRecord> expected{
        BackupRecord::copy(b + "/LEVL2101.DAT", f.game("LEVELS/LEVL2101.DAT")),
        BackupRecord::copy(b + "/foo.dat", f.game("data/foo.dat")),
        BackupRecord::copy(b + "/FOO.DAT~2", f.game("sound/FOO.DAT")),
        BackupRecord::remove(f.game("data/new.dat")),
        BackupRecord::copy(b + "/levl2101.hdr", f.game("LEVELS/levl2101.hdr")),
        BackupRecord::remove(f.game("LEVELS/levl2102.hdr")),
        BackupRecord::remove(f.game("LEVELS/levl2103.hdr")),
    };
    QCOMPARE(journal(f, "modbackup"), expected);
    QCOMPARE(Files::ReadAll(b + "/LEVL2101.DAT"), filler('1', 2000)); // the map pack's level
    QCOMPARE(Files::ReadAll(b + "/FOO.DAT~2"), filler('i', 900));
}

void tst_PackInstall::installThenRestoreGivesBackTheGame_data()
{
    QTest::addColumn<bool>("map");
    QTest::addColumn<bool>("mod");
    QTest::addColumn<bool>("atStartUp");
    QTest::newRow("map, game end") << true << false << false;
    QTest::newRow("mod, game end") << false << true << false;
    QTest::newRow("map and mod, game end") << true << true << false;
    QTest::newRow("map and mod, next start") << true << true << true;
}

void tst_PackInstall::installThenRestoreGivesBackTheGame()
{
    QFETCH(bool, map);
    QFETCH(bool, mod);
    QFETCH(bool, atStartUp);
    Fixture f;
    makeGame(f);
    const QByteArray mapCrc = map ? addTwoLevelPack(f) : QByteArray("OFF");
    const QByteArray modCrc = mod ? addModPack(f) : QByteArray("00000000");
    const Snapshot original = snapshot(f.setup.GamePath);

    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    const bool mapInstalled = installer.InstallMappack(mapCrc);
    QCOMPARE(mapInstalled, map);
    QCOMPARE(installer.InstallModpack(modCrc), mod);
    if (!mapInstalled)
        installer.BackupPackLevelHeaders();
    QVERIFY(snapshot(f.setup.GamePath) != original);

    f.chat.clear();
    if (atStartUp) {
        PackInstaller next(f.setup, f.packs, f.commands, f.chat);
        next.RestoreMapBackup();
        next.RestoreModBackup();
        next.CheckHeaderRestore();
        next.CheckConstantRestore();
    } else {
        if (!mapInstalled)
            installer.RestoreLevelHeaderFiles();
        installer.RestoreMapBackup();
        installer.RestoreModBackup();
    }
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());
    QVERIFY(!f.chat.hasSystemMessage("ERROR"));
    QVERIFY(!QFileInfo::exists(f.client("backup/backup.txt")));
    QVERIFY(!QFileInfo::exists(f.client("modbackup/backup.txt")));
    QCOMPARE(QDir(f.client("backup")).entryList(QDir::Files), QStringList());
    QCOMPARE(QDir(f.client("modbackup")).entryList(QDir::Files), QStringList());
}

void tst_PackInstall::restoreMapBackupReplaysTheModJournalFirst()
{
    Fixture f;
    makeGame(f);
    const QByteArray map = addTwoLevelPack(f);
    const QByteArray mod = addModPack(f);
    const Snapshot original = snapshot(f.setup.GamePath);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.InstallMappack(map);
    installer.InstallModpack(mod);
    f.chat.clear();
    installer.RestoreMapBackup();
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());
    QCOMPARE(f.chat.systemMessages,
             (QList<QByteArray>{"Restoring Textures...", "Done!", "Restoring...", "Done!"}));
    // The files the installs created are deleted with a grey notice each.
    QVERIFY(!f.chat.runs.isEmpty());
    for (const RecordingChatOutput::Run &run : f.chat.runs) {
        QVERIFY(run.text.startsWith("Delete: "));
        QVERIFY(run.text.endsWith("\r\n"));
        QCOMPARE(run.colour, Grey);
        QCOMPARE(run.size, 8);
        QCOMPARE(run.room, f.chat.RoomFocus());
    }
    QVERIFY(f.chat.logText(0).contains("Delete: " + QFile::encodeName(f.game("data/new.dat")) + "\r\n"));
}

void tst_PackInstall::noPackIdentitiesInstallNothing_data()
{
    QTest::addColumn<QByteArray>("crc");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("zeros") << QByteArray("00000000");
    QTest::newRow("OFF") << QByteArray("OFF");
}

void tst_PackInstall::noPackIdentitiesInstallNothing()
{
    QFETCH(QByteArray, crc);
    Fixture f;
    makeGame(f);
    addTwoLevelPack(f);
    addModPack(f);
    const Snapshot original = snapshot(f.setup.GamePath);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);

    QVERIFY(!installer.InstallModpack(crc));
    QVERIFY(!installer.InstallMappack(crc));
    QCOMPARE(f.commands.commands, QList<QByteArray>());
    QCOMPARE(f.chat.systemMessages, QList<QByteArray>());
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());

    // A pending map journal is still replayed by the map install; the mod
    // install never replays.
    const QString game = f.game("data/foo.dat");
    writeFile(f.client("backup/foo.dat"), "saved");
    writeJournal(f.client("backup/backup.txt"), copyRecord(f.client("backup/foo.dat"), game));
    writeFile(f.client("modbackup/foo.dat"), "mod saved");
    writeJournal(f.client("modbackup/backup.txt"), copyRecord(f.client("modbackup/foo.dat"), game));
    QVERIFY(!installer.InstallModpack(crc));
    QVERIFY(QFileInfo::exists(f.client("modbackup/backup.txt")));
    QVERIFY(!installer.InstallMappack(crc));
    QCOMPARE(Files::ReadAll(game), QByteArray("saved"));
    QVERIFY(!QFileInfo::exists(f.client("backup/backup.txt")));
    QVERIFY(!QFileInfo::exists(f.client("modbackup/backup.txt")));
    QCOMPARE(f.commands.commands, QList<QByteArray>());
}

void tst_PackInstall::commandsSentWhenTheManifestNamesNoFiles()
{
    Fixture f;
    makeGame(f);
    const QByteArray map = f.addMappack("empty.kaf", {{"mappack.txt", "PACKCREATOR:x\r\n"}});
    const QByteArray mod = f.addModpack("empty.kaf", {{"modpack.txt", "creator\r\ntitle\r\n"}});
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    QVERIFY(installer.InstallMappack(map));
    QVERIFY(installer.InstallModpack(mod));
    QCOMPARE(f.commands.commands,
             (QList<QByteArray>{"BACKUP", "INSTALL", "LANGUAGE", "MODBACKUP", "MODINSTALL"}));
    // The slots are still emptied, and the language file is left alone.
    QVERIFY(!QFileInfo::exists(f.game("LEVELS/LEVL2101.DAT")));
    QVERIFY(!journal(f, "backup").contains(BackupRecord::copy(f.client("backup/LANG00.DAT"),
                                                               f.game("language/LANG00.DAT"))));
}

void tst_PackInstall::unknownPacks()
{
    Fixture f;
    makeGame(f);
    addTwoLevelPack(f);
    const Snapshot original = snapshot(f.setup.GamePath);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    QVERIFY(!installer.InstallMappack("12345678"));
    QVERIFY(!installer.InstallModpack("12345678"));
    QCOMPARE(f.chat.systemMessages,
             (QList<QByteArray>{"Installing mappack...",
                                "Mappack 12345678 is not installed here; the game starts without it.",
                                "Installing Modpack ",
                                "Modpack 12345678 is not installed here; the game starts without it."}));
    QCOMPARE(f.commands.commands, QList<QByteArray>());
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());

    // A listed pack whose archive is not a pack changes nothing either.
    writeFile(f.setup.MappacksFolder + "/broken.kaf", "not a pack");
    f.packs.InstalledMappacks.append(InstalledPack{"broken.kaf", "0BAD0BAD"});
    f.chat.clear();
    QVERIFY(!installer.InstallMappack("0BAD0BAD"));
    QVERIFY(f.chat.hasSystemMessage("Could not install the mappack: broken.kaf"));
    QCOMPARE(f.chat.systemMessages.last(), QByteArray("The game starts without the mappack."));
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());
}

void tst_PackInstall::failingMapInstallPutsBackWhatItChanged()
{
    Fixture f;
    makeGame(f);
    // Slot 2103's data file is a folder: it cannot be backed up, after slot
    // 2101 has been emptied already.
    f.makeGameFolder("LEVELS/levl2103.dat");
    const QByteArray crc = addTwoLevelPack(f);
    const Snapshot original = snapshot(f.setup.GamePath);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    QVERIFY(!installer.InstallMappack(crc));
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());
    QVERIFY(f.chat.hasSystemMessage("Could not install the mappack: "));
    QCOMPARE(f.chat.systemMessages.last(), QByteArray("The game starts without the mappack."));
    QVERIFY(!QFileInfo::exists(f.client("backup/backup.txt")));
    QCOMPARE(f.commands.commands, QList<QByteArray>());
}

void tst_PackInstall::failingModInstallPutsBackWhatItChanged()
{
    Fixture f;
    makeGame(f);
    const QByteArray map = addTwoLevelPack(f);
    // The last destination's folder does not exist: the files before it are
    // already written when the install finds out.
    const QByteArray mod = f.addModpack(
        "bad.kaf", {{"modpack.txt", "creator\r\ntitle\r\n" + modLine("a.dat", "data\\foo.dat")
                                        + modLine("a.dat", "nowhere\\foo.dat")},
                    {"a.dat", "A"}});
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    QVERIFY(installer.InstallMappack(map));
    const Snapshot afterMap = snapshot(f.setup.GamePath);
    f.chat.clear();
    QVERIFY(!installer.InstallModpack(mod));
    QCOMPARE(difference(afterMap, snapshot(f.setup.GamePath)), QString());
    QVERIFY(f.chat.hasSystemMessage("Could not install the modpack: "));
    QVERIFY(f.chat.hasSystemMessage("its folder is missing"));
    QCOMPARE(f.chat.systemMessages.last(), QByteArray("The game starts without the modpack."));
    // The map install stays for the game.
    QVERIFY(QFileInfo::exists(f.client("backup/backup.txt")));
}

void tst_PackInstall::failingInstallUndoesOnlyItsOwnRecords()
{
    // A record an earlier game left in the mod journal is not this install's
    // to replay: it stays, with its backup, for the restore in its turn.
    Fixture f;
    makeGame(f);
    writeFile(f.client("modbackup/foo.dat"), "older");
    const QByteArray older = writeJournal(f.client("modbackup/backup.txt"),
                                          copyRecord(f.client("modbackup/foo.dat"), f.game("data/foo.dat")));
    // The second target is a folder: the first one is journaled and saved
    // when the install finds out.
    f.makeGameFolder("data/sub");
    const QByteArray mod = f.addModpack(
        "bad.kaf", {{"modpack.txt", "creator\r\ntitle\r\n" + modLine("a.dat", "sound\\foo.dat")
                                        + modLine("a.dat", "data\\sub")},
                    {"a.dat", "A"}});
    const Snapshot before = snapshot(f.setup.GamePath);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    QVERIFY(!installer.InstallModpack(mod));
    QVERIFY(f.chat.hasSystemMessage("not a plain file"));
    QVERIFY(f.chat.hasSystemMessage("Restoring Textures..."));
    QCOMPARE(difference(before, snapshot(f.setup.GamePath)), QString());
    QCOMPARE(Files::ReadAll(f.client("modbackup/backup.txt")), older);
    QCOMPARE(QDir(f.client("modbackup")).entryList(QDir::Files), (QStringList{"backup.txt", "foo.dat"}));
    QCOMPARE(Files::ReadAll(f.client("modbackup/foo.dat")), QByteArray("older"));
}

void tst_PackInstall::modDestinationOutsideTheGameFolderIsRefused()
{
    Fixture f;
    makeGame(f);
    QVERIFY(QDir().mkpath(f.root.path() + "/outside"));
    QVERIFY(QFile::link(f.root.path() + "/outside", f.game("escape")));
    const QByteArray viaLink = f.addModpack(
        "link.kaf", {{"modpack.txt", "c\r\nt\r\n" + modLine("a.dat", "escape\\a.dat")}, {"a.dat", "A"}});
    const QByteArray viaDots = f.addModpack(
        "dots.kaf", {{"modpack.txt", "c\r\nt\r\n" + modLine("a.dat", "..\\a.dat")}, {"a.dat", "A"}});
    const Snapshot original = snapshot(f.setup.GamePath);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    QVERIFY(!installer.InstallModpack(viaLink));
    QVERIFY(!installer.InstallModpack(viaDots));
    QVERIFY(!QFileInfo::exists(f.root.path() + "/outside/a.dat"));
    QVERIFY(!QFileInfo::exists(f.root.path() + "/a.dat"));
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());
    QVERIFY(f.chat.hasSystemMessage("lies outside the game folder"));
}

void tst_PackInstall::levelHeadersBackedUpWithoutMapPack()
{
    Fixture f;
    makeGame(f);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    QVERIFY(installer.BackupPackLevelHeaders());
    const QString b = f.client("backup");
    QCOMPARE(journal(f, "backup"),
             (QList<BackupRecord>{BackupRecord::copy(b + "/levl2101.hdr", f.game("LEVELS/levl2101.hdr")),
                                  BackupRecord::copy(b + "/levl2103.hdr", f.game("LEVELS/levl2103.hdr"))}));
    // After the game the headers come back, the copies stay until the replay.
    writeFile(f.game("LEVELS/levl2101.hdr"), "changed by the game");
    installer.RestoreLevelHeaderFiles();
    QCOMPARE(Files::ReadAll(f.game("LEVELS/levl2101.hdr")), header('b'));
    QVERIFY(QFileInfo::exists(b + "/levl2101.hdr"));
    installer.RestoreMapBackup();
    QVERIFY(!QFileInfo::exists(b + "/levl2101.hdr"));
    QCOMPARE(Files::ReadAll(f.game("LEVELS/levl2101.hdr")), header('b'));
}

void tst_PackInstall::restoreTwiceShowsNothingTheSecondTime()
{
    Fixture f;
    makeGame(f);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.InstallMappack(addTwoLevelPack(f));
    installer.RestoreMapBackup();
    f.chat.clear();
    installer.RestoreMapBackup();
    installer.RestoreModBackup();
    installer.CheckHeaderRestore();
    installer.CheckConstantRestore();
    QCOMPARE(f.chat.systemMessages, QList<QByteArray>());
    QVERIFY(f.chat.runs.isEmpty());
}

void tst_PackInstall::journalNamingAMissingBackup()
{
    Fixture f;
    makeGame(f);
    const Snapshot original = snapshot(f.setup.GamePath);
    writeJournal(f.client("modbackup/backup.txt"),
                 copyRecord(f.client("modbackup/gone.dat"), f.game("data/foo.dat")));
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.RestoreModBackup();
    QCOMPARE(f.chat.systemMessages, (QList<QByteArray>{"Restoring Textures...", "Done!"}));
    QVERIFY(!QFileInfo::exists(f.client("modbackup/backup.txt")));
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());
}

void tst_PackInstall::journalWithATornRecord()
{
    Fixture f;
    makeGame(f);
    writeFile(f.client("backup/foo.dat"), "first");
    writeFile(f.client("backup/FOO.DAT"), "second");
    // The second record was cut off inside its game path: the glued text
    // must not be read as a path.
    writeJournal(f.client("backup/backup.txt"),
                 copyRecord(f.client("backup/foo.dat"), f.game("data/foo.dat")) + "COPY\r\n"
                     + QFile::encodeName(f.client("backup/FOO.DAT")) + "\r\n"
                     + QFile::encodeName(f.game("sound/FO")));
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.RestoreMapBackup();
    QCOMPARE(Files::ReadAll(f.game("data/foo.dat")), QByteArray("first"));
    QCOMPARE(Files::ReadAll(f.game("sound/FOO.DAT")), filler('i', 900));
    QVERIFY(!QFileInfo::exists(f.game("sound/FO")));
    QVERIFY(!QFileInfo::exists(f.client("backup/backup.txt")));
    QVERIFY(!f.chat.hasSystemMessage("ERROR"));

    // A torn record in the middle is skipped and the next one still read.
    writeFile(f.client("backup/foo.dat"), "third");
    writeJournal(f.client("backup/backup.txt"),
                 "COPY\r\n" + QFile::encodeName(f.client("backup/x.dat")) + "\r\n"
                     + copyRecord(f.client("backup/foo.dat"), f.game("data/foo.dat")));
    installer.RestoreMapBackup();
    QCOMPARE(Files::ReadAll(f.game("data/foo.dat")), QByteArray("third"));
}

void tst_PackInstall::deleteOutsideTheGameFolderIsKept()
{
    Fixture f;
    makeGame(f);
    const QString outside = f.root.path() + "/precious.txt";
    writeFile(outside, "keep me");
    writeFile(f.client("qx-copy.ini"), "keep me too");
    const QString dots = f.setup.GamePath + "/../precious.txt";
    writeJournal(f.client("backup/backup.txt"),
                 deleteRecord(outside) + deleteRecord(dots) + deleteRecord(f.client("qx-copy.ini"))
                     + deleteRecord(f.game("data/foo.dat")));
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.RestoreMapBackup();
    QVERIFY(QFileInfo::exists(outside));
    QVERIFY(QFileInfo::exists(f.client("qx-copy.ini")));
    QVERIFY(!QFileInfo::exists(f.game("data/foo.dat")));
    QCOMPARE(f.chat.runs.size(), 1);
    // Never deleted, never dropped: each is named and stays in the journal.
    const QList<BackupRecord> left = journal(f, "backup");
    QCOMPARE(left, (QList<BackupRecord>{BackupRecord::remove(outside), BackupRecord::remove(dots),
                                        BackupRecord::remove(f.client("qx-copy.ini"))}));
    QCOMPARE(f.chat.systemMessages.size(), 5);
    QCOMPARE(f.chat.systemMessages.at(1),
             "Kept for a later restore (it lies outside the game folder): Delete: " + QFile::encodeName(outside));
}

void tst_PackInstall::copyBackOntoAFolderKeepsTheBackup()
{
    Fixture f;
    makeGame(f);
    f.makeGameFolder("data/folder.dat");
    const QString backup = f.client("modbackup/folder.dat");
    writeFile(backup, "original");
    const QByteArray record = copyRecord(backup, f.game("data/folder.dat"));
    writeJournal(f.client("modbackup/backup.txt"), record);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.RestoreModBackup();
    QCOMPARE(f.chat.systemMessages,
             (QList<QByteArray>{"Restoring Textures...",
                                "ERROR WHILE RESTORING! " + QFile::encodeName(backup) + " -> "
                                    + QFile::encodeName(f.game("data/folder.dat")),
                                "Done!"}));
    QVERIFY(QFileInfo(f.game("data/folder.dat")).isDir());
    QCOMPARE(Files::ReadAll(backup), QByteArray("original"));
    QCOMPARE(Files::ReadAll(f.client("modbackup/backup.txt")), record);

    // The map replay reports the same way; once the folder is gone the next
    // replay puts the file back.
    installer.RestoreMapBackup();
    QVERIFY(QFileInfo::exists(backup));
    QVERIFY(QDir(f.game("data/folder.dat")).removeRecursively());
    f.chat.clear();
    installer.RestoreModBackup();
    QCOMPARE(f.chat.systemMessages, (QList<QByteArray>{"Restoring Textures...", "Done!"}));
    QCOMPARE(Files::ReadAll(f.game("data/folder.dat")), QByteArray("original"));
    QVERIFY(!QFileInfo::exists(backup));
    QVERIFY(!QFileInfo::exists(f.client("modbackup/backup.txt")));
}

void tst_PackInstall::backupOutsideItsFolderIsKept()
{
    Fixture f;
    makeGame(f);
    const QString stranger = f.root.path() + "/foo.dat";
    writeFile(stranger, "not a backup");
    writeFile(f.client("backup/other.dat"), "not this file's backup");
    const QList<BackupRecord> records{
        BackupRecord::copy(stranger, f.game("data/foo.dat")),
        BackupRecord::copy(f.client("backup/other.dat"), f.game("data/foo.dat")),
        BackupRecord::copy(f.client("backup/../backup/foo.dat"), f.game("data/foo.dat"))};
    writeJournal(f.client("backup/backup.txt"), BackupJournalFormat::Serialise(records));
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.RestoreMapBackup();
    QCOMPARE(Files::ReadAll(f.game("data/foo.dat")), filler('h', 800));
    QCOMPARE(Files::ReadAll(stranger), QByteArray("not a backup"));
    QCOMPARE(Files::ReadAll(f.client("backup/other.dat")), QByteArray("not this file's backup"));
    QCOMPARE(journal(f, "backup"), records);
    QCOMPARE(f.chat.systemMessages.size(), 5);
    QCOMPARE(f.chat.systemMessages.at(1), "Kept for a later restore (its backup lies outside the backup folder): "
                                              + QFile::encodeName(stranger) + " -> "
                                              + QFile::encodeName(f.game("data/foo.dat")));
    QVERIFY(f.chat.systemMessages.at(2).startsWith("Kept for a later restore (its backup is not a copy of that file): "));
}

// A start with the game folder found somewhere else (another prefix, a
// changed install path) keeps the journal; the next start with the right
// folder restores the original files byte for byte.
void tst_PackInstall::restoreWithTheGameFolderElsewhere()
{
    Fixture f;
    makeGame(f);
    const Snapshot original = snapshot(f.setup.GamePath);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.InstallMappack(addTwoLevelPack(f));
    installer.InstallModpack(addModPack(f));
    const QList<BackupRecord> mapRecords = journal(f, "backup");
    const QList<BackupRecord> modRecords = journal(f, "modbackup");
    QVERIFY(!mapRecords.isEmpty());
    QVERIFY(!modRecords.isEmpty());
    QVERIFY(difference(original, snapshot(f.setup.GamePath)) != QString());

    // The first start finds another game folder.
    const QString gameA = f.setup.GamePath;
    const QString gameB = f.root.path() + "/other-prefix/game";
    QVERIFY(QDir().mkpath(gameB));
    f.setup.GamePath = gameB;
    f.chat.clear();
    installer.RestoreMapBackup();
    installer.RestoreModBackup();
    QCOMPARE(journal(f, "backup"), mapRecords);
    QCOMPARE(journal(f, "modbackup"), modRecords);
    for (const BackupRecord &r : mapRecords + modRecords) {
        if (r.Type == BackupRecord::Kind::Copy)
            QVERIFY2(QFileInfo::exists(r.BackupPath), qPrintable(r.BackupPath));
    }
    const auto firstCopy = std::find_if(mapRecords.cbegin(), mapRecords.cend(), [](const BackupRecord &r) {
        return r.Type == BackupRecord::Kind::Copy;
    });
    QVERIFY(firstCopy != mapRecords.cend());
    QVERIFY(f.chat.hasSystemMessage("Kept for a later restore (it lies outside the game folder): "
                                    + QFile::encodeName(firstCopy->BackupPath) + " -> "
                                    + QFile::encodeName(firstCopy->GamePath)));
    QVERIFY(QDir(gameB).isEmpty());

    // The next start finds the game where it was.
    f.setup.GamePath = gameA;
    f.chat.clear();
    installer.RestoreMapBackup();
    installer.RestoreModBackup();
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());
    QVERIFY(!QFileInfo::exists(f.client("backup/backup.txt")));
    QVERIFY(!QFileInfo::exists(f.client("modbackup/backup.txt")));
    QVERIFY(!f.chat.hasSystemMessage("Kept for a later restore"));
    QVERIFY(!f.chat.hasSystemMessage("ERROR"));
}

void tst_PackInstall::headerRestoreMarker()
{
    Fixture f;
    makeGame(f);
    const Snapshot original = snapshot(f.setup.GamePath);
    const QString marker = f.client("backup/hdrbackup.txt");
    writeFile(marker, "");
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.CheckHeaderRestore();
    QCOMPARE(f.chat.systemMessages, (QList<QByteArray>{"Restoring HDR Files.."}));
    QVERIFY(!QFileInfo::exists(marker));
    QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());

    // With a copy under the header's name, the copy goes back and stays.
    writeFile(marker, "");
    writeFile(f.client("backup/levl2103.hdr"), "saved header");
    installer.CheckHeaderRestore();
    QCOMPARE(Files::ReadAll(f.game("LEVELS/levl2103.hdr")), QByteArray("saved header"));
    QVERIFY(QFileInfo::exists(f.client("backup/levl2103.hdr")));
    QVERIFY(!QFileInfo::exists(marker));
}

void tst_PackInstall::constantsRestore()
{
    Fixture f;
    makeGame(f);
    f.writeGameFile("LEVELS/constant.dat", "changed");
    const QString marker = f.client("backup/const.txt");
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.CheckConstantRestore(); // nothing pending
    QCOMPARE(Files::ReadAll(f.game("LEVELS/constant.dat")), QByteArray("changed"));

    writeFile(marker, "");
    writeFile(f.client("backup/constant.dat"), "original");
    installer.CheckConstantRestore();
    QCOMPARE(Files::ReadAll(f.game("LEVELS/constant.dat")), QByteArray("original"));
    QVERIFY(!QFileInfo::exists(marker));
    QVERIFY(QFileInfo::exists(f.client("backup/constant.dat")));

    // A copy that cannot go back keeps the marker for the next start.
    QVERIFY(QFile::remove(f.game("LEVELS/constant.dat")));
    f.makeGameFolder("LEVELS/constant.dat");
    writeFile(marker, "");
    installer.CheckConstantRestore();
    QVERIFY(QFileInfo::exists(marker));
    // Without a copy the marker simply goes.
    QVERIFY(QFile::remove(f.client("backup/constant.dat")));
    installer.RestoreConstants();
    QVERIFY(!QFileInfo::exists(marker));
    QVERIFY(f.chat.systemMessages.isEmpty());
}

void tst_PackInstall::restoresWaitForTheGameFolder()
{
    Fixture f;
    makeGame(f);
    writeFile(f.client("backup/foo.dat"), "saved");
    const QByteArray record = copyRecord(f.client("backup/foo.dat"), f.game("data/foo.dat"));
    writeJournal(f.client("backup/backup.txt"), record);
    const QString gamePath = f.setup.GamePath;
    f.setup.GamePath.clear(); // the game was not found at this start
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat);
    installer.RestoreMapBackup();
    QCOMPARE(Files::ReadAll(f.client("backup/backup.txt")), record);
    QVERIFY(f.chat.systemMessages.isEmpty());
    f.setup.GamePath = gamePath;
    installer.RestoreMapBackup();
    QCOMPARE(Files::ReadAll(f.game("data/foo.dat")), QByteArray("saved"));
}

QTEST_GUILESS_MAIN(tst_PackInstall)
#include "tst_packinstall.moc"
