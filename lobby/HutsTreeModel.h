#pragma once
#include <QAbstractItemModel>
#include <QByteArray>
#include <QHash>
#include <QIcon>
#include <functional>
#include <set>
#include <vector>

class HutDetailsModel;
class LobbyEvents;
struct ClientState;

// The huts tree (lstHuts): one top-level node per host ("h" + slot, in slot
// order) with one child per client position: a taken place ("c" + slot), a
// free one or a locked one ("empty" + host + "-" + position, tagged with the
// position). Clients of a hut are the first three records (in slot order)
// whose State is "CLIENT" and whose HostSlot is the host; a client without a
// position gets its rank among them, written back into UserTable.
//
// ConstructHuts() rebuilds everything from the table; updateSlot() rebuilds
// only the huts that one slot's change touches (its old and new hut, or its
// own hut when it hosts), so a login of n users costs O(n), not O(n^2). When
// the logged-in user is in a rebuilt hut, the hut details rows are filled.
class HutsTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Roles {
        KeyRole = Qt::UserRole + 1,   // node key (QByteArray)
        TagRole,                      // a place's position as text; empty for others
        ImageKeyRole,                 // picture key after GetImageIndex
        TextRole,                     // node text as code-page bytes
        SlotRole,                     // host or client slot; 0 for a place
    };

    struct Node
    {
        QByteArray key;
        QByteArray text;
        QByteArray imageKey;
        QByteArray tag;
        qint32 slot = 0;
        bool operator==(const Node &) const = default;
    };

    using IconProvider = std::function<QIcon(const QByteArray &imageKey)>;

    HutsTreeModel(ClientState &state, LobbyEvents *events, HutDetailsModel *details = nullptr,
                  QObject *parent = nullptr);

    void setIconProvider(IconProvider provider);

    void ConstructHuts();
    void updateSlot(qint32 slot);

    // What the tree shows.
    int hutCount() const { return int(m_huts.size()); }
    const Node &hut(int i) const { return m_huts[size_t(i)].node; }
    const std::vector<Node> &places(int i) const { return m_huts[size_t(i)].children; }
    int hutRowOf(qint32 hostSlot) const;   // -1 when that slot hosts no shown hut

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Hut
    {
        qint32 host = 0;
        Node node;
        std::vector<Node> children;
    };
    struct SlotCache
    {
        bool host = false;        // shown as a hut
        bool client = false;      // counts as a client of `hostSlot`
        qint32 hostSlot = 0;
    };

    void refreshCache(qint32 slot, std::vector<qint32> *dirtyHuts);
    // Builds the hut of `host` from the table; false when it hosts no hut.
    bool buildHut(qint32 host, Hut &out);
    void rebuildHut(qint32 host);
    const Node &nodeAt(const QModelIndex &index) const;

    ClientState &m_state;
    HutDetailsModel *m_details;
    IconProvider m_icons;
    std::vector<Hut> m_huts;                          // by host slot
    std::vector<SlotCache> m_cache;                   // by slot
    QHash<qint32, std::set<qint32>> m_clients;        // host slot -> client slots
};
