#pragma once
#include <QByteArray>
#include <QObject>
#include <functional>

class CommandSink;
class InstalledPacks;
class Dialogs;
class HutPanels;
struct ClientState;

// The own hut's options as the host chooses them on the game menu: friendly
// game, map pack, mod pack and custom tribe colours. Every choice is announced
// at once with its own command; a user who joins the hut later gets them all
// again through SendHutOptionsToJoiner. The check boxes and lists of the game
// menu are views of this model.
class HostOptions : public QObject
{
    Q_OBJECT
public:
    // The check boxes and pack lists of the game menu.
    struct Boxes
    {
        bool chkFriendlyGame = false;
        bool chkMappack = false;
        bool chkModPack = false;
        bool chkTribeColors = false;
        bool cmbMapPackEnabled = false;
        bool cmbModPackEnabled = false;
        int cmbMapPackIndex = -1;   // line of the installed map pack list; -1 none
        int cmbModPackIndex = -1;

        bool operator==(const Boxes &) const = default;
    };

    HostOptions(ClientState &state, const InstalledPacks &packs, CommandSink &commands,
                Dialogs &dialogs, HutPanels &panels, QObject *parent = nullptr);

    // SendTribeColours (the own tribe's colours to the server).
    void setSendTribeColours(std::function<void()> send) { m_sendTribeColours = std::move(send); }
    // Runs right before "LAUNCH" is sent (colours still waiting go first).
    void setBeforeLaunch(std::function<void()> f) { m_beforeLaunch = std::move(f); }

    const Boxes &boxes() const { return m_boxes; }

    // The user's clicks (a tick sets the box to `ticked`, then runs its handler).
    void chkFriendlyGame_Click(bool ticked);
    void chkMappack_Click(bool ticked);
    void chkModPack_Click(bool ticked);
    void chkTribeColors_Click(bool ticked);
    // A new line picked in a pack list; announced at once while its box is ticked.
    void cmbMapPack_Click(int index);
    void cmbModPack_Click(int index);

    // Refused with a message box unless every client of the own hut has both
    // packs ("TRUE"); otherwise sends "LAUNCH" and disables and hides the
    // button. Returns true when "LAUNCH" was sent.
    bool cmdlaunch_Click();

    void GameMenu_Click();
    void frmgameclose_Click();
    void lbltribepal_Click();

    // The own hut's options for a user who has just joined it, in this order:
    // map pack, friendly, mod pack, custom colours (then the own colours).
    void SendHutOptionsToJoiner();

    // The own record changed: on becoming a host ("HOST") the options the
    // boxes still hold from an earlier hut are announced for the new one.
    void OwnStateChanged();

    // The installed pack lists were scanned again (a download, a rescan).
    // `chosenBefore` is the crc8 the box held before the scan, `row` the line
    // that pack is on now (-1 when it is gone). The box moves to it without a
    // word; the hut hears "MAPPACK" / "MODPACK" only when the pack chosen is
    // another one now.
    void mapPackListRebuilt(const QByteArray &chosenBefore, int row);
    void modPackListRebuilt(const QByteArray &chosenBefore, int row);

    // The crc8 of the selected pack line, empty when there is none.
    QByteArray selectedMappackCrc() const;
    QByteArray selectedModpackCrc() const;

Q_SIGNALS:
    void boxesChanged();

private:
    void setBoxes(const Boxes &boxes);
    void packListRebuilt(bool map, const QByteArray &chosenBefore, int row);
    void sendMappackOff();
    bool ownIsHost() const;

    ClientState &m_state;
    CommandSink &m_commands;
    Dialogs &m_dialogs;
    HutPanels &m_panels;
    const InstalledPacks &m_packs;
    std::function<void()> m_beforeLaunch;
    std::function<void()> m_sendTribeColours;
    Boxes m_boxes;
    bool m_wasHost = false;
};
