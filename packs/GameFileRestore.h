#pragma once
#include "core/api/GameSetup.h"

#include <QByteArray>
#include <QString>

class BackupJournal;
class ChatOutput;
class GameFileOperations;

// Puts the game's files back from the backups that the pack installs made:
// after each game, before each map install and at the next start (a client
// that ended during a game leaves its journals behind). Every call does
// nothing, silently and quickly, when nothing is pending.
//
// Only a record that was replayed leaves its journal: one whose copy back (or
// delete) fails, whose game file lies outside the game folder as known now,
// or whose backup lies outside its folder stays with its backup for a later
// replay, and a status line names it. While the game folder is not known
// nothing is replayed.
class GameFileRestore
{
public:
    GameFileRestore(const GameSetup &setup, GameFileOperations &ops, ChatOutput &chat);

    // Both restores put any saved palette files back first and replay no
    // journal while one is left: the palette copies were saved after the pack
    // installs, so the journals hold the originals and must come after them.
    // While a palette waits the journals wait as a whole (see JournalsWait).
    // Every start, launch (the map install) and game end runs the map
    // restore once: it tells of the wait in one status line, and the mod
    // restore and JournalsWait beside it do not repeat it.
    //
    // The map journal "backup\backup.txt". A pending mod journal is replayed
    // first: the mod install ran after the map install, so a file that both
    // changed must get the map journal's copy last. False while the journals
    // wait for the palette files.
    bool RestoreMapBackup();
    // The mod journal "modbackup\backup.txt".
    void RestoreModBackup();

    // Asked before every install. True while saved palette files cannot be
    // put back (`why` gives the first that could not, and the reason): the
    // journals wait for them, and no install may add to them or undo itself
    // through them. Tries to put the palettes back first; when they go back
    // now, the waiting journals are replayed (mod, then map) and the answer
    // is false.
    bool JournalsWait(QString *why);
    // What the last look at the palettes found: true while the journals wait
    // (`why` as above).
    bool JournalsHeld(QString *why = nullptr) const
    {
        if (why)
            *why = HoldReason;
        return Held;
    }

    // Start-up: when "backup\hdrbackup.txt" exists, "Restoring HDR Files.."
    // and RestoreLevelHeaderFiles.
    void CheckHeaderRestore();
    // Copies each level slot's header backup over the game's header; the
    // backups stay (the map journal replay removes them). Nothing while the
    // journals wait for the palette files.
    void RestoreLevelHeaderFiles();
    void RestoreLevelHeaderFile(const QByteArray &slot);

    // Start-up: when "backup\const.txt" exists, RestoreConstants.
    void CheckConstantRestore();
    // "backup\constant.dat" over levels\constant.dat, then the marker goes.
    // A copy that fails keeps the marker for the next start.
    void RestoreConstants();

    // The undo of a failed install: replays the records from `firstRecord`
    // on, the ones that install wrote, and keeps the older ones. False when
    // something it wrote is left.
    bool UndoMapInstall(qsizetype firstRecord);
    bool UndoModInstall(qsizetype firstRecord);

    static constexpr char MapBackupFolder[] = "backup";
    static constexpr char ModBackupFolder[] = "modbackup";

private:
    bool palettesBackFirst(bool tell);
    bool restoreBoth(bool tell);
    bool ReplayMapJournal();
    bool ReplayModJournal();
    bool replay(const char *folder, const QByteArray &firstLine, qsizetype firstRecord = 0);
    bool gameFolderKnown() const;
    void removeLeftoverTemp(const QString &path);
    void reportFailure(const QString &backupPath, const QString &gamePath);

    const GameSetup &Setup;
    GameFileOperations &Ops;
    ChatOutput &Chat;
    bool Held = false;
    QString HoldReason;
};
