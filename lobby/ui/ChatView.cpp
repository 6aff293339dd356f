#include "lobby/ui/ChatView.h"

#include "lobby/ChatLog.h"
#include "lobby/ChatLogs.h"

#include <QScrollBar>

ChatView::ChatView(ChatLogs &logs, QWidget *parent) : QTextEdit(parent), m_logs(logs)
{
    setObjectName(QStringLiteral("txtOut"));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setAcceptRichText(false);
    setUndoRedoEnabled(false);
    setMinimumSize(200, 120);
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(0, 0, 0));
    p.setColor(QPalette::Text, QColor(255, 255, 255));
    setPalette(p);

    QScrollBar *bar = verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) { m_followEnd = value >= bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int max) {
        if (m_followEnd)
            bar->setValue(max);
    });
    connect(&m_logs, &ChatLogs::shownRoomChanged, this, &ChatView::showRoom);
    showRoom(m_logs.shownRoom());
}

void ChatView::showRoom(qint16 room)
{
    ChatLog *log = m_logs.log(room);
    if (!log || room == m_room)
        return;
    m_room = room;
    setDocument(log->document());
    // The view would switch an undo stack on for a document it may edit.
    log->document()->setUndoRedoEnabled(false);
    m_followEnd = true;
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ChatView::setTopMargin(int pixels)
{
    pixels = qMax(0, pixels);
    if (viewportMargins().top() == pixels)
        return;
    const bool follow = m_followEnd;
    setViewportMargins(0, pixels, 0, 0);
    if (follow)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
