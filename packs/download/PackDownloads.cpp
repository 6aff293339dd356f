#include "packs/download/PackDownloads.h"

#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "packs/InstalledPacks.h"

namespace {

DownloadedPack downloaded(ClientState &state, InstalledPacks &installed, Dialogs &dialogs, bool map,
                          std::function<void()> rebuild)
{
    DownloadedPack p;
    p.programFolder = state.Setup.ProgramFolder;
    p.packFolder = map ? state.Setup.MappacksFolder : state.Setup.ModpacksFolder;
    if (!rebuild) {
        InstalledPacks *packs = &installed;
        rebuild = map ? std::function<void()>([packs] { packs->BuildMappackCrcList(); })
                      : std::function<void()>([packs] { packs->BuildModpackCrcList(); });
    }
    p.rebuild = std::move(rebuild);
    p.dialogs = &dialogs;
    return p;
}

} // namespace

PackDownloads::PackDownloads(ClientState &state, InstalledPacks &installed, HutPanels &panels,
                             HutMessages &messages, CommandSink &commands, ChatOutput &chat, Dialogs &dialogs,
                             Rebuild rebuild)
    : mapCatalog(PackCatalog::Kind::Mappacks, state.Setup, installed)
    , modCatalog(PackCatalog::Kind::Modpacks, state.Setup, installed)
    , mapRun(mapCatalog, downloaded(state, installed, dialogs, true, rebuild.mappacks), chat)
    , modRun(modCatalog, downloaded(state, installed, dialogs, false, rebuild.modpacks), chat)
    , hutMappack(HutPackDownload::Kind::Mappack, state, panels, messages, installed, commands, chat,
                 downloaded(state, installed, dialogs, true, rebuild.mappacks))
    , hutModpack(HutPackDownload::Kind::Modpack, state, panels, messages, installed, commands, chat,
                 downloaded(state, installed, dialogs, false, rebuild.modpacks))
{
}

void PackDownloads::follow(LobbyEvents &events)
{
    auto check = [this] {
        hutMappack.hutChanged();
        hutModpack.hutChanged();
    };
    QObject::connect(&events, &LobbyEvents::mappackInfoChanged, &hutMappack, check);
    QObject::connect(&events, &LobbyEvents::modpackInfoChanged, &hutMappack, check);
    QObject::connect(&events, &LobbyEvents::userChanged, &hutMappack, check);
    QObject::connect(&events, &LobbyEvents::userListChanged, &hutMappack, check);
    QObject::connect(&events, &LobbyEvents::hutsChanged, &hutMappack, check);
}

void PackDownloads::connectionLost()
{
    hutMappack.connectionLost();
    hutModpack.connectionLost();
}

