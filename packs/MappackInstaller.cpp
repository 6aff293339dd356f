#include "packs/MappackInstaller.h"

#include "core/api/ChatOutput.h"
#include "core/api/CommandSink.h"
#include "core/util/AtomicFile.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"
#include "packs/BackupJournal.h"
#include "packs/CRC32.h"
#include "packs/ConfinedPath.h"
#include "packs/GameFileOperations.h"
#include "packs/GameFileRestore.h"
#include "packs/InstalledPacks.h"
#include "packs/KAFHandler.h"
#include "packs/LangFile.h"
#include "packs/LobbyLevels.h"
#include "packs/PackInstallSteps.h"
#include "packs/PackManifest.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Language files above this size are backed up before every map install.
constexpr qint64 LargeLanguageFile = 100000;

} // namespace

MappackInstaller::MappackInstaller(const GameSetup &setup, const InstalledPacks &packs,
                                   CommandSink &commands, ChatOutput &chat,
                                   GameFileOperations &ops, GameFileRestore &restore)
    : Setup(setup)
    , Packs(packs)
    , Commands(commands)
    , Chat(chat)
    , Ops(ops)
    , Restore(restore)
{
}

bool MappackInstaller::gameFile(const QByteArray &windowsName, QString *path,
                                QString *error) const
{
    *path = GameFolder::resolve(Setup.GamePath, windowsName);
    return PackInstallSteps::LocateGameFile(Setup.GamePath, *path, error);
}

bool MappackInstaller::InstallMappack(const QByteArray &crc)
{
    const bool restored = Restore.RestoreMapBackup();
    if (IsNoPack(crc))
        return false;
    Chat.AddSystemMessage("Installing mappack...");
    if (Setup.GamePath.isEmpty() || !QFileInfo(Setup.GamePath).isDir()) {
        Chat.AddSystemMessage("The game folder was not found; the game starts without the mappack.");
        return false;
    }
    // The restore above has just tried the saved palette files.
    QString why;
    if (!restored && Restore.JournalsHeld(&why)) {
        PackInstallSteps::ReportJournalsWait("mappack", why, Chat);
        return false;
    }
    const InstalledPack *pack = Packs.findMappack(crc);
    if (!pack) {
        Chat.AddSystemMessage("Mappack " + crc
                              + " is not installed here; the game starts without it.");
        return false;
    }
    QString error;
    qsizetype firstRecord = -1;
    if (!install(*pack, &firstRecord, &error)) {
        Chat.AddSystemMessage("Could not install the mappack: " + CodePage::fromUnicode(error));
        if (firstRecord >= 0)
            Restore.UndoMapInstall(firstRecord);
        Chat.AddSystemMessage("The game starts without the mappack.");
        return false;
    }
    Chat.AddSystemMessage("Done! launching...");
    return true;
}

bool MappackInstaller::install(const InstalledPack &pack, qsizetype *firstRecord, QString *error)
{
    KAFHandler kaf;
    QByteArray manifestBytes;
    if (!PackInstallSteps::OpenPack(kaf, Setup.MappacksFolder, pack.FileName, "mappack.txt",
                                    &manifestBytes, error))
        return false;
    const MappackInstallManifest manifest = ReadMappackManifestForInstall(manifestBytes);
    if (!manifest.Valid)
        return failWith(error, QStringLiteral("mappack.txt: ") + CodePage::toUnicode(manifest.Error));

    const QList<QByteArray> slots = LobbyLevels::Load(Setup.ProgramFolder);
    BackupJournal journal(Setup.ProgramFolder, GameFileRestore::MapBackupFolder, Ops);
    // A mod journal left by a failed restore still holds older copies; a file
    // it covers must not get a newer copy here, which the replay would put
    // back last.
    BackupJournal modJournal(Setup.ProgramFolder, GameFileRestore::ModBackupFolder, Ops);
    if (!journal.Load() || !modJournal.Load())
        return failWith(error, QStringLiteral("cannot read the backup journals"));
    *firstRecord = journal.Records().size();

    // The slot files are looked up before they are removed, so that a level
    // goes back under the spelling the game folder had.
    QList<std::pair<QString, QString>> slotFiles;
    for (const QByteArray &slot : slots) {
        QString dat;
        QString hdr;
        if (!gameFile(LobbyLevels::SlotFileName(slot, ".dat"), &dat, error)
            || !gameFile(LobbyLevels::SlotFileName(slot, ".hdr"), &hdr, error))
            return false;
        slotFiles.append({dat, hdr});
    }

    if (!BackupAndRemovePackLevels(journal, modJournal, slots, error))
        return false;
    if (!ListLanguageFiles(journal, modJournal, error))
        return false;

    QList<PackInstallSteps::FileCopy> pairs;
    const qsizetype levels = qMin(manifest.Levels.size(), slots.size());
    for (qsizetype k = 0; k < levels; ++k) {
        const MappackLevel &level = manifest.Levels[k];
        const std::pair<QByteArray, QString> files[] = {{level.DatFile, slotFiles[k].first},
                                                        {level.HdrFile, slotFiles[k].second}};
        for (const auto &[member, target] : files) {
            // A file the pack lacks is not installed; its slot stays empty.
            if (member.isEmpty() || !kaf.Contains(member))
                continue;
            pairs.append({member, target});
        }
    }

    if (!PackInstallSteps::BackupAndCopyFiles(kaf, pairs, journal, &modJournal, Commands, "BACKUP",
                                              "INSTALL", Ops, error))
        return false;

    Commands.SendCommand("LANGUAGE");
    return patchLanguageFile(journal, modJournal, manifest.LanguageEntries, error);
}

