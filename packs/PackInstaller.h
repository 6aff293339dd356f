#pragma once
#include "core/api/GameSetup.h"
#include "packs/GameFileOperations.h"
#include "packs/GameFileRestore.h"
#include "packs/MappackInstaller.h"
#include "packs/ModpackInstaller.h"

#include <QByteArray>

class ChatOutput;
class CommandSink;
class InstalledPacks;

// What the client core calls to change the game's files for one game and to
// put them back. Start-up: RestoreMapBackup, RestoreModBackup,
// CheckHeaderRestore, ..., CheckConstantRestore. Launch: InstallMappack,
// InstallModpack, BackupPackLevelHeaders (when the hut's map pack is not
// installed here). Game end: RestoreConstants (when changed),
// RestoreLevelHeaderFiles (no installed map pack), RestoreMapBackup,
// RestoreModBackup. None of them stops the launch or the client: failures are
// status lines.
class PackInstaller
{
public:
    PackInstaller(const GameSetup &setup, const InstalledPacks &packs, CommandSink &commands,
                  ChatOutput &chat);
    // With other file operations (the crash tests count them).
    PackInstaller(const GameSetup &setup, const InstalledPacks &packs, CommandSink &commands,
                  ChatOutput &chat, GameFileOperations &ops);

    bool InstallMappack(const QByteArray &crc) { return Map.InstallMappack(crc); }
    bool InstallModpack(const QByteArray &crc) { return Mod.InstallModpack(crc); }
    bool BackupPackLevelHeaders() { return Map.BackupPackLevelHeaders(); }

    // The palette files saved before a game with custom colours, through the
    // same file operations as the rest (the free functions of TribePalettes
    // use their own).
    bool RestorePaletteFiles();
    bool CheckPaletteRestore();

    void RestoreMapBackup() { Restore.RestoreMapBackup(); }
    void RestoreModBackup() { Restore.RestoreModBackup(); }
    void CheckHeaderRestore() { Restore.CheckHeaderRestore(); }
    void RestoreLevelHeaderFiles() { Restore.RestoreLevelHeaderFiles(); }
    void CheckConstantRestore() { Restore.CheckConstantRestore(); }
    void RestoreConstants() { Restore.RestoreConstants(); }

private:
    const GameSetup &Setup;
    GameFileOperations OwnOps;
    GameFileOperations &Ops;
    GameFileRestore Restore;
    MappackInstaller Map;
    ModpackInstaller Mod;
};
