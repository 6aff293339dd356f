// The rankings: the page's records, the own place, and the fetch against the
// test web host (failures, both line ends, two quick fetches).
#include "core/ClientState.h"
#include "core/util/Ini.h"
#include "lobby/Rankings.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/WebHost.h"
#include "tests/lobby/UserTableFixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One record of the page, its eight lines without line ends.
QList<QByteArray> record(const QByteArray &icon, int place, const QByteArray &name, const QByteArray &id)
{
    return {icon, QByteArray::number(place), name, "3", "5", "8", "1200", id};
}

QByteArray page(const QList<QList<QByteArray>> &records, const QByteArray &lineEnd = "\n")
{
    QByteArray out;
    for (const QList<QByteArray> &r : records) {
        for (const QByteArray &line : r)
            out += line + lineEnd;
    }
    return out;
}

RankRow row(const QList<QByteArray> &r)
{
    return {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7]};
}

} // namespace

class tst_Rankings : public QObject
{
    Q_OBJECT

    struct Rig
    {
        QTemporaryDir folder;
        WebHost web;
        ClientState state;
        Rankings ranks{state};

        Rig(const QByteArray &ownId = "22")
        {
            QVERIFY(web.listen());
            state.Setup.ProgramFolder = folder.path();
            QVERIFY(Ini::WriteIni(folder.filePath("qx.ini"), "general", "webhost", web.hostAndPort()));
            UserTableFixture::user(state, 3, "me", "user", ownId);
            state.CurrentUser.OwnSlot = 3;
            ranks.setTimeout(3000);
        }
        // Fetches and waits for the answer.
        bool fetch()
        {
            ranks.GetRanks();
            return QTest::qWaitFor([this] { return !ranks.fetching(); }, 5000);
        }
    };

private Q_SLOTS:
    void parse_data();
    void parse();
    void sameUserId_data();
    void sameUserId();
    void ownPlace_data();
    void ownPlace();
    void failedOrEmptyFetch_data();
    void failedOrEmptyFetch();
    void cutLastRecord_data();
    void cutLastRecord();
    void ownRankKeptOverAnswerWithoutPlayer();
    void requestCarriesRandomValue();
    void listEmptiedWhileFetching();
    void secondFetchWins();
    void repeatedFetchShowsListOnce();
};

void tst_Rankings::parse_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QList<RankRow>>("rows");
    const QList<QByteArray> a = record("admin", 1, "Ava", "501");
    const QList<QByteArray> b = record("mod", 2, "Bram", "502");
    QTest::newRow("two records, LF") << page({a, b}) << QList<RankRow>{row(a), row(b)};
    QTest::newRow("two records, CR LF") << page({a, b}, "\r\n") << QList<RankRow>{row(a), row(b)};
    QTest::newRow("no final line end") << page({a, b}).chopped(1) << QList<RankRow>{row(a), row(b)};
    QTest::newRow("empty page") << QByteArray() << QList<RankRow>{};
    QTest::newRow("a line end alone") << QByteArray("\n") << QList<RankRow>{RankRow()};
    // A last record cut short: its missing columns hold the last line read,
    // and it has no id.
    QTest::newRow("cut after 1 line")
        << page({a}) + "mod" << QList<RankRow>{row(a), {"mod", "mod", "mod", "mod", "mod", "mod", "mod", ""}};
    QTest::newRow("cut after 3 lines")
        << page({a}) + "mod\n2\nBram\n"
        << QList<RankRow>{row(a), {"mod", "2", "Bram", "Bram", "Bram", "Bram", "Bram", ""}};
    QTest::newRow("cut after 4 lines, no final line end")
        << QByteArray("admin\n1\nzed\n3") << QList<RankRow>{{"admin", "1", "zed", "3", "3", "3", "3", ""}};
    QTest::newRow("cut after 7 lines") << page({a}).left(page({a}).lastIndexOf("501"))
                                       << QList<RankRow>{{"admin", "1", "Ava", "3", "5", "8", "1200", ""}};
    QTest::newRow("cut after 7 lines, CR LF")
        << page({a, b}, "\r\n").left(page({a, b}, "\r\n").lastIndexOf("502"))
        << QList<RankRow>{row(a), {"mod", "2", "Bram", "3", "5", "8", "1200", ""}};
    QTest::newRow("empty fields kept") << QByteArray("\n\n\n\n\n\n\n\n") << QList<RankRow>{RankRow()};
    // Texts stay as they were sent, blanks and all.
    const QList<QByteArray> odd = {"warrior", " 3", "Name With Blanks ", "x", "", "9", "-5", "abc"};
    QTest::newRow("texts as received") << page({odd}) << QList<RankRow>{row(odd)};
}

void tst_Rankings::parse()
{
    QFETCH(QByteArray, page);
    QFETCH(QList<RankRow>, rows);
    QCOMPARE(Ranks::ParseRanks(page), rows);
}

