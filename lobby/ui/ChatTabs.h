#pragma once
#include <QWidget>

class ChatRooms;
class QLabel;
class QToolButton;

// Above the chat logs: the name of the room on screen (Label1 and the chat
// channel label lblmain) and cmdRoomClose, which closes that room.
class ChatTabs : public QWidget
{
    Q_OBJECT
public:
    explicit ChatTabs(ChatRooms &rooms, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *lblmain = nullptr;
    QToolButton *cmdRoomClose = nullptr;

Q_SIGNALS:
    void lblmainClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ChatRooms &m_rooms;
};
