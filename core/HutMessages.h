#pragma once
#include <QByteArray>
#include <functional>

class CommandSink;
class InstalledPacks;
class Dialogs;
class Dispatcher;
class HutPanels;
class LobbyEvents;
class LobbyMessage;
struct ClientState;

// The receiving side of the hut host's choices: "MAPPACK", "MODPACK",
// "USECUSTOMPALS", "CONSTANT", "FRIENDLY" and "CRASHRECOVER" (word 1 the
// host's slot, word 2 the value). Pack choices are checked against the own
// installed packs and answered with "MAPPACKOK"/"MODPACKOK".
class HutMessages
{
public:
    // The pack information of a missing pack from the web host: its download
    // address, empty when there is none. May wait for the web host (it runs a
    // bounded local event loop); the dispatcher holds back later messages.
    using PackInfoFetch = std::function<QByteArray(const QByteArray &crc)>;

    // The pack information comes from FetchMappackInfo / FetchModpackInfo
    // against the lobby web host unless a test sets its own.
    HutMessages(ClientState &state, const InstalledPacks &packs, CommandSink &commands,
                Dialogs &dialogs, HutPanels &panels, LobbyEvents &events);

    void setFetchMappackInfo(PackInfoFetch fetch) { m_fetchMappack = std::move(fetch); }
    void setFetchModpackInfo(PackInfoFetch fetch) { m_fetchModpack = std::move(fetch); }
    // SetDefaultTribeColours and ShowTribeArrow of the tribe colours.
    void setSetDefaultTribeColours(std::function<void()> f) { m_setDefaultColours = std::move(f); }
    void setShowTribeArrow(std::function<void()> f) { m_showTribeArrow = std::move(f); }

    void registerHandlers(Dispatcher &dispatcher);

    void onMappack(const LobbyMessage &m);
    void onModpack(const LobbyMessage &m);
    void onUseCustomPals(const LobbyMessage &m);
    void onConstant(const LobbyMessage &m);
    void onFriendly(const LobbyMessage &m);
    void onCrashRecover(const LobbyMessage &m);

private:
    bool optionIgnored(const LobbyMessage &m) const;

    ClientState &m_state;
    CommandSink &m_commands;
    Dialogs &m_dialogs;
    HutPanels &m_panels;
    LobbyEvents &m_events;
    const InstalledPacks &m_packs;
    PackInfoFetch m_fetchMappack;
    PackInfoFetch m_fetchModpack;
    std::function<void()> m_setDefaultColours;
    std::function<void()> m_showTribeArrow;
};
