#include "lobby/ui/RoomListView.h"

#include "core/ClientState.h"
#include "core/util/CodePage.h"
#include "lobby/ChatRooms.h"
#include "lobby/ColourValue.h"

RoomListView::RoomListView(ChatRooms &rooms, const ClientOptions &options, QWidget *parent)
    : QListWidget(parent), m_rooms(rooms)
{
    setObjectName(QStringLiteral("lstRooms"));
    QPalette p = palette();
    p.setColor(QPalette::Base, ColourValue::toColor(options.ListBackColor));
    p.setColor(QPalette::Text, ColourValue::toColor(options.ListForeColor));
    setPalette(p);

    RoomList &list = m_rooms.lstRooms();
    connect(&list, &RoomList::rowsReset, this, &RoomListView::refill);
    connect(&list, &RoomList::rowAppended, this, [this, &list](int row) {
        insertItem(row, CodePage::toUnicode(list.rows()[row].text));
    });
    connect(&list, &RoomList::rowChanged, this, [this, &list](int row) {
        if (QListWidgetItem *it = item(row))
            it->setText(CodePage::toUnicode(list.rows()[row].text));
    });
    connect(&m_rooms, &ChatRooms::selectRow, this, [this](int row) { setCurrentRow(row); });
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem *it) { m_rooms.lstRooms_Click(row(it)); });
    refill();
}

void RoomListView::refill()
{
    clear();
    for (const RoomList::Row &r : m_rooms.lstRooms().rows())
        addItem(CodePage::toUnicode(r.text));
}
