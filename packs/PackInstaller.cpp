#include "packs/PackInstaller.h"

PackInstaller::PackInstaller(const GameSetup &setup, const InstalledPacks &packs,
                             CommandSink &commands, ChatOutput &chat)
    : PackInstaller(setup, packs, commands, chat, OwnOps)
{
}

PackInstaller::PackInstaller(const GameSetup &setup, const InstalledPacks &packs,
                             CommandSink &commands, ChatOutput &chat, GameFileOperations &ops)
    : Ops(ops)
    , Restore(setup, ops, chat)
    , Map(setup, packs, commands, chat, ops, Restore)
    , Mod(setup, packs, commands, chat, ops, Restore)
{
}