void tst_Rankings::sameUserId_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("equal") << QByteArray("7") << QByteArray("7") << true;
    QTest::newRow("leading zeros") << QByteArray("007") << QByteArray("7") << true;
    QTest::newRow("blanks in front") << QByteArray(" 7") << QByteArray("07") << true;
    QTest::newRow("plus sign") << QByteArray("+7") << QByteArray("7") << true;
    QTest::newRow("text after the number") << QByteArray("7abc") << QByteArray("7") << true;
    QTest::newRow("different") << QByteArray("7") << QByteArray("70") << false;
    QTest::newRow("longer than 64 bits")
        << QByteArray("123456789012345678901234567890") << QByteArray("0123456789012345678901234567890") << true;
    QTest::newRow("long ids differing") << QByteArray("99999999999") << QByteArray("88888888888") << false;
    QTest::newRow("both empty") << QByteArray() << QByteArray() << false;
    QTest::newRow("both zero") << QByteArray("0") << QByteArray("000") << false;
    QTest::newRow("empty and zero") << QByteArray() << QByteArray("0") << false;
    QTest::newRow("no number") << QByteArray("abc") << QByteArray("abc") << false;
    QTest::newRow("negative") << QByteArray("-7") << QByteArray("-7") << false;
}

void tst_Rankings::sameUserId()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, same);
    QCOMPARE(Ranks::SameUserId(a, b), same);
    QCOMPARE(Ranks::SameUserId(b, a), same);
}

void tst_Rankings::ownPlace_data()
{
    QTest::addColumn<QByteArray>("ownId");
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::addColumn<QByteArray>("caption");
    QTest::newRow("own id second, LF") << QByteArray("22") << QByteArray("\n") << QByteArray("Your Rank: 2");
    QTest::newRow("own id second, CR LF") << QByteArray("22") << QByteArray("\r\n") << QByteArray("Your Rank: 2");
    QTest::newRow("\"007\" is 7") << QByteArray("7") << QByteArray("\n") << QByteArray("Your Rank: 1");
    QTest::newRow("not in the list") << QByteArray("23") << QByteArray("\n") << QByteArray("Your Rank:");
    // A record with an empty id never matches an own id that is no number.
    QTest::newRow("own id empty") << QByteArray("") << QByteArray("\n") << QByteArray("Your Rank:");
    QTest::newRow("own id zero") << QByteArray("0") << QByteArray("\n") << QByteArray("Your Rank:");
}

void tst_Rankings::ownPlace()
{
    QFETCH(QByteArray, ownId);
    QFETCH(QByteArray, lineEnd);
    QFETCH(QByteArray, caption);
    Rig rig(ownId);
    rig.web.serve("/ranksqx.php", page({record("admin", 1, "Ava", "007"), record("mod", 2, "Bram", "22"),
                                        record("brave", 3, "Cleo", "")},
                                       lineEnd));
    QVERIFY(rig.fetch());
    QCOMPARE(rig.ranks.rows().size(), 3);
    QCOMPARE(rig.ranks.rows().at(1).Name, QByteArray("Bram"));
    QCOMPARE(rig.ranks.rows().at(2).UserId, QByteArray());
    QCOMPARE(rig.ranks.YourRank(), caption);
}

void tst_Rankings::failedOrEmptyFetch_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("404") << 404 << page({record("admin", 1, "Ava", "22")});
    QTest::newRow("500") << 500 << QByteArray();
    QTest::newRow("empty page") << 200 << QByteArray();
}

void tst_Rankings::failedOrEmptyFetch()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    Rig rig;
    // A list from an earlier fetch...
    rig.web.serve("/ranksqx.php", page({record("admin", 1, "Ava", "1"), record("mod", 2, "Bram", "22")}));
    QVERIFY(rig.fetch());
    QCOMPARE(rig.ranks.YourRank(), QByteArray("Your Rank: 2"));
    // ...is gone: one row with no texts. The own place stays as it was.
    rig.web.serve("/ranksqx.php", body, status);
    QVERIFY(rig.fetch());
    QCOMPARE(rig.ranks.rows(), QList<RankRow>{RankRow()});
    QCOMPARE(rig.ranks.YourRank(), QByteArray("Your Rank: 2"));
}

void tst_Rankings::cutLastRecord_data()
{
    QTest::addColumn<QByteArray>("cut");
    QTest::addColumn<RankRow>("last");
    QTest::newRow("after 1 line") << QByteArray("mod\n") << RankRow{"mod", "mod", "mod", "mod", "mod", "mod", "mod", ""};
    QTest::newRow("after 3 lines") << QByteArray("mod\n2\nBram\n")
                                   << RankRow{"mod", "2", "Bram", "Bram", "Bram", "Bram", "Bram", ""};
    // The rating is the own id's number, but a cut record has no id.
    QTest::newRow("after 7 lines") << QByteArray("mod\n2\nBram\n4\n6\n10\n22\n")
                                   << RankRow{"mod", "2", "Bram", "4", "6", "10", "22", ""};
}

