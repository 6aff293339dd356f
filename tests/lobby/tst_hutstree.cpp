// The huts tree and the hut details rows from table fixtures, and the
// incremental updates the handlers drive.
#include "core/LobbyEvents.h"
#include "lobby/HutDetailsModel.h"
#include "lobby/HutsTreeModel.h"
#include "lobby/ImageKeys.h"
#include "tests/lobby/UserTableFixture.h"

#include <QTest>

using namespace UserTableFixture;

class tst_HutsTree : public QObject
{
    Q_OBJECT

    static QList<QByteArray> keys(const HutsTreeModel &m, int hut)
    {
        QList<QByteArray> out;
        for (const auto &n : m.places(hut))
            out << n.key;
        return out;
    }

private Q_SLOTS:
    void getImageIndex_data();
    void getImageIndex();
    void noHostLeavesPanelAlone();
    void hutNodesInSlotOrder();
    void openAndLockedPlaces_data();
    void openAndLockedPlaces();
    void positionsAssignedAndStored();
    void fourthClientIgnored();
    void sizesClampedToFourRows_data();
    void sizesClampedToFourRows();
    void ownHutRows();
    void ownHutFlagIsPerHut();
    void packColumns();
    void incrementalMatchesFullRebuild();
};

void tst_HutsTree::getImageIndex_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("result");
    QTest::newRow("admin") << QByteArray("admin") << QByteArray("admin");
    QTest::newRow("aod, the last") << QByteArray("aod") << QByteArray("aod");
    QTest::newRow("lockedhut, the first") << QByteArray("lockedhut") << QByteArray("lockedhut");
    QTest::newRow("user") << QByteArray("user") << QByteArray("unknown");
    QTest::newRow("case") << QByteArray("ADMIN") << QByteArray("unknown");
    QTest::newRow("empty") << QByteArray() << QByteArray("unknown");
}

void tst_HutsTree::getImageIndex()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, result);
    QCOMPARE(ImageKeys::GetImageIndex(key), result);
    QCOMPARE(ImageKeys::all().size(), 48);
}

void tst_HutsTree::noHostLeavesPanelAlone()
{
    ClientState state;
    state.CurrentUser.OwnSlot = 1;
    user(state, 1, "me").State = "CLIENT";
    host(state, 2, "", 4); // a host record without a name is not shown
    HutDetailsModel details(state, nullptr);
    HutsTreeModel m(state, nullptr, &details);
    m.ConstructHuts();
    QCOMPARE(m.hutCount(), 0);
    QCOMPARE(details.row(0), HutDetailsModel::Row());
}

void tst_HutsTree::hutNodesInSlotOrder()
{
    ClientState state;
    host(state, 9, "zed_z", 2, "NONE", "WARPHOST");
    host(state, 3, "amy", 2).Rank = "admin";
    user(state, 5, "idle");
    HutsTreeModel m(state, nullptr);
    m.ConstructHuts();
    QCOMPARE(m.hutCount(), 2);
    QCOMPARE(m.hut(0).key, QByteArray("h3"));
    QCOMPARE(m.hut(0).imageKey, QByteArray("admin"));
    QCOMPARE(m.hut(1).key, QByteArray("h9"));
    QCOMPARE(m.hut(1).text, QByteArray("zed z"));
    QCOMPARE(m.hut(1).imageKey, QByteArray("unknown"));
    QCOMPARE(m.places(1).at(0).imageKey, QByteArray("emptywarp"));
    QCOMPARE(m.index(0, 0).data(HutsTreeModel::KeyRole).toByteArray(), QByteArray("h3"));
    QCOMPARE(m.rowCount(m.index(0, 0)), 1);
}

void tst_HutsTree::openAndLockedPlaces_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QByteArray>("ownName");
    QTest::newRow("open hut") << QByteArray("HOST") << QByteArray("NONE") << QByteArray("emptyhut") << QByteArray("<free>");
    QTest::newRow("open warp") << QByteArray("WARPHOST") << QByteArray("NONE") << QByteArray("emptywarp") << QByteArray("<free>");
    QTest::newRow("locked hut") << QByteArray("HOST") << QByteArray("secret") << QByteArray("lockedhut") << QByteArray("<passworded>");
    QTest::newRow("locked warp") << QByteArray("WARPHOST") << QByteArray("none") << QByteArray("lockedwarp") << QByteArray("<passworded>");
}

