#include "lobby/HutsTreeModel.h"

#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "core/util/CodePage.h"
#include "core/util/Text.h"
#include "lobby/ColourValue.h"
#include "lobby/HutDetailsModel.h"
#include "lobby/ImageKeys.h"

#include <QColor>
#include <algorithm>
#include <array>

namespace {

// Hut nodes have internal id 0; a place's id is its hut row + 1.
constexpr quintptr HutId = 0;

bool showsAsHost(const UserRecord *u)
{
    return u && !u->Name.isEmpty() && (u->State == "HOST" || u->State == "WARPHOST");
}

bool countsAsClient(const UserRecord *u)
{
    return u && !u->Name.isEmpty() && u->State == "CLIENT";
}

// The details row of the user in `slot`; the ping caption stays what the
// panel already shows in that row.
void fillUserRow(HutDetailsModel::Row &r, const UserRecord &u, qint32 slot,
                 const HutDetailsModel *details, int row)
{
    r.picture = ImageKeys::GetImageIndex(u.Rank);
    r.name = Text::UnderscoresToBlanks(u.Name);
    r.hasMappack = u.HasMappack;
    r.hasModpack = u.HasModpack;
    r.pingTag = QByteArray::number(slot);
    if (details)
        r.pingCaption = details->row(row).pingCaption;
}

} // namespace

HutsTreeModel::HutsTreeModel(ClientState &state, LobbyEvents *events, HutDetailsModel *details,
                             QObject *parent)
    : QAbstractItemModel(parent)
    , m_state(state)
    , m_details(details)
{
    if (events) {
        connect(events, &LobbyEvents::userChanged, this, &HutsTreeModel::updateSlot);
        connect(events, &LobbyEvents::hutsChanged, this, &HutsTreeModel::ConstructHuts);
    }
}

void HutsTreeModel::setIconProvider(IconProvider provider)
{
    m_icons = std::move(provider);
    if (!m_huts.empty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_huts.size()) - 1, 0));
}

int HutsTreeModel::hutRowOf(qint32 hostSlot) const
{
    const auto it = std::lower_bound(m_huts.begin(), m_huts.end(), hostSlot,
                                     [](const Hut &h, qint32 s) { return h.host < s; });
    if (it == m_huts.end() || it->host != hostSlot)
        return -1;
    return int(it - m_huts.begin());
}

void HutsTreeModel::refreshCache(qint32 slot, std::vector<qint32> *dirtyHuts)
{
    if (slot < 0 || slot > UserTable::MaxSlot)
        return;
    if (size_t(slot) >= m_cache.size())
        m_cache.resize(size_t(slot) + 1);
    SlotCache &c = m_cache[size_t(slot)];
    const UserRecord *u = m_state.Users.at(slot);
    SlotCache now;
    now.host = showsAsHost(u);
    now.client = countsAsClient(u);
    now.hostSlot = now.client ? u->HostSlot : 0;

    if (c.client && (!now.client || c.hostSlot != now.hostSlot)) {
        auto it = m_clients.find(c.hostSlot);
        if (it != m_clients.end()) {
            it->erase(slot);
            if (it->empty())
                m_clients.erase(it);
        }
        if (dirtyHuts)
            dirtyHuts->push_back(c.hostSlot);
    }
    if (now.client) {
        m_clients[now.hostSlot].insert(slot);
        if (dirtyHuts)
            dirtyHuts->push_back(now.hostSlot);
    }
    if (dirtyHuts && (c.host || now.host))
        dirtyHuts->push_back(slot);
    c = now;
}

void HutsTreeModel::updateSlot(qint32 slot)
{
    std::vector<qint32> dirty;
    refreshCache(slot, &dirty);
    std::sort(dirty.begin(), dirty.end());
    dirty.erase(std::unique(dirty.begin(), dirty.end()), dirty.end());
    for (qint32 host : dirty)
        rebuildHut(host);
}

bool HutsTreeModel::buildHut(qint32 host, Hut &out)
{
    UserRecord *h = m_state.Users.at(host);
    if (!showsAsHost(h))
        return false;
    const qint32 own = m_state.CurrentUser.OwnSlot;
    const QByteArray kind = h->State == "HOST" ? QByteArray("hut") : QByteArray("warp");
    // The flag belongs to this hut alone.
    bool ownHut = host == own;

    std::array<qint32, 4> positions{host, 0, 0, 0};
    qint32 clientCount = 0;
    const auto clients = m_clients.constFind(host);
    if (clients != m_clients.cend()) {
        for (qint32 j : *clients) {
            UserRecord *c = m_state.Users.at(j);
            if (!countsAsClient(c) || c->HostSlot != host)
                continue;
            ++clientCount;
            if (c->HutPosition == 0)
                c->HutPosition = clientCount;
            if (c->HutPosition >= 1 && c->HutPosition <= 3)
                positions[size_t(c->HutPosition)] = j;
            if (j == own)
                ownHut = true;
            if (clientCount == 3)
                break;
        }
    }

    out.host = host;
    out.node = Node{"h" + QByteArray::number(host), Text::UnderscoresToBlanks(h->Name),
                    ImageKeys::GetImageIndex(h->Rank), QByteArray(), host};
    out.children.clear();

    std::array<HutDetailsModel::Row, HutDetailsModel::RowCount> rows;
    if (ownHut)
        fillUserRow(rows[0], *h, host, m_details, 0);

    // The panel and the position table hold three clients; other sizes are
    // clamped to them.
    const qint32 placesCount = std::clamp<qint32>(h->HutSize - 1, 0, 3);
    for (qint32 p = 1; p <= placesCount; ++p) {
        const qint32 j = positions[size_t(p)];
        HutDetailsModel::Row &r = rows[size_t(p)];
        if (j == 0) {
            const bool open = h->HutPassword == "NONE";
            const QByteArray picture = (open ? "empty" : "locked") + kind;
            out.children.push_back(Node{"empty" + QByteArray::number(host) + "-" + QByteArray::number(p),
                                        "empty", picture, QByteArray::number(p), 0});
            r.name = open ? "<free>" : "<passworded>";
            r.picture = picture;
            r.hasMappack = "<n/a>";
            r.hasModpack = "<n/a>";
            r.pingCaption = "<n/a>";
            r.pingTag = "0";
        } else {
            const UserRecord *c = m_state.Users.at(j);
            out.children.push_back(Node{"c" + QByteArray::number(j), Text::UnderscoresToBlanks(c->Name),
                                        ImageKeys::GetImageIndex(c->Rank), QByteArray(), j});
            fillUserRow(r, *c, j, m_details, int(p));
        }
    }
    if (ownHut && m_details) {
        for (qint32 p = placesCount + 1; p < HutDetailsModel::RowCount; ++p) {
            HutDetailsModel::Row &r = rows[size_t(p)];
            r.name.clear();
            r.hasMappack.clear();
            r.hasModpack.clear();
            r.pingCaption.clear();
            r.pingTag.clear();
            r.picture = "black";
            r.blank = true;
        }
        m_details->setRows(rows);
    }
    return true;
}