void tst_Rankings::cutLastRecord()
{
    QFETCH(QByteArray, cut);
    QFETCH(RankRow, last);
    Rig rig("22");
    const QList<QByteArray> first = record("admin", 1, "Ava", "501");
    rig.web.serve("/ranksqx.php", page({first}) + cut);
    QVERIFY(rig.fetch());
    QCOMPARE(rig.ranks.rows(), (QList<RankRow>{row(first), last}));
    QCOMPARE(rig.ranks.YourRank(), QByteArray("Your Rank:"));
}

void tst_Rankings::ownRankKeptOverAnswerWithoutPlayer()
{
    Rig rig("22");
    rig.web.serve("/ranksqx.php", page({record("admin", 1, "Ava", "1"), record("mod", 2, "Me", "22")}));
    QVERIFY(rig.fetch());
    QCOMPARE(rig.ranks.YourRank(), QByteArray("Your Rank: 2"));
    // An answer without the own player: new rows, the caption as it was.
    rig.web.serve("/ranksqx.php", page({record("brave", 1, "Cleo", "9"), record("mod", 2, "Dov", "10")}));
    QVERIFY(rig.fetch());
    QCOMPARE(rig.ranks.rows().at(0).Name, QByteArray("Cleo"));
    QCOMPARE(rig.ranks.YourRank(), QByteArray("Your Rank: 2"));
    // The player found again, at another place.
    rig.web.serve("/ranksqx.php", page({record("brave", 1, "Cleo", "9"), record("mod", 5, "Me", "022")}));
    QVERIFY(rig.fetch());
    QCOMPARE(rig.ranks.YourRank(), QByteArray("Your Rank: 5"));
}

void tst_Rankings::requestCarriesRandomValue()
{
    Rig rig;
    rig.web.serve("/ranksqx.php", page({record("admin", 1, "Ava", "1")}));
    QVERIFY(rig.fetch());
    QVERIFY(rig.fetch());
    QCOMPARE(rig.web.requestCount("/ranksqx.php"), 2);
    for (const WebHost::Request &r : rig.web.requests) {
        QCOMPARE(r.query.left(7), QByteArray("random="));
        bool ok = false;
        const qint64 n = r.queryValue("random").toLongLong(&ok);
        QVERIFY(ok);
        QVERIFY(n >= 0 && n <= 99999998);
    }
}

void tst_Rankings::listEmptiedWhileFetching()
{
    Rig rig;
    rig.web.serve("/ranksqx.php", page({record("admin", 1, "Ava", "22")}));
    QVERIFY(rig.fetch());
    QCOMPARE(rig.ranks.rows().size(), 1);
    rig.web.stall("/ranksqx.php");
    QSignalSpy changed(&rig.ranks, &Rankings::changed);
    rig.ranks.GetRanks();
    QCOMPARE(changed.count(), 1);
    QVERIFY(rig.ranks.rows().isEmpty());
    QCOMPARE(rig.ranks.YourRank(), QByteArray("Your Rank: 1"));
    QVERIFY(rig.ranks.fetching());
}

void tst_Rankings::secondFetchWins()
{
    Rig rig;
    // The first answer trickles in; the second comes at once.
    WebHost::Answer slow;
    slow.body = page({record("admin", 1, "Old", "22"), record("mod", 2, "Older", "5")});
    slow.chunkBytes = 4;
    slow.chunkIntervalMs = 20;
    rig.web.serve("/ranksqx.php", slow);
    QSignalSpy changed(&rig.ranks, &Rankings::changed);
    rig.ranks.GetRanks();
    QTRY_COMPARE_WITH_TIMEOUT(rig.web.requestCount("/ranksqx.php"), 1, 5000);
    rig.web.serve("/ranksqx.php", page({record("brave", 1, "New", "9"), record("mod", 2, "Me", "22")}));
    rig.ranks.GetRanks();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.ranks.fetching(), 5000);
    QCOMPARE(rig.ranks.rows().size(), 2);
    QCOMPARE(rig.ranks.rows().at(0).Name, QByteArray("New"));
    QCOMPARE(rig.ranks.YourRank(), QByteArray("Your Rank: 2"));
    // Long after the slow answer would have ended, the newer list stays.
    changed.clear();
    QVERIFY(!changed.wait(int(slow.body.size()) / 4 * 20 + 200));
    QCOMPARE(rig.ranks.rows().at(0).Name, QByteArray("New"));
}

void tst_Rankings::repeatedFetchShowsListOnce()
{
    Rig rig;
    rig.web.serve("/ranksqx.php", page({record("admin", 1, "Ava", "1"), record("mod", 2, "Bram", "22")}));
    QVERIFY(rig.fetch());
    QVERIFY(rig.fetch());
    QCOMPARE(rig.ranks.rows().size(), 2);
}

QTEST_GUILESS_MAIN(tst_Rankings)
#include "tst_rankings.moc"