bool MappackInstaller::BackupAndRemovePackLevels(BackupJournal &journal,
                                                 const BackupJournal &modJournal,
                                                 const QList<QByteArray> &slots, QString *error)
{
    for (const QByteArray &slot : slots) {
        if (!BackupAndRemoveLevelFiles(journal, modJournal, slot, error))
            return false;
    }
    return true;
}

bool MappackInstaller::BackupAndRemoveLevelFiles(BackupJournal &journal,
                                                 const BackupJournal &modJournal,
                                                 const QByteArray &slot, QString *error)
{
    for (const char *extension : {".dat", ".hdr"}) {
        QString path;
        if (!gameFile(LobbyLevels::SlotFileName(slot, extension), &path, error))
            return false;
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        if (!journal.BackupFile(path, error, &modJournal) || !Ops.remove(path, error))
            return false;
    }
    return true;
}

bool MappackInstaller::ListLanguageFiles(BackupJournal &journal, const BackupJournal &modJournal,
                                         QString *error)
{
    const QString folder = GameFolder::resolve(Setup.GamePath, QByteArray("language"));
    if (!QFileInfo(folder).isDir())
        return true;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("lang*.dat")},
                               QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names) {
        const QString path = WinPath::join(folder, name);
        if (QFileInfo(path).isSymLink() || Files::FileLength(path) <= LargeLanguageFile)
            continue;
        if (ConfinedPath::locate(Setup.GamePath, path) != ConfinedPath::Where::Inside)
            continue;
        if (!journal.BackupFile(path, error, &modJournal))
            return false;
    }
    return true;
}

bool MappackInstaller::patchLanguageFile(BackupJournal &journal, const BackupJournal &modJournal,
                                         const QList<LanguageEntry> &entries, QString *error)
{
    // The pack's texts always go into the first language's file, whatever
    // language the player uses.
    QString path;
    if (entries.isEmpty() || !gameFile(QByteArray("language\\LANG00.DAT"), &path, nullptr)
        || !QFileInfo(path).isFile())
        return true;
    if (!journal.BackupFile(path, error, &modJournal))
        return false;
    bool ok = false;
    const QByteArray original = Files::ReadAll(path, &ok);
    if (!ok)
        return failWith(error, path + QStringLiteral(": cannot be read"));

    // clsLangFile saves over the file it loaded, so it works on a copy in the
    // program folder; the result reaches the game through Ops like every
    // other game file.
    const QString work = WinPath::join(Setup.ProgramFolder, QByteArray("langin.dat"));
    if (!AtomicFile::write(work, original, error))
        return false;
    clsLangFile lang(Setup.ProgramFolder);
    if (!lang.LoadFile(work))
        return failWith(error, path + QStringLiteral(": cannot be loaded"));
    for (const LanguageEntry &entry : entries)
        lang.SetLine(entry.LineNr, entry.Text);
    if (!lang.SaveLang())
        return failWith(error, path + QStringLiteral(": cannot be saved"));
    const QByteArray patched = Files::ReadAll(work, &ok);
    if (!ok)
        return failWith(error, work + QStringLiteral(": cannot be read"));
    if (patched == original)
        return true;
    return Ops.writeFile(path, patched, error);
}

bool MappackInstaller::BackupPackLevelHeaders()
{
    // While the journals wait for the palette files this launch installed no
    // pack, and nothing is added to them.
    if (Setup.GamePath.isEmpty() || !QFileInfo(Setup.GamePath).isDir() || Restore.JournalsHeld())
        return true;
    BackupJournal journal(Setup.ProgramFolder, GameFileRestore::MapBackupFolder, Ops);
    BackupJournal modJournal(Setup.ProgramFolder, GameFileRestore::ModBackupFolder, Ops);
    QString error;
    bool ok = journal.Load() && modJournal.Load();
    if (!ok)
        error = QStringLiteral("cannot read the backup journals");
    for (const QByteArray &slot : LobbyLevels::Load(Setup.ProgramFolder)) {
        if (!ok)
            break;
        QString header;
        if (!gameFile(LobbyLevels::SlotFileName(slot, ".hdr"), &header, nullptr)
            || !QFileInfo(header).isFile())
            continue;
        // The mod install backed up (and changed) the headers before this
        // runs; its copies are the game's own and must stay the last word.
        ok = journal.BackupFile(header, &error, &modJournal);
    }
    if (!ok)
        Chat.AddSystemMessage("Could not back up the level headers: "
                              + CodePage::fromUnicode(error));
    return ok;
}
