#pragma once
#include "core/HostOptions.h"
#include "core/HutHosting.h"
#include "core/HutMessages.h"
#include "core/HutPanels.h"
#include "core/HutPing.h"
#include "core/TribeColourMessages.h"
#include "core/UserStateHandlers.h"
#include "packs/TribeColourBroadcast.h"
#include "packs/TribeColourEditor.h"
#include "packs/TribeColours.h"
#include "packs/TribePreviews.h"

class ChatOutput;
class CommandSink;
class Dialogs;
class Dispatcher;
class InstalledPacks;
class LobbyEvents;
struct ClientState;

// Everything of the huts in one place for the composition root: hosting and
// joining, the host options, the hut's pack and option messages, the tribe
// colours and the hut ping, wired to each other.
class Huts
{
public:
    Huts(ClientState &state, const InstalledPacks &packs, CommandSink &commands, Dialogs &dialogs,
         ChatOutput &chat, LobbyEvents &events, quint16 pingPort = HutPing::DefaultPort);

    void registerHandlers(Dispatcher &dispatcher);
    // The user-state handler's hooks that the huts provide.
    void fillUserStateHooks(UserStateHandlers::Hooks &hooks);
    // The hut area after the own record changed, and after the lobby
    // connection ended.
    void followOwnState();
    void connectionLost();

    ClientState &state;
    HutPanels panels;
    TribeColours colours;
    TribePreviews previews {colours};
    TribeColourBroadcast broadcast;
    TribeColourMessages colourMessages {colours, previews};
    TribeColourEditor editor;
    HutPing ping;
    HostOptions options;
    HutHosting hosting;
    HutMessages messages;
};
