#include "lobby/ChatLogs.h"

#include "core/ClientState.h"
#include "core/util/CodePage.h"
#include "lobby/BadWordList.h"
#include "lobby/ChatColours.h"
#include "lobby/ChatLog.h"

#include <QLocale>

ChatLogs::ChatLogs(ClientOptions &options, const BadWordList &badWords, QObject *parent)
    : QObject(parent), m_options(options), m_badWords(badWords)
{
    ensureLog(0);
}

ChatLogs::~ChatLogs() = default;

ChatLog *ChatLogs::log(qint16 room) const
{
    auto it = m_logs.constFind(room);
    return it == m_logs.cend() ? nullptr : it.value().get();
}

void ChatLogs::addRoom(qint16 room)
{
    if (room >= 0 && !m_logs.contains(room))
        m_logs.insert(room, nullptr);
}

ChatLog *ChatLogs::ensureLog(qint16 room)
{
    if (room < 0)
        return nullptr;
    std::shared_ptr<ChatLog> &slot = m_logs[room];
    if (slot)
        return slot.get();
    slot = std::make_shared<ChatLog>();
    ++m_documents;
    ChatLog *created = slot.get();
    Q_EMIT logCreated(room);
    return created;
}

void ChatLogs::clearLog(qint16 room)
{
    if (ChatLog *l = log(room))
        l->clear();
}

void ChatLogs::showRoom(qint16 room)
{
    if (!hasRoom(room))
        return;
    ensureLog(room);
    if (room == m_shownRoom)
        return;
    m_shownRoom = room;
    Q_EMIT shownRoomChanged(room);
}

void ChatLogs::AddLogRTF(const QByteArray &text, qint16 room, qint32 colour, const QByteArray &font,
                         qint32 size, bool bold, bool italic)
{
    if (!hasRoom(room))
        return;
    ChatLog *target = ensureLog(room);

    // Letter case and the filter change what is shown only, never what was sent.
    QByteArray shown = m_options.ForceLowCase ? CodePage::toLower(text) : text;
    if (m_options.LangFilter)
        shown = m_badWords.FilterBadWords(shown);
    target->append(CodePage::toUnicode(shown), ChatRunFormat{colour, font, size, bold, italic});

    if (m_options.ConvSmileys && !target->convertSmileys()) {
        // Off for the rest of this run; the saved option stays as it is.
        m_options.ConvSmileys = false;
        AddLogRTF("There was an error while trying to create a smiley, smileys automatically disabled",
                  m_roomFocus, ChatColours::SmileyFailure, "Arial", 10, false, false);
    }
    target->trim();
}

void ChatLogs::AddSystemMessage(const QByteArray &text)
{
    if (m_options.TimeStamps) {
        AddLogRTF(CodePage::fromUnicode(timeStamp()), m_roomFocus, ChatColours::TimeStamp, "Arial", 10, true);
        AddLogRTF(" | ", m_roomFocus, ChatColours::Separator, "Arial", 10, true);
    }
    AddLogRTF(text + "\r\n", m_roomFocus, ChatColours::Status, "Arial", 10, false, false);
}

QString ChatLogs::timeStamp() const
{
    return timeStampFor(m_clock ? m_clock() : QTime::currentTime());
}

QString ChatLogs::timeStampFor(const QTime &time)
{
    const QLocale locale;
    const QString full = locale.toString(time, QLocale::LongFormat);
    const qsizetype first = full.indexOf(QLatin1Char(':'));
    const qsizetype second = first < 0 ? -1 : full.indexOf(QLatin1Char(':'), first + 1);
    if (second < 0)
        return locale.toString(time, QLocale::ShortFormat);
    return full.left(second);
}
