#include "packs/GameFileRestore.h"

#include "core/api/ChatOutput.h"
#include "core/util/CodePage.h"
#include "core/util/WinPath.h"
#include "packs/BackupJournal.h"
#include "packs/ConfinedPath.h"
#include "packs/GameFileOperations.h"
#include "packs/LobbyLevels.h"
#include "packs/TribePalettes.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr qint32 DeleteNoticeColour = 192 + 192 * 256 + 192 * 65536;
constexpr qint32 DeleteNoticeSize = 8;

bool isPlainFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

} // namespace

GameFileRestore::GameFileRestore(const GameSetup &setup, GameFileOperations &ops,
                                 ChatOutput &chat)
    : Setup(setup)
    , Ops(ops)
    , Chat(chat)
{
}

bool GameFileRestore::gameFolderKnown() const
{
    return !Setup.GamePath.isEmpty() && QFileInfo(Setup.GamePath).isDir();
}

bool GameFileRestore::palettesBackFirst(bool tell)
{
    // The palette backups were taken after the pack installs: a palette file
    // that a mod pack replaced is saved as the pack's copy, and the journal
    // holds the original. The journals therefore come second, and wait while
    // a palette file could not be put back, or its copy would later land on
    // top of the original.
    HoldReason.clear();
    Held = !CheckPaletteRestore(Setup.ProgramFolder, Setup.GamePath, Ops, &HoldReason);
    if (Held && tell && gameFolderKnown())
        Chat.AddSystemMessage("Kept for a later restore: the pack backups wait for the palette files ("
                              + CodePage::fromUnicode(HoldReason) + ")");
    return !Held;
}

bool GameFileRestore::RestoreMapBackup()
{
    return restoreBoth(true);
}

bool GameFileRestore::restoreBoth(bool tell)
{
    if (!palettesBackFirst(tell))
        return false;
    ReplayModJournal();
    ReplayMapJournal();
    return true;
}

void GameFileRestore::RestoreModBackup()
{
    if (!palettesBackFirst(false))
        return;
    ReplayModJournal();
}

bool GameFileRestore::JournalsWait(QString *why)
{
    if (!PaletteMarkerPresent(Setup.ProgramFolder)) {
        Held = false;
        return false;
    }
    return !restoreBoth(false) && JournalsHeld(why);
}

bool GameFileRestore::ReplayMapJournal()
{
    return replay(MapBackupFolder, "Restoring...");
}

bool GameFileRestore::ReplayModJournal()
{
    return replay(ModBackupFolder, "Restoring Textures...");
}

bool GameFileRestore::UndoMapInstall(qsizetype firstRecord)
{
    return replay(MapBackupFolder, "Restoring...", firstRecord);
}

bool GameFileRestore::UndoModInstall(qsizetype firstRecord)
{
    return replay(ModBackupFolder, "Restoring Textures...", firstRecord);
}

void GameFileRestore::removeLeftoverTemp(const QString &path)
{
    const QString temp = GameFileOperations::TempNameFor(path);
    if (isPlainFile(temp))
        Ops.remove(temp, nullptr);
}

void GameFileRestore::reportFailure(const QString &backupPath, const QString &gamePath)
{
    QByteArray line = "ERROR WHILE RESTORING! ";
    if (!backupPath.isEmpty())
        line += CodePage::fromUnicode(backupPath) + " -> ";
    line += CodePage::fromUnicode(gamePath);
    Chat.AddSystemMessage(line);
}

