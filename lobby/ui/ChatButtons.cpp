#include "lobby/ui/ChatButtons.h"

#include "lobby/Smileys.h"

#include <QHBoxLayout>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

ChatButtons::ChatButtons(QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    bttnSmileys = new QToolButton(this);
    bttnSmileys->setObjectName(QStringLiteral("cmdSmileys"));   // the layout's name for it
    bttnSmileys->setAutoRaise(true);
    bttnSmileys->setIconSize(QSize(Smileys::PictureSize, Smileys::PictureSize + 1));
    cmdShowRoomT = new QPushButton(QStringLiteral("Create Room"), this);
    cmdShowRoomT->setObjectName(QStringLiteral("cmdShowRoomT"));
    row->addWidget(bttnSmileys);
    row->addWidget(cmdShowRoomT);
    setPickerOpen(false);
}

void ChatButtons::setPickerOpen(bool open)
{
    bttnSmileys->setIcon(QIcon(QPixmap::fromImage(Smileys::buttonPicture(open))));
    bttnSmileys->setProperty("pickerOpen", open);
}
