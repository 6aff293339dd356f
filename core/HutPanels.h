#pragma once
#include <QByteArray>
#include <QObject>
#include <array>
#include <functional>
#include <optional>

// What the hut panels of the lobby window show: the game panel (frmGame), its
// game menu, the tribe palette tab and panel, the settings tab, the launch
// button and the hut's pack lines and download areas. The hut handlers write
// it; the widgets show it. Texts are code-page bytes shown as plain text.
class HutPanels : public QObject
{
    Q_OBJECT
public:
    struct State
    {
        bool frmGameVisible = false;
        bool fraGameMenuVisible = false;
        bool fraCreateHutVisible = false;
        bool tribeTabVisible = false;       // TabTribePal and lbltribepal
        bool FraTribePalVisible = false;
        bool settingsTabVisible = false;    // tabSettings and lblSettings
        bool cmdlaunchEnabled = false;
        bool cmdlaunchVisible = false;
        bool GameMenuEnabled = false;
        std::array<bool, 4> ArrowVisible {}; // the tribe editor's arrows, by tribe

        QByteArray lblmappack = "Mappack: The Beginning";
        QByteArray lblModPack = "ModPack: Normal Settings";
        QByteArray lblMappackURL;
        QByteArray lblmodpackurl;
        bool lblMappackURLVisible = false;
        bool lblmodpackurlVisible = false;
        bool PBMapDLVisible = false;
        bool PBModDLVisible = false;
        bool cmdDLMAPEnabled = false;
        bool cmdDLMODEnabled = false;
        // The host's pack the download area is for (its crc8, or "OFF");
        // empty while it is for none. A download starts only for the pack the
        // host plays now.
        QByteArray mappackFor;
        QByteArray modpackFor;

        bool operator==(const State &) const = default;
    };

    using QObject::QObject;

    const State &state() const { return m_state; }
    // Applies a change and emits changed() when anything differs.
    void update(const std::function<void(State &)> &change);

    // The user-state handler's hooks.
    void showGamePanel();            // frmGame shown and brought to the front
    void hideGameAndTribePanels();   // frmGame, its menu, FraTribePal and its tab hidden

    // The refresh after each arrival of lobby data: the launch button and the
    // game menu button are there for a host only, and a user who no longer
    // hosts has no game menu open.
    void ownStateRefreshed(bool ownUserHosts);

    // The one owner of the hut area's visibility: the own user's State, or
    // nothing when there is no own record (a lost connection, a new login
    // before the tables arrive). Entering a hut (host, warp host or client)
    // shows the area; being in none (idle, gaming, no record) hides it with
    // its game menu and the tribe colour panel, and an idle user loses the
    // hut's tribe colour tab too. The game menu closes whenever the own user
    // stops being the host. The pack download areas belong to the own hut
    // (`hostSlot` names a client's host): whenever the user stops being in
    // the hut they were in (idle, another hut, gaming, no record), both hide
    // and hold no pack.
    void followOwnState(const std::optional<QByteArray> &ownState, qint32 hostSlot = -1);

    // The download area of the map pack (or mod pack) lets go of its pack:
    // no address, Download disabled, for `pack` from now on.
    static void letGoOfPack(State &s, bool map, const QByteArray &pack);

    // A click beside a pop-up panel hides it: on the lobby panel (FrameMain)
    // the create-hut panel, on the hut area (frmGame) its game menu, on the
    // chat channel label (lblmain) the tribe colour panel.
    void FrameMain_Click() { update([](State &s) { s.fraCreateHutVisible = false; }); }
    void frmGame_Click() { update([](State &s) { s.fraGameMenuVisible = false; }); }
    void lblmain_Click() { update([](State &s) { s.FraTribePalVisible = false; }); }

    // Shows the arrow of `tribe` (0 to 3) and hides the others: the arrow
    // marks the one tribe the user plays. Anything else shows none.
    void ShowTribeArrow(int tribe);

Q_SIGNALS:
    void changed();
    void gamePanelRaised();          // frmGame brought to the front
    void tribePanelRaised();         // FraTribePal brought to the front

private:
    State m_state;
    bool m_ownInHut = false;
    // The hut the user is in: the host's slot, HostsOwnHut, or none.
    static constexpr qint32 HostsOwnHut = -2;
    std::optional<qint32> m_ownHut;
};
