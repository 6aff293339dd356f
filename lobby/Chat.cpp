#include "lobby/Chat.h"

#include "core/ClientState.h"
#include "core/LobbyEvents.h"

Chat::Chat(ClientState &state, CommandSink &commands, Dialogs &dialogs, LobbyEvents &events,
           const QString &markerFolder, QObject *parent)
    : QObject(parent),
      m_logs(state.Options, m_badWords),
      m_flood(state, FloodLockMarker(markerFolder)),
      m_input(state, commands, m_logs, m_flood),
      m_rooms(state, commands, m_logs, dialogs),
      m_handlers(state, commands, m_logs, m_flood)
{
    connect(&events, &LobbyEvents::roomAnnounced, &m_rooms, &ChatRooms::roomAnnounced);
}