void tst_HutsTree::openAndLockedPlaces()
{
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, picture);
    QFETCH(QByteArray, ownName);
    ClientState state;
    state.CurrentUser.OwnSlot = 10;
    host(state, 10, "me", 4, password, kind);
    client(state, 11, "one", 10, 1);
    client(state, 12, "three", 10, 3);
    HutDetailsModel details(state, nullptr);
    HutsTreeModel m(state, nullptr, &details);
    m.ConstructHuts();
    QCOMPARE(keys(m, 0), (QList<QByteArray>{"c11", "empty10-2", "c12"}));
    const auto &free = m.places(0).at(1);
    QCOMPARE(free.text, QByteArray("empty"));
    QCOMPARE(free.imageKey, picture);
    QCOMPARE(free.tag, QByteArray("2"));
    QCOMPARE(m.index(1, 0, m.index(0, 0)).data(HutsTreeModel::TagRole).toByteArray(), QByteArray("2"));
    QCOMPARE(details.row(2).name, ownName);
    QCOMPARE(details.row(2).picture, picture);
    QCOMPARE(details.row(2).pingTag, QByteArray("0"));
    QCOMPARE(details.row(2).pingCaption, QByteArray("<n/a>"));
    QCOMPARE(details.row(2).hasMappack, QByteArray("<n/a>"));
}

void tst_HutsTree::positionsAssignedAndStored()
{
    ClientState state;
    host(state, 1, "h", 4);
    client(state, 5, "a", 1, 0);
    client(state, 3, "b", 1, 0);
    client(state, 7, "c", 1, 2);
    HutsTreeModel m(state, nullptr);
    m.ConstructHuts();
    // Positions go by rank among the clients found so far, in slot order.
    QCOMPARE(state.Users.at(3)->HutPosition, 1);
    QCOMPARE(state.Users.at(5)->HutPosition, 2);
    QCOMPARE(state.Users.at(7)->HutPosition, 2);
    // Two clients at position 2: the later slot wins.
    QCOMPARE(keys(m, 0), (QList<QByteArray>{"c3", "c7", "empty1-3"}));
}

void tst_HutsTree::fourthClientIgnored()
{
    ClientState state;
    host(state, 1, "h", 4);
    client(state, 2, "a", 1, 1);
    client(state, 3, "b", 1, 2);
    client(state, 4, "c", 1, 0);
    client(state, 5, "d", 1, 0);
    HutsTreeModel m(state, nullptr);
    m.ConstructHuts();
    QCOMPARE(keys(m, 0), (QList<QByteArray>{"c2", "c3", "c4"}));
    QCOMPARE(state.Users.at(5)->HutPosition, 0);
}

void tst_HutsTree::sizesClampedToFourRows_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("places");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("2") << 2 << 1;
    QTest::newRow("4") << 4 << 3;
    QTest::newRow("9") << 9 << 3;
    QTest::newRow("negative") << -5 << 0;
}

void tst_HutsTree::sizesClampedToFourRows()
{
    QFETCH(int, size);
    QFETCH(int, places);
    ClientState state;
    state.CurrentUser.OwnSlot = 1;
    host(state, 1, "me", size);
    client(state, 2, "far", 1, 7); // a position the panel has no row for
    HutDetailsModel details(state, nullptr);
    HutsTreeModel m(state, nullptr, &details);
    m.ConstructHuts();
    QCOMPARE(int(m.places(0).size()), places);
    for (const auto &n : m.places(0))
        QVERIFY(n.key.startsWith("empty"));
    for (int r = places + 1; r < 4; ++r) {
        QVERIFY(details.row(r).blank);
        QCOMPARE(details.row(r).picture, QByteArray("black"));
        QVERIFY(details.row(r).name.isEmpty());
    }
}

void tst_HutsTree::ownHutRows()
{
    ClientState state;
    state.CurrentUser.OwnSlot = 6;
    UserRecord &h = host(state, 4, "the_host", 2);
    h.Rank = "mod";
    h.HasMappack = "TRUE";
    h.HasModpack = "FALSE";
    UserRecord &me = client(state, 6, "me_too", 4, 1);
    me.HasMappack = "DOWNLOADING";
    HutDetailsModel details(state, nullptr);
    HutsTreeModel m(state, nullptr, &details);
    m.ConstructHuts();
    QCOMPARE(details.row(0).picture, QByteArray("mod"));
    QCOMPARE(details.row(0).name, QByteArray("the host"));
    QCOMPARE(details.row(0).hasMappack, QByteArray("TRUE"));
    QCOMPARE(details.row(0).hasModpack, QByteArray("FALSE"));
    QCOMPARE(details.row(0).pingTag, QByteArray("4"));
    QCOMPARE(details.row(1).name, QByteArray("me too"));
    QCOMPARE(details.row(1).picture, QByteArray("unknown"));
    QCOMPARE(details.row(1).hasMappack, QByteArray("DOWNLOADING"));
    QCOMPARE(details.row(1).pingTag, QByteArray("6"));
    QCOMPARE(details.row(1).pingCaption, QByteArray("<n/a>")); // the design text, untouched
    for (int r = 2; r < 4; ++r) {
        QCOMPARE(details.row(r).picture, QByteArray("black"));
        QVERIFY(details.row(r).pingCaption.isEmpty());
    }
}

