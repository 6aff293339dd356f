#include "ChatRig.h"
#include "lobby/ChatLog.h"

#include <QSignalSpy>
#include <QTest>

namespace {

struct Lobby : ChatRig
{
    Lobby()
    {
        addUser(1, "me", "user");
        state.CurrentUser.OwnSlot = 1;
        chat.rooms().ResetRoomList();
    }

    // What the "NWROOM" handler does before it announces the room.
    void announce(qint16 n, const QByteArray &name, const QByteArray &creator = "someone",
                  const QByteArray &password = "NONE")
    {
        RoomRecord *r = state.Rooms.entry(n);
        r->Name = name;
        r->Creator = creator;
        r->Password = password;
        r->Passworded = password != "NONE";
        Q_EMIT events.roomAnnounced(n);
    }

    ChatRooms &rooms() { return chat.rooms(); }
    RoomList &list() { return chat.rooms().lstRooms(); }
    ChatLogs &logs() { return chat.logs(); }
    QList<QByteArray> rowTexts()
    {
        QList<QByteArray> texts;
        for (const RoomList::Row &r : list().rows())
            texts << r.text;
        return texts;
    }
};

} // namespace

class tst_ChatRooms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void announcedRoomsGetRowsAndLogs()
    {
        Lobby lobby;
        QCOMPARE(lobby.rowTexts(), QList<QByteArray>{"Main"});
        QCOMPARE(lobby.logs().RoomFocus(), qint16(0));
        lobby.announce(1, "one");
        lobby.announce(2, "two");
        QCOMPARE(lobby.rowTexts(), (QList<QByteArray>{"Main", "one", "two"}));
        QVERIFY(lobby.logs().hasRoom(1));
        QVERIFY(lobby.logs().hasRoom(2));
        QCOMPARE(lobby.logs().shownRoom(), qint16(0));

        lobby.announce(2, "renamed");   // the same room again keeps its row
        QCOMPARE(lobby.rowTexts(), (QList<QByteArray>{"Main", "one", "renamed"}));
    }

    // A document is made when a room is shown or written to, never for an
    // announcement alone: a server may announce every room number.
    void logsAreMadeWhenShownOrWritten()
    {
        Lobby lobby;
        QCOMPARE(lobby.logs().documentCount(), qsizetype(1));
        for (qint32 n = 1; n <= RoomTable::MaxRoom; ++n)
            lobby.announce(qint16(n), "room_" + QByteArray::number(n));
        QCOMPARE(lobby.list().rows().size(), RoomTable::MaxRoom + 1);
        QCOMPARE(lobby.logs().documentCount(), qsizetype(1));
        QVERIFY(lobby.logs().hasRoom(RoomTable::MaxRoom));
        QVERIFY(!lobby.logs().log(7));

        lobby.send("MSG someone hello 0 7");
        QVERIFY(lobby.logs().log(7));
        QVERIFY(lobby.logs().log(7)->plainText().endsWith(QStringLiteral("someone | hello\n")));
        QCOMPARE(lobby.logs().documentCount(), qsizetype(2));

        lobby.rooms().lstRooms_Click(lobby.list().rowOf(9));
        QCOMPARE(lobby.logs().shownRoom(), qint16(9));
        QVERIFY(lobby.logs().log(9));
        QCOMPARE(lobby.logs().documentCount(), qsizetype(3));

        lobby.send("MSG someone lost 0 -5");   // never announced: dropped, no document
        QCOMPARE(lobby.logs().documentCount(), qsizetype(3));
    }

    // Past room 32767 the next number would wrap to -32768 on the wire.
    void creatingPastTheHighestNumberIsRefused()
    {
        Lobby lobby;
        lobby.announce(RoomTable::MaxRoom, "last");
        lobby.commands.clear();
        QVERIFY(!lobby.rooms().cmdCreateRoom_Click("more", QByteArray()));
        QVERIFY(lobby.commands.commands.isEmpty());
        QVERIFY(lobby.logs().log(0)->plainText().endsWith(
            QStringLiteral("No room can be created: every room number is in use.\n")));

        lobby.announce(RoomTable::MaxRoom - 1, "before");
        QVERIFY(!lobby.rooms().cmdCreateRoom_Click("more", QByteArray()));
        QVERIFY(lobby.commands.commands.isEmpty());
    }

    void rowsCarryTheirRoomNumber()
    {
        Lobby lobby;
        lobby.announce(5, "five");
        lobby.announce(32767, "last");
        QCOMPARE(lobby.list().roomAt(1), qint16(5));
        QCOMPARE(lobby.list().roomAt(2), qint16(32767));
        QCOMPARE(lobby.logs().rooms(), (QList<qint16>{0, 5, 32767}));
        lobby.rooms().lstRooms_Click(2);
        QCOMPARE(lobby.logs().RoomFocus(), qint16(32767));
        QCOMPARE(lobby.logs().shownRoom(), qint16(32767));
        QCOMPARE(lobby.rooms().caption(), QByteArray("last"));
    }

    void switching()
    {
        Lobby lobby;
        lobby.announce(1, "one");
        QSignalSpy captions(&lobby.rooms(), &ChatRooms::captionChanged);
        lobby.rooms().lstRooms_Click(1);
        QCOMPARE(lobby.logs().RoomFocus(), qint16(1));
        QCOMPARE(lobby.logs().shownRoom(), qint16(1));
        QCOMPARE(captions.count(), 1);
        lobby.rooms().lstRooms_Click(0);
        QCOMPARE(lobby.logs().RoomFocus(), qint16(0));
        QCOMPARE(lobby.logs().shownRoom(), qint16(0));
        QCOMPARE(lobby.rooms().caption(), QByteArray("Main"));
        lobby.rooms().lstRooms_Click(9);   // no such row
        QCOMPARE(lobby.logs().RoomFocus(), qint16(0));
        QVERIFY(lobby.dialogs.questions.isEmpty());
    }

    void passwordedRoom_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<bool>("enters");
        QTest::newRow("right") << std::optional<QString>(QStringLiteral("se cret")) << true;
        QTest::newRow("wrong case") << std::optional<QString>(QStringLiteral("Se cret")) << false;
        QTest::newRow("cancelled") << std::optional<QString>() << false;
    }

    void passwordedRoom()
    {
        QFETCH(std::optional<QString>, answer);
        QFETCH(bool, enters);
        Lobby lobby;
        lobby.announce(1, "open");
        lobby.announce(2, "closed", "someone", "se_cret");
        lobby.rooms().lstRooms_Click(1);
        lobby.dialogs.inputs = {answer};
        lobby.rooms().lstRooms_Click(2);
        QCOMPARE(lobby.dialogs.questions.size(), enters ? 1 : 2);
        QCOMPARE(lobby.dialogs.questions[0].text,
                 QStringLiteral("This room is passworded, please specify the password to enter."));
        QCOMPARE(lobby.dialogs.questions[0].title, QStringLiteral("Passworded Room"));
        const qint16 expected = enters ? 2 : 1;
        QCOMPARE(lobby.logs().RoomFocus(), expected);
        QCOMPARE(lobby.logs().shownRoom(), expected);
        if (!enters)
            QCOMPARE(lobby.dialogs.questions[1].text, QStringLiteral("Password is incorrect!"));
    }

    void freeRowFocusesWithoutShowing()
    {
        Lobby lobby;
        lobby.state.own()->Rank = "admin";
        lobby.announce(1, "one");
        lobby.rooms().lstRooms_Click(1);
        lobby.rooms().cmdRoomClose_Click();
        QCOMPARE(lobby.rowTexts(), (QList<QByteArray>{"Main", "<Free>"}));
        lobby.rooms().lstRooms_Click(1);
        QCOMPARE(lobby.logs().RoomFocus(), qint16(1));
        QCOMPARE(lobby.logs().shownRoom(), qint16(0));
        QCOMPARE(lobby.rooms().caption(), QByteArray("Main"));
    }

    void creating_data()
    {
        QTest::addColumn<QList<QByteArray>>("rows");   // after Main; "<Free>" for closed ones
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("no free row") << QList<QByteArray>{"a", "b", "c"} << QByteArray("d") << QByteArray()
                                     << QByteArray("NWROOM d 4 me NONE");
        QTest::newRow("first free row") << QList<QByteArray>{"a", "<Free>", "<Free>"} << QByteArray("x")
                                        << QByteArray("pw") << QByteArray("NWROOM x 2 me pw");
        QTest::newRow("blanks as _") << QList<QByteArray>{} << QByteArray("my room") << QByteArray("a b")
                                     << QByteArray("NWROOM my_room 1 me a_b");
        QTest::newRow("empty name refused") << QList<QByteArray>{} << QByteArray() << QByteArray("pw")
                                            << QByteArray();
    }

    void creating()
    {
        QFETCH(QList<QByteArray>, rows);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, sent);
        Lobby lobby;
        lobby.state.own()->Rank = "mod";
        for (int i = 0; i < rows.size(); ++i)
            lobby.announce(qint16(i + 1), rows[i] == "<Free>" ? QByteArray("gone") : rows[i]);
        for (int i = 0; i < rows.size(); ++i) {
            if (rows[i] == "<Free>") {
                lobby.rooms().lstRooms_Click(i + 1);
                lobby.rooms().cmdRoomClose_Click();
            }
        }
        lobby.commands.clear();
        const bool accepted = lobby.rooms().cmdCreateRoom_Click(name, password);
        QCOMPARE(accepted, !sent.isEmpty());
        QCOMPARE(lobby.commands.commands, sent.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{sent});
    }

    void announcedOnAFreeRowReusesIt()
    {
        Lobby lobby;
        lobby.state.own()->Rank = "admin";
        lobby.announce(1, "one");
        lobby.announce(2, "two");
        lobby.rooms().lstRooms_Click(1);
        lobby.rooms().cmdRoomClose_Click();
        lobby.rooms().lstRooms_Click(2);
        QCOMPARE(lobby.logs().shownRoom(), qint16(2));
        lobby.announce(1, "again");
        QCOMPARE(lobby.rowTexts(), (QList<QByteArray>{"Main", "again", "two"}));
        QCOMPARE(lobby.logs().shownRoom(), qint16(0));
        QCOMPARE(lobby.logs().RoomFocus(), qint16(0));
    }

    void closing_data()
    {
        QTest::addColumn<QByteArray>("rank");
        QTest::addColumn<QByteArray>("creator");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("creator") << QByteArray("user") << QByteArray("me") << QByteArray("KILLROOM 1 me user");
        QTest::newRow("Mod with capital") << QByteArray("Mod") << QByteArray("x") << QByteArray("KILLROOM 1 me Mod");
        QTest::newRow("ADMIN") << QByteArray("ADMIN") << QByteArray("x") << QByteArray("KILLROOM 1 me ADMIN");
        QTest::newRow("someone else's") << QByteArray("user") << QByteArray("Me") << QByteArray();
    }

    void closing()
    {
        QFETCH(QByteArray, rank);
        QFETCH(QByteArray, creator);
        QFETCH(QByteArray, sent);
        Lobby lobby;
        lobby.state.own()->Rank = rank;
        lobby.announce(1, "room", creator);
        lobby.rooms().lstRooms_Click(1);
        lobby.rooms().cmdRoomClose_Click();
        if (sent.isEmpty()) {
            QVERIFY(lobby.commands.commands.isEmpty());
            QCOMPARE(lobby.dialogs.messages().size(), 1);
            QCOMPARE(lobby.dialogs.messages()[0].text, QStringLiteral("Only the creator of the room can end the cession!"));
            QCOMPARE(lobby.logs().RoomFocus(), qint16(1));
            QCOMPARE(lobby.logs().shownRoom(), qint16(1));
            return;
        }
        QCOMPARE(lobby.commands.commands, QList<QByteArray>{sent});
        QCOMPARE(lobby.rowTexts(), (QList<QByteArray>{"Main", "<Free>"}));
        QCOMPARE(lobby.logs().RoomFocus(), qint16(0));
        QCOMPARE(lobby.logs().shownRoom(), qint16(0));   // Main really on screen again
        QCOMPARE(lobby.rooms().caption(), QByteArray("Main"));
    }

    void mainCannotBeClosed()
    {
        Lobby lobby;
        lobby.state.own()->Rank = "admin";
        lobby.rooms().cmdRoomClose_Click();
        QVERIFY(lobby.commands.commands.isEmpty());
        QVERIFY(lobby.dialogs.questions.isEmpty());
    }

    void resetAfterASecondLogin()
    {
        Lobby lobby;
        lobby.announce(1, "one");
        lobby.rooms().lstRooms_Click(1);
        lobby.rooms().ResetRoomList();
        QCOMPARE(lobby.rowTexts(), QList<QByteArray>{"Main"});
        QCOMPARE(lobby.logs().RoomFocus(), qint16(0));
        QCOMPARE(lobby.logs().shownRoom(), qint16(0));
        lobby.announce(1, "one");
        QCOMPARE(lobby.rowTexts(), (QList<QByteArray>{"Main", "one"}));
    }
};

QTEST_MAIN(tst_ChatRooms)
#include "tst_chatrooms.moc"
