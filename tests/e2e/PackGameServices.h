#pragma once
// Header only, for the end-to-end tests that compose a client's game side.
#include "core/ClientState.h"
#include "core/GameServices.h"
#include "core/api/ChatOutput.h"
#include "packs/PackInstaller.h"
#include "packs/TribeColours.h"
#include "packs/TribePalettes.h"

// The game services that the pack installer and the tribe palettes provide,
// wired as the client wires them; the test adds or replaces the others. All
// four must outlive the services.
inline GameServices packGameServices(const ClientState &state, PackInstaller &installer,
                                     const TribeColours &colours, ChatOutput &chat)
{
    GameServices s;
    s.InstallMappack = [&installer](const QByteArray &crc) { installer.InstallMappack(crc); };
    s.InstallModpack = [&installer](const QByteArray &crc) { installer.InstallModpack(crc); };
    s.BackupPackLevelHeaders = [&installer] { installer.BackupPackLevelHeaders(); };
    s.InstallTribePalettes = [&state, &colours, &chat] {
        return InstallTribePalettes({state.Setup.ProgramFolder, state.Setup.GamePath,
                                     [&colours](int t, int sh) { return colours.colour(t, sh); }},
                                    chat);
    };
    s.RestorePaletteFiles = [&state] { RestorePaletteFiles(state.Setup.ProgramFolder, state.Setup.GamePath); };
    s.RestoreLevelHeaderFiles = [&installer] { installer.RestoreLevelHeaderFiles(); };
    s.RestoreMapBackup = [&installer] { installer.RestoreMapBackup(); };
    s.RestoreModBackup = [&installer] { installer.RestoreModBackup(); };
    s.RestoreConstants = [&installer] { installer.RestoreConstants(); };
    return s;
}
