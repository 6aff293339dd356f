#pragma once
#include "lobby/ChunkedSortedList.h"

#include <QAbstractItemModel>
#include <QByteArray>
#include <QIcon>
#include <functional>
#include <vector>

class LobbyEvents;
struct ClientState;
struct UserRecord;

// The user list (lstUsers) as a two-level model: the waiting group "w" and the
// playing group "p", each holding its users sorted by their text (case
// ignored, then by slot). Built from UserTable: updateSlot() brings one slot
// up to date in O(log n) plus the row move, UpdateUserList() the whole table.
//
// Connected to LobbyEvents: userChanged(slot) updates that slot,
// userListChanged() runs UpdateUserList().
class UserListModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Roles {
        KeyRole = Qt::UserRole + 1,   // "w", "p" or "u" + slot (QByteArray)
        SlotRole,                     // a user's slot (int); 0 for a group
        ImageKeyRole,                 // the picture key after GetImageIndex (QByteArray)
        TextRole,                     // the node's text as code-page bytes
    };
    enum Group { Waiting = 0, Playing = 1 };

    using IconProvider = std::function<QIcon(const QByteArray &imageKey)>;

    UserListModel(ClientState &state, LobbyEvents *events, QObject *parent = nullptr);

    void setIconProvider(IconProvider provider);

    // Whole table: every slot from 0 to UserCount, then the nodes of slots
    // that no longer hold a user are removed.
    void UpdateUserList();
    // One slot: its node is added, changed, moved between the groups or
    // removed as its record says.
    void updateSlot(qint32 slot);

    // What the tree shows, for tests and the views.
    int groupCount(Group group) const { return m_rows[group].size(); }
    qint32 slotAt(Group group, int row) const { return m_rows[group].at(row).slot; }
    QByteArray groupText(Group group) const;
    // The node of a slot: its group (-1 when it has none), text and picture key.
    int groupOf(qint32 slot) const;
    QByteArray textOf(qint32 slot) const;
    QByteArray imageKeyOf(qint32 slot) const;
    QModelIndex indexOfSlot(qint32 slot) const;
    QModelIndex groupIndex(Group group) const;

    // The node's text and picture key for a record, as UpdateUserList makes them.
    static QByteArray nodeText(const UserRecord &user);
    QByteArray pictureKey(const UserRecord &user) const;

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Entry
    {
        QByteArray text;
        QByteArray sortKey;
        QByteArray imageKey;
        int group = -1;
    };
    // A row of a group: the slot with the first 16 bytes of its sort key
    // packed in, so that most comparisons never leave the list's memory.
    struct Row
    {
        quint64 hi = 0;
        quint64 lo = 0;
        qint32 slot = 0;
        bool operator==(const Row &other) const { return slot == other.slot; }
    };
    struct RowLess
    {
        const UserListModel *model;
        bool operator()(const Row &a, const Row &b) const { return model->lessThan(a, b); }
    };

    Row rowKey(qint32 slot) const;
    bool lessThan(const Row &a, const Row &b) const;
    int rowOf(qint32 slot) const;          // row inside its group, -1 when none
    void removeNode(qint32 slot);
    void insertNode(qint32 slot, int group);
    void countsChanged();
    void rebuildAll();

    ClientState &m_state;
    IconProvider m_icons;
    std::vector<Entry> m_entries;          // by slot
    // Rows of each group, in display order.
    ChunkedSortedList<Row, RowLess> m_rows[2] = {ChunkedSortedList<Row, RowLess>(RowLess{this}),
                                                 ChunkedSortedList<Row, RowLess>(RowLess{this})};
};
