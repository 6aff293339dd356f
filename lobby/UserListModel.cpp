#include "lobby/UserListModel.h"

#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "core/util/CodePage.h"
#include "core/util/Text.h"
#include "lobby/BlockList.h"
#include "lobby/ColourValue.h"
#include "lobby/ImageKeys.h"

#include <QColor>
#include <algorithm>

namespace {

// Group nodes have internal id 0; a user node's id is its group + 1.
constexpr quintptr GroupId = 0;

} // namespace

UserListModel::UserListModel(ClientState &state, LobbyEvents *events, QObject *parent)
    : QAbstractItemModel(parent)
    , m_state(state)
{
    if (events) {
        connect(events, &LobbyEvents::userChanged, this, &UserListModel::updateSlot);
        connect(events, &LobbyEvents::userListChanged, this, &UserListModel::UpdateUserList);
    }
}

void UserListModel::setIconProvider(IconProvider provider)
{
    m_icons = std::move(provider);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(1, 0));
}

QByteArray UserListModel::nodeText(const UserRecord &user)
{
    QByteArray text = Text::UnderscoresToBlanks(user.Name);
    if (!user.AwayText.isEmpty() && user.AwayText != "back" && user.AwayText != "none")
        text += " (" + user.AwayText + ")";
    if (user.State == "GAMING")
        text = user.GameText + ": " + text;
    return text;
}

QByteArray UserListModel::pictureKey(const UserRecord &user) const
{
    if (BlockList::IsUserIdBlocked(m_state, user.UserId))
        return ImageKeys::GetImageIndex("blocked");
    return ImageKeys::GetImageIndex(user.Rank);
}

UserListModel::Row UserListModel::rowKey(qint32 slot) const
{
    Row r;
    r.slot = slot;
    const QByteArray &key = m_entries[size_t(slot)].sortKey;
    // Big-endian, zero-padded: comparing the numbers compares the bytes.
    for (int i = 0; i < 16; ++i) {
        const quint64 byte = i < key.size() ? quint8(key[i]) : 0;
        if (i < 8)
            r.hi = (r.hi << 8) | byte;
        else
            r.lo = (r.lo << 8) | byte;
    }
    return r;
}

bool UserListModel::lessThan(const Row &a, const Row &b) const
{
    if (a.hi != b.hi)
        return a.hi < b.hi;
    if (a.lo != b.lo)
        return a.lo < b.lo;
    if (const int c = m_entries[size_t(a.slot)].sortKey.compare(m_entries[size_t(b.slot)].sortKey))
        return c < 0;
    return a.slot < b.slot;
}

int UserListModel::rowOf(qint32 slot) const
{
    if (slot < 0 || size_t(slot) >= m_entries.size())
        return -1;
    const int group = m_entries[size_t(slot)].group;
    if (group < 0)
        return -1;
    return m_rows[group].find(rowKey(slot));
}

void UserListModel::removeNode(qint32 slot)
{
    const int row = rowOf(slot);
    Entry &e = m_entries[size_t(slot)];
    if (row >= 0) {
        beginRemoveRows(groupIndex(Group(e.group)), row, row);
        m_rows[e.group].removeAt(row);
        endRemoveRows();
    }
    e = Entry();
}

void UserListModel::insertNode(qint32 slot, int group)
{
    Entry &e = m_entries[size_t(slot)];
    e.group = group;
    const Row key = rowKey(slot);
    const int row = m_rows[group].lowerBound(key);
    beginInsertRows(groupIndex(Group(group)), row, row);
    m_rows[group].insert(key);
    endInsertRows();
}

void UserListModel::countsChanged()
{
    Q_EMIT dataChanged(index(0, 0), index(1, 0), {Qt::DisplayRole, TextRole});
}

void UserListModel::updateSlot(qint32 slot)
{
    if (slot < 0 || slot > UserTable::MaxSlot)
        return;
    const UserRecord *user = m_state.Users.at(slot);
    const bool present = user && !user->Name.isEmpty();
    if (size_t(slot) >= m_entries.size()) {
        if (!present)
            return;
        m_entries.resize(size_t(slot) + 1);
    }
    Entry &old = m_entries[size_t(slot)];
    if (!present) {
        if (old.group >= 0) {
            removeNode(slot);
            countsChanged();
        }
        return;
    }

    const int group = user->State == "GAMING" ? Playing : Waiting;
    const QByteArray text = nodeText(*user);
    const QByteArray image = pictureKey(*user);
    if (old.group == group && old.text == text) {
        if (old.imageKey != image) {
            old.imageKey = image;
            const QModelIndex i = indexOfSlot(slot);
            Q_EMIT dataChanged(i, i, {Qt::DecorationRole, ImageKeyRole});
        }
        return;
    }
    // A new text may need a new place in the sorted group: take the node out
    // and put it back.
    const bool hadNode = old.group >= 0;
    const int oldGroup = old.group;
    if (hadNode)
        removeNode(slot);
    Entry &e = m_entries[size_t(slot)];
    e.text = text;
    e.sortKey = CodePage::toLower(text);
    e.imageKey = image;
    insertNode(slot, group);
    if (!hadNode || oldGroup != group)
        countsChanged();
}

