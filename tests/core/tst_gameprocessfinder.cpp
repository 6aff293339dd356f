#include "core/GameProcessFinder.h"
#include "tests/fixtures/FakeProcessTable.h"

#include <QtTest>

// Which process holds the game's memory, over the life of one game.
class tst_GameProcessFinder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void foundOnceTheGameIsMapped();
    void keepsTheProcessWhileItLives();
    void searchesAtMostOncePerInterval();
    void aNewGameForgetsTheLast();
    void nothingWhenTheLaunchHasEnded();
};

namespace {
const QString Game = QStringLiteral("/games/pop/poptb.exe");
constexpr quint64 Base = 0x400000;
} // namespace

void tst_GameProcessFinder::foundOnceTheGameIsMapped()
{
    FakeProcessTable table;
    table.addProcess(10, 500);
    GameProcessFinder finder(table);
    finder.setSearchInterval(0);
    finder.start(10);
    // The launcher runs; the game is not mapped anywhere yet.
    table.addProcess(11, 501);
    QCOMPARE(finder.find(Game, Base), qint64(0));
    QVERIFY(!finder.everFound());
    table.mapFile(11, Game, Base);
    QCOMPARE(finder.find(Game, Base), qint64(11));
    QVERIFY(finder.everFound());
}

void tst_GameProcessFinder::keepsTheProcessWhileItLives()
{
    FakeProcessTable table;
    table.addProcess(10, 500);
    table.addProcess(11, 501);
    table.mapFile(11, Game, Base);
    GameProcessFinder finder(table);
    finder.setSearchInterval(0);
    finder.start(10);
    QCOMPARE(finder.find(Game, Base), qint64(11));
    const int searches = table.searches;
    QCOMPARE(finder.find(Game, Base), qint64(11));
    QCOMPARE(table.searches, searches);

    // The game ended and its pid went to a stranger: never read that one.
    table.endProcess(11);
    table.addProcess(11, 900);
    QCOMPARE(finder.find(Game, Base), qint64(0));
    QVERIFY(finder.everFound());
}

void tst_GameProcessFinder::searchesAtMostOncePerInterval()
{
    FakeProcessTable table;
    table.addProcess(10, 500);
    GameProcessFinder finder(table);
    finder.setSearchInterval(60000);
    finder.start(10);
    QCOMPARE(finder.find(Game, Base), qint64(0));
    QCOMPARE(table.searches, 1);
    table.mapFile(10, Game, Base);
    QCOMPARE(finder.find(Game, Base), qint64(0)); // too soon
    QCOMPARE(table.searches, 1);
    finder.setSearchInterval(0);
    QCOMPARE(finder.find(Game, Base), qint64(10));
}

void tst_GameProcessFinder::aNewGameForgetsTheLast()
{
    FakeProcessTable table;
    table.addProcess(10, 500);
    table.mapFile(10, Game, Base);
    GameProcessFinder finder(table);
    finder.setSearchInterval(0);
    finder.start(10);
    QCOMPARE(finder.find(Game, Base), qint64(10));
    table.addProcess(20, 800);
    finder.start(20);
    QVERIFY(!finder.everFound());
    QCOMPARE(finder.find(Game, Base), qint64(0)); // 10 is older than this launch
}

void tst_GameProcessFinder::nothingWhenTheLaunchHasEnded()
{
    FakeProcessTable table;
    table.addProcess(11, 501);
    table.mapFile(11, Game, Base);
    GameProcessFinder finder(table);
    finder.setSearchInterval(0);
    finder.start(10); // gone before it could be looked at
    QCOMPARE(finder.find(Game, Base), qint64(0));
    finder.start(0);
    QCOMPARE(finder.find(Game, Base), qint64(0));
    QCOMPARE(table.searches, 0);
}

QTEST_GUILESS_MAIN(tst_GameProcessFinder)
#include "tst_gameprocessfinder.moc"
