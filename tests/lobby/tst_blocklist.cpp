// The block list: stored form, load and save through qx.ini, block and
// unblock.
#include "core/ClientState.h"
#include "core/util/Ini.h"
#include "lobby/BlockList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_BlockList : public QObject
{
    Q_OBJECT

    static QByteArray stored(const ClientState &state)
    {
        return Ini::ReadIni(BlockList::settingsFile(state), "general", "options", "<missing>");
    }

private Q_SLOTS:
    void parse_data();
    void parse();
    void storedForm();
    void loadMissingFile();
    void saveAndLoadAgain();
    void isUserBlocked_data();
    void isUserBlocked();
    void blockTwiceWritesOnce();
    void blockWithoutIdStoresNothing();
    void unblockRemovesEveryMatch();
    void unblockOnlyEntryStoresEmpty();
};

void tst_BlockList::parse_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("two") << QByteArray("12|345|") << QList<QByteArray>{"12", "345"};
    QTest::newRow("no number reads 0") << QByteArray("12|abc|") << QList<QByteArray>{"12", "0"};
    QTest::newRow("last piece dropped") << QByteArray("12|34") << QList<QByteArray>{"12"};
    QTest::newRow("leading zeros") << QByteArray("007|") << QList<QByteArray>{"7"};
    QTest::newRow("empty pieces skipped") << QByteArray("||5||") << QList<QByteArray>{"5"};
    QTest::newRow("leading digits") << QByteArray("9x|") << QList<QByteArray>{"9"};
}

void tst_BlockList::parse()
{
    QFETCH(QByteArray, stored);
    QFETCH(QList<QByteArray>, entries);
    QCOMPARE(BlockList::parseStoredForm(stored), entries);
}

void tst_BlockList::storedForm()
{
    QCOMPARE(BlockList::storedForm({"12", "345"}), QByteArray("12|345|"));
    QCOMPARE(BlockList::storedForm({}), QByteArray());
}

void tst_BlockList::loadMissingFile()
{
    QTemporaryDir dir;
    ClientState state;
    state.Setup.ProgramFolder = dir.path();
    state.BlockList = {"1"};
    BlockList::LoadBlockList(state);
    QVERIFY(state.BlockList.isEmpty());
}

void tst_BlockList::saveAndLoadAgain()
{
    QTemporaryDir dir;
    ClientState state;
    state.Setup.ProgramFolder = dir.path();
    QVERIFY(Ini::WriteIni(BlockList::settingsFile(state), "general", "options", "3|017|x|"));
    QVERIFY(Ini::WriteIni(BlockList::settingsFile(state), "userinfo", "name", "me"));
    BlockList::LoadBlockList(state);
    QCOMPARE(state.BlockList, (QList<QByteArray>{"3", "17", "0"}));
    QVERIFY(BlockList::SaveBlockList(state));
    QCOMPARE(stored(state), QByteArray("3|17|0|"));
    // Other settings survive the write.
    QCOMPARE(Ini::ReadIni(BlockList::settingsFile(state), "userinfo", "name", ""), QByteArray("me"));
    ClientState again;
    again.Setup.ProgramFolder = dir.path();
    BlockList::LoadBlockList(again);
    QCOMPARE(again.BlockList, state.BlockList);
}

void tst_BlockList::isUserBlocked_data()
{
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("blocked");
    QTest::newRow("empty list") << QList<QByteArray>{} << 5 << false;
    QTest::newRow("listed") << QList<QByteArray>{"4", "5"} << 5 << true;
    QTest::newRow("numeric compare") << QList<QByteArray>{"05"} << 5 << true;
    QTest::newRow("not listed") << QList<QByteArray>{"4"} << 5 << false;
    QTest::newRow("0 never blocked") << QList<QByteArray>{"0"} << 0 << false;
}

void tst_BlockList::isUserBlocked()
{
    QFETCH(QList<QByteArray>, entries);
    QFETCH(int, id);
    QFETCH(bool, blocked);
    ClientState state;
    state.BlockList = entries;
    QCOMPARE(BlockList::IsUserBlocked(state, id), blocked);
    QCOMPARE(BlockList::IsUserIdBlocked(state, QByteArray::number(id)), blocked);
}

void tst_BlockList::blockTwiceWritesOnce()
{
    QTemporaryDir dir;
    ClientState state;
    state.Setup.ProgramFolder = dir.path();
    BlockList::BlockUser(state, 42);
    QCOMPARE(stored(state), QByteArray("42|"));
    QFile::remove(BlockList::settingsFile(state));
    BlockList::BlockUser(state, 42); // already blocked: the file is not rewritten
    QVERIFY(!QFile::exists(BlockList::settingsFile(state)));
    QCOMPARE(state.BlockList, QList<QByteArray>{"42"});
}

void tst_BlockList::blockWithoutIdStoresNothing()
{
    QTemporaryDir dir;
    ClientState state;
    state.Setup.ProgramFolder = dir.path();
    BlockList::BlockUser(state, 0);
    BlockList::BlockUser(state, 0);
    QVERIFY(state.BlockList.isEmpty());
    QVERIFY(!QFile::exists(BlockList::settingsFile(state)));
}

void tst_BlockList::unblockRemovesEveryMatch()
{
    QTemporaryDir dir;
    ClientState state;
    state.Setup.ProgramFolder = dir.path();
    state.BlockList = {"7", "7", "8", "07", "7"};
    BlockList::UnblockUser(state, 7);
    QCOMPARE(state.BlockList, QList<QByteArray>{"8"});
    QCOMPARE(stored(state), QByteArray("8|"));
}

void tst_BlockList::unblockOnlyEntryStoresEmpty()
{
    QTemporaryDir dir;
    ClientState state;
    state.Setup.ProgramFolder = dir.path();
    BlockList::BlockUser(state, 9);
    BlockList::UnblockUser(state, 9);
    QVERIFY(state.BlockList.isEmpty());
    // An empty value reads as the default.
    QCOMPARE(stored(state), QByteArray("<missing>"));
    QVERIFY(QFile::exists(BlockList::settingsFile(state)));
}

QTEST_GUILESS_MAIN(tst_BlockList)
#include "tst_blocklist.moc"