void tst_HutsTree::ownHutFlagIsPerHut()
{
    // The own hut comes first; a later hut must not overwrite its rows.
    ClientState state;
    state.CurrentUser.OwnSlot = 1;
    host(state, 1, "mine", 3);
    host(state, 5, "theirs", 4, "pw");
    client(state, 6, "x", 5, 1);
    HutDetailsModel details(state, nullptr);
    HutsTreeModel m(state, nullptr, &details);
    m.ConstructHuts();
    QCOMPARE(details.row(0).name, QByteArray("mine"));
    QCOMPARE(details.row(1).name, QByteArray("<free>"));
    QVERIFY(details.row(3).blank);
}

void tst_HutsTree::packColumns()
{
    ClientState state;
    LobbyEvents events;
    state.CurrentUser.OwnSlot = 1;
    host(state, 1, "me", 3);
    client(state, 2, "c", 1, 1);
    HutDetailsModel details(state, &events);
    HutsTreeModel m(state, &events, &details);
    m.ConstructHuts();
    state.Users.at(1)->HasMappack = "TRUE";
    state.Users.at(2)->HasMappack = "FALSE";
    state.Users.at(2)->HasModpack = "TRUE";
    Q_EMIT events.mappackInfoChanged();
    QCOMPARE(details.row(0).hasMappack, QByteArray("TRUE"));
    QCOMPARE(details.row(1).hasMappack, QByteArray("FALSE"));
    QCOMPARE(details.row(2).hasMappack, QByteArray("<n/a>")); // the free place
    QCOMPARE(details.row(1).hasModpack, QByteArray()); // only the map column moved
    QVERIFY(details.row(3).hasMappack.isEmpty());       // the blank row stays blank
    Q_EMIT events.modpackInfoChanged();
    QCOMPARE(details.row(1).hasModpack, QByteArray("TRUE"));
}

void tst_HutsTree::incrementalMatchesFullRebuild()
{
    ClientState state;
    LobbyEvents events;
    state.CurrentUser.OwnSlot = 1;
    HutDetailsModel liveDetails(state, &events);
    HutsTreeModel live(state, &events, &liveDetails);
    quint32 seed = 11;
    auto next = [&] { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0x7FFF; };
    for (int i = 0; i < 4000; ++i) {
        const qint32 slot = qint32(next() % 60) + 1;
        UserRecord &u = user(state, slot, next() % 9 == 0 ? QByteArray() : "p" + QByteArray::number(slot));
        switch (next() % 4) {
        case 0: u.State = "HOST"; u.HutSize = qint32(next() % 5); u.HutPassword = next() % 2 ? "NONE" : "pw"; break;
        case 1: u.State = "WARPHOST"; u.HutSize = qint32(next() % 5); break;
        case 2: u.State = "CLIENT"; u.HostSlot = qint32(next() % 60) + 1; u.HutPosition = qint32(next() % 4); break;
        default: u.State = "IDLE"; break;
        }
        Q_EMIT events.userChanged(slot);
    }
    // End with the logged-in user hosting, so the rows can be compared too.
    host(state, 1, "me", 4, "NONE");
    Q_EMIT events.userChanged(1);
    // The incremental tree matches a rebuild of the final table.
    HutDetailsModel fullDetails(state, nullptr);
    HutsTreeModel full(state, nullptr, &fullDetails);
    full.ConstructHuts();
    QCOMPARE(live.hutCount(), full.hutCount());
    for (int h = 0; h < full.hutCount(); ++h) {
        QCOMPARE(live.hut(h), full.hut(h));
        QCOMPARE(live.places(h), full.places(h));
    }
    // When the logged-in user ends in a hut, both show its rows (otherwise
    // the live panel keeps its last hut, the fresh one its design texts).
    const UserRecord *own = state.own();
    if (own && !own->Name.isEmpty() && (own->State == "HOST" || own->State == "WARPHOST")) {
        for (int r = 0; r < HutDetailsModel::RowCount; ++r) {
            QCOMPARE(liveDetails.row(r).name, fullDetails.row(r).name);
            QCOMPARE(liveDetails.row(r).picture, fullDetails.row(r).picture);
            QCOMPARE(liveDetails.row(r).pingTag, fullDetails.row(r).pingTag);
        }
    } else {
        QFAIL("the own user should end as a host");
    }
}

QTEST_GUILESS_MAIN(tst_HutsTree)
#include "tst_hutstree.moc"
