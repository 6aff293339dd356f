#pragma once
#include <QObject>
#include <QPointer>

class Chat;
class ChatButtons;
class ChatInputLine;
class ChatTabs;
class ChatView;
class CreateRoomPanel;
class FrmLanguageList;
class LobbyForm;
class RoomListView;
class frmSmileys;
struct ClientState;

// The chat's widgets, made for one Chat and handed to the lobby window's
// places: the captions and close button above the logs, the chat view, the
// input line, the room list, the smileys and create-room buttons and the
// create-room panel. Also the two windows of the chat: the smiley picker and
// the bad-word editor.
class ChatWidgets : public QObject
{
    Q_OBJECT
public:
    ChatWidgets(Chat &chat, ClientState &state, QObject *parent = nullptr);
    ~ChatWidgets() override;

    // Hands every widget to its place on the form (which then owns it) and
    // follows the form's private-message requests.
    void placeInto(LobbyForm &form);

    // ShowSmileys: the picker, made anew when it was closed, on screen with
    // the focus.
    void ShowSmileys();
    // cmdEditFilter: the bad-word editor, not modal.
    void showLanguageList();

    ChatTabs *tabs() const;
    ChatView *view() const;
    ChatInputLine *inputLine() const;
    RoomListView *roomList() const;
    ChatButtons *buttons() const;
    CreateRoomPanel *createRoomPanel() const;
    frmSmileys *smileyPicker() const;
    FrmLanguageList *languageList() const;

Q_SIGNALS:
    // A click on the chat channel label (lblmain).
    void lblmainClicked();

private:
    Chat &m_chat;
    ClientState &m_state;
    QPointer<ChatTabs> m_tabs;
    QPointer<ChatView> m_view;
    QPointer<ChatInputLine> m_input;
    QPointer<RoomListView> m_rooms;
    QPointer<ChatButtons> m_buttons;
    QPointer<CreateRoomPanel> m_createRoom;
    QPointer<frmSmileys> m_smileys;
    QPointer<FrmLanguageList> m_languageList;
};
