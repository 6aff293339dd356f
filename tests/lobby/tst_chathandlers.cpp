#include "ChatLogRuns.h"

#include "ChatRig.h"

#include "lobby/ChatColours.h"

#include <QLocale>
#include <QTest>

namespace {

struct Lobby : ChatRig
{
    Lobby()
    {
        chat.logs().setClock([] { return QTime(14, 5, 33); });
        state.Options.ColorUser = ChatColours::rgb(10, 10, 10);
        state.Options.ColorMod = ChatColours::rgb(20, 20, 20);
        state.Options.ColorAdmin = ChatColours::rgb(30, 30, 30);
        state.Options.ColorClan = ChatColours::rgb(40, 40, 40);
        state.Options.ColorMe = ChatColours::rgb(50, 50, 50);
        addUser(1, "me", "user", "1");
        state.CurrentUser.OwnSlot = 1;
    }

    QString shown(qint16 room = 0) { return shownText(chat.logs().log(room)); }
    QList<LogRun> runs(qint16 room = 0) { return logRuns(chat.logs().log(room)->document()); }
};

} // namespace

class tst_ChatHandlers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void msg_data()
    {
        QTest::addColumn<QByteArray>("rank");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<bool>("timeStamps");
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QColor>("textColour");

        const QColor user(10, 10, 10), mod(20, 20, 20), admin(30, 30, 30);
        QTest::newRow("user") << QByteArray("user") << false << true
                              << QByteArray("MSG bob hello x 0") << "14:05 | bob | hello\n" << user;
        QTest::newRow("admin") << QByteArray("admin") << false << true
                               << QByteArray("MSG bob hello x 0") << "14:05 | bob | hello\n" << admin;
        QTest::newRow("mod") << QByteArray("mod") << false << true
                             << QByteArray("MSG bob hi x 0") << "14:05 | bob | hi\n" << mod;
        QTest::newRow("Admin is a user") << QByteArray("Admin") << false << true
                                         << QByteArray("MSG bob hi x 0") << "14:05 | bob | hi\n" << user;
        QTest::newRow("time stamps off") << QByteArray("user") << false << false
                                         << QByteArray("MSG bob hi x 0") << "bob | hi\n" << user;
        QTest::newRow("blocked") << QByteArray("admin") << true << true
                                 << QByteArray("MSG bob hi x 0") << "" << QColor();
        QTest::newRow("byte 255 is a blank, _ in text stays")
            << QByteArray("user") << false << false << QByteArray("MSG bob a\xFF" "b_c x 0")
            << "bob | a b_c\n" << user;
        QTest::newRow("unknown sender: user colour, never blocked")
            << QByteArray("admin") << true << false << QByteArray("MSG nobody hi x 0") << "nobody | hi\n" << user;
        QTest::newRow("fraction of a room") << QByteArray("user") << false << false
                                            << QByteArray("MSG bob hi x 0.9") << "bob | hi\n" << user;
        QTest::newRow("markup as typed") << QByteArray("user") << false << false
                                         << QByteArray("MSG bob <b>&amp;<img\xFFsrc=x> x 0")
                                         << "bob | <b>&amp;<img src=x>\n" << user;
    }

    void msg()
    {
        QFETCH(QByteArray, rank);
        QFETCH(bool, blocked);
        QFETCH(bool, timeStamps);
        QFETCH(QByteArray, message);
        QFETCH(QString, shown);
        QFETCH(QColor, textColour);

        Lobby lobby;
        lobby.state.Options.TimeStamps = timeStamps;
        lobby.addUser(2, "bob", rank, "77");
        if (blocked)
            lobby.state.BlockList = {"77"};
        lobby.send(message);
        QCOMPARE(lobby.shown(), shown);
        if (shown.isEmpty())
            return;
        const QList<LogRun> runs = lobby.runs();
        const LogRun &text = runs[runs.size() - 2];
        QCOMPARE(text.colour, textColour);
        QVERIFY(text.bold);
        QCOMPARE(text.font, QStringLiteral("Arial"));
        QCOMPARE(text.size, 10.0);
        const LogRun &name = runs[timeStamps ? 2 : 0];
        QCOMPARE(name.colour, QColor(180, 220, 220));
        if (timeStamps) {
            QCOMPARE(runs[0].colour, QColor(128, 128, 128));
            QCOMPARE(runs[1].colour, QColor(230, 230, 230));
        }
    }

    void msgNameUnderscoresShowAsBlanks()
    {
        Lobby lobby;
        lobby.state.Options.TimeStamps = false;
        lobby.addUser(2, "big_bob", "user", "5");
        lobby.send("MSG big_bob hi_there x 0");
        QCOMPARE(lobby.shown(), QStringLiteral("big bob | hi_there\n"));
    }

    void msgToOtherRooms()
    {
        Lobby lobby;
        lobby.state.Options.TimeStamps = false;
        lobby.chat.logs().ensureLog(3);
        lobby.send("MSG me in3 x 3");
        lobby.send("MSG me nowhere x 9");     // room 9 has no log
        lobby.send("MSG me neg x -0.5");      // no room -1
        lobby.send("MSG me huge x 99999");
        QCOMPARE(lobby.shown(3), QStringLiteral("me | in3\n"));
        QCOMPARE(lobby.shown(0), QString());
        QCOMPARE(ChatHandlers::msgRoom("3.7"), std::optional<qint16>(3));
        QCOMPARE(ChatHandlers::msgRoom("abc"), std::optional<qint16>(0));
        QCOMPARE(ChatHandlers::msgRoom("-0.5"), std::optional<qint16>(-1));
        QCOMPARE(ChatHandlers::msgRoom("32768"), std::optional<qint16>());
    }

    void clanAndMe()
    {
        Lobby lobby;
        lobby.addUser(2, "big_bob", "user", "77");
        lobby.send("CLAN big_bob we\xFFwin 0");
        lobby.send("ME big_bob waves\xFFhi 0");
        QCOMPARE(lobby.shown(), QStringLiteral("big bob> we win\n*big bob waves hi*\n"));
        const QList<LogRun> runs = lobby.runs();
        QCOMPARE(runs[0].colour, QColor(40, 40, 40));
        QCOMPARE(runs[2].colour, QColor(50, 50, 50));
        QVERIFY(runs[0].bold);

        lobby.chat.logs().clearLog(0);
        lobby.state.BlockList = {"77"};
        lobby.send("CLAN big_bob x 0");
        lobby.send("ME big_bob x 0");
        lobby.send("MSG big_bob x x 0");
        QCOMPARE(lobby.shown(), QString());
    }

    void pubmsgStaysWholeInMain()
    {
        Lobby lobby;
        lobby.chat.logs().ensureLog(2);
        lobby.chat.logs().setRoomFocus(2);
        lobby.send("PUBMSG server\xFFrestarts x x 2");
        QCOMPARE(lobby.shown(0), QStringLiteral("14:05 | server restarts\n"));
        QCOMPARE(lobby.shown(2), QString());
        const QList<LogRun> runs = lobby.runs();
        QCOMPARE(runs[2].colour, QColor(192, 192, 192));
        QVERIFY(!runs[2].bold);
        QVERIFY(runs[0].bold);
    }

    void motdLine()
    {
        Lobby lobby;
        QVERIFY(!lobby.chat.flood().tmrMsgDisable().isActive());
        lobby.send("MOTDLINE Welcome\xFFto_the\xFFlobby");
        QCOMPARE(lobby.shown(), QStringLiteral("Welcome to_the lobby\n"));
        const QList<LogRun> runs = lobby.runs();
        QCOMPARE(runs[0].colour, QColor(128, 128, 128));
        QCOMPARE(runs[0].size, 8.0);
        QVERIFY(runs[0].bold);
        QVERIFY(lobby.chat.flood().tmrMsgDisable().isActive());
        QVERIFY(!lobby.state.own()->SendLocked);
    }

    void motdLineMarker_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<qint32>("seconds");
        QTest::newRow("as written") << QByteArray(" 30 \r\n") << 30;
        QTest::newRow("no blanks") << QByteArray("20") << 20;
        QTest::newRow("more lines") << QByteArray(" 40 \r\n 99 \r\n") << 40;
        QTest::newRow("not a number keeps seconds") << QByteArray("abc\r\n") << 5;
        QTest::newRow("empty keeps seconds") << QByteArray() << 5;
    }

    void motdLineMarker()
    {
        QFETCH(QByteArray, contents);
        QFETCH(qint32, seconds);
        Lobby lobby;
        lobby.state.own()->LockSeconds = 5;
        QFile marker(lobby.chat.flood().marker().path());
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.write(contents);
        marker.close();
        lobby.send("MOTDLINE hello");
        QVERIFY(lobby.state.own()->SendLocked);
        QCOMPARE(lobby.state.own()->LockSeconds, seconds);
        QVERIFY(QFile::exists(marker.fileName()));   // left in place
        QCOMPARE(lobby.shown(), QStringLiteral("hello\n"));
    }

    void endUsers()
    {
        Lobby lobby;
        QList<QByteArray> order;
        lobby.chat.handlers().setHooks({
            [&] { order << "show lobby"; },
            [&] {
                order << "hide login";
                order << lobby.commands.commands;
            },
        });
        lobby.chat.logs().ensureLog(2);
        lobby.chat.logs().AddLogRTF("keep", 0);
        lobby.chat.logs().AddLogRTF("gone", 2);
        lobby.chat.logs().setRoomFocus(2);
        lobby.send("ENDUSERS");
        QCOMPARE(order, (QList<QByteArray>{"show lobby", "hide login", "MAPPACK OFF 0 0 0", "MAPPACKOK FALSE", "MOTD"}));
        QCOMPARE(lobby.shown(2), QString());
        QCOMPARE(lobby.shown(0), QStringLiteral("keep"));
    }
};

QTEST_MAIN(tst_ChatHandlers)
#include "tst_chathandlers.moc"
