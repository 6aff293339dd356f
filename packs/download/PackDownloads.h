#pragma once
#include "packs/PackCatalog.h"
#include "packs/download/CatalogDownload.h"
#include "packs/download/HutPackDownload.h"

#include <functional>

class ChatOutput;
class CommandSink;
class Dialogs;
class HutMessages;
class HutPanels;
class InstalledPacks;
class LobbyEvents;
struct ClientState;

// Everything of getting packs in one place for the composition root: the two
// catalogues with their download runs and the two hut downloads.
class PackDownloads
{
public:
    // The installed lists are rebuilt through these (the host's pack boxes
    // keep their pack); empty ones rebuild the lists plainly.
    struct Rebuild
    {
        std::function<void()> mappacks;
        std::function<void()> modpacks;
    };

    PackDownloads(ClientState &state, InstalledPacks &installed, HutPanels &panels, HutMessages &messages,
                  CommandSink &commands, ChatOutput &chat, Dialogs &dialogs, Rebuild rebuild = {});

    // The hut downloads follow the lobby: a changed host pack, leaving the
    // hut or a lost connection ends them.
    void follow(LobbyEvents &events);
    void connectionLost();

    PackCatalog mapCatalog;
    PackCatalog modCatalog;
    CatalogDownload mapRun;
    CatalogDownload modRun;
    HutPackDownload hutMappack;
    HutPackDownload hutModpack;
};
