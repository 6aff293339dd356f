#pragma once
#include <QByteArray>
#include <QtGlobal>

// Coloured runs in the lobby's chat logs. Everything the client reports to the
// user about progress and soft failures goes through AddSystemMessage; chat
// lines and notices through AddLogRTF. Text is Windows-1252 bytes and is always
// shown as plain text, never read as markup.
class ChatOutput
{
public:
    // A colour is 0x00BBGGRR, as the game and the skin files store it; -1 is white.
    static constexpr qint32 White = -1;

    virtual ~ChatOutput() = default;

    // One status line into the room on screen: time stamp (when enabled),
    // then the text and CR LF in the status colour.
    virtual void AddSystemMessage(const QByteArray &text) = 0;

    // Appends one run to the log of `room`. The caller ends the text with
    // CR LF when it wants a line break. A size of -1 keeps the log's size.
    virtual void AddLogRTF(const QByteArray &text, qint16 room, qint32 colour = White,
                           const QByteArray &font = QByteArray(), qint32 size = -1,
                           bool bold = false, bool italic = false) = 0;

    // The number of the room on screen.
    virtual qint16 RoomFocus() const = 0;
};
