#include "core/HutMessages.h"

#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/HutPanels.h"
#include "core/LobbyEvents.h"
#include "core/LobbyMessage.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "packs/InstalledPacks.h"
#include "packs/PackInfoLookUp.h"
#include "platform/Dialogs.h"
#include "platform/UrlDownload.h"

HutMessages::HutMessages(ClientState &state, const InstalledPacks &packs, CommandSink &commands,
                         Dialogs &dialogs, HutPanels &panels, LobbyEvents &events)
    : m_state(state)
    , m_commands(commands)
    , m_dialogs(dialogs)
    , m_panels(panels)
    , m_events(events)
    , m_packs(packs)
    , m_mappackPages(std::make_unique<PackInfoLookUp>(state.Setup, true))
    , m_modpackPages(std::make_unique<PackInfoLookUp>(state.Setup, false))
{
    m_fetchMappack = [this](const QByteArray &crc, PackInfoDone done) { m_mappackPages->start(crc, std::move(done)); };
    m_fetchModpack = [this](const QByteArray &crc, PackInfoDone done) { m_modpackPages->start(crc, std::move(done)); };
}

HutMessages::~HutMessages() = default;

HutMessages::PackInfoLater HutMessages::answeredAtOnce(PackInfoFetch fetch)
{
    if (!fetch)
        return {};
    return [fetch = std::move(fetch)](const QByteArray &crc, PackInfoDone done) { done(fetch(crc)); };
}

void HutMessages::lookUp(const PackInfoLater &fetch, qint32 slot, const QByteArray &crc,
                         void (HutMessages::*then)(qint32, const QByteArray &, const QByteArray &))
{
    if (!fetch) {
        (this->*then)(slot, crc, QByteArray());
        return;
    }
    // The messages after this one wait for the answer; nothing else does.
    Dispatcher::Hold hold = m_dispatcher && m_dispatcher->isHandling() ? m_dispatcher->hold() : nullptr;
    fetch(crc, [this, then, hold, slot, crc](const QByteArray &url) mutable {
        auto finish = [this, then, hold = std::move(hold), slot, crc, url]() mutable {
            (this->*then)(slot, crc, url);
            hold.reset();
        };
        // The player may have asked for a page meanwhile: the rest of this
        // message's handling comes after it, as the messages after it do.
        if (UrlDownload::isWaiting())
            UrlDownload::afterWaiting(m_mappackPages.get(), std::move(finish));
        else
            finish();
    });
}

bool HutMessages::stillLookedFor(bool map, qint32 slot, const QByteArray &crc) const
{
    // The user may have left the hut (or lost the connection) meanwhile: an
    // answer for a pack the own hut no longer plays changes nothing.
    const UserRecord *own = m_state.own();
    const HutPanels::State &s = m_panels.state();
    return own && own->State == "CLIENT" && own->HostSlot == slot && (map ? s.mappackFor : s.modpackFor) == crc;
}

void HutMessages::registerHandlers(Dispatcher &dispatcher)
{
    m_dispatcher = &dispatcher;
    dispatcher.on("MAPPACK", [this](const LobbyMessage &m) { onMappack(m); });
    dispatcher.on("MODPACK", [this](const LobbyMessage &m) { onModpack(m); });
    dispatcher.on("USECUSTOMPALS", [this](const LobbyMessage &m) { onUseCustomPals(m); });
    dispatcher.on("CONSTANT", [this](const LobbyMessage &m) { onConstant(m); });
    dispatcher.on("FRIENDLY", [this](const LobbyMessage &m) { onFriendly(m); });
    dispatcher.on("CRASHRECOVER", [this](const LobbyMessage &m) { onCrashRecover(m); });
}

