#pragma once
#include "lobby/BadWordList.h"
#include "lobby/ChatHandlers.h"
#include "lobby/ChatInput.h"
#include "lobby/ChatLogs.h"
#include "lobby/ChatRooms.h"
#include "lobby/FloodLock.h"

#include <QObject>
#include <QString>

class CommandSink;
class Dialogs;
class Dispatcher;
class LobbyEvents;
struct ClientState;

// The chat capability in one piece, as the composition root creates it: the
// logs (the client's ChatOutput), the bad-word list, the flood lock, the chat
// input, the rooms and the chat message handlers, wired to one another and
// to the lobby's room announcements.
class Chat : public QObject
{
    Q_OBJECT
public:
    Chat(ClientState &state, CommandSink &commands, Dialogs &dialogs, LobbyEvents &events,
         const QString &markerFolder = FloodLockMarker::defaultFolder(), QObject *parent = nullptr);

    void registerHandlers(Dispatcher &dispatcher) { m_handlers.registerHandlers(dispatcher); }

    // "langlist.dat" in the program folder: read when the lobby window loads,
    // written when the client exits.
    void LoadBadWordList(const QString &programFolder) { m_badWords.load(programFolder); }
    bool SaveBadWordList(const QString &programFolder) const { return m_badWords.save(programFolder); }

    BadWordList &badWords() { return m_badWords; }
    ChatLogs &logs() { return m_logs; }
    FloodLock &flood() { return m_flood; }
    ChatInput &input() { return m_input; }
    ChatRooms &rooms() { return m_rooms; }
    ChatHandlers &handlers() { return m_handlers; }

private:
    BadWordList m_badWords;
    ChatLogs m_logs;
    FloodLock m_flood;
    ChatInput m_input;
    ChatRooms m_rooms;
    ChatHandlers m_handlers;
};
