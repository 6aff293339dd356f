// The user list model from table fixtures: groups, counts, texts, pictures,
// sorting, and the per-slot updates the handlers drive.
#include "core/LobbyEvents.h"
#include "lobby/UserListModel.h"
#include "tests/lobby/UserTableFixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace UserTableFixture;

class tst_UserList : public QObject
{
    Q_OBJECT

    static QList<QByteArray> groupTexts(const UserListModel &m, UserListModel::Group g)
    {
        QList<QByteArray> out;
        for (int r = 0; r < m.groupCount(g); ++r)
            out << m.textOf(m.slotAt(g, r));
        return out;
    }

private Q_SLOTS:
    void nodeText_data();
    void nodeText();
    void groupsCountsAndSorting();
    void pictures_data();
    void pictures();
    void gamingMovesBetweenGroups();
    void emptiedNameLosesNode();
    void perSlotUpdatesMatchFullPass_data();
    void perSlotUpdatesMatchFullPass();
    void clearedTableEmptiesList();
    void modelIndexesAreConsistent();
};

void tst_UserList::nodeText_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("away");
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QByteArray>("game");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("plain") << QByteArray("big_bob") << QByteArray() << QByteArray() << QByteArray() << QByteArray("big bob");
    QTest::newRow("back") << QByteArray("a") << QByteArray("back") << QByteArray() << QByteArray() << QByteArray("a");
    QTest::newRow("none") << QByteArray("a") << QByteArray("none") << QByteArray() << QByteArray() << QByteArray("a");
    QTest::newRow("away") << QByteArray("a") << QByteArray("lunch") << QByteArray() << QByteArray() << QByteArray("a (lunch)");
    QTest::newRow("gaming") << QByteArray("a_b") << QByteArray("brb") << QByteArray("GAMING") << QByteArray("2v2") << QByteArray("2v2: a b (brb)");
    QTest::newRow("markup stays text") << QByteArray("<b>x</b>") << QByteArray() << QByteArray() << QByteArray() << QByteArray("<b>x</b>");
}

void tst_UserList::nodeText()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, away);
    QFETCH(QByteArray, state);
    QFETCH(QByteArray, game);
    QFETCH(QByteArray, text);
    UserRecord u;
    u.Name = name;
    u.AwayText = away;
    u.State = state;
    u.GameText = game;
    QCOMPARE(UserListModel::nodeText(u), text);
}

void tst_UserList::groupsCountsAndSorting()
{
    ClientState state;
    user(state, 1, "zed");
    user(state, 2, "Alice");
    user(state, 3, "bob").State = "GAMING";
    user(state, 4, "carl").State = "HOST";
    user(state, 5, "");        // a free slot
    user(state, 6, "alice");   // same text apart from case: slot order
    UserListModel m(state, nullptr);
    m.UpdateUserList();
    QCOMPARE(m.groupText(UserListModel::Waiting), QByteArray("waiting: 4"));
    QCOMPARE(m.groupText(UserListModel::Playing), QByteArray("playing: 1"));
    QCOMPARE(groupTexts(m, UserListModel::Waiting), (QList<QByteArray>{"Alice", "alice", "carl", "zed"}));
    QCOMPARE(groupTexts(m, UserListModel::Playing), (QList<QByteArray>{": bob"}));
    QCOMPARE(m.index(0, 0).data(UserListModel::KeyRole).toByteArray(), QByteArray("w"));
    QCOMPARE(m.index(1, 0).data(UserListModel::KeyRole).toByteArray(), QByteArray("p"));
    QCOMPARE(m.index(0, 0).data().toString(), QStringLiteral("waiting: 4"));
    QCOMPARE(m.index(0, 0).data(UserListModel::ImageKeyRole).toByteArray(), QByteArray("emptyhut"));
    QCOMPARE(m.index(1, 0).data(UserListModel::ImageKeyRole).toByteArray(), QByteArray("fullhut"));
    QCOMPARE(m.indexOfSlot(6).data(UserListModel::KeyRole).toByteArray(), QByteArray("u6"));
}

void tst_UserList::pictures_data()
{
    QTest::addColumn<QByteArray>("rank");
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QByteArray>("picture");
    QTest::newRow("admin") << QByteArray("admin") << QByteArray("5") << QByteArray("admin");
    QTest::newRow("mod") << QByteArray("mod") << QByteArray("5") << QByteArray("mod");
    QTest::newRow("ordinary rank has no picture") << QByteArray("user") << QByteArray("5") << QByteArray("unknown");
    QTest::newRow("case matters") << QByteArray("Admin") << QByteArray("5") << QByteArray("unknown");
    QTest::newRow("blocked") << QByteArray("admin") << QByteArray("12") << QByteArray("blocked");
    QTest::newRow("blocked by numeric value") << QByteArray("mod") << QByteArray("012") << QByteArray("blocked");
    QTest::newRow("id 0 is never blocked") << QByteArray("mod") << QByteArray("0") << QByteArray("mod");
}

