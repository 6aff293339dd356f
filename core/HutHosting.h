#pragma once
#include <QByteArray>
#include <QObject>
#include <functional>

class ChatOutput;
class CommandSink;
class Dialogs;
class HutPanels;
struct ClientState;

// Opening, joining and leaving huts: the create-hut panel's handlers, the
// huts tree's double-click and the leave button. Nothing here writes the user
// table; the server answers with user states.
class HutHosting : public QObject
{
    Q_OBJECT
public:
    // The huts tree's node under the double-click, as the tree gives it.
    struct HutNode
    {
        bool valid = false;        // false: no node selected
        bool hasChildren = false;  // a host's node
        QByteArray key;            // "h<slot>" for a host, "empty..." for a free place
        QByteArray parentKey;      // the host node's key for a place
        QByteArray tag;            // a place's number (0 to 3)
    };

    HutHosting(ClientState &state, CommandSink &commands, ChatOutput &chat, Dialogs &dialogs,
               HutPanels &panels, QObject *parent = nullptr);

    // ShowTribeArrow of the tribe editor (defaults to the panels' arrows).
    void setShowTribeArrow(std::function<void()> show) { m_showTribeArrow = std::move(show); }

    // Opens or closes the create-hut panel (fraCreateHut).
    void cmdHost_Click();
    // Player(0..2): hosts a hut of 2, 3 or 4 with `password` (the text of
    // txtPassw, code-page bytes), or leaves the current hut.
    void Player_Click(int index, const QByteArray &password);
    void SendHostRequest();
    // Joins the double-clicked free place.
    void lstHuts_DblClick(const HutNode &node);
    void picExitHut_Click();
    void SendBeIdle();

    // The executable check: true when the game executable exists; otherwise
    // writes its two lines into the room on screen.
    bool CheckGameExecutable();
    // GameExePath without the surrounding double quotes the options store.
    QByteArray gameExePath() const;

    const QByteArray &HostHutType() const { return m_hostHutType; }
    qint32 HostHutSize() const { return m_hostHutSize; }
    const QByteArray &HostHutPassword() const { return m_hostHutPassword; }

    // A hut password goes out as one word: a blank or the wire's free-text
    // blank (byte 255) would split it.
    static bool isValidHutPassword(const QByteArray &password);

private:
    void ShowTribeArrow();

    ClientState &m_state;
    CommandSink &m_commands;
    ChatOutput &m_chat;
    Dialogs &m_dialogs;
    HutPanels &m_panels;
    std::function<void()> m_showTribeArrow;

    QByteArray m_hostHutType = "GAME";
    qint32 m_hostHutSize = 2;
    QByteArray m_hostHutPassword = "NONE";
    QByteArray m_pendingPassword;
};
