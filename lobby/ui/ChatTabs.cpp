#include "lobby/ui/ChatTabs.h"

#include "core/util/CodePage.h"
#include "lobby/ChatRooms.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

ChatTabs::ChatTabs(ChatRooms &rooms, QWidget *parent) : QWidget(parent), m_rooms(rooms)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 2, 2);
    lblmain = new QLabel(this);
    lblmain->setObjectName(QStringLiteral("lblmain"));
    lblmain->setTextFormat(Qt::PlainText);
    QFont bold = lblmain->font();
    bold.setBold(true);
    lblmain->setFont(bold);
    lblmain->installEventFilter(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    cmdRoomClose = new QToolButton(this);
    cmdRoomClose->setObjectName(QStringLiteral("cmdRoomClose"));
    cmdRoomClose->setText(QStringLiteral("x"));
    cmdRoomClose->setAutoRaise(true);
    row->addWidget(lblmain);
    row->addStretch(1);
    row->addWidget(Label1);
    row->addWidget(cmdRoomClose);

    const auto show = [this](const QByteArray &caption) {
        Label1->setText(CodePage::toUnicode(caption));
        lblmain->setText(CodePage::toUnicode(caption));
    };
    show(m_rooms.caption());
    connect(&m_rooms, &ChatRooms::captionChanged, this, show);
    connect(cmdRoomClose, &QToolButton::clicked, this, [this] { m_rooms.cmdRoomClose_Click(); });
}

bool ChatTabs::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblmain && event->type() == QEvent::MouseButtonRelease)
        Q_EMIT lblmainClicked();
    return QWidget::eventFilter(watched, event);
}
