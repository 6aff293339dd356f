#pragma once
#include "core/api/GameSetup.h"

#include <QByteArray>
#include <QList>
#include <QString>

class BackupJournal;
class ChatOutput;
class CommandSink;
class GameFileOperations;
class GameFileRestore;
class InstalledPacks;
struct InstalledPack;
struct LanguageEntry;

// Installs the hut's map pack into the game folder for one game: the pack's
// levels go into the LobbyLevels slots (every slot is emptied first) and its
// texts into language\LANG00.DAT. Every game file is journaled in
// backup\backup.txt, and copied into backup\, before it is touched; a file
// the install creates is journaled for deletion. An install that fails puts
// back what it changed and says so: the game then starts without the pack.
class MappackInstaller
{
public:
    MappackInstaller(const GameSetup &setup, const InstalledPacks &packs, CommandSink &commands,
                     ChatOutput &chat, GameFileOperations &ops, GameFileRestore &restore);

    // Replays any pending journal first, whatever `crc` is; "", "00000000" and
    // "OFF" install nothing. While the journals wait for saved palette files
    // the install is refused before it changes anything, with a status line.
    // A failing install undoes the records it wrote. True when installed.
    bool InstallMappack(const QByteArray &crc);

    // Backs up each slot's level header (when the hut uses no map pack that
    // is installed here), so the game's own headers come back after the game.
    // Headers already in a journal keep their earlier copy. False when a
    // backup failed (a status line says which).
    bool BackupPackLevelHeaders();

private:
    // `firstRecord`: the map journal's length before the install wrote to it
    // (unchanged while nothing was written).
    bool install(const InstalledPack &pack, qsizetype *firstRecord, QString *error);
    bool BackupAndRemovePackLevels(BackupJournal &journal, const BackupJournal &modJournal,
                                   const QList<QByteArray> &slots, QString *error);
    bool BackupAndRemoveLevelFiles(BackupJournal &journal, const BackupJournal &modJournal,
                                   const QByteArray &slot, QString *error);
    bool ListLanguageFiles(BackupJournal &journal, const BackupJournal &modJournal,
                           QString *error);
    bool patchLanguageFile(BackupJournal &journal, const BackupJournal &modJournal,
                           const QList<LanguageEntry> &entries, QString *error);
    bool gameFile(const QByteArray &windowsName, QString *path, QString *error) const;

    const GameSetup &Setup;
    const InstalledPacks &Packs;
    CommandSink &Commands;
    ChatOutput &Chat;
    GameFileOperations &Ops;
    GameFileRestore &Restore;
};
