#include "core/UserStateHandlers.h"

#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyEvents.h"
#include "core/LobbyMessage.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "core/util/Text.h"

#include <cctype>

namespace {

bool isHostState(const QByteArray &state)
{
    return state == "HOST" || state == "WARPHOST";
}

} // namespace

UserStateHandlers::UserStateHandlers(ClientState &state, CommandSink &commands,
                                     LobbyEvents &events, Hooks hooks)
    : m_state(state)
    , m_commands(commands)
    , m_events(events)
    , m_hooks(std::move(hooks))
{
}

void UserStateHandlers::registerHandlers(Dispatcher &dispatcher)
{
    dispatcher.on("USER", [this](const LobbyMessage &m) { USER(m); });
    dispatcher.on("USERSTATE", [this](const LobbyMessage &m) { USERSTATE(m); });
    dispatcher.on("USERSTATUS", [this](const LobbyMessage &m) { USERSTATUS(m); });
    dispatcher.on("GAME", [this](const LobbyMessage &m) { GAME(m); });
    dispatcher.on("MAPPACKOK", [this](const LobbyMessage &m) { MAPPACKOK(m); });
    dispatcher.on("MODPACKOK", [this](const LobbyMessage &m) { MODPACKOK(m); });
    dispatcher.on("NWROOM", [this](const LobbyMessage &m) { NWROOM(m); });
}

bool UserStateHandlers::pingHostListening() const
{
    return m_hooks.pingHostListening ? m_hooks.pingHostListening() : m_hostListening;
}

bool UserStateHandlers::pingProbeConnected() const
{
    return m_hooks.pingProbeConnected ? m_hooks.pingProbeConnected() : m_probeConnected;
}

void UserStateHandlers::USER(const LobbyMessage &m)
{
    const qint32 slot = m.slot(1);
    UserRecord *u = m_state.Users.growTo(slot);
    if (!u)
        return;
    QByteArray name = m.word(2);
    if (name == "NONE")
        name.clear();
    // A new name in a slot is a new user: nothing of the one before may stay.
    if (!name.isEmpty() && name != u->Name)
        *u = UserRecord();
    m_state.Users.setName(slot, name);
    u->ExternalIP = m.word(3);
    u->Rank = m.word(4);
    if (m.has(5))
        u->UserId = m.word(5);
    if (m.has(6))
        u->MAC = m.word(6);
    Q_EMIT m_events.userChanged(slot);
}

void UserStateHandlers::USERSTATE(const LobbyMessage &m)
{
    const qint32 s = m.slot(1);
    const QByteArray newState = m.word(2);
    const qint32 ownSlot = m_state.CurrentUser.OwnSlot;
    UserRecord *u = m_state.Users.at(s);

    // The host of the own hut went away: leave the hut ourselves.
    if (u && isHostState(u->State)) {
        UserRecord *own = m_state.own();
        if (own && own->State == "CLIENT" && own->HostSlot == s && newState != "HOST"
            && newState != "GAMING" && newState != "WARPHOST") {
            m_commands.SendCommand("BEIDLE");
            if (m_hooks.hideGameAndTribePanels)
                m_hooks.hideGameAndTribePanels();
            own->CustomPals = false;
        }
    }

    if (u)
        u->State = newState;

    if (newState == "CLIENT") {
        const qint32 hostSlot = m.slot(3);
        if (u) {
            u->HostSlot = hostSlot;
            if (m.has(4))
                u->HutPosition = m.slot(4);
        }
        if (hostSlot == ownSlot && s != ownSlot && m_hooks.sendOwnHutOptions)
            m_hooks.sendOwnHutOptions();
        if (u && s == ownSlot) {
            const UserRecord *host = m_state.Users.at(hostSlot);
            if (m_hooks.connectPingProbe)
                m_hooks.connectPingProbe(host ? host->ExternalIP : QByteArray());
            m_probeConnected = true;
            // The joiner's hut area: its rows show the hut just joined.
            if (m_hooks.showGamePanel)
                m_hooks.showGamePanel();
        }
    } else if (newState == "HOST" || newState == "WARPHOST") {
        if (u) {
            u->HutSize = m.slot(3);
            u->HutPassword = m.word(4);
        }
        if (newState == "HOST" && u && s == ownSlot) {
            // Only the own hut's area is shown: another user's hut has no
            // rows in it.
            if (m_hooks.showGamePanel)
                m_hooks.showGamePanel();
            if (!pingHostListening() && m_hooks.openPingHost)
                m_hooks.openPingHost();
            m_hostListening = true;
        }
    }

    if (u)
        Q_EMIT m_events.userChanged(s);

    if (u && s == ownSlot) {
        if (!isHostState(u->State) && pingHostListening()) {
            if (m_hooks.closePingHost)
                m_hooks.closePingHost();
            m_hostListening = false;
        }
        if (u->State != "CLIENT" && pingProbeConnected()) {
            if (m_hooks.closePingProbe)
                m_hooks.closePingProbe();
            m_probeConnected = false;
        }
    }
}

void UserStateHandlers::USERSTATUS(const LobbyMessage &m)
{
    const qint32 slot = m.slot(1);
    UserRecord *u = m_state.Users.at(slot);
    if (!u)
        return;
    u->AwayText = CodePage::toLower(m.word(2));
    Q_EMIT m_events.userChanged(slot);
}

void UserStateHandlers::GAME(const LobbyMessage &m)
{
    const qint32 slot = m.slot(1);
    UserRecord *u = m_state.Users.at(slot);
    if (!u)
        return;
    u->GameText = m.word(2);
    Q_EMIT m_events.userChanged(slot);
}

void UserStateHandlers::MAPPACKOK(const LobbyMessage &m)
{
    if (UserRecord *u = m_state.Users.at(m.slot(1)))
        u->HasMappack = m.word(2);
    Q_EMIT m_events.mappackInfoChanged();
}

void UserStateHandlers::MODPACKOK(const LobbyMessage &m)
{
    if (UserRecord *u = m_state.Users.at(m.slot(1)))
        u->HasModpack = m.word(2);
    Q_EMIT m_events.modpackInfoChanged();
}

void UserStateHandlers::NWROOM(const LobbyMessage &m)
{
    // The server sends 0 to 32767 only; a word that is no number, or one out
    // of that range, names no room (rather than being clamped onto one).
    const QByteArray word = m.word(1);
    const bool numeric = !word.isEmpty()
        && (std::isdigit(static_cast<unsigned char>(word[0]))
            || (word.size() > 1 && (word[0] == '+' || word[0] == '-')
                && std::isdigit(static_cast<unsigned char>(word[1]))));
    const qint32 number = Text::LeadingInt32(word);
    if (!numeric || number < 0 || number > RoomTable::MaxRoom)
        return;
    const qint16 n = qint16(number);
    RoomRecord *r = m_state.Rooms.entry(n);
    if (!r)
        return;
    r->Name = m.word(2);
    r->RoomNo = n;
    r->Creator = m.word(3);
    r->Password = m.word(4);
    r->Passworded = r->Password != "NONE";
    Q_EMIT m_events.roomAnnounced(n);
}

void UserStateHandlers::resetForNewLogin()
{
    m_state.Users.clear();
    m_state.Rooms.clear();
    if (pingHostListening() && m_hooks.closePingHost)
        m_hooks.closePingHost();
    if (pingProbeConnected() && m_hooks.closePingProbe)
        m_hooks.closePingProbe();
    m_hostListening = false;
    m_probeConnected = false;
    Q_EMIT m_events.userListChanged();
    Q_EMIT m_events.hutsChanged();
}
