#include "core/HutPanels.h"

void HutPanels::update(const std::function<void(State &)> &change)
{
    State next = m_state;
    change(next);
    if (next == m_state)
        return;
    m_state = next;
    Q_EMIT changed();
}

void HutPanels::showGamePanel()
{
    update([](State &s) { s.frmGameVisible = true; });
    Q_EMIT gamePanelRaised();
}

void HutPanels::hideGameAndTribePanels()
{
    update([](State &s) {
        s.frmGameVisible = false;
        s.FraTribePalVisible = false;
        s.fraGameMenuVisible = false;
        s.tribeTabVisible = false; // the hut's custom colours went with it
    });
}

void HutPanels::ownStateRefreshed(bool ownUserHosts)
{
    update([ownUserHosts](State &s) {
        s.cmdlaunchEnabled = ownUserHosts;
        s.cmdlaunchVisible = ownUserHosts;
        s.GameMenuEnabled = ownUserHosts;
        if (!ownUserHosts)
            s.fraGameMenuVisible = false;
    });
}

void HutPanels::letGoOfPack(State &s, bool map, const QByteArray &pack)
{
    (map ? s.mappackFor : s.modpackFor) = pack;
    (map ? s.lblMappackURL : s.lblmodpackurl).clear();
    (map ? s.cmdDLMAPEnabled : s.cmdDLMODEnabled) = false;
}

void HutPanels::followOwnState(const std::optional<QByteArray> &ownState, qint32 hostSlot)
{
    const bool hosts = ownState && (*ownState == "HOST" || *ownState == "WARPHOST");
    const bool inHut = hosts || (ownState && *ownState == "CLIENT");
    const bool gaming = ownState && *ownState == "GAMING";
    const bool entered = inHut && !m_ownInHut;
    m_ownInHut = inHut;
    const std::optional<qint32> hut = !inHut ? std::nullopt : std::optional<qint32>(hosts ? HostsOwnHut : hostSlot);
    const bool otherHut = hut != m_ownHut;
    m_ownHut = hut;
    update([&](State &s) {
        if (otherHut) {
            // The packs of the hut the user was in are not this one's.
            s.PBMapDLVisible = false;
            s.PBModDLVisible = false;
            letGoOfPack(s, true, QByteArray());
            letGoOfPack(s, false, QByteArray());
        }
        if (!hosts)
            s.fraGameMenuVisible = false;
        if (!inHut) {
            s.frmGameVisible = false;
            s.FraTribePalVisible = false;
            // A game in progress keeps the hut's colours for when it ends.
            if (!gaming)
                s.tribeTabVisible = false;
        }
        if (entered)
            s.frmGameVisible = true;
    });
    if (entered)
        Q_EMIT gamePanelRaised();
}

void HutPanels::ShowTribeArrow(int tribe)
{
    update([tribe](State &s) {
        for (int t = 0; t < int(s.ArrowVisible.size()); ++t)
            s.ArrowVisible[t] = (t == tribe);
    });
}
