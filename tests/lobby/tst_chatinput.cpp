#include "ChatLogRuns.h"

#include "ChatRig.h"

#include "core/util/Text.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Lobby : ChatRig
{
    explicit Lobby(const QString &markerFolder = QString())
        : ChatRig(markerFolder)
    {
        chat.logs().setClock([] { return QTime(21, 30, 2); });
        addUser(1, "me");
        addUser(2, "big_bob");
        state.CurrentUser.OwnSlot = 1;
    }

    ChatInput &input() { return chat.input(); }
    void enter(const QByteArray &line)
    {
        input().setText(line);
        input().SendChatLine();
    }
    QString shown(qint16 room = 0) { return shownText(chat.logs().log(room)); }
    UserRecord &own() { return *state.own(); }
};

QByteArray sendmsg(const QByteArray &line, int room = 0)
{
    return "SENDMSG " + Text::EncodeText(line) + " " + QByteArray::number(room);
}

} // namespace

class tst_ChatInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void sendChatLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::addColumn<QByteArray>("inputAfter");
        QTest::addColumn<bool>("smileys");

        QTest::newRow("chat line") << QByteArray("Hello :)") << QList<QByteArray>{sendmsg("Hello :)", 2)}
                                   << QByteArray() << false;
        QTest::newRow("empty line") << QByteArray() << QList<QByteArray>{"SENDMSG  2"} << QByteArray() << false;
        QTest::newRow("status") << QByteArray("!gone fishing") << QList<QByteArray>{"SETSTATUS gone fishing"}
                                << QByteArray() << false;
        QTest::newRow("smileys") << QByteArray("!smileys") << QList<QByteArray>{} << QByteArray() << true;
        QTest::newRow("clear") << QByteArray("/clear") << QList<QByteArray>{} << QByteArray() << false;
        QTest::newRow("Clear is chat") << QByteArray("/Clear") << QList<QByteArray>{sendmsg("/Clear", 2)}
                                       << QByteArray() << false;
        QTest::newRow("debug") << QByteArray("/debug") << QList<QByteArray>{} << QByteArray() << false;
        QTest::newRow("smileys with blank is status") << QByteArray("!smileys ")
                                                      << QList<QByteArray>{"SETSTATUS smileys "} << QByteArray() << false;
        QTest::newRow("private, echoed, prefix kept")
            << QByteArray("/PVT big_bob: hi there") << QList<QByteArray>{sendmsg("/PVT big_bob: hi there", 2)}
            << QByteArray("/PVT big_bob: ") << false;
        QTest::newRow("private, one character, kept")
            << QByteArray("/PVT big_bob: x") << QList<QByteArray>{sendmsg("/PVT big_bob: x", 2)}
            << QByteArray("/PVT big_bob: x") << false;
        QTest::newRow("private, short name, kept")
            << QByteArray("/PVT bo: hi") << QList<QByteArray>{sendmsg("/PVT bo: hi", 2)}
            << QByteArray("/PVT bo: hi") << false;
        QTest::newRow("bare /PVT") << QByteArray("/PVT") << QList<QByteArray>{sendmsg("/PVT", 2)}
                                   << QByteArray() << false;
        QTest::newRow("/PVT and a blank") << QByteArray("/PVT ") << QList<QByteArray>{sendmsg("/PVT ", 2)}
                                          << QByteArray() << false;
        QTest::newRow("two blanks") << QByteArray("/PVT  hello there")
                                    << QList<QByteArray>{sendmsg("/PVT  hello there", 2)}
                                    << QByteArray("/PVT  ") << false;
        QTest::newRow("pvt lower case is chat") << QByteArray("/pvt big_bob: hi")
                                                << QList<QByteArray>{sendmsg("/pvt big_bob: hi", 2)}
                                                << QByteArray() << false;
    }

    void sendChatLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(QList<QByteArray>, sent);
        QFETCH(QByteArray, inputAfter);
        QFETCH(bool, smileys);

        Lobby lobby;
        lobby.chat.logs().ensureLog(2);
        lobby.chat.logs().setRoomFocus(2);
        lobby.chat.logs().AddLogRTF("old\r\n", 2);
        lobby.input().startPrivateMessage(2, "big_bob");
        QSignalSpy smileySpy(&lobby.input(), &ChatInput::showSmileysRequested);
        lobby.enter(line);
        QCOMPARE(lobby.commands.commands, sent);
        QCOMPARE(lobby.input().text(), inputAfter);
        QCOMPARE(smileySpy.count(), smileys ? 1 : 0);
        if (line == "/clear")
            QCOMPARE(lobby.shown(2), QString());
        else if (!line.startsWith("/PVT"))
            QCOMPARE(lobby.shown(2), QStringLiteral("old\n"));
        QCOMPARE(lobby.own().RecentLines, qint16(1));
    }

    void privateEcho()
    {
        Lobby lobby;
        lobby.input().startPrivateMessage(2, "big_bob");
        QCOMPARE(lobby.input().text(), QByteArray("/PVT big_bob: "));
        lobby.enter("/PVT big_bob: see <b>you</b>");
        QCOMPARE(lobby.shown(), QStringLiteral("21:30 >> big bob | see <b>you</b>\n"));
        const QList<LogRun> runs = logRuns(lobby.chat.logs().log(0)->document());
        QCOMPARE(runs[0].colour, QColor(128, 128, 128));
        QCOMPARE(runs[1].colour, QColor(200, 200, 200));
        QCOMPARE(runs[2].colour, QColor(0, 153, 255));
        QCOMPARE(runs[3].colour, QColor(230, 230, 230));
        QCOMPARE(runs[4].colour, QColor(204, 0, 0));
        QVERIFY(runs[4].bold);

        lobby.state.Options.TimeStamps = false;
        lobby.chat.logs().clearLog(0);
        lobby.enter("/PVT big_bob: again");
        QCOMPARE(lobby.shown(), QStringLiteral(" >> big bob | again\n"));
    }

    void privateEchoWithoutAKnownUserNeverCrashes()
    {
        Lobby lobby;
        lobby.input().startPrivateMessage(999, "ghost");
        for (const QByteArray &line : {QByteArray("/PVT  xy"), QByteArray("/PVT      "), QByteArray("/PVT:"),
                                       QByteArray("/PVT a b c"), QByteArray("/PVT\xFF\xFF \xFF")}) {
            lobby.own().RecentLines = 0;
            lobby.enter(line);
        }
        QCOMPARE(lobby.commands.commands.size(), 5);
    }

    void sentLineIsNotFiltered()
    {
        Lobby lobby;
        lobby.chat.badWords().setWords({"ass"});
        lobby.state.Options.ForceLowCase = true;
        lobby.enter("ClASSic");
        QCOMPARE(lobby.commands.last(), sendmsg("ClASSic"));
        lobby.dispatcher.dispatch(LobbyMessage("MSG me ClASSic x 0"));
        QVERIFY(lobby.shown().endsWith(QStringLiteral("me | cl****ic\n")));
    }

    void floodLockSequence()
    {
        Lobby lobby;
        FloodLock &flood = lobby.chat.flood();
        QTimer &timer = flood.tmrMsgDisable();
        QSignalSpy readOnly(&lobby.input(), &ChatInput::readOnlyChanged);
        lobby.dispatcher.dispatch(LobbyMessage("MOTDLINE hi"));
        QVERIFY(timer.isActive());
        QCOMPARE(timer.interval(), 9000);

        for (int i = 1; i <= 7; ++i)
            lobby.enter("line " + QByteArray::number(i));
        QVERIFY(!lobby.own().SendLocked);
        lobby.enter("line 8");   // sets off the lock and is still sent
        QCOMPARE(lobby.commands.commands.size(), 8);
        QVERIFY(lobby.own().SendLocked);
        QCOMPARE(lobby.own().LockSeconds, 10);
        QVERIFY(lobby.input().readOnly());
        QCOMPARE(readOnly.count(), 1);
        QFile marker(flood.marker().path());
        QVERIFY(marker.open(QIODevice::ReadOnly));
        QCOMPARE(marker.readAll(), QByteArray(" 10 \r\n"));
        marker.close();

        lobby.input().setText("typed anyway");
        lobby.input().SendChatLine();
        QCOMPARE(lobby.commands.commands.size(), 8);
        QCOMPARE(lobby.input().text(), QByteArray("typed anyway"));

        // The 9-second window ends: the countdown starts.
        flood.tmrMsgDisable_Timer();
        QCOMPARE(lobby.input().text(), QByteArray("[Send Messages Disabled: 9 ] - Don't Spam!"));
        QCOMPARE(timer.interval(), 1000);
        for (int left = 8; left >= 1; --left) {
            flood.tmrMsgDisable_Timer();
            QCOMPARE(lobby.input().text(), "[Send Messages Disabled: " + QByteArray::number(left) + " ] - Don't Spam!");
            QVERIFY(lobby.own().SendLocked);
        }
        QVERIFY(QFile::exists(marker.fileName()));
        flood.tmrMsgDisable_Timer();
        QVERIFY(!lobby.own().SendLocked);
        QCOMPARE(lobby.input().text(), QByteArray());
        QVERIFY(!lobby.input().readOnly());
        QCOMPARE(lobby.own().RecentLines, qint16(0));
        QVERIFY(!QFile::exists(marker.fileName()));
        flood.tmrMsgDisable_Timer();
        QCOMPARE(timer.interval(), 9000);

        // Lines spread over two windows do not lock.
        for (int i = 0; i < 5; ++i)
            lobby.enter("a");
        flood.tmrMsgDisable_Timer();
        for (int i = 0; i < 7; ++i)
            lobby.enter("b");
        QVERIFY(!lobby.own().SendLocked);

        // The second lock of the run lasts 20 seconds.
        lobby.enter("b");
        QVERIFY(lobby.own().SendLocked);
        QCOMPARE(lobby.own().LockSeconds, 20);
        QCOMPARE(lobby.own().Offences, 2);
        QVERIFY(marker.open(QIODevice::ReadOnly));
        QCOMPARE(marker.readAll(), QByteArray(" 20 \r\n"));
    }

    void commandsCountTowardsTheLimit()
    {
        Lobby lobby;
        for (int i = 0; i < 8; ++i)
            lobby.enter("/debug");
        QVERIFY(lobby.own().SendLocked);
        QVERIFY(lobby.commands.commands.isEmpty());
    }

    void lockSurvivesARestart()
    {
        QTemporaryDir shared;
        {
            Lobby first(shared.path());
            for (int i = 0; i < 8; ++i)
                first.enter("spam");
            QVERIFY(first.own().SendLocked);
        }
        Lobby second(shared.path());
        second.enter("before motd");
        QCOMPARE(second.commands.commands.size(), 1);
        second.dispatcher.dispatch(LobbyMessage("MOTDLINE hello"));
        QVERIFY(second.own().SendLocked);
        QCOMPARE(second.own().LockSeconds, 10);
        QVERIFY(!second.input().readOnly());   // refused all the same
        second.enter("after motd");
        QCOMPARE(second.commands.commands.size(), 1);
        for (int i = 0; i < 10; ++i)
            second.chat.flood().tmrMsgDisable_Timer();
        QVERIFY(!second.own().SendLocked);
        QVERIFY(!second.chat.flood().marker().exists());
        second.enter("free again");
        QCOMPARE(second.commands.commands.size(), 2);
    }

    void timerTicksEndTheCountingWindow()
    {
        Lobby lobby;
        QTimer &timer = lobby.chat.flood().tmrMsgDisable();
        for (int i = 0; i < 3; ++i)
            lobby.enter("x");
        QCOMPARE(lobby.own().RecentLines, qint16(3));
        timer.setInterval(1);   // the real timer, sped up
        lobby.chat.flood().enableTimer();
        QTRY_COMPARE_WITH_TIMEOUT(lobby.own().RecentLines, qint16(0), 5000);
        QCOMPARE(timer.interval(), 9000);
    }

    void markerFormat()
    {
        QCOMPARE(FloodLockMarker::format(30), QByteArray(" 30 \r\n"));
        QCOMPARE(FloodLockMarker::parse(" 30 \r\n"), std::optional<qint32>(30));
        QCOMPARE(FloodLockMarker::parse("-4"), std::optional<qint32>(-4));
        QCOMPARE(FloodLockMarker::parse("3 0"), std::optional<qint32>());
        QCOMPARE(FloodLockMarker::parse("99999999999"), std::optional<qint32>());
    }
};

QTEST_MAIN(tst_ChatInput)
#include "tst_chatinput.moc"
