#include "lobby/ui/ChatWidgets.h"

#include "core/ClientState.h"
#include "lobby/Chat.h"
#include "lobby/ui/ChatButtons.h"
#include "lobby/ui/ChatInputLine.h"
#include "lobby/ui/ChatTabs.h"
#include "lobby/ui/ChatView.h"
#include "lobby/ui/CreateRoomPanel.h"
#include "lobby/ui/FrmLanguageList.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/RoomListView.h"
#include "lobby/ui/frmSmileys.h"

#include <QPushButton>
#include <QToolButton>

ChatWidgets::ChatWidgets(Chat &chat, ClientState &state, QObject *parent)
    : QObject(parent), m_chat(chat), m_state(state)
{
    // Until placed, the widgets are this object's to delete.
    m_tabs = new ChatTabs(chat.rooms());
    m_view = new ChatView(chat.logs());
    m_input = new ChatInputLine(chat.input());
    m_rooms = new RoomListView(chat.rooms(), state.Options);
    m_buttons = new ChatButtons();
    m_createRoom = new CreateRoomPanel(chat.rooms());
    m_languageList = new FrmLanguageList(chat.badWords());

    connect(m_tabs, &ChatTabs::lblmainClicked, this, &ChatWidgets::lblmainClicked);
    connect(m_buttons->bttnSmileys, &QToolButton::clicked, this, &ChatWidgets::ShowSmileys);
    connect(m_buttons->cmdShowRoomT, &QPushButton::clicked, m_createRoom.data(), &CreateRoomPanel::cmdShowRoomT_Click);
    connect(&chat.input(), &ChatInput::showSmileysRequested, this, &ChatWidgets::ShowSmileys);
}

ChatWidgets::~ChatWidgets()
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_tabs, m_view, m_input, m_rooms, m_buttons, m_createRoom,
                                                      m_smileys, m_languageList}) {
        if (w && !w->parent())
            delete w;
    }
}

ChatTabs *ChatWidgets::tabs() const
{
    return m_tabs;
}

ChatView *ChatWidgets::view() const
{
    return m_view;
}

ChatInputLine *ChatWidgets::inputLine() const
{
    return m_input;
}

RoomListView *ChatWidgets::roomList() const
{
    return m_rooms;
}

ChatButtons *ChatWidgets::buttons() const
{
    return m_buttons;
}

CreateRoomPanel *ChatWidgets::createRoomPanel() const
{
    return m_createRoom;
}

frmSmileys *ChatWidgets::smileyPicker() const
{
    return m_smileys;
}

FrmLanguageList *ChatWidgets::languageList() const
{
    return m_languageList;
}

void ChatWidgets::placeInto(LobbyForm &form)
{
    form.place(LobbyForm::Place::ChatTabs, m_tabs);
    form.place(LobbyForm::Place::ChatView, m_view);
    form.place(LobbyForm::Place::ChatInput, m_input);
    form.place(LobbyForm::Place::RoomList, m_rooms);
    form.place(LobbyForm::Place::ChatButtons, m_buttons);
    form.place(LobbyForm::Place::CreateRoomPanel, m_createRoom);
    connect(&form, &LobbyForm::privateMessageRequested, &m_chat.input(), &ChatInput::startPrivateMessage);
}

void ChatWidgets::ShowSmileys()
{
    if (m_buttons)
        m_buttons->setPickerOpen(true);
    if (!m_smileys) {
        const ClientOptions &o = m_state.Options;
        m_smileys = new frmSmileys({o.ColorBorder1, o.ColorBorder2, o.ColorBorder3, o.ColorBorder4});
        connect(m_smileys, &frmSmileys::smileyPicked, &m_chat.input(), &ChatInput::appendText);
        connect(m_smileys, &frmSmileys::closed, this, [this] {
            if (m_buttons)
                m_buttons->setPickerOpen(false);
        });
    }
    m_smileys->show();
    m_smileys->raise();
    m_smileys->activateWindow();
    m_smileys->setFocus(Qt::OtherFocusReason);
}

void ChatWidgets::showLanguageList()
{
    if (!m_languageList)
        return;
    m_languageList->show();
    m_languageList->raise();
    m_languageList->activateWindow();
}
