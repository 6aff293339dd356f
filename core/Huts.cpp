#include "core/Huts.h"

#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "packs/InstalledPacks.h"

Huts::Huts(ClientState &state_, const InstalledPacks &packs, CommandSink &commands, Dialogs &dialogs,
           ChatOutput &chat, LobbyEvents &events, quint16 pingPort)
    : state(state_)
    , broadcast(commands, colours, previews, state_.Hut.SelectedTribe)
    , editor(colours, previews, broadcast, state_.Hut.SelectedTribe)
    , ping(commands, pingPort)
    , options(state_, packs, commands, dialogs, panels)
    , hosting(state_, commands, chat, dialogs, panels)
    , messages(state_, packs, commands, dialogs, panels, events)
{
    options.setSendTribeColours([this] { broadcast.SendTribeColours(); });
    options.setBeforeLaunch([this] { editor.flushPendingColours(); });
    // The previews follow the boxes, or they would go on showing the colours
    // of the hut the user was in before.
    messages.setSetDefaultTribeColours([this] {
        colours.SetDefaultTribeColours();
        previews.RecolourAll();
    });

    // The bars recolour the own tribe while its panel is up in a hut with custom colours.
    QObject::connect(&panels, &HutPanels::changed, &editor, [this] {
        const HutPanels::State &s = panels.state();
        editor.setTribeBarsEnabled(s.FraTribePalVisible && s.tribeTabVisible);
    });

    // The options a host still holds from an earlier hut go to the new one;
    // the hut area follows the own state.
    QObject::connect(&events, &LobbyEvents::userChanged, &options, [this](qint32 slot) {
        if (slot == state.CurrentUser.OwnSlot) {
            options.OwnStateChanged();
            followOwnState();
        }
    });
    // A whole table refreshed (cleared for a new login) or a new lobby view.
    QObject::connect(&events, &LobbyEvents::userListChanged, &panels, [this] { followOwnState(); });
    QObject::connect(&events, &LobbyEvents::lobbyShown, &panels, [this] { followOwnState(); });
}

void Huts::followOwnState()
{
    const UserRecord *own = state.own();
    panels.followOwnState(own ? std::optional<QByteArray>(own->State) : std::nullopt, own ? own->HostSlot : -1);
}

void Huts::connectionLost()
{
    // No lobby, no hut: the area goes until a new login puts the user in one.
    panels.followOwnState(std::nullopt);
}

void Huts::registerHandlers(Dispatcher &dispatcher)
{
    messages.registerHandlers(dispatcher);
    colourMessages.registerHandlers(dispatcher);
}

void Huts::fillUserStateHooks(UserStateHandlers::Hooks &hooks)
{
    hooks.sendOwnHutOptions = [this] { options.SendHutOptionsToJoiner(); };
    hooks.openPingHost = [this] { ping.OpenPingHost(); };
    hooks.closePingHost = [this] { ping.ClosePingHost(); };
    hooks.pingHostListening = [this] { return ping.PingHostListening(); };
    hooks.connectPingProbe = [this](const QByteArray &host) { ping.ConnectPingProbe(host); };
    hooks.closePingProbe = [this] { ping.ClosePingProbe(); };
    hooks.pingProbeConnected = [this] { return ping.PingProbeConnected(); };
    hooks.showGamePanel = [this] { panels.showGamePanel(); };
    hooks.hideGameAndTribePanels = [this] { panels.hideGameAndTribePanels(); };
}
