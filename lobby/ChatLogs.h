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

// The chat logs of the lobby, one per room, and the real ChatOutput. A log is
// created when its room appears (room 0, "Main", from the start); a line for
// a room without a log is dropped. This works without any window: start-up
// reports through it long before the lobby window is shown, and the chat view
// only displays the document of the room on top.
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

    // nullptr when the room has no log.
    ChatLog *log(qint16 room) const;
    ChatLog *ensureLog(qint16 room);
    bool hasLog(qint16 room) const { return m_logs.contains(room); }
    QList<qint16> rooms() const { return m_logs.keys(); }
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
    QMap<qint16, std::shared_ptr<ChatLog>> m_logs;
    qint16 m_roomFocus = 0;
    qint16 m_shownRoom = 0;
    std::function<QTime()> m_clock;
};
