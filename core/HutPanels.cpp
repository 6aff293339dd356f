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

void HutPanels::followOwnState(const std::optional<QByteArray> &ownState)
{
    const bool hosts = ownState && (*ownState == "HOST" || *ownState == "WARPHOST");
    const bool inHut = hosts || (ownState && *ownState == "CLIENT");
    const bool gaming = ownState && *ownState == "GAMING";
    const bool entered = inHut && !m_ownInHut;
    m_ownInHut = inHut;
    update([&](State &s) {
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
