#pragma once
#include "core/api/ChatOutput.h"

#include <QMap>
#include <QObject>
#include <QTime>
#include <functional>
#include <memory>

class BadWordList;
class ChatLog;
struct ClientOptions;

// The chat logs of the lobby, one per room, and the real ChatOutput. A room
// takes lines once it appears (room 0, "Main", from the start); its document
// is made only when the room is first shown or written to, since a server
// may announce thousands of rooms nobody looks at. A line for a room that
// never appeared is dropped. This works without any window: start-up reports
// through it long before the lobby window is shown, and the chat view only
// displays the document of the room on top.
class ChatLogs : public QObject, public ChatOutput
{
    Q_OBJECT
public:
    ChatLogs(ClientOptions &options, const BadWordList &badWords, QObject *parent = nullptr);
    ~ChatLogs() override;

    void AddSystemMessage(const QByteArray &text) override;
    void AddLogRTF(const QByteArray &text, qint16 room, qint32 colour = White,
                   const QByteArray &font = QByteArray(), qint32 size = -1,
                   bool bold = false, bool italic = false) override;

    // The room chat lines are sent to and status lines written into.
    qint16 RoomFocus() const override { return m_roomFocus; }
    void setRoomFocus(qint16 room) { m_roomFocus = room; }

    // The room whose log is on top in the chat view. Usually RoomFocus; they
    // differ after a click on a free row of the room list.
    qint16 shownRoom() const { return m_shownRoom; }
    void showRoom(qint16 room);

    // The room takes lines from now on; its document waits until needed.
    void addRoom(qint16 room);
    bool hasRoom(qint16 room) const { return m_logs.contains(room); }
    QList<qint16> rooms() const { return m_logs.keys(); }
    // nullptr when the room's document has not been made.
    ChatLog *log(qint16 room) const;
    // Adds the room and makes its document; nullptr for a negative room.
    ChatLog *ensureLog(qint16 room);
    qsizetype documentCount() const { return m_documents; }
    void clearLog(qint16 room);

    // "14:05" at 14:05:33: the time in the locale's format, cut before its
    // second ':' (hours and minutes in the short format when it has none).
    QString timeStamp() const;
    static QString timeStampFor(const QTime &time);
    void setClock(std::function<QTime()> clock) { m_clock = std::move(clock); }

Q_SIGNALS:
    void logCreated(qint16 room);
    void shownRoomChanged(qint16 room);

private:
    ClientOptions &m_options;
    const BadWordList &m_badWords;
    QMap<qint16, std::shared_ptr<ChatLog>> m_logs; // null until the document is made
    qsizetype m_documents = 0;
    qint16 m_roomFocus = 0;
    qint16 m_shownRoom = 0;
    std::function<QTime()> m_clock;
};
