#pragma once
#include <QByteArray>
#include <QObject>
#include <QtGlobal>

class ChatLogs;
class CommandSink;
class FloodLock;
struct ClientState;

// The chat input line txtInput and what Enter does with it (SendChatLine):
// the local commands "/clear", "!smileys" and "/debug", a "!" status text,
// an ordinary chat line, the local echo of a private ("/PVT") line, and the
// flood count. The widget only mirrors text() and readOnly() and forwards
// Enter; the text is code-page bytes.
class ChatInput : public QObject
{
    Q_OBJECT
public:
    ChatInput(ClientState &state, CommandSink &commands, ChatLogs &logs, FloodLock &flood,
              QObject *parent = nullptr);

    const QByteArray &text() const { return m_text; }
    void setText(const QByteArray &text);   // the user typed; no textChanged
    bool readOnly() const { return m_readOnly; }

    // Appends to the end of the line (a smiley picked in the picker).
    void appendText(const QByteArray &more);

    // A double-click on a user in the user list.
    void startPrivateMessage(qint32 slot, const QByteArray &nameAsStored);
    qint32 PvtUserSlot() const { return m_pvtUserSlot; }

    void SendChatLine();

    // How a "/PVT" line is echoed; exposed for tests.
    struct PrivateEcho
    {
        enum class Kind { NotPrivate, KeepLine, NoEcho, Echo } kind = Kind::NotPrivate;
        QByteArray recipient;   // as on the wire ('_' for blanks)
        QByteArray message;
        QByteArray keep;        // what stays in the input line: "/PVT name: "
    };
    static PrivateEcho parsePrivate(const QByteArray &line, const QByteArray &pvtName);

Q_SIGNALS:
    void textChanged(const QByteArray &text);   // changed by the client, not by typing
    void readOnlyChanged(bool readOnly);
    void focusRequested();                      // caret to the end, focus to the line
    void showSmileysRequested();                // the "!smileys" command

private:
    void replaceText(const QByteArray &text);
    void setReadOnly(bool readOnly);
    void echoPrivate(const PrivateEcho &echo);

    ClientState &m_state;
    CommandSink &m_commands;
    ChatLogs &m_logs;
    FloodLock &m_flood;
    QByteArray m_text;
    bool m_readOnly = false;
    qint32 m_pvtUserSlot = 0;
};
