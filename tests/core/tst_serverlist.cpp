#include "core/ServerList.h"

#include <QTest>

using Names = QByteArrayList;

class tst_ServerList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Names>("names");
        QTest::addColumn<Names>("hosts");
        QTest::addColumn<Names>("ports");
        QTest::addColumn<bool>("endedInside");

        QTest::newRow("three records with junk between")
            << QByteArray("junk\nnewserver\nMain\nlobby.example.org\n7576\n\nmore junk\n"
                          "newserver\nSecond\n10.0.0.2\n7577\nxx\nnewserver\nThird\nthird.example\n1\n")
            << Names{"Main", "Second", "Third"} << Names{"lobby.example.org", "10.0.0.2", "third.example"}
            << Names{"7576", "7577", "1"} << false;
        QTest::newRow("CR LF lines") << QByteArray("newserver\r\nA\r\nhost.a\r\n7576\r\n") << Names{"A"}
                                     << Names{"host.a"} << Names{"7576"} << false;
        QTest::newRow("no final line end") << QByteArray("newserver\nA\nhost.a\n7576") << Names{"A"}
                                           << Names{"host.a"} << Names{"7576"} << false;
        QTest::newRow("marker in any case, rest of line ignored")
            << QByteArray("NewServer #1\nA\nh\n80\nNEWSERVERxyz\nB\ng\n81\n") << Names{"A", "B"}
            << Names{"h", "g"} << Names{"80", "81"} << false;
        QTest::newRow("marker only at the start of a line")
            << QByteArray(" newserver\nA\nh\n80\nthe newserver\nB\ng\n81\n") << Names{} << Names{}
            << Names{} << false;
        QTest::newRow("three lines taken whatever they hold")
            << QByteArray("newserver\nnewserver\nh\n80\n") << Names{"newserver"} << Names{"h"}
            << Names{"80"} << false;
        QTest::newRow("no host skipped") << QByteArray("newserver\nA\n\n80\nnewserver\nB\ng\n81\n")
                                         << Names{"B"} << Names{"g"} << Names{"81"} << false;
        QTest::newRow("ports outside 1 to 65535 skipped")
            << QByteArray("newserver\nA\nh\n0\nnewserver\nB\nh\n65536\nnewserver\nC\nh\n-5\n"
                          "newserver\nD\nh\nabc\nnewserver\nE\nh\n65535\nnewserver\nF\nh\n\n")
            << Names{"E"} << Names{"h"} << Names{"65535"} << false;
        QTest::newRow("ends inside a record")
            << QByteArray("newserver\nA\nh\n80\nnewserver\nB\nh\n") << Names{"A"} << Names{"h"}
            << Names{"80"} << true;
        QTest::newRow("empty") << QByteArray() << Names{} << Names{} << Names{} << false;
        QTest::newRow("names keep code-page bytes")
            << QByteArray("newserver\nCaf\xE9 lobby\nh\n80\n") << Names{"Caf\xE9 lobby"} << Names{"h"}
            << Names{"80"} << false;
    }

    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(Names, names);
        QFETCH(Names, hosts);
        QFETCH(Names, ports);
        QFETCH(bool, endedInside);
        const ServerList::Parsed parsed = ServerList::parse(text);
        Names gotNames, gotHosts, gotPorts;
        for (const ServerEntry &e : parsed.entries) {
            gotNames.append(e.Name);
            gotHosts.append(e.Host);
            gotPorts.append(e.Port);
        }
        QCOMPARE(gotNames, names);
        QCOMPARE(gotHosts, hosts);
        QCOMPARE(gotPorts, ports);
        QCOMPARE(parsed.endedInsideRecord, endedInside);
    }

    void entriesFromOne()
    {
        ServerList list;
        list.replace(ServerList::parse("newserver\nA\nh\n80\nnewserver\nB\ng\n81\n").entries);
        QCOMPARE(list.ServerCount(), 2);
        QVERIFY(!list.entry(0));
        QCOMPARE(list.entry(2)->Name, QByteArray("B"));
        QVERIFY(!list.entry(3));
    }
};

QTEST_GUILESS_MAIN(tst_ServerList)
#include "tst_serverlist.moc"
