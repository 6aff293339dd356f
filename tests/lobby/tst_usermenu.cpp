// The user menu matrix: own or other line, the own rank, blocked or not.
#include "lobby/UserMenu.h"
#include "tests/lobby/UserTableFixture.h"

#include <QTest>

using namespace UserTableFixture;

class tst_UserMenu : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void matrix_data();
    void matrix();
    void groupOrFreeSlotHasNoMenu();
    void capturesUserWhenOpened();
    void captionsAreLiteral_data();
    void captionsAreLiteral();
};

void tst_UserMenu::matrix_data()
{
    QTest::addColumn<bool>("own");
    QTest::addColumn<QByteArray>("ownRank");
    QTest::addColumn<bool>("blocked");
    QTest::addColumn<bool>("staffItems");   // Detailed Info and Kick
    QTest::addColumn<bool>("block");
    QTest::addColumn<bool>("unblock");
    for (bool own : {false, true}) {
        for (const QByteArray &rank : {QByteArray("admin"), QByteArray("MOD"), QByteArray("user")}) {
            for (bool blocked : {false, true}) {
                const QByteArray name = QByteArray(own ? "own" : "other") + "/" + rank + "/"
                    + (blocked ? "blocked" : "free");
                const bool staff = rank != "user";
                QTest::newRow(name.constData()) << own << rank << blocked << staff
                                                << (!own && !blocked) << (!own && blocked);
            }
        }
    }
}

void tst_UserMenu::matrix()
{
    QFETCH(bool, own);
    QFETCH(QByteArray, ownRank);
    QFETCH(bool, blocked);
    QFETCH(bool, staffItems);
    QFETCH(bool, block);
    QFETCH(bool, unblock);
    ClientState state;
    state.CurrentUser.OwnSlot = 1;
    user(state, 1, "me", ownRank, "100");
    user(state, 2, "you", "user", "200");
    if (blocked)
        state.BlockList = {own ? "100" : "200"};
    const UserMenuState m = UserMenu::forSlot(state, own ? 1 : 2);
    QVERIFY(m.valid);
    QCOMPARE(m.detailedVisible, staffItems);
    QCOMPARE(m.kickVisible, staffItems);
    QCOMPARE(m.sendFileVisible, !own);
    QCOMPARE(m.setStatusVisible, own);
    QCOMPARE(m.blockVisible, block);
    QCOMPARE(m.unblockVisible, unblock);
    QCOMPARE(m.slot, own ? 1 : 2);
}

void tst_UserMenu::groupOrFreeSlotHasNoMenu()
{
    ClientState state;
    user(state, 1, "me");
    user(state, 2, "");
    QVERIFY(!UserMenu::forSlot(state, 0).valid);
    QVERIFY(!UserMenu::forSlot(state, 2).valid);
    QVERIFY(!UserMenu::forSlot(state, 99).valid);
}

void tst_UserMenu::capturesUserWhenOpened()
{
    ClientState state;
    user(state, 3, "under_score", "user", "33");
    const UserMenuState m = UserMenu::forSlot(state, 3);
    user(state, 3, "someone_else", "user", "44");
    QCOMPARE(m.name, QByteArray("under_score"));
    QCOMPARE(m.userId, QByteArray("33"));
    QCOMPARE(m.ip, QByteArray("10.0.0.3"));
}

void tst_UserMenu::captionsAreLiteral_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("caption");
    QTest::newRow("plain") << QByteArray("Cleo_x") << QByteArray("Cleo_x");
    QTest::newRow("entity") << QByteArray("Cleo_x&amp;") << QByteArray("Cleo_x&&amp;");
    QTest::newRow("double") << QByteArray("a&&b") << QByteArray("a&&&&b");
    QTest::newRow("last") << QByteArray("me&") << QByteArray("me&&");
}

void tst_UserMenu::captionsAreLiteral()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, caption);
    QCOMPARE(UserMenu::literalCaption(text), caption);
}

QTEST_GUILESS_MAIN(tst_UserMenu)
#include "tst_usermenu.moc"
