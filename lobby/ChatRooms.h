#pragma once
#include "lobby/RoomList.h"

#include <QByteArray>
#include <QObject>
#include <QtGlobal>

class ChatLogs;
class CommandSink;
class Dialogs;
struct ClientState;

// The user's side of the chat rooms: switching (with the password prompt of
// a passworded room), creating and closing, and the room list's answer to
// the server's room announcements.
class ChatRooms : public QObject
{
    Q_OBJECT
public:
    ChatRooms(ClientState &state, CommandSink &commands, ChatLogs &logs, Dialogs &dialogs,
              QObject *parent = nullptr);

    RoomList &lstRooms() { return m_list; }
    const RoomList &lstRooms() const { return m_list; }

    // The name shown in the captions (Label1, lblmain).
    const QByteArray &caption() const { return m_caption; }

    // ShowLobby: "Main" alone, room 0 on screen.
    void ResetRoomList();
    // "NWROOM" stored the room (the table is filled already).
    void roomAnnounced(qint16 room);

    void lstRooms_Click(int row);
    // False when refused (an empty name, or no room number left, said in a
    // status line); the panel then stays as it is.
    bool cmdCreateRoom_Click(const QByteArray &name, const QByteArray &password);
    void cmdRoomClose_Click();

    // The room number a new room would get; above RoomTable::MaxRoom when
    // every number is taken.
    qint32 nextRoomNumber() const;

Q_SIGNALS:
    void captionChanged(const QByteArray &caption);
    // The list shows this row selected (after a change made by the client).
    void selectRow(int row);

private:
    void setCaption(const QByteArray &caption);
    void showMain();

    ClientState &m_state;
    CommandSink &m_commands;
    ChatLogs &m_logs;
    Dialogs &m_dialogs;
    RoomList m_list;
    QByteArray m_caption = "Main";
};
