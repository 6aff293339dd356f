#include "lobby/ui/CreateRoomPanel.h"

#include "core/util/CodePage.h"
#include "lobby/ChatRooms.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CreateRoomPanel::CreateRoomPanel(ChatRooms &rooms, QWidget *parent) : QFrame(parent), m_rooms(rooms)
{
    setObjectName(QStringLiteral("FrameCreateRoom"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    txtRoomName = new QLineEdit(this);
    txtRoomName->setObjectName(QStringLiteral("txtRoomName"));
    txtRoomPW = new QLineEdit(this);
    txtRoomPW->setObjectName(QStringLiteral("txtRoomPW"));
    // Room names and passwords are typed in full: a box shows some sixteen
    // characters, and the panel grows to hold both.
    for (QLineEdit *box : {txtRoomName, txtRoomPW})
        box->setMinimumWidth(box->fontMetrics().averageCharWidth() * 16 + 8);
    cmdCreateRoom = new QPushButton(QStringLiteral("Create"), this);
    cmdCreateRoom->setObjectName(QStringLiteral("cmdCreateRoom"));
    cmdCreateRoom->setEnabled(false);
    grid->addWidget(new QLabel(QStringLiteral("Name"), this), 0, 0);
    grid->addWidget(txtRoomName, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Password"), this), 1, 0);
    grid->addWidget(txtRoomPW, 1, 1);
    grid->addWidget(cmdCreateRoom, 0, 2, 2, 1);

    // A room needs a name; the button waits for one.
    connect(txtRoomName, &QLineEdit::textChanged, this,
            [this](const QString &t) { cmdCreateRoom->setEnabled(!t.isEmpty()); });
    connect(cmdCreateRoom, &QPushButton::clicked, this, &CreateRoomPanel::cmdCreateRoom_Click);
    connect(txtRoomName, &QLineEdit::returnPressed, this, &CreateRoomPanel::cmdCreateRoom_Click);
    connect(txtRoomPW, &QLineEdit::returnPressed, this, &CreateRoomPanel::cmdCreateRoom_Click);
    hide();
}

void CreateRoomPanel::cmdShowRoomT_Click()
{
    if (isHidden()) {
        raise();
        show();
        txtRoomName->setFocus(Qt::OtherFocusReason);
    } else {
        hide();
    }
}

void CreateRoomPanel::cmdCreateRoom_Click()
{
    if (txtRoomName->text().isEmpty())
        return;
    hide();
    if (txtRoomPW->text().isEmpty())
        txtRoomPW->setText(QStringLiteral("NONE"));
    m_rooms.cmdCreateRoom_Click(CodePage::fromUnicode(txtRoomName->text()), CodePage::fromUnicode(txtRoomPW->text()));
    txtRoomName->clear();
    txtRoomPW->clear();
}