namespace {

// Where a map pack choice and a mod pack choice differ until the answer.
struct PackKind
{
    QByteArray UserRecord::*hostPack;
    bool HutState::*hutPackOn;
    const InstalledPack *(InstalledPacks::*find)(const QByteArray &crc) const;
    const char *answer;
    const char *offLabel;
    const char *labelPrefix;
};

const PackKind MappackKind{&UserRecord::Mappack, &HutState::HutMappackOn,
                           &InstalledPacks::findMappack, "MAPPACKOK",
                           "Mappack: The Beginning", "Mappack: "};
const PackKind ModpackKind{&UserRecord::Modpack, &HutState::HutModpackOn,
                           &InstalledPacks::findModpack, "MODPACKOK",
                           "ModPack: Normal Settings", "Modpack: "};

struct PackChoice
{
    enum Outcome { NotForUs, Installed, Missing };
    Outcome outcome = NotForUs;
    QByteArray pack;
    QByteArray label; // of an installed pack (or "OFF")
};

// The host's record takes the pack; a user in that host's hut looks it up
// among the own packs and answers whether it has it.
PackChoice takePackChoice(const LobbyMessage &m, const PackKind &kind, ClientState &state,
                          const InstalledPacks &packs, CommandSink &commands)
{
    PackChoice choice;
    const qint32 slot = m.slot(1);
    if (!m.has(2))
        return choice;
    choice.pack = m.word(2);
    if (UserRecord *host = state.Users.at(slot))
        host->*kind.hostPack = choice.pack;

    const QByteArray answer = kind.answer;
    if (slot == state.CurrentUser.OwnSlot)
        commands.SendCommand(answer + " TRUE");

    const UserRecord *own = state.own();
    if (!own || own->State != "CLIENT" || own->HostSlot != slot)
        return choice;
    if (choice.pack == "OFF") {
        choice.outcome = PackChoice::Installed;
        state.Hut.*kind.hutPackOn = false;
        choice.label = kind.offLabel;
    } else if (const InstalledPack *p = (packs.*kind.find)(choice.pack)) {
        // With the same crc8 twice the last one names the label, as the list shows it.
        choice.outcome = PackChoice::Installed;
        state.Hut.*kind.hutPackOn = true;
        choice.label = kind.labelPrefix + CodePage::fromUnicode(p->FileName);
    } else {
        choice.outcome = PackChoice::Missing;
    }
    commands.SendCommand(answer + (choice.outcome == PackChoice::Installed ? " TRUE" : " FALSE"));
    return choice;
}

} // namespace

// A host's pack choice that the own hut plays: the download area lets go of
// an earlier pack at once, before any look-up, so that its Download never
// fetches a pack the hut no longer plays.
void HutMessages::followHostPack(bool map, const QByteArray &pack)
{
    m_panels.update([&](HutPanels::State &s) {
        if ((map ? s.mappackFor : s.modpackFor) != pack)
            HutPanels::letGoOfPack(s, map, pack);
    });
}

void HutMessages::onMappack(const LobbyMessage &m)
{
    const PackChoice choice = takePackChoice(m, MappackKind, m_state, m_packs, m_commands);
    if (choice.outcome != PackChoice::NotForUs)
        followHostPack(true, choice.pack);
    if (choice.outcome == PackChoice::Missing) {
        lookUp(m_fetchMappack, m.slot(1), choice.pack, &HutMessages::mappackLookedUp);
        return;
    }
    if (choice.outcome == PackChoice::Installed) {
        m_panels.update([&](HutPanels::State &s) {
            s.lblmappack = choice.label;
            s.PBMapDLVisible = false;
        });
    }
    Q_EMIT m_events.mappackInfoChanged();
}

void HutMessages::mappackLookedUp(qint32 slot, const QByteArray &crc, const QByteArray &url)
{
    if (!stillLookedFor(true, slot, crc)) {
        Q_EMIT m_events.mappackInfoChanged();
        return;
    }
    // The download area shows once the address is known, so that its button
    // never starts a download from no address.
    m_panels.update([&](HutPanels::State &s) {
        s.lblMappackURLVisible = true;
        s.PBMapDLVisible = true;
        s.cmdDLMAPEnabled = true;
        s.lblMappackURL = url;
        if (url.isEmpty())
            s.PBMapDLVisible = false;
    });
    if (url.isEmpty()) {
        // Shown without waiting: the lobby (and a launch) goes on behind it.
        m_dialogs.open(QStringLiteral("It appears this mappack is broken, report the problem to an admin!"));
        m_panels.update([](HutPanels::State &s) { s.lblMappackURL = "No download available!"; });
    }
    m_panels.update([](HutPanels::State &s) { s.lblmappack = "Mappack: <Broken>"; });
    Q_EMIT m_events.mappackInfoChanged();
}