void HutsTreeModel::rebuildHut(qint32 host)
{
    Hut fresh;
    const bool exists = buildHut(host, fresh);
    const int row = hutRowOf(host);
    if (!exists) {
        if (row >= 0) {
            beginRemoveRows(QModelIndex(), row, row);
            m_huts.erase(m_huts.begin() + row);
            endRemoveRows();
        }
        return;
    }
    if (row < 0) {
        const auto it = std::lower_bound(m_huts.begin(), m_huts.end(), host,
                                         [](const Hut &h, qint32 s) { return h.host < s; });
        const int at = int(it - m_huts.begin());
        beginInsertRows(QModelIndex(), at, at);
        m_huts.insert(m_huts.begin() + at, std::move(fresh));
        endInsertRows();
        return;
    }
    Hut &old = m_huts[size_t(row)];
    const QModelIndex hutIndex = index(row, 0);
    if (old.node != fresh.node) {
        old.node = fresh.node;
        Q_EMIT dataChanged(hutIndex, hutIndex);
    }
    if (old.children == fresh.children)
        return;
    if (old.children.size() == fresh.children.size()) {
        old.children = std::move(fresh.children);
        Q_EMIT dataChanged(index(0, 0, hutIndex), index(int(old.children.size()) - 1, 0, hutIndex));
        return;
    }
    if (!old.children.empty()) {
        beginRemoveRows(hutIndex, 0, int(old.children.size()) - 1);
        old.children.clear();
        endRemoveRows();
    }
    if (!fresh.children.empty()) {
        beginInsertRows(hutIndex, 0, int(fresh.children.size()) - 1);
        old.children = std::move(fresh.children);
        endInsertRows();
    }
}

void HutsTreeModel::ConstructHuts()
{
    beginResetModel();
    m_huts.clear();
    m_cache.clear();
    m_clients.clear();
    const qint32 count = m_state.Users.isEmpty() ? -1 : m_state.Users.UserCount();
    for (qint32 s = 0; s <= count; ++s)
        refreshCache(s, nullptr);
    for (qint32 s = 0; s <= count; ++s) {
        if (!m_cache[size_t(s)].host)
            continue;
        Hut hut;
        if (buildHut(s, hut))
            m_huts.push_back(std::move(hut));
    }
    endResetModel();
}

const HutsTreeModel::Node &HutsTreeModel::nodeAt(const QModelIndex &index) const
{
    if (index.internalId() == HutId)
        return m_huts[size_t(index.row())].node;
    return m_huts[size_t(index.internalId() - 1)].children[size_t(index.row())];
}

QModelIndex HutsTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return QModelIndex();
    if (!parent.isValid())
        return size_t(row) < m_huts.size() ? createIndex(row, 0, HutId) : QModelIndex();
    if (parent.internalId() != HutId || size_t(parent.row()) >= m_huts.size())
        return QModelIndex();
    if (size_t(row) >= m_huts[size_t(parent.row())].children.size())
        return QModelIndex();
    return createIndex(row, 0, quintptr(parent.row() + 1));
}

QModelIndex HutsTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == HutId)
        return QModelIndex();
    return createIndex(int(child.internalId() - 1), 0, HutId);
}

int HutsTreeModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_huts.size());
    if (parent.internalId() != HutId)
        return 0;
    return int(m_huts[size_t(parent.row())].children.size());
}

int HutsTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant HutsTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const Node &n = nodeAt(index);
    switch (role) {
    case Qt::DisplayRole:
        return CodePage::toUnicode(n.text);
    case TextRole:
        return n.text;
    case KeyRole:
        return n.key;
    case TagRole:
        return n.tag;
    case ImageKeyRole:
        return n.imageKey;
    case SlotRole:
        return n.slot;
    case Qt::DecorationRole:
        return m_icons ? QVariant(m_icons(n.imageKey)) : QVariant();
    case Qt::ForegroundRole:
        return ColourValue::toColor(m_state.Options.ListForeColor);
    case Qt::BackgroundRole:
        return ColourValue::toColor(m_state.Options.ListBackColor);
    default:
        return QVariant();
    }
}
