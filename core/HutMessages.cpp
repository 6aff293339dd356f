#include "core/HutMessages.h"

#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/HutPanels.h"
#include "core/LobbyEvents.h"
#include "core/LobbyMessage.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "packs/InstalledPacks.h"
#include "platform/Dialogs.h"

HutMessages::HutMessages(ClientState &state, const InstalledPacks &packs, CommandSink &commands,
                         Dialogs &dialogs, HutPanels &panels, LobbyEvents &events)
    : m_state(state)
    , m_commands(commands)
    , m_dialogs(dialogs)
    , m_panels(panels)
    , m_events(events)
    , m_packs(packs)
{
}

void HutMessages::registerHandlers(Dispatcher &dispatcher)
{
    dispatcher.on("MAPPACK", [this](const LobbyMessage &m) { onMappack(m); });
    dispatcher.on("MODPACK", [this](const LobbyMessage &m) { onModpack(m); });
    dispatcher.on("USECUSTOMPALS", [this](const LobbyMessage &m) { onUseCustomPals(m); });
    dispatcher.on("CONSTANT", [this](const LobbyMessage &m) { onConstant(m); });
    dispatcher.on("FRIENDLY", [this](const LobbyMessage &m) { onFriendly(m); });
    dispatcher.on("CRASHRECOVER", [this](const LobbyMessage &m) { onCrashRecover(m); });
}

namespace {

// The last installed pack with this crc8 names the label, as the list shows it.
const InstalledPack *lastMatch(const QList<InstalledPack> &packs, const QByteArray &crc)
{
    const InstalledPack *found = nullptr;
    for (const InstalledPack &p : packs) {
        if (p.Crc == crc)
            found = &p;
    }
    return found;
}

} // namespace

void HutMessages::onMappack(const LobbyMessage &m)
{
    const qint32 slot = m.slot(1);
    if (!m.has(2)) {
        Q_EMIT m_events.mappackInfoChanged();
        return;
    }
    const QByteArray pack = m.word(2);
    if (UserRecord *host = m_state.Users.at(slot))
        host->Mappack = pack;

    if (slot == m_state.CurrentUser.OwnSlot)
        m_commands.SendCommand("MAPPACKOK TRUE");

    const UserRecord *own = m_state.own();
    if (own && own->State == "CLIENT" && own->HostSlot == slot) {
        bool found = false;
        QByteArray label;
        if (pack == "OFF") {
            found = true;
            m_state.Hut.HutMappackOn = false;
            label = "Mappack: The Beginning";
        } else if (const InstalledPack *p = lastMatch(m_packs.InstalledMappacks, pack)) {
            found = true;
            m_state.Hut.HutMappackOn = true;
            label = "Mappack: " + CodePage::fromUnicode(p->FileName);
        }
        if (found) {
            m_commands.SendCommand("MAPPACKOK TRUE");
            m_panels.update([&](HutPanels::State &s) {
                s.lblmappack = label;
                s.PBMapDLVisible = false;
            });
        } else {
            m_commands.SendCommand("MAPPACKOK FALSE");
            m_panels.update([](HutPanels::State &s) {
                s.lblMappackURLVisible = true;
                s.PBMapDLVisible = true;
                s.cmdDLMAPEnabled = true;
            });
            // May wait for the web host; later lobby messages wait in the dispatcher.
            const QByteArray url = m_fetchMappack ? m_fetchMappack(pack) : QByteArray();
            m_panels.update([&](HutPanels::State &s) {
                s.lblMappackURL = url;
                if (url.isEmpty())
                    s.PBMapDLVisible = false;
            });
            if (url.isEmpty()) {
                m_dialogs.message(QStringLiteral("It appears this mappack is broken, report the problem to an admin!"));
                m_panels.update([](HutPanels::State &s) { s.lblMappackURL = "No download available!"; });
            }
            m_panels.update([](HutPanels::State &s) { s.lblmappack = "Mappack: <Broken>"; });
        }
    }
    Q_EMIT m_events.mappackInfoChanged();
}

void HutMessages::onModpack(const LobbyMessage &m)
{
    const qint32 slot = m.slot(1);
    if (!m.has(2)) {
        Q_EMIT m_events.modpackInfoChanged();
        return;
    }
    const QByteArray pack = m.word(2);
    if (UserRecord *host = m_state.Users.at(slot))
        host->Modpack = pack;

    if (slot == m_state.CurrentUser.OwnSlot)
        m_commands.SendCommand("MODPACKOK TRUE");

    const UserRecord *own = m_state.own();
    if (own && own->State == "CLIENT" && own->HostSlot == slot) {
        bool found = false;
        QByteArray label;
        if (pack == "OFF") {
            found = true;
            m_state.Hut.HutModpackOn = false;
            label = "ModPack: Normal Settings";
        } else if (const InstalledPack *p = lastMatch(m_packs.InstalledModpacks, pack)) {
            found = true;
            m_state.Hut.HutModpackOn = true;
            label = "Modpack: " + CodePage::fromUnicode(p->FileName);
        }
        if (found) {
            m_commands.SendCommand("MODPACKOK TRUE");
            m_panels.update([&](HutPanels::State &s) {
                s.lblModPack = label;
                s.lblmodpackurlVisible = false;
            });
        } else {
            m_commands.SendCommand("MODPACKOK FALSE");
            m_panels.update([](HutPanels::State &s) {
                s.PBModDLVisible = true;
                s.cmdDLMODEnabled = true;
            });
            const QByteArray url = m_fetchModpack ? m_fetchModpack(pack) : QByteArray();
            m_panels.update([&](HutPanels::State &s) { s.lblmodpackurl = url; });
            if (url.isEmpty()) {
                m_dialogs.message(QStringLiteral("It appears this modpack is broken, report the problem to an admin!"));
                m_panels.update([](HutPanels::State &s) {
                    s.PBModDLVisible = false;
                    s.lblmodpackurl = "No download available!";
                });
            }
            m_panels.update([](HutPanels::State &s) { s.lblModPack = "modpack: <Broken>"; });
        }
    }
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
