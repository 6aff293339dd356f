#include "packs/PackInstaller.h"

#include "packs/TribePalettes.h"

PackInstaller::PackInstaller(const GameSetup &setup, const InstalledPacks &packs,
                             CommandSink &commands, ChatOutput &chat)
    : PackInstaller(setup, packs, commands, chat, OwnOps)
{
}

PackInstaller::PackInstaller(const GameSetup &setup, const InstalledPacks &packs,
                             CommandSink &commands, ChatOutput &chat, GameFileOperations &ops)
    : Setup(setup)
    , Ops(ops)
    , Restore(setup, ops, chat)
    , Map(setup, packs, commands, chat, ops, Restore)
    , Mod(setup, packs, commands, chat, ops, Restore)
{
}

bool PackInstaller::RestorePaletteFiles()
{
    return ::RestorePaletteFiles(Setup.ProgramFolder, Setup.GamePath, Ops, nullptr);
}

bool PackInstaller::CheckPaletteRestore()
{
    return ::CheckPaletteRestore(Setup.ProgramFolder, Setup.GamePath, Ops, nullptr);
}
