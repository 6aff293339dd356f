#include "lobby/ChatInput.h"

#include "core/ClientState.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "core/util/Text.h"
#include "lobby/ChatColours.h"
#include "lobby/ChatLogs.h"
#include "lobby/FloodLock.h"

ChatInput::ChatInput(ClientState &state, CommandSink &commands, ChatLogs &logs, FloodLock &flood,
                     QObject *parent)
    : QObject(parent), m_state(state), m_commands(commands), m_logs(logs), m_flood(flood)
{
    connect(&m_flood, &FloodLock::lockStarted, this, [this] { setReadOnly(true); });
    connect(&m_flood, &FloodLock::countdown, this, [this](const QByteArray &t) { replaceText(t); });
    connect(&m_flood, &FloodLock::lockEnded, this, [this] {
        setReadOnly(false);
        replaceText(QByteArray());
    });
}

void ChatInput::setText(const QByteArray &text)
{
    m_text = text;
}

void ChatInput::replaceText(const QByteArray &text)
{
    if (m_text == text)
        return;
    m_text = text;
    Q_EMIT textChanged(m_text);
}

void ChatInput::appendText(const QByteArray &more)
{
    replaceText(m_text + more);
}

void ChatInput::setReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    Q_EMIT readOnlyChanged(readOnly);
}

void ChatInput::startPrivateMessage(qint32 slot, const QByteArray &nameAsStored)
{
    m_pvtUserSlot = slot;
    replaceText("/PVT " + nameAsStored + ": ");
    Q_EMIT focusRequested();
}

ChatInput::PrivateEcho ChatInput::parsePrivate(const QByteArray &line, const QByteArray &pvtName)
{
    PrivateEcho echo;
    if (!line.startsWith("/PVT"))
        return echo;
    // Positions below count from 0: the blank is looked for from the 6th character on.
    const qsizetype blank = line.indexOf(' ', 5);
    if (blank < 0)
        return echo;
    const qsizetype p = blank + 1;   // the blank's position counted from 1
    if (line.size() <= p + 1) {
        echo.kind = PrivateEcho::Kind::KeepLine;
        return echo;
    }
    if (line.size() < pvtName.size() + 7) {
        echo.kind = PrivateEcho::Kind::NoEcho;
        return echo;
    }
    echo.kind = PrivateEcho::Kind::Echo;
    // The name stands from the 6th character up to the colon before the blank.
    // A line like "/PVT  x" has no name at all; it must not read before it.
    echo.recipient = line.mid(5, std::max<qsizetype>(0, p - 7));
    echo.message = line.mid(p);
    echo.keep = line.left(p);
    return echo;
}

void ChatInput::echoPrivate(const PrivateEcho &echo)
{
    const qint16 room = m_logs.RoomFocus();
    if (m_state.Options.TimeStamps)
        m_logs.AddLogRTF(CodePage::fromUnicode(m_logs.timeStamp()), room, ChatColours::TimeStamp,
                         "Arial", 10, true);
    m_logs.AddLogRTF(" >> ", room, ChatColours::PrivateArrow, "Arial", 10, true);
    m_logs.AddLogRTF(Text::UnderscoresToBlanks(echo.recipient), room, ChatColours::PrivateName,
                     "Arial", 10, true);
    m_logs.AddLogRTF(" | ", room, ChatColours::Separator, "Arial", 10, true);
    m_logs.AddLogRTF(echo.message + "\r\n", room, ChatColours::PrivateText, "Arial", 10, true);
}

void ChatInput::SendChatLine()
{
    if (m_flood.isLocked())
        return;
    m_flood.countLine();

    const QByteArray line = m_text;
    bool pickerFocus = false;
    if (line == "/clear") {
        m_logs.clearLog(m_logs.RoomFocus());
        replaceText(QByteArray());
    } else if (line == "!smileys") {
        replaceText(QByteArray());
        pickerFocus = true;
    } else if (line == "/debug") {
        replaceText(QByteArray());
    } else {
        const QByteArray room = QByteArray::number(m_logs.RoomFocus());
        if (!line.startsWith('!')) {
            m_commands.SendCommand("SENDMSG " + Text::EncodeText(line) + " " + room);
        } else {
            m_commands.SendCommand("SETSTATUS " + line.mid(1));
            replaceText(QByteArray());
        }

        const UserRecord *pvt = m_state.Users.at(m_pvtUserSlot);
        const PrivateEcho echo = parsePrivate(line, pvt ? pvt->Name : QByteArray());
        switch (echo.kind) {
        case PrivateEcho::Kind::NotPrivate:
            replaceText(QByteArray());
            break;
        case PrivateEcho::Kind::KeepLine:
            break;
        case PrivateEcho::Kind::NoEcho:
            return;
        case PrivateEcho::Kind::Echo:
            echoPrivate(echo);
            replaceText(echo.keep);
            // An empty run resets the format for whatever comes next.
            m_logs.AddLogRTF(QByteArray(), m_logs.RoomFocus(), ChatOutput::White, "Arial", 10);
            break;
        }
    }

    Q_EMIT focusRequested();
    if (pickerFocus)
        Q_EMIT showSmileysRequested();
}
