#pragma once
#include <QByteArray>
#include <functional>

class CommandSink;
class Dispatcher;
class LobbyEvents;
class LobbyMessage;
struct ClientState;

// The state messages that fill the user and room tables: "USER",
// "USERSTATE", "USERSTATUS", "GAME", "MAPPACKOK", "MODPACKOK" and "NWROOM".
// "USERSTATE" also carries the own hut's side effects, which reach the hut
// code through the hooks below.
//
// After each message the views are told through LobbyEvents:
//   USER, USERSTATE, USERSTATUS, GAME  -> userChanged(slot)
//   MAPPACKOK                          -> mappackInfoChanged()
//   MODPACKOK                          -> modpackInfoChanged()
//   NWROOM                             -> roomAnnounced(room)
// A message for a slot the table cannot hold changes nothing and emits
// nothing (there is nothing to refresh).
class UserStateHandlers
{
public:
    // What the hut code provides. An empty hook is skipped.
    struct Hooks
    {
        // A user joined the own hut: send the hut's options in this order:
        // "MAPPACK <crc8>"/"MAPPACK OFF", "FRIENDLY ON"/"FRIENDLY OFF",
        // "MODPACK <crc8>"/"MODPACK OFF", "USECUSTOMPALS TRUE" and the tribe
        // colours, or "USECUSTOMPALS FALSE".
        std::function<void()> sendOwnHutOptions;

        // The ping listener (WSPingHost on 7575) of a host.
        std::function<void()> openPingHost;
        std::function<void()> closePingHost;
        std::function<bool()> pingHostListening;     // PingHostListening

        // The ping probe (WSPingChecker) of a client: closed, then connected
        // to the host's ExternalIP on 7575; close stops tmrPing as well.
        std::function<void(const QByteArray &hostAddress)> connectPingProbe;
        std::function<void()> closePingProbe;
        std::function<bool()> pingProbeConnected;   // PingProbeConnected

        // The hut area (frmGame): shown and brought to the front.
        std::function<void()> showGamePanel;
        // The hut's host went away: frmGame and FraTribePal hidden.
        std::function<void()> hideGameAndTribePanels;
    };

    UserStateHandlers(ClientState &state, CommandSink &commands, LobbyEvents &events,
                      Hooks hooks = {});

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    void registerHandlers(Dispatcher &dispatcher);

    void USER(const LobbyMessage &m);
    void USERSTATE(const LobbyMessage &m);
    void USERSTATUS(const LobbyMessage &m);
    void GAME(const LobbyMessage &m);
    void MAPPACKOK(const LobbyMessage &m);
    void MODPACKOK(const LobbyMessage &m);
    void NWROOM(const LobbyMessage &m);

    // A new login starts from empty tables: both tables are cleared, an open
    // ping end is closed, and the views are told to refresh everything.
    void resetForNewLogin();

private:
    bool pingHostListening() const;
    bool pingProbeConnected() const;

    ClientState &m_state;
    CommandSink &m_commands;
    LobbyEvents &m_events;
    Hooks m_hooks;
    // Used when the hut code gives no flag query of its own.
    bool m_hostListening = false;
    bool m_probeConnected = false;
};
