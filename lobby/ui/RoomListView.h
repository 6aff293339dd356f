#pragma once
#include <QListWidget>

class ChatRooms;
struct ClientOptions;

// lstRooms: one line per room, as ChatRooms keeps the list; a click switches
// rooms.
class RoomListView : public QListWidget
{
    Q_OBJECT
public:
    RoomListView(ChatRooms &rooms, const ClientOptions &options, QWidget *parent = nullptr);

private:
    void refill();

    ChatRooms &m_rooms;
};
