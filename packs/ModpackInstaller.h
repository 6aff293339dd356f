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

// Installs the hut's mod pack right after the map pack: the game files its
// manifest names are replaced by the pack's, and the land texture of the
// LobbyLevels slot headers is cleared. Same scheme as the map install, with
// modbackup\ and modbackup\backup.txt; the headers are journaled there too,
// before they are changed. A failing install puts back what it changed.
class ModpackInstaller
{
public:
    ModpackInstaller(const GameSetup &setup, const InstalledPacks &packs, CommandSink &commands,
                     ChatOutput &chat, GameFileOperations &ops, GameFileRestore &restore);

    // "", "00000000" and "OFF" do nothing at all. While the journals wait for
    // saved palette files the install is refused before it changes anything,
    // with a status line. A failing install undoes the records it wrote.
    // True when installed.
    bool InstallModpack(const QByteArray &crc);

private:
    bool install(const InstalledPack &pack, qsizetype *firstRecord, QString *error);
    bool SetupHdrFiles(BackupJournal &journal, QString *error);

    const GameSetup &Setup;
    const InstalledPacks &Packs;
    CommandSink &Commands;
    ChatOutput &Chat;
    GameFileOperations &Ops;
    GameFileRestore &Restore;
};