void UserListModel::UpdateUserList()
{
    const qint32 count = m_state.Users.isEmpty() ? -1 : m_state.Users.UserCount();
    qint32 stale = 0;
    for (size_t s = size_t(count + 1); s < m_entries.size(); ++s) {
        if (m_entries[s].group >= 0)
            ++stale;
    }
    // Many nodes to drop at once (a new login): rebuild instead of removing
    // them one by one.
    if (stale > 64) {
        rebuildAll();
        return;
    }
    for (qint32 s = 0; s <= count; ++s)
        updateSlot(s);
    for (size_t s = size_t(count + 1); s < m_entries.size(); ++s) {
        if (m_entries[s].group >= 0) {
            removeNode(qint32(s));
            countsChanged();
        }
    }
}

void UserListModel::rebuildAll()
{
    beginResetModel();
    m_entries.clear();
    std::vector<Row> rows[2];
    const qint32 count = m_state.Users.isEmpty() ? -1 : m_state.Users.UserCount();
    m_entries.resize(size_t(count + 1));
    for (qint32 s = 0; s <= count; ++s) {
        const UserRecord *user = m_state.Users.at(s);
        if (!user || user->Name.isEmpty())
            continue;
        Entry &e = m_entries[size_t(s)];
        e.group = user->State == "GAMING" ? Playing : Waiting;
        e.text = nodeText(*user);
        e.sortKey = CodePage::toLower(e.text);
        e.imageKey = pictureKey(*user);
        rows[e.group].push_back(rowKey(s));
    }
    for (int g = 0; g < 2; ++g) {
        std::sort(rows[g].begin(), rows[g].end(), [this](const Row &a, const Row &b) { return lessThan(a, b); });
        m_rows[g].assignSorted(rows[g]);
    }
    endResetModel();
}

QByteArray UserListModel::groupText(Group group) const
{
    return (group == Waiting ? QByteArray("waiting: ") : QByteArray("playing: "))
        + QByteArray::number(m_rows[group].size());
}

int UserListModel::groupOf(qint32 slot) const
{
    if (slot < 0 || size_t(slot) >= m_entries.size())
        return -1;
    return m_entries[size_t(slot)].group;
}

QByteArray UserListModel::textOf(qint32 slot) const
{
    return groupOf(slot) < 0 ? QByteArray() : m_entries[size_t(slot)].text;
}

QByteArray UserListModel::imageKeyOf(qint32 slot) const
{
    return groupOf(slot) < 0 ? QByteArray() : m_entries[size_t(slot)].imageKey;
}

QModelIndex UserListModel::indexOfSlot(qint32 slot) const
{
    const int row = rowOf(slot);
    if (row < 0)
        return QModelIndex();
    return createIndex(row, 0, quintptr(m_entries[size_t(slot)].group + 1));
}

QModelIndex UserListModel::groupIndex(Group group) const
{
    return createIndex(int(group), 0, GroupId);
}

QModelIndex UserListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return QModelIndex();
    if (!parent.isValid())
        return row < 2 ? createIndex(row, 0, GroupId) : QModelIndex();
    if (parent.internalId() != GroupId)
        return QModelIndex();
    const int group = parent.row();
    if (row >= m_rows[group].size())
        return QModelIndex();
    return createIndex(row, 0, quintptr(group + 1));
}

QModelIndex UserListModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == GroupId)
        return QModelIndex();
    return createIndex(int(child.internalId() - 1), 0, GroupId);
}

int UserListModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return 2;
    if (parent.internalId() != GroupId)
        return 0;
    return m_rows[parent.row()].size();
}

int UserListModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant UserListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const bool isGroup = index.internalId() == GroupId;
    const int group = isGroup ? index.row() : int(index.internalId() - 1);
    const qint32 slot = isGroup ? 0 : m_rows[group].at(index.row()).slot;

    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const QByteArray text = isGroup ? groupText(Group(group)) : m_entries[size_t(slot)].text;
        return CodePage::toUnicode(text);
    }
    case TextRole:
        return isGroup ? groupText(Group(group)) : m_entries[size_t(slot)].text;
    case KeyRole:
        return isGroup ? QByteArray(group == Waiting ? "w" : "p") : "u" + QByteArray::number(slot);
    case SlotRole:
        return slot;
    case ImageKeyRole:
        return isGroup ? QByteArray(group == Waiting ? "emptyhut" : "fullhut")
                       : m_entries[size_t(slot)].imageKey;
    case Qt::DecorationRole: {
        if (!m_icons)
            return QVariant();
        const QByteArray key = isGroup ? QByteArray(group == Waiting ? "emptyhut" : "fullhut")
                                       : m_entries[size_t(slot)].imageKey;
        return m_icons(key);
    }
    case Qt::ForegroundRole:
        return ColourValue::toColor(m_state.Options.ListForeColor);
    case Qt::BackgroundRole:
        return ColourValue::toColor(m_state.Options.ListBackColor);
    default:
        return QVariant();
    }
}
