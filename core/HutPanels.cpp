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
    });
}

void HutPanels::ShowTribeArrow(int tribe)
{
    update([tribe](State &s) {
        for (int t = 0; t < int(s.ArrowVisible.size()); ++t)
            s.ArrowVisible[t] = (t == tribe);
    });
}
