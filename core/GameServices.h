#pragma once
#include <QByteArray>
#include <functional>

// What the game launch and the game watch call of the other capabilities: the
// installs and restores of the game's files, and the hut's sockets and panel.
// The composition root fills them; an unset entry is skipped.
struct GameServices
{
    // Pack installs; each reports its own failures and undoes its own changes.
    std::function<void(const QByteArray &crc8)> InstallMappack;
    std::function<void(const QByteArray &crc8)> InstallModpack;
    std::function<void()> BackupPackLevelHeaders;
    std::function<bool()> InstallTribePalettes;

    // Restores after the game (and after a game that could not start).
    std::function<void()> RestorePaletteFiles;
    std::function<void()> RestoreLevelHeaderFiles;
    std::function<void()> RestoreMapBackup;
    std::function<void()> RestoreModBackup;
    std::function<void()> RestoreConstants;      // when the hut changed constant.dat
    std::function<void()> PatchGameResolution;   // the hardware executable, after a game

    // Colours the editor has not sent yet go to the server now.
    std::function<void()> FlushTribeColours;

    // The hut around the game.
    std::function<void()> ClosePingHost;         // listener closed, its flag cleared
    std::function<void()> ClosePingProbe;        // probe and tmrPing stopped, flag cleared
    std::function<void()> HideGamePanel;         // frmGame hidden
    std::function<QByteArray()> LocalIP;         // local address of the lobby connection

    // Lets pending window events run; QCoreApplication::processEvents when unset.
    std::function<void()> ProcessEvents;
};
