#include "lobby/ChatRooms.h"

#include "core/ClientState.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "core/util/Text.h"
#include "lobby/ChatLogs.h"
#include "platform/Dialogs.h"

ChatRooms::ChatRooms(ClientState &state, CommandSink &commands, ChatLogs &logs, Dialogs &dialogs,
                     QObject *parent)
    : QObject(parent), m_state(state), m_commands(commands), m_logs(logs), m_dialogs(dialogs)
{
}

void ChatRooms::setCaption(const QByteArray &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    Q_EMIT captionChanged(caption);
}

void ChatRooms::showMain()
{
    m_logs.setRoomFocus(0);
    m_logs.showRoom(0);
    setCaption("Main");
    Q_EMIT selectRow(0);
}

void ChatRooms::ResetRoomList()
{
    m_list.reset();
    showMain();
}

void ChatRooms::roomAnnounced(qint16 room)
{
    const RoomRecord *record = m_state.Rooms.at(room);
    if (!record || room == 0)
        return;
    const int row = m_list.rowOf(room);
    if (row >= 0 && m_list.isFree(row)) {
        m_list.setText(row, record->Name);
        showMain();
        return;
    }
    m_logs.addRoom(room);
    if (row >= 0) {
        // Announced again (a room list asked for once more): the row keeps its place.
        m_list.setText(row, record->Name);
        if (m_logs.shownRoom() == room)
            setCaption(record->Name);
        return;
    }
    m_list.append(room, record->Name);
}

void ChatRooms::lstRooms_Click(int row)
{
    const qint16 n = m_list.roomAt(row);
    if (n < 0)
        return;
    if (n == 0) {
        m_logs.showRoom(0);
        setCaption("Main");
    } else if (!m_list.isFree(row)) {
        const RoomRecord *record = m_state.Rooms.at(n);
        if (record && record->Passworded) {
            const std::optional<QString> answer =
                m_dialogs.input(QStringLiteral("This room is passworded, please specify the password to enter."),
                                QStringLiteral("Passworded Room"));
            // Passwords travel as one word, with '_' for each blank.
            const QByteArray typed = Text::BlanksToUnderscores(CodePage::fromUnicode(answer.value_or(QString())));
            if (typed != record->Password) {
                m_dialogs.message(QStringLiteral("Password is incorrect!"));
                return;
            }
        }
        m_logs.ensureLog(n);
        m_logs.showRoom(n);
        setCaption(record ? record->Name : QByteArray());
    }
    m_logs.setRoomFocus(n);
}

qint32 ChatRooms::nextRoomNumber() const
{
    const int free = m_list.firstFreeRow();
    if (free >= 0)
        return m_list.roomAt(free);
    qint32 highest = m_list.highestRoom();
    for (qint16 room : m_logs.rooms())
        highest = std::max<qint32>(highest, room);
    return highest + 1;
}

bool ChatRooms::cmdCreateRoom_Click(const QByteArray &name, const QByteArray &password)
{
    // Names and passwords are single words on the wire: a blank would split
    // the command, so each goes as '_', as user names do.
    const QByteArray roomName = Text::BlanksToUnderscores(name);
    if (roomName.isEmpty())
        return false;
    // Room numbers are 16-bit on the wire: one past the highest would wrap.
    const qint32 number = nextRoomNumber();
    if (number > RoomTable::MaxRoom) {
        m_logs.AddSystemMessage("No room can be created: every room number is in use.");
        return false;
    }
    const QByteArray roomPassword = password.isEmpty() ? QByteArray("NONE") : Text::BlanksToUnderscores(password);
    const UserRecord *own = m_state.own();
    const QByteArray ownName = own ? own->Name : Text::BlanksToUnderscores(m_state.CurrentUser.Name);
    m_commands.SendCommand("NWROOM " + roomName + " " + QByteArray::number(number) + " " + ownName
                           + " " + roomPassword);
    return true;
}

void ChatRooms::cmdRoomClose_Click()
{
    const qint16 room = m_logs.RoomFocus();
    if (room == 0)
        return;
    const UserRecord *own = m_state.own();
    const RoomRecord *record = m_state.Rooms.at(room);
    const QByteArray rank = own ? CodePage::toLower(own->Rank) : QByteArray();
    const bool allowed = own
        && (rank == "admin" || rank == "mod" || (record && !own->Name.isEmpty() && record->Creator == own->Name));
    if (!allowed) {
        m_dialogs.message(QStringLiteral("Only the creator of the room can end the cession!"));
        return;
    }
    m_list.setText(m_list.rowOf(room), RoomList::FreeText);
    m_commands.SendCommand("KILLROOM " + QByteArray::number(room) + " " + own->Name + " " + own->Rank);
    // Back in the main room, on screen as well as for the next line sent.
    showMain();
}
