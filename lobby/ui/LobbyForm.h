#pragma once
#include <QByteArray>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class CommandSink;
class FlatPanel;
class LobbyFormLayout;
class HutDetailsModel;
class HutDetailsView;
class HutsTreeModel;
class HutsTreeView;
class LobbyEvents;
class QLabel;
class QStackedWidget;
class QTreeWidget;
class TabStrip;
class UserListModel;
class UserListView;
class frmDetailed;
struct ClientState;

// The lobby window: the tab strip and its five panels, the huts list, the
// user list with its menu, the hut details and the places where the other
// panels of the lobby go. A thin view: the tables and the tree logic live in
// the models (lobby/), the handlers in core/.
//
// Other panels are not built here. Their owners create their widgets and hand
// them over with place(); the layout rules put them where their controls go
// (floating places keep their visibility with their owner). The tab panels
// FrameSettings, FrameMaps, FrameMods and frameranks are widgets their owners
// fill: a widget named after a control of the layout rules (lstPacks,
// picDLMapsMenu, LstMods, ...) is taken into the container the rules give it,
// out of whatever panel or Qt layout its owner built it in, and placed by the
// rules alone from the next pass on. Each size change, tab change and pop-up
// panel that its owner shows, hides or resizes makes one pass. The options
// tab's seven framed sub-panels and the rankings list's columns exist from
// the start.
//
// Created hidden during start-up (before the login); Form_Load runs once the
// hooks are set; ShowLobby after every accepted login.
class LobbyForm : public QWidget
{
    Q_OBJECT
public:
    enum class Place {
        // docked, inside the lobby panel (FrameMain)
        ChatTabs,         // above the chat logs: room captions, cmdRoomClose, lblmain
        ChatView,         // the chat logs (txtOut), one per room
        ChatInput,        // txtInput, under the chat logs
        RoomList,         // lstRooms in the rooms frame under the user list
        HutButtons,       // cmdHost and cmdlaunch: bottom row, left
        ChatButtons,      // cmdSmileys, cmdShowRoomT, logout: bottom row, right
        ExitHutButton,    // picExitHut, under the huts list
        // floating over the chat log, one below the other where they would
        // overlap, sharing the log where it is too short for them all
        GamePanel,        // frmGame: top left of the chat log, its width
        TribePanel,       // FraTribePal: top of the chat log, its width
        MapDownloadPanel, // PBMapDL: centred on the chat log
        ModDownloadPanel, // PBModDL: centred on the chat log
        // floating over the lobby panel
        CreateHutPanel,   // fraCreateHut: standing on the hut buttons
        CreateRoomPanel,  // FrameCreateRoom: standing on the chat buttons
    };

    // The framed sub-panels of the options tab, in their drawing order.
    enum class OptionsPanel {
        GeneralOptions, SoundOptions, SkinOptions, FileSending, Skins, GameUtils, GraphicMode
    };

    // What the rest of the client does for this window. Empty hooks are skipped.
    struct Hooks
    {
        std::function<void()> OptionsFormData;   // Form_Load: fill the options panel
        std::function<void()> LoadBadWordList;   // Form_Load: langlist.dat into FrmLanguageList
        std::function<bool()> ExitClient;        // close request: false = refused, window stays
        std::function<void()> ResetRoomList;     // ShowLobby: lstRooms cleared, "Main" as room 0, RoomFocus 0
        std::function<void()> FillMapPackList;   // ShowLobby and the maps tab
        std::function<void()> GetRanks;          // the rankings tab, on every choice
    };

    LobbyForm(ClientState &state, LobbyEvents &events, CommandSink &commands,
              QWidget *parent = nullptr);
    ~LobbyForm() override;

    void setHooks(Hooks hooks);

    // Hands a panel's widget to the form; the form takes ownership. A second
    // widget for the same place replaces (and deletes) the first.
    void place(Place where, QWidget *widget);
    QWidget *placed(Place where) const;

    // --- the window's procedures
    void Form_Load();             // once; later calls do nothing
    void ShowLobby();             // every accepted login
    void TabText_Click(int index); // 0 to 4; anything else does nothing
    void UpdateUserList();        // whole-table refresh (the handlers update per slot)
    void ConstructHuts();         // whole-table rebuild
    void UpdateMappackInfo();
    void UpdateModpackInfo();

    // A tab picture of the skin as it loads, by its role ("MainTabSelect(0)",
    // "Maintab(0)", "MainTabSelect(1)", "Maintab(1)"); other roles are not
    // the tab strip's. Tabs keep their drawn pictures until then.
    void setTabPicture(const QByteArray &role, const QPixmap &picture);

    // --- the tab panels and fixed controls
    QWidget *FrameMain() const;
    QWidget *FrameSettings() const;
    QWidget *FrameMaps() const;
    QWidget *FrameMods() const;
    QWidget *frameranks() const;
    int currentTab() const;
    // The layout rules and their result on this window.
    LobbyFormLayout &layout() const;
    // One pass of the layout rules (the window does it on every size change).
    void Form_Resize();
    // The same pass without the colours of the options tab and the captions:
    // what a tab change, a pop-up panel's change or a panel's new controls
    // need.
    void layoutPass();
    // How many passes ran (the tests count them).
    int layoutPasses() const { return m_passes; }
    FlatPanel *optionsPanel(OptionsPanel which) const;
    QTreeWidget *lstRanks() const;
    QLabel *lblYourRank() const;

    UserListView *lstUsers() const;
    HutsTreeView *lstHuts() const;
    HutDetailsView *hutDetails() const;   // the game panel's owner puts it in its layout
    UserListModel &userList() const;
    HutsTreeModel &huts() const;
    HutDetailsModel &hutDetailsModel() const;

    // The slot of the user last double-clicked in the user list.
    qint32 PvtUserSlot() const;

Q_SIGNALS:
    // A double-click on a user: the chat input becomes "/PVT <name>: ".
    void privateMessageRequested(qint32 slot, const QByteArray &nameAsStored);
    // A double-click in the huts list; key, parent key and tag of the node.
    void hutNodeDoubleClicked(bool valid, bool hasChildren, const QByteArray &key,
                              const QByteArray &parentKey, const QByteArray &tag);
    // A tab was chosen (after its work ran).
    void tabChanged(int index);
    // A click on the lobby panel itself (not on a control, not on the
    // create-hut panel standing on it).
    void FrameMainClicked();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Ui;
    void buildUi();
    void measurePanels();
    void placeAll();
    void keepChatClearOfHutArea();
    void paintCaptions();
    void setTabPictures();

    ClientState &m_state;
    LobbyEvents &m_events;
    CommandSink &m_commands;
    Hooks m_hooks;
    std::unique_ptr<Ui> ui;
    bool m_loaded = false;
    bool m_inPass = false;
    int m_passes = 0;
};