void tst_UserList::pictures()
{
    QFETCH(QByteArray, rank);
    QFETCH(QByteArray, id);
    QFETCH(QByteArray, picture);
    ClientState state;
    state.BlockList = {"12", "0"};
    user(state, 1, "u", rank, id);
    UserListModel m(state, nullptr);
    m.UpdateUserList();
    QCOMPARE(m.imageKeyOf(1), picture);
}

void tst_UserList::gamingMovesBetweenGroups()
{
    ClientState state;
    LobbyEvents events;
    user(state, 1, "amy");
    user(state, 2, "ben");
    UserListModel m(state, &events);
    m.UpdateUserList();
    QSignalSpy removed(&m, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    state.Users.at(2)->State = "GAMING";
    state.Users.at(2)->GameText = "Duel";
    Q_EMIT events.userChanged(2);
    QCOMPARE(m.groupOf(2), int(UserListModel::Playing));
    QCOMPARE(m.textOf(2), QByteArray("Duel: ben"));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(m.groupText(UserListModel::Waiting), QByteArray("waiting: 1"));
    QCOMPARE(m.groupText(UserListModel::Playing), QByteArray("playing: 1"));
    // A change of the picture only touches that node.
    state.Users.at(2)->Rank = "mod";
    Q_EMIT events.userChanged(2);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(m.imageKeyOf(2), QByteArray("mod"));
}

void tst_UserList::emptiedNameLosesNode()
{
    ClientState state;
    LobbyEvents events;
    user(state, 1, "amy");
    user(state, 2, "ben");
    UserListModel m(state, &events);
    m.UpdateUserList();
    state.Users.at(1)->Name.clear();
    Q_EMIT events.userChanged(1);
    QCOMPARE(m.groupOf(1), -1);
    QCOMPARE(m.groupText(UserListModel::Waiting), QByteArray("waiting: 1"));
    QCOMPARE(m.rowCount(m.groupIndex(UserListModel::Waiting)), 1);
}

void tst_UserList::perSlotUpdatesMatchFullPass_data()
{
    QTest::addColumn<int>("slots");
    QTest::addColumn<int>("changes");
    QTest::newRow("small lobby") << 400 << 3000;
    QTest::newRow("large lobby") << 5000 << 20000;
}

void tst_UserList::perSlotUpdatesMatchFullPass()
{
    QFETCH(int, slots);
    QFETCH(int, changes);
    // A pseudo-random lobby built message by message gives the same tree as
    // a full pass over the final table.
    ClientState state;
    LobbyEvents events;
    UserListModel live(state, &events);
    quint32 seed = 7;
    auto next = [&] { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0x7FFF; };
    for (int i = 0; i < changes; ++i) {
        const qint32 slot = qint32(next() % quint32(slots)) + 1;
        UserRecord &u = user(state, slot, next() % 7 == 0 ? QByteArray() : "n" + QByteArray::number(next() % 50));
        u.State = next() % 3 == 0 ? "GAMING" : "";
        u.AwayText = next() % 4 == 0 ? "afk" : "";
        Q_EMIT events.userChanged(slot);
    }
    UserListModel full(state, nullptr);
    full.UpdateUserList();
    for (auto g : {UserListModel::Waiting, UserListModel::Playing}) {
        QCOMPARE(live.groupCount(g), full.groupCount(g));
        for (int r = 0; r < full.groupCount(g); ++r) {
            QCOMPARE(live.slotAt(g, r), full.slotAt(g, r));
            QCOMPARE(live.index(r, 0, live.groupIndex(g)).data(UserListModel::SlotRole).toInt(),
                     live.slotAt(g, r));
            QCOMPARE(live.indexOfSlot(live.slotAt(g, r)).row(), r);
            QCOMPARE(live.textOf(live.slotAt(g, r)), full.textOf(full.slotAt(g, r)));
        }
    }
}

void tst_UserList::clearedTableEmptiesList()
{
    ClientState state;
    LobbyEvents events;
    for (int s = 1; s <= 200; ++s)
        user(state, s, "u" + QByteArray::number(s));
    UserListModel m(state, &events);
    m.UpdateUserList();
    QCOMPARE(m.groupCount(UserListModel::Waiting), 200);
    state.Users.clear();
    Q_EMIT events.userListChanged();
    QCOMPARE(m.groupCount(UserListModel::Waiting), 0);
    QCOMPARE(m.groupText(UserListModel::Waiting), QByteArray("waiting: 0"));
    QCOMPARE(m.rowCount(), 2); // the groups stay
}

void tst_UserList::modelIndexesAreConsistent()
{
    ClientState state;
    user(state, 3, "c");
    user(state, 4, "d").State = "GAMING";
    UserListModel m(state, nullptr);
    m.UpdateUserList();
    for (int g = 0; g < 2; ++g) {
        const QModelIndex gi = m.index(g, 0);
        QVERIFY(!m.parent(gi).isValid());
        for (int r = 0; r < m.rowCount(gi); ++r) {
            const QModelIndex ui = m.index(r, 0, gi);
            QCOMPARE(m.parent(ui), gi);
            QCOMPARE(m.rowCount(ui), 0);
        }
    }
    QVERIFY(!m.index(2, 0).isValid());
    QVERIFY(!m.index(0, 1).isValid());
}

QTEST_GUILESS_MAIN(tst_UserList)
#include "tst_userlist.moc"
