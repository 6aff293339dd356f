// The user list on screen: both groups stay open after every fill, a small
// one, a login's burst that the view takes in one layout, and the fill of a
// new login that follows either.
#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "lobby/UserListModel.h"
#include "lobby/ui/UserListView.h"

#include <QtTest>

class tst_UserListView : public QObject
{
    Q_OBJECT

    struct Rig
    {
        ClientState state;
        LobbyEvents events;
        UserListModel model{state, &events};
        UserListView view{state, model};

        // One login's fill: every user within one event-loop turn.
        void fill(int users, bool playing)
        {
            for (qint32 slot = 1; slot <= users; ++slot) {
                UserRecord *u = state.Users.growTo(slot);
                state.Users.setName(slot, "user_" + QByteArray::number(slot));
                u->Rank = "user";
                u->UserId = QByteArray::number(100 + slot);
                u->State = playing && slot % 3 == 0 ? "GAMING" : "";
                Q_EMIT events.userChanged(slot);
            }
        }
        // A new login: the tables are emptied, then filled again.
        void relogin()
        {
            state.Users.clear();
            Q_EMIT events.userListChanged();
        }
    };

private Q_SLOTS:
    void groupsOpenAfterEveryFill_data()
    {
        QTest::addColumn<int>("first");   // users of the first login
        QTest::addColumn<int>("second");  // users after a re-login; -1: none
        QTest::newRow("7 users") << 7 << -1;
        QTest::newRow("250 users") << 250 << -1;
        QTest::newRow("re-login from 7 to 7") << 7 << 7;
        QTest::newRow("re-login from 250 to 7") << 250 << 7;
        QTest::newRow("re-login from 250 to 250") << 250 << 250;
        QTest::newRow("re-login from 7 to 250") << 7 << 250;
    }

    void groupsOpenAfterEveryFill()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        Rig rig;
        rig.view.resize(240, 400);
        rig.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));

        int users = first;
        rig.fill(first, true);
        QTRY_VERIFY(!rig.view.isDeferred());
        if (second >= 0) {
            rig.relogin();
            rig.fill(second, true);
            users = second;
            QTRY_VERIFY(!rig.view.isDeferred());
        }
        QCoreApplication::processEvents();

        QCOMPARE(rig.view.model(), static_cast<QAbstractItemModel *>(&rig.model));
        for (UserListModel::Group g : {UserListModel::Waiting, UserListModel::Playing}) {
            const QModelIndex group = rig.model.groupIndex(g);
            QVERIFY2(rig.view.isExpanded(group), g == UserListModel::Waiting ? "waiting" : "playing");
        }
        QCOMPARE(rig.model.groupCount(UserListModel::Waiting) + rig.model.groupCount(UserListModel::Playing),
                 users);
        // The first user of the waiting group shows under its group, on screen.
        const QModelIndex waiting = rig.model.groupIndex(UserListModel::Waiting);
        const QRect groupRow = rig.view.visualRect(waiting);
        const QRect userRow = rig.view.visualRect(rig.model.index(0, 0, waiting));
        QVERIFY(userRow.isValid());
        QVERIFY(userRow.top() >= groupRow.bottom());
        QVERIFY(rig.view.viewport()->rect().intersects(userRow));
        QCOMPARE(rig.view.indexAt(userRow.center()), rig.model.index(0, 0, waiting));
    }
};

QTEST_MAIN(tst_UserListView)
#include "tst_userlistview.moc"
