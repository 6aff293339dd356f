#pragma once
#include <QByteArray>
#include <QObject>
#include <functional>
#include <optional>

class ChatLogs;
class CommandSink;
class Dispatcher;
class FloodLock;
class LobbyMessage;
struct ClientState;
struct UserRecord;

// The lobby's chat and notice messages: "MOTDLINE", "ENDUSERS", "CLAN",
// "ME", "MSG" and "PUBMSG". Each turns into runs of the room's chat log; a
// line for a room without a log is dropped by the logs themselves.
class ChatHandlers : public QObject
{
    Q_OBJECT
public:
    // What the windows do at the end of the user list. Empty hooks are skipped.
    struct Hooks
    {
        std::function<void()> showLobbyWindow;   // the lobby window is made visible
        std::function<void()> hideLoginWindow;   // hidden, its lblError emptied
    };

    ChatHandlers(ClientState &state, CommandSink &commands, ChatLogs &logs, FloodLock &flood,
                 QObject *parent = nullptr);

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    void registerHandlers(Dispatcher &dispatcher);

    void MOTDLINE(const LobbyMessage &m);
    void ENDUSERS(const LobbyMessage &m);
    void CLAN(const LobbyMessage &m);
    void ME(const LobbyMessage &m);
    void MSG(const LobbyMessage &m);
    void PUBMSG(const LobbyMessage &m);

    // "3", "3.7" and "3abc" name room 3, "-0.5" room -1 (no room); a number
    // outside 16 bits names none; no number at all is room 0.
    static std::optional<qint16> msgRoom(const QByteArray &word);

private:
    // The sender's record, or nullptr for a sender the table does not know.
    const UserRecord *sender(const QByteArray &name) const;
    bool blocked(const UserRecord *sender) const;
    void senderLine(const LobbyMessage &m, const QByteArray &line, qint32 colour);
    void timeStamp(qint16 room);

    ClientState &m_state;
    CommandSink &m_commands;
    ChatLogs &m_logs;
    FloodLock &m_flood;
    Hooks m_hooks;
};
