#pragma once
#include "core/Dispatcher.h"

#include <QByteArray>
#include <functional>
#include <memory>

class CommandSink;
class InstalledPacks;
class Dialogs;
class PackInfoLookUp;
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
    // address, empty when there is none, handed to `done` once it is known.
    // The message's handling ends there; the dispatcher holds back the later
    // messages until then, the window and the player's input go on.
    using PackInfoDone = std::function<void(const QByteArray &address)>;
    using PackInfoLater = std::function<void(const QByteArray &crc, PackInfoDone done)>;
    // The same, answered before it returns.
    using PackInfoFetch = std::function<QByteArray(const QByteArray &crc)>;

    // The pack information comes from the lobby web host's pages (as
    // FetchMappackInfo / FetchModpackInfo ask them) unless a test sets its own.
    HutMessages(ClientState &state, const InstalledPacks &packs, CommandSink &commands,
                Dialogs &dialogs, HutPanels &panels, LobbyEvents &events);
    ~HutMessages();

    void setFetchMappackInfo(PackInfoLater fetch) { m_fetchMappack = std::move(fetch); }
    void setFetchModpackInfo(PackInfoLater fetch) { m_fetchModpack = std::move(fetch); }
    void setFetchMappackInfo(PackInfoFetch fetch) { m_fetchMappack = answeredAtOnce(std::move(fetch)); }
    void setFetchModpackInfo(PackInfoFetch fetch) { m_fetchModpack = answeredAtOnce(std::move(fetch)); }
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
    static PackInfoLater answeredAtOnce(PackInfoFetch fetch);
    bool optionIgnored(const LobbyMessage &m) const;
    void followHostPack(bool map, const QByteArray &pack);
    // The steps after the look-up of a missing pack of the host at `slot`.
    void mappackLookedUp(qint32 slot, const QByteArray &crc, const QByteArray &url);
    void modpackLookedUp(qint32 slot, const QByteArray &crc, const QByteArray &url);
    bool stillLookedFor(bool map, qint32 slot, const QByteArray &crc) const;
    void lookUp(const PackInfoLater &fetch, qint32 slot, const QByteArray &crc,
                void (HutMessages::*then)(qint32, const QByteArray &, const QByteArray &));

    ClientState &m_state;
    CommandSink &m_commands;
    Dialogs &m_dialogs;
    HutPanels &m_panels;
    LobbyEvents &m_events;
    const InstalledPacks &m_packs;
    Dispatcher *m_dispatcher = nullptr;
    std::unique_ptr<PackInfoLookUp> m_mappackPages;
    std::unique_ptr<PackInfoLookUp> m_modpackPages;
    PackInfoLater m_fetchMappack;
    PackInfoLater m_fetchModpack;
    std::function<void()> m_setDefaultColours;
    std::function<void()> m_showTribeArrow;
};
