#pragma once
#include <QFrame>

class ChatRooms;
class QLineEdit;
class QPushButton;

// FrameCreateRoom: the room's name and password and cmdCreateRoom. Hidden
// until cmdShowRoomT shows it; creating hides it again.
class CreateRoomPanel : public QFrame
{
    Q_OBJECT
public:
    explicit CreateRoomPanel(ChatRooms &rooms, QWidget *parent = nullptr);

    void cmdShowRoomT_Click();   // shows or hides the panel
    void cmdCreateRoom_Click();

    QLineEdit *txtRoomName = nullptr;
    QLineEdit *txtRoomPW = nullptr;
    QPushButton *cmdCreateRoom = nullptr;

private:
    ChatRooms &m_rooms;
};
