#pragma once
#include <QTextEdit>

class ChatLogs;

// txtOut: shows the chat log of the room on top. The logs live in ChatLogs;
// this view only displays one of them and follows the newest line while the
// user has not scrolled back.
class ChatView : public QTextEdit
{
    Q_OBJECT
public:
    explicit ChatView(ChatLogs &logs, QWidget *parent = nullptr);

    qint16 room() const { return m_room; }
    // Keeps the lines below a panel that lies over the top of the log.
    void setTopMargin(int pixels);
    int topMargin() const { return viewportMargins().top(); }

private:
    void showRoom(qint16 room);

    ChatLogs &m_logs;
    qint16 m_room = -1;
    bool m_followEnd = true;
};
