#include "lobby/ChatHandlers.h"

#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "core/util/Text.h"
#include "lobby/BlockList.h"
#include "lobby/ChatColours.h"
#include "lobby/ChatLogs.h"
#include "lobby/FloodLock.h"

#include <cmath>
#include <limits>

ChatHandlers::ChatHandlers(ClientState &state, CommandSink &commands, ChatLogs &logs,
                           FloodLock &flood, QObject *parent)
    : QObject(parent), m_state(state), m_commands(commands), m_logs(logs), m_flood(flood)
{
}

void ChatHandlers::registerHandlers(Dispatcher &dispatcher)
{
    dispatcher.on("MOTDLINE", [this](const LobbyMessage &m) { MOTDLINE(m); });
    dispatcher.on("ENDUSERS", [this](const LobbyMessage &m) { ENDUSERS(m); });
    dispatcher.on("CLAN", [this](const LobbyMessage &m) { CLAN(m); });
    dispatcher.on("ME", [this](const LobbyMessage &m) { ME(m); });
    dispatcher.on("MSG", [this](const LobbyMessage &m) { MSG(m); });
    dispatcher.on("PUBMSG", [this](const LobbyMessage &m) { PUBMSG(m); });
}

const UserRecord *ChatHandlers::sender(const QByteArray &name) const
{
    const qint32 slot = m_state.Users.FindUserIndex(name);
    return slot > 0 ? m_state.Users.at(slot) : nullptr;
}

bool ChatHandlers::blocked(const UserRecord *sender) const
{
    // A sender the table does not know is never taken for a blocked one.
    return sender && BlockList::IsUserIdBlocked(m_state, sender->UserId);
}

void ChatHandlers::timeStamp(qint16 room)
{
    m_logs.AddLogRTF(CodePage::fromUnicode(m_logs.timeStamp()), room, ChatColours::TimeStamp,
                     "Arial", 10, true);
    m_logs.AddLogRTF(" | ", room, ChatColours::Separator, "Arial", 10, true);
}

void ChatHandlers::MOTDLINE(const LobbyMessage &m)
{
    m_flood.enableTimer();
    m_flood.restoreFromMarker();
    m_logs.AddLogRTF(Text::FreeTextToBlanks(m.word(1)) + "\n", 0, ChatColours::MessageOfTheDay,
                     "Arial", 8, true, false);
}

void ChatHandlers::ENDUSERS(const LobbyMessage &)
{
    m_logs.clearLog(m_logs.RoomFocus());
    if (m_hooks.showLobbyWindow)
        m_hooks.showLobbyWindow();
    m_commands.SendCommand("MAPPACK OFF 0 0 0");
    m_commands.SendCommand("MAPPACKOK FALSE");
    m_commands.SendCommand("MOTD");
    if (m_hooks.hideLoginWindow)
        m_hooks.hideLoginWindow();
}

void ChatHandlers::senderLine(const LobbyMessage &m, const QByteArray &line, qint32 colour)
{
    if (blocked(sender(m.word(1))))
        return;
    m_logs.AddLogRTF(line + "\r\n", m.room(3), colour, "Arial", 10, true, false);
}

void ChatHandlers::CLAN(const LobbyMessage &m)
{
    senderLine(m,
               Text::UnderscoresToBlanks(m.word(1)) + "> " + Text::FreeTextToBlanks(m.word(2)),
               m_state.Options.ColorClan);
}

void ChatHandlers::ME(const LobbyMessage &m)
{
    senderLine(m,
               "*" + Text::UnderscoresToBlanks(m.word(1)) + " " + Text::FreeTextToBlanks(m.word(2)) + "*",
               m_state.Options.ColorMe);
}

std::optional<qint16> ChatHandlers::msgRoom(const QByteArray &word)
{
    // The longest leading decimal number, fraction included.
    qsizetype end = 0;
    if (end < word.size() && (word[end] == '-' || word[end] == '+'))
        ++end;
    const qsizetype digitsFrom = end;
    while (end < word.size() && word[end] >= '0' && word[end] <= '9')
        ++end;
    if (end < word.size() && word[end] == '.') {
        ++end;
        while (end < word.size() && word[end] >= '0' && word[end] <= '9')
            ++end;
    }
    if (end == digitsFrom || (end == digitsFrom + 1 && word[digitsFrom] == '.'))
        return qint16(0);
    bool ok = false;
    const double value = std::floor(word.left(end).toDouble(&ok));
    if (!ok || value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(value);
}

void ChatHandlers::MSG(const LobbyMessage &m)
{
    const UserRecord *from = sender(m.word(1));
    if (blocked(from))
        return;
    const std::optional<qint16> room = msgRoom(m.word(4));
    if (!room || !m_logs.hasRoom(*room))
        return;

    if (m_state.Options.TimeStamps)
        timeStamp(*room);
    const ClientOptions &o = m_state.Options;
    qint32 colour = o.ColorUser;
    if (from && from->Rank == "admin")
        colour = o.ColorAdmin;
    else if (from && from->Rank == "mod")
        colour = o.ColorMod;
    m_logs.AddLogRTF(Text::UnderscoresToBlanks(m.word(1)), *room, ChatColours::SenderName, "Arial", 10, true);
    m_logs.AddLogRTF(" | ", *room, ChatColours::Separator, "Arial", 10, true);
    m_logs.AddLogRTF(Text::FreeTextToBlanks(m.word(2)) + "\n", *room, colour, "Arial", 10, true);
}

void ChatHandlers::PUBMSG(const LobbyMessage &m)
{
    // The whole notice goes to the main room, time stamp and separator too, so
    // that the line stays in one piece.
    if (m_state.Options.TimeStamps)
        timeStamp(0);
    m_logs.AddLogRTF(Text::FreeTextToBlanks(m.word(1)) + "\n", 0, ChatColours::PublicNotice, "Arial", 10,
                     false, false);
}