void HutMessages::onModpack(const LobbyMessage &m)
{
    const PackChoice choice = takePackChoice(m, ModpackKind, m_state, m_packs, m_commands);
    if (choice.outcome != PackChoice::NotForUs)
        followHostPack(false, choice.pack);
    if (choice.outcome == PackChoice::Missing) {
        lookUp(m_fetchModpack, m.slot(1), choice.pack, &HutMessages::modpackLookedUp);
        return;
    }
    if (choice.outcome == PackChoice::Installed) {
        m_panels.update([&](HutPanels::State &s) {
            s.lblModPack = choice.label;
            s.lblmodpackurlVisible = false;
            // Nothing to download: the area of a pack the hut no longer plays goes too.
            s.PBModDLVisible = false;
        });
    }
    Q_EMIT m_events.modpackInfoChanged();
}

void HutMessages::modpackLookedUp(qint32 slot, const QByteArray &crc, const QByteArray &url)
{
    if (!stillLookedFor(false, slot, crc)) {
        Q_EMIT m_events.modpackInfoChanged();
        return;
    }
    m_panels.update([&](HutPanels::State &s) {
        s.PBModDLVisible = true;
        s.cmdDLMODEnabled = true;
        s.lblmodpackurl = url;
    });
    if (url.isEmpty()) {
        m_dialogs.open(QStringLiteral("It appears this modpack is broken, report the problem to an admin!"));
        m_panels.update([](HutPanels::State &s) {
            s.PBModDLVisible = false;
            s.lblmodpackurl = "No download available!";
        });
    }
    m_panels.update([](HutPanels::State &s) { s.lblModPack = "modpack: <Broken>"; });
    Q_EMIT m_events.modpackInfoChanged();
}

bool HutMessages::optionIgnored(const LobbyMessage &m) const
{
    const UserRecord *own = m_state.own();
    if (!own)
        return true; // nothing to apply it to
    // A user who has left that host's hut still names it in HostSlot.
    return m.slot(1) == own->HostSlot && own->State != "CLIENT";
}

void HutMessages::onUseCustomPals(const LobbyMessage &m)
{
    if (optionIgnored(m))
        return;
    UserRecord *own = m_state.own();
    if (m.word(2) != "TRUE") {
        own->CustomPals = false;
        m_panels.update([](HutPanels::State &s) { s.tribeTabVisible = false; });
        return;
    }
    own->CustomPals = true;
    // The tribe is the user's place in the hut (a host plays tribe 0).
    if (own->isClient())
        m_state.Hut.SelectedTribe = qint16(qBound(-32768, own->HutPosition, 32767));
    else if (own->isHost())
        m_state.Hut.SelectedTribe = 0;
    m_panels.update([](HutPanels::State &s) { s.tribeTabVisible = true; });
    // A host's own choice coming back keeps the colours it has already sent.
    if (m.slot(1) != m_state.CurrentUser.OwnSlot && m_setDefaultColours)
        m_setDefaultColours();
    if (m_showTribeArrow)
        m_showTribeArrow();
    else
        m_panels.ShowTribeArrow(m_state.Hut.SelectedTribe);
}

void HutMessages::onConstant(const LobbyMessage &m)
{
    if (optionIgnored(m))
        return;
    const bool on = m.word(2) == "ON";
    m_state.own()->ConstantsOn = on;
    m_panels.update([on](HutPanels::State &s) { s.settingsTabVisible = on; });
}

void HutMessages::onFriendly(const LobbyMessage &m)
{
    if (optionIgnored(m))
        return;
    m_state.own()->Friendly = m.word(2) == "ON";
}

void HutMessages::onCrashRecover(const LobbyMessage &)
{
    // Recognised; what it should do is open.
}