bool GameFileRestore::replay(const char *folder, const QByteArray &firstLine, qsizetype firstRecord)
{
    BackupJournal journal(Setup.ProgramFolder, folder, Ops);
    if (!journal.Exists()) {
        // A crash while the first record was being written leaves only this.
        removeLeftoverTemp(journal.JournalPath());
        return true;
    }
    // Without the game folder every record would look misplaced and be
    // dropped; keep the journal until the game is found again.
    if (!gameFolderKnown())
        return false;
    Chat.AddSystemMessage(firstLine);
    if (!journal.Load()) {
        reportFailure(QString(), journal.JournalPath());
        return false;
    }

    // The older records are not this replay's: they stay as they are.
    const QList<BackupRecord> records = journal.Records();
    QList<BackupRecord> kept = records.mid(0, qMin(firstRecord, records.size()));
    const qsizetype older = kept.size();
    // A record that cannot be replayed now stays, with its backup, for a
    // later restore (the game folder may be found where it was again).
    auto keep = [&](const BackupRecord &record, const QByteArray &why) {
        QByteArray line = "Kept for a later restore (" + why + "): ";
        if (record.Type == BackupRecord::Kind::Copy)
            line += CodePage::fromUnicode(record.BackupPath) + " -> ";
        else
            line += "Delete: ";
        line += CodePage::fromUnicode(record.GamePath);
        Chat.AddSystemMessage(line);
        kept.append(record);
    };
    for (const BackupRecord &record : records.mid(older)) {
        const ConfinedPath::Where where = ConfinedPath::locate(Setup.GamePath, record.GamePath);
        if (where == ConfinedPath::Where::Outside) {
            keep(record, "it lies outside the game folder");
            continue;
        }

        if (record.Type == BackupRecord::Kind::Delete) {
            Chat.AddLogRTF("Delete: " + CodePage::fromUnicode(record.GamePath) + "\r\n",
                           Chat.RoomFocus(), DeleteNoticeColour, QByteArray(), DeleteNoticeSize);
            if (where != ConfinedPath::Where::Inside)
                continue; // its folder is gone, so is the file
            removeLeftoverTemp(record.GamePath);
            const QFileInfo info(record.GamePath);
            if (!info.exists() || info.isDir())
                continue;
            if (!Ops.remove(record.GamePath, nullptr)) {
                reportFailure(QString(), record.GamePath);
                kept.append(record);
            }
            continue;
        }

        if (!journal.BackupInFolder(record)) {
            keep(record, "its backup lies outside the backup folder");
            continue;
        }
        removeLeftoverTemp(record.BackupPath);
        if (where == ConfinedPath::Where::Inside)
            removeLeftoverTemp(record.GamePath);
        // The record goes before its copy is made, and the game file is
        // touched only after the copy: without the copy it was never changed.
        if (!isPlainFile(record.BackupPath))
            continue;
        if (!BackupJournal::BackupNameFits(record.BackupPath, record.GamePath)) {
            keep(record, "its backup is not a copy of that file");
            continue;
        }
        if (where != ConfinedPath::Where::Inside
            || !Ops.copyFile(record.BackupPath, record.GamePath, nullptr)) {
            reportFailure(record.BackupPath, record.GamePath);
            kept.append(record);
            continue;
        }
        // A backup that cannot be deleted is harmless: the next install picks
        // another name beside it.
        Ops.remove(record.BackupPath, nullptr);
    }

    removeLeftoverTemp(journal.JournalPath());
    QString error;
    if (!journal.Rewrite(kept, &error))
        reportFailure(QString(), journal.JournalPath());
    Chat.AddSystemMessage("Done!");
    return kept.size() == older;
}

void GameFileRestore::CheckHeaderRestore()
{
    const QString marker = WinPath::join(WinPath::join(Setup.ProgramFolder, QByteArray(MapBackupFolder)),
                                         QByteArray("hdrbackup.txt"));
    if (!QFileInfo(marker).exists())
        return;
    Chat.AddSystemMessage("Restoring HDR Files..");
    RestoreLevelHeaderFiles();
}

void GameFileRestore::RestoreLevelHeaderFiles()
{
    // The header copies belong to the journals, and wait with them.
    if (PaletteMarkerPresent(Setup.ProgramFolder))
        return;
    for (const QByteArray &slot : LobbyLevels::Load(Setup.ProgramFolder))
        RestoreLevelHeaderFile(slot);
}

void GameFileRestore::RestoreLevelHeaderFile(const QByteArray &slot)
{
    BackupJournal journal(Setup.ProgramFolder, MapBackupFolder, Ops);
    if (gameFolderKnown()) {
        const QString header =
            GameFolder::resolve(Setup.GamePath, LobbyLevels::SlotFileName(slot, ".hdr"));
        // The map journal knows which copy belongs to this header; without a
        // record the copy is looked for under the header's own name.
        QString backup = WinPath::join(journal.Folder(), "levl" + slot + ".hdr");
        if (journal.Load()) {
            for (const BackupRecord &r : journal.Records()) {
                if (r.Type == BackupRecord::Kind::Copy && r.GamePath == header && journal.BackupInFolder(r)
                    && BackupJournal::BackupNameFits(r.BackupPath, r.GamePath))
                    backup = r.BackupPath;
            }
        }
        if (isPlainFile(backup)
            && ConfinedPath::locate(Setup.GamePath, header) == ConfinedPath::Where::Inside)
            Ops.copyFile(backup, header, nullptr);
    }
    const QString marker = WinPath::join(journal.Folder(), QByteArray("hdrbackup.txt"));
    if (isPlainFile(marker))
        Ops.remove(marker, nullptr);
}

void GameFileRestore::CheckConstantRestore()
{
    const QString marker = WinPath::join(WinPath::join(Setup.ProgramFolder, QByteArray(MapBackupFolder)),
                                         QByteArray("const.txt"));
    if (QFileInfo(marker).exists())
        RestoreConstants();
}

void GameFileRestore::RestoreConstants()
{
    const QString folder = WinPath::join(Setup.ProgramFolder, QByteArray(MapBackupFolder));
    const QString marker = WinPath::join(folder, QByteArray("const.txt"));
    const QString copy = WinPath::join(folder, QByteArray("constant.dat"));
    if (isPlainFile(copy)) {
        if (!gameFolderKnown())
            return;
        const QString target = GameFolder::resolve(Setup.GamePath, QByteArray("levels\\constant.dat"));
        if (ConfinedPath::locate(Setup.GamePath, target) != ConfinedPath::Where::Inside
            || !Ops.copyFile(copy, target, nullptr))
            return; // the marker stays, so the next start tries again
    }
    if (isPlainFile(marker))
        Ops.remove(marker, nullptr);
}
