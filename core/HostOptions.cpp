#include "core/HostOptions.h"

#include "core/ClientState.h"
#include "core/HutPanels.h"
#include "core/api/CommandSink.h"
#include "packs/InstalledPacks.h"
#include "platform/Dialogs.h"

namespace {

QByteArray crcAt(const QList<InstalledPack> &packs, int index)
{
    if (index < 0 || index >= packs.size())
        return {};
    return packs[index].Crc;
}

bool noPack(const QByteArray &crc)
{
    return crc.isEmpty() || crc == "00000000" || crc == "OFF";
}

} // namespace

HostOptions::HostOptions(ClientState &state, const InstalledPacks &packs, CommandSink &commands,
                         Dialogs &dialogs, HutPanels &panels, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_commands(commands)
    , m_dialogs(dialogs)
    , m_panels(panels)
    , m_packs(packs)
{
    // A rescan may shorten a list; a selection past its end selects nothing.
    connect(&packs, &InstalledPacks::MappacksChanged, this, [this] {
        Boxes b = m_boxes;
        if (b.cmbMapPackIndex >= m_packs.InstalledMappackCount())
            b.cmbMapPackIndex = -1;
        setBoxes(b);
    });
    connect(&packs, &InstalledPacks::ModpacksChanged, this, [this] {
        Boxes b = m_boxes;
        if (b.cmbModPackIndex >= m_packs.InstalledModpackCount())
            b.cmbModPackIndex = -1;
        setBoxes(b);
    });
}

void HostOptions::setBoxes(const Boxes &boxes)
{
    if (boxes == m_boxes)
        return;
    m_boxes = boxes;
    Q_EMIT boxesChanged();
}

bool HostOptions::ownIsHost() const
{
    const UserRecord *own = m_state.own();
    return own && own->isHost();
}

QByteArray HostOptions::selectedMappackCrc() const
{
    return crcAt(m_packs.InstalledMappacks, m_boxes.cmbMapPackIndex);
}

QByteArray HostOptions::selectedModpackCrc() const
{
    return crcAt(m_packs.InstalledModpacks, m_boxes.cmbModPackIndex);
}

void HostOptions::sendMappackOff()
{
    m_commands.SendCommand("MAPPACK OFF");
    m_state.Hut.HutMappackOn = false;
}

void HostOptions::chkFriendlyGame_Click(bool ticked)
{
    Boxes b = m_boxes;
    b.chkFriendlyGame = ticked;
    setBoxes(b);
    if (!ownIsHost())
        return;
    m_commands.SendCommand(ticked ? "FRIENDLY ON" : "FRIENDLY OFF");
    if (UserRecord *own = m_state.own())
        own->Friendly = ticked;
}

void HostOptions::chkTribeColors_Click(bool ticked)
{
    Boxes b = m_boxes;
    b.chkTribeColors = ticked;
    setBoxes(b);
    if (!ownIsHost())
        return;
    m_panels.update([ticked](HutPanels::State &s) { s.tribeTabVisible = ticked; });
    m_commands.SendCommand(ticked ? "USECUSTOMPALS TRUE" : "USECUSTOMPALS FALSE");
    if (UserRecord *own = m_state.own())
        own->CustomPals = ticked;
    // The clients reset their boxes to the defaults on "USECUSTOMPALS TRUE";
    // the host's own colours follow so that the hut agrees on them.
    if (ticked && m_sendTribeColours)
        m_sendTribeColours();
}

void HostOptions::chkMappack_Click(bool ticked)
{
    Boxes b = m_boxes;
    const UserRecord *own = m_state.own();
    if (m_state.Game.GameRunning) {
        // The running game's pack cannot change: the box shows it again.
        b.chkMappack = own && !noPack(own->Mappack);
        setBoxes(b);
        return;
    }
    b.chkMappack = ticked;
    b.cmbMapPackEnabled = ticked;
    if (!ticked) {
        setBoxes(b);
        sendMappackOff();
        return;
    }
    if (m_packs.InstalledMappackCount() == 0) {
        b.cmbMapPackEnabled = false;
        b.chkMappack = false;
        setBoxes(b);
        sendMappackOff();
        return;
    }
    if (b.cmbMapPackIndex < 0 || b.cmbMapPackIndex >= m_packs.InstalledMappackCount())
        b.cmbMapPackIndex = 0;
    setBoxes(b);
    m_commands.SendCommand("MAPPACK " + selectedMappackCrc());
    m_state.Hut.HutMappackOn = true;
}

void HostOptions::chkModPack_Click(bool ticked)
{
    Boxes b = m_boxes;
    const UserRecord *own = m_state.own();
    if (m_state.Game.GameRunning) {
        b.chkModPack = own && !noPack(own->Modpack);
        setBoxes(b);
        return;
    }
    b.chkModPack = ticked;
    b.cmbModPackEnabled = ticked;
    if (!ticked) {
        setBoxes(b);
        m_commands.SendCommand("MODPACK OFF");
        return;
    }
    if (m_packs.InstalledModpackCount() == 0) {
        b.cmbModPackEnabled = false;
        b.chkModPack = false;
        setBoxes(b);
        m_commands.SendCommand("MODPACK OFF");
        return;
    }
    if (b.cmbModPackIndex < 0 || b.cmbModPackIndex >= m_packs.InstalledModpackCount())
        b.cmbModPackIndex = 0;
    setBoxes(b);
    m_commands.SendCommand("MODPACK " + selectedModpackCrc());
}

void HostOptions::cmbMapPack_Click(int index)
{
    if (index < 0 || index >= m_packs.InstalledMappackCount() || index == m_boxes.cmbMapPackIndex)
        return;
    Boxes b = m_boxes;
    b.cmbMapPackIndex = index;
    setBoxes(b);
    // The hut follows the list while the box is ticked, so that a later joiner
    // gets the same pack as those already in the hut.
    if (m_boxes.chkMappack && !m_state.Game.GameRunning) {
        m_commands.SendCommand("MAPPACK " + selectedMappackCrc());
        m_state.Hut.HutMappackOn = true;
    }
}

void HostOptions::cmbModPack_Click(int index)
{
    if (index < 0 || index >= m_packs.InstalledModpackCount() || index == m_boxes.cmbModPackIndex)
        return;
    Boxes b = m_boxes;
    b.cmbModPackIndex = index;
    setBoxes(b);
    if (m_boxes.chkModPack && !m_state.Game.GameRunning)
        m_commands.SendCommand("MODPACK " + selectedModpackCrc());
}

void HostOptions::mapPackListRebuilt(const QByteArray &chosenBefore, int row)
{
    packListRebuilt(true, chosenBefore, row);
}

void HostOptions::modPackListRebuilt(const QByteArray &chosenBefore, int row)
{
    packListRebuilt(false, chosenBefore, row);
}

void HostOptions::packListRebuilt(bool map, const QByteArray &chosenBefore, int row)
{
    const qint32 count = map ? m_packs.InstalledMappackCount() : m_packs.InstalledModpackCount();
    Boxes b = m_boxes;
    int &index = map ? b.cmbMapPackIndex : b.cmbModPackIndex;
    if (row >= 0 && row < count)
        index = row;
    else if (index >= count)
        index = -1;
    setBoxes(b);
    const bool ticked = map ? m_boxes.chkMappack : m_boxes.chkModPack;
    const QByteArray chosen = map ? selectedMappackCrc() : selectedModpackCrc();
    if (!ticked || m_state.Game.GameRunning || chosen == chosenBefore)
        return;
    // The pack chosen is gone: the box announces what it holds now, as a tick does.
    if (map)
        chkMappack_Click(true);
    else
        chkModPack_Click(true);
}

bool HostOptions::cmdlaunch_Click()
{
    if (!m_panels.state().cmdlaunchEnabled)
        return false;
    const qint32 ownSlot = m_state.CurrentUser.OwnSlot;
    for (qint32 slot = 0; slot <= m_state.Users.UserCount(); ++slot) {
        const UserRecord *u = m_state.Users.at(slot);
        if (!u || !u->isClient() || u->HostSlot != ownSlot)
            continue;
        if (u->HasMappack != "TRUE") {
            m_dialogs.message(QStringLiteral("Not all users have mappack installed!"));
            return false;
        }
        if (u->HasModpack != "TRUE") {
            m_dialogs.message(QStringLiteral("Not all users have modpack installed!"));
            return false;
        }
    }
    if (m_beforeLaunch)
        m_beforeLaunch();
    m_commands.SendCommand("LAUNCH");
    m_panels.update([](HutPanels::State &s) {
        s.cmdlaunchEnabled = false;
        s.cmdlaunchVisible = false;
    });
    return true;
}

void HostOptions::GameMenu_Click()
{
    const UserRecord *own = m_state.own();
    const bool shown = m_panels.state().fraGameMenuVisible;
    if (!shown && own && own->State == "HOST")
        m_panels.update([](HutPanels::State &s) { s.fraGameMenuVisible = true; });
    else if (shown)
        m_panels.update([](HutPanels::State &s) { s.fraGameMenuVisible = false; });
}

void HostOptions::frmgameclose_Click()
{
    m_panels.update([](HutPanels::State &s) { s.fraGameMenuVisible = false; });
}

void HostOptions::lbltribepal_Click()
{
    m_panels.update([](HutPanels::State &s) { s.FraTribePalVisible = true; });
    Q_EMIT m_panels.tribePanelRaised();
}

void HostOptions::SendHutOptionsToJoiner()
{
    const QByteArray mappack = m_boxes.chkMappack ? selectedMappackCrc() : QByteArray();
    if (!mappack.isEmpty()) {
        m_commands.SendCommand("MAPPACK " + mappack);
    } else {
        sendMappackOff();
    }
    m_commands.SendCommand(m_boxes.chkFriendlyGame ? "FRIENDLY ON" : "FRIENDLY OFF");
    const QByteArray modpack = m_boxes.chkModPack ? selectedModpackCrc() : QByteArray();
    m_commands.SendCommand(modpack.isEmpty() ? QByteArray("MODPACK OFF") : "MODPACK " + modpack);
    if (m_boxes.chkTribeColors) {
        m_commands.SendCommand("USECUSTOMPALS TRUE");
        if (m_sendTribeColours)
            m_sendTribeColours();
    } else {
        m_commands.SendCommand("USECUSTOMPALS FALSE");
    }
}

void HostOptions::OwnStateChanged()
{
    const UserRecord *own = m_state.own();
    const bool host = own && own->State == "HOST";
    const bool becameHost = host && !m_wasHost;
    m_wasHost = host;
    if (!becameHost)
        return;
    if (UserRecord *me = m_state.own()) {
        me->Friendly = m_boxes.chkFriendlyGame;
        me->CustomPals = m_boxes.chkTribeColors;
    }
    m_panels.update([this](HutPanels::State &s) { s.tribeTabVisible = m_boxes.chkTribeColors; });
    SendHutOptionsToJoiner();
}
