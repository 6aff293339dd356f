// The user and room table handlers, fed by the scripted lobby server over a
// real connection; the hut side is recorded through the hooks (and once
// through the real hut ping).
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/HutPing.h"
#include "core/LobbyConnection.h"
#include "core/LobbyEvents.h"
#include "core/UserStateHandlers.h"
#include "tests/fixtures/LobbyServer.h"

#include <QSignalSpy>
#include <QTest>

class tst_UserState : public QObject
{
    Q_OBJECT

    struct Rig
    {
        ClientState state;
        Dispatcher dispatcher;
        LobbyEvents events;
        LobbyServer server;
        LobbyConnection connection{state, dispatcher};
        UserStateHandlers handlers{state, connection, events};
        QStringList hookCalls;
        int synced = 0;
        bool listening = false;
        bool probe = false;

        Rig()
        {
            handlers.registerHandlers(dispatcher);
            dispatcher.on("SYNC", [this](const LobbyMessage &) { ++synced; });
            UserStateHandlers::Hooks hooks;
            hooks.sendOwnHutOptions = [this] { hookCalls << "options"; };
            hooks.openPingHost = [this] { hookCalls << "openHost"; listening = true; };
            hooks.closePingHost = [this] { hookCalls << "closeHost"; listening = false; };
            hooks.pingHostListening = [this] { return listening; };
            hooks.connectPingProbe = [this](const QByteArray &ip) {
                hookCalls << "probe " + QString::fromLatin1(ip);
                probe = true;
            };
            hooks.closePingProbe = [this] { hookCalls << "closeProbe"; probe = false; };
            hooks.pingProbeConnected = [this] { return probe; };
            hooks.showGamePanel = [this] { hookCalls << "showGame"; };
            hooks.hideGameAndTribePanels = [this] { hookCalls << "hidePanels"; };
            handlers.setHooks(hooks);
        }

        bool start()
        {
            if (!server.listen())
                return false;
            connection.connectToServer(LobbyServer::host(), server.port());
            return server.waitForMessage(0, "VERSION 10");
        }

        // Sends the messages and waits until the client has handled them all.
        bool feed(const QList<QByteArray> &messages)
        {
            for (const QByteArray &m : messages)
                server.send(0, m);
            const int want = synced + 1;
            server.send(0, "SYNC");
            return QTest::qWaitFor([&] { return synced >= want; }, 5000);
        }

        // Waits until the server has every command the client sent so far.
        bool flushClient()
        {
            connection.SendCommand("MARK");
            return server.waitForMessage(0, "MARK");
        }
    };

private Q_SLOTS:
    void userGrowsTable();
    void userNoneKeepsOtherFields();
    void userOptionalFields_data();
    void userOptionalFields();
    void newNameResetsSlot();
    void nameLookupFollowsTheTable();
    void outOfRangeSlotsIgnored_data();
    void outOfRangeSlotsIgnored();
    void statusAndGameText();
    void hostGone_data();
    void hostGone();
    void joinerGetsOptions();
    void pingSocketsFollowOwnState();
    void realHutPingListenerOpensAndCloses();
    void gamePanelOnlyForOwnHut();
    void nwroom_data();
    void nwroom();
    void packOkFields();
    void reconnectClearsTables();
};

void tst_UserState::userGrowsTable()
{
    Rig rig;
    QVERIFY(rig.start());
    QSignalSpy changed(&rig.events, &LobbyEvents::userChanged);
    QVERIFY(rig.feed({"USER 0 zero 1.1.1.1 user 1 m0"}));
    QVERIFY(rig.state.Users.isEmpty()); // an empty table stores nothing for slot 0
    QCOMPARE(changed.count(), 0);

    QVERIFY(rig.feed({"USER 7 alice 10.0.0.7 admin 17 00-11"}));
    QCOMPARE(rig.state.Users.UserCount(), 7);
    for (int s = 0; s <= 6; ++s)
        QVERIFY(rig.state.Users.at(s) && rig.state.Users.at(s)->Name.isEmpty());
    const UserRecord *a = rig.state.Users.at(7);
    QCOMPARE(a->Name, QByteArray("alice"));
    QCOMPARE(a->ExternalIP, QByteArray("10.0.0.7"));
    QCOMPARE(a->Rank, QByteArray("admin"));
    QCOMPARE(a->UserId, QByteArray("17"));
    QCOMPARE(a->MAC, QByteArray("00-11"));

    QVERIFY(rig.feed({"USER 3 bob 10.0.0.3 user 3 m3"}));
    QCOMPARE(rig.state.Users.UserCount(), 7);
    QCOMPARE(rig.state.Users.at(3)->Name, QByteArray("bob"));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).toInt(), 3);
}

void tst_UserState::userNoneKeepsOtherFields()
{
    Rig rig;
    QVERIFY(rig.start());
    QVERIFY(rig.feed({"USER 2 carol 1.2.3.4 mod 22 mac1", "USERSTATE 2 HOST 4 NONE",
                      "USERSTATUS 2 Lunch", "GAME 2 War"}));
    QVERIFY(rig.feed({"USER 2 NONE 5.6.7.8 user 99 mac2"}));
    const UserRecord *u = rig.state.Users.at(2);
    QVERIFY(u->Name.isEmpty());
    QCOMPARE(u->ExternalIP, QByteArray("5.6.7.8"));
    QCOMPARE(u->Rank, QByteArray("user"));
    QCOMPARE(u->MAC, QByteArray("mac2"));
    QCOMPARE(u->UserId, QByteArray("99"));
    QCOMPARE(u->State, QByteArray("HOST"));
    QCOMPARE(u->AwayText, QByteArray("lunch"));
    QCOMPARE(u->GameText, QByteArray("War"));
    QCOMPARE(u->HutSize, 4);
}

void tst_UserState::userOptionalFields_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("userId");
    QTest::addColumn<QByteArray>("mac");
    QTest::newRow("four fields") << QByteArray("USER 1 dave 9.9.9.9 user") << QByteArray("5") << QByteArray("oldmac");
    QTest::newRow("five fields") << QByteArray("USER 1 dave 9.9.9.9 user 6") << QByteArray("6") << QByteArray("oldmac");
    QTest::newRow("six fields") << QByteArray("USER 1 dave 9.9.9.9 user 7 newmac") << QByteArray("7") << QByteArray("newmac");
}

void tst_UserState::userOptionalFields()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, userId);
    QFETCH(QByteArray, mac);
    Rig rig;
    QVERIFY(rig.start());
    QVERIFY(rig.feed({"USER 1 dave 8.8.8.8 mod 5 oldmac", message}));
    const UserRecord *u = rig.state.Users.at(1);
    QCOMPARE(u->UserId, userId);
    QCOMPARE(u->MAC, mac);
    QCOMPARE(u->ExternalIP, QByteArray("9.9.9.9"));
    QCOMPARE(u->Rank, QByteArray("user"));
}

void tst_UserState::newNameResetsSlot()
{
    Rig rig;
    QVERIFY(rig.start());
    QVERIFY(rig.feed({"USER 2 erin 1.1.1.1 user 5 m", "USERSTATE 2 GAMING", "USERSTATUS 2 away",
                      "GAME 2 Match", "MAPPACKOK 2 TRUE"}));
    // The same user announced again keeps the rest.
    QVERIFY(rig.feed({"USER 2 erin 1.1.1.1 user 5 m"}));
    QCOMPARE(rig.state.Users.at(2)->State, QByteArray("GAMING"));
    // Another user in the slot starts clean.
    QVERIFY(rig.feed({"USER 2 frank 2.2.2.2 user 6"}));
    const UserRecord *u = rig.state.Users.at(2);
    QCOMPARE(u->Name, QByteArray("frank"));
    QVERIFY(u->State.isEmpty());
    QVERIFY(u->AwayText.isEmpty());
    QVERIFY(u->GameText.isEmpty());
    QVERIFY(u->HasMappack.isEmpty());
    QVERIFY(u->MAC.isEmpty());
    QCOMPARE(u->UserId, QByteArray("6"));
}

// The lookup by name answers what a scan from the highest slot down would,
// through renames, freed slots, a name in several slots and a new login.
void tst_UserState::nameLookupFollowsTheTable()
{
    Rig rig;
    QVERIFY(rig.start());
    QVERIFY(rig.feed({"USER 2 erin 1.1.1.1 user 5", "USER 7 erin 1.1.1.1 user 5", "USER 4 gus 1.1.1.1 user 8"}));
    QCOMPARE(rig.state.Users.FindUserIndex("erin"), 7);
    QCOMPARE(rig.state.Users.FindUserIndex("Erin"), 0);
    QCOMPARE(rig.state.Users.FindUserIndex("gus"), 4);
    QCOMPARE(rig.state.Users.FindUserIndex(QByteArray()), 0);

    QVERIFY(rig.feed({"USER 7 frank 2.2.2.2 user 6"}));
    QCOMPARE(rig.state.Users.FindUserIndex("erin"), 2);
    QCOMPARE(rig.state.Users.FindUserIndex("frank"), 7);
    QVERIFY(rig.feed({"USER 2 NONE 1.1.1.1 user 5"}));
    QCOMPARE(rig.state.Users.FindUserIndex("erin"), 0);
    QVERIFY(rig.feed({"USER 9 gus 1.1.1.1 user 8", "USER 9 hal 1.1.1.1 user 9"}));
    QCOMPARE(rig.state.Users.FindUserIndex("gus"), 4);
    QCOMPARE(rig.state.Users.FindUserIndex("hal"), 9);

    // A record written past the table is never taken for a match.
    rig.state.Users.at(4)->Name = "someone";
    QCOMPARE(rig.state.Users.FindUserIndex("gus"), 0);

    rig.handlers.resetForNewLogin();
    QCOMPARE(rig.state.Users.FindUserIndex("frank"), 0);
    QVERIFY(rig.feed({"USER 3 frank 1.1.1.1 user 1"}));
    QCOMPARE(rig.state.Users.FindUserIndex("frank"), 3);
}

void tst_UserState::outOfRangeSlotsIgnored_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("USER beyond 65535") << QByteArray("USER 70000 x 1.1.1.1 user 1 m");
    QTest::newRow("USER negative") << QByteArray("USER -1 x 1.1.1.1 user 1 m");
    QTest::newRow("USER 65536") << QByteArray("USER 65536 x 1.1.1.1 user 1 m");
    QTest::newRow("USERSTATE above count") << QByteArray("USERSTATE 9 HOST 4 NONE");
    QTest::newRow("USERSTATUS above count") << QByteArray("USERSTATUS 9 away");
    QTest::newRow("GAME above count") << QByteArray("GAME 9 text");
    QTest::newRow("MAPPACKOK above count") << QByteArray("MAPPACKOK 9 TRUE");
    QTest::newRow("USERSTATE negative") << QByteArray("USERSTATE -3 CLIENT 1 1");
}

void tst_UserState::outOfRangeSlotsIgnored()
{
    QFETCH(QByteArray, message);
    Rig rig;
    QVERIFY(rig.start());
    QVERIFY(rig.feed({"USER 5 gina 1.1.1.1 user 1 m"}));
    QSignalSpy changed(&rig.events, &LobbyEvents::userChanged);
    QVERIFY(rig.feed({message}));
    QCOMPARE(rig.state.Users.UserCount(), 5);
    QCOMPARE(changed.count(), 0);
    for (int s = 0; s <= 4; ++s) {
        const UserRecord *u = rig.state.Users.at(s);
        QVERIFY(u->Name.isEmpty() && u->State.isEmpty() && u->AwayText.isEmpty());
    }
    QCOMPARE(rig.state.Users.at(5)->Name, QByteArray("gina"));
    QVERIFY(rig.state.Users.at(5)->State.isEmpty());
}

void tst_UserState::statusAndGameText()
{
    Rig rig;
    QVERIFY(rig.start());
    QVERIFY(rig.feed({"USER 1 hal 1.1.1.1 user 1 m", "USERSTATUS 1 At\xC4Work", "GAME 1 Big\xFFGame"}));
    QCOMPARE(rig.state.Users.at(1)->AwayText, QByteArray("at\xE4work"));
    QCOMPARE(rig.state.Users.at(1)->GameText, QByteArray("Big\xFFGame"));
}

void tst_UserState::hostGone_data()
{
    QTest::addColumn<QByteArray>("newState");
    QTest::addColumn<bool>("leaves");
    QTest::newRow("idle") << QByteArray("IDLE") << true;
    QTest::newRow("empty") << QByteArray("") << true;
    QTest::newRow("client elsewhere") << QByteArray("CLIENT 9 1") << true;
    QTest::newRow("gaming") << QByteArray("GAMING") << false;
    QTest::newRow("host again") << QByteArray("HOST 3 NONE") << false;
    QTest::newRow("warphost") << QByteArray("WARPHOST 3 NONE") << false;
}

void tst_UserState::hostGone()
{
    QFETCH(QByteArray, newState);
    QFETCH(bool, leaves);
    Rig rig;
    QVERIFY(rig.start());
    rig.state.CurrentUser.OwnSlot = 2;
    QVERIFY(rig.feed({"USER 9 other 9.9.9.9 user 9 m", "USER 4 host 4.4.4.4 user 4 m",
                      "USER 2 me 2.2.2.2 user 2 m", "USERSTATE 4 HOST 3 NONE", "USERSTATE 2 CLIENT 4 1"}));
    rig.state.Users.at(2)->CustomPals = true;
    rig.hookCalls.clear();
    QVERIFY(rig.feed({"USERSTATE 4 " + newState}));
    QVERIFY(rig.flushClient());
    QCOMPARE(int(rig.server.messages(0).count("BEIDLE")), leaves ? 1 : 0);
    QCOMPARE(rig.hookCalls.contains("hidePanels"), leaves);
    QCOMPARE(rig.state.Users.at(2)->CustomPals, !leaves);
}

void tst_UserState::joinerGetsOptions()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.state.CurrentUser.OwnSlot = 4;
    QVERIFY(rig.feed({"USER 4 me 4.4.4.4 user 4 m", "USER 5 joiner 5.5.5.5 user 5 m",
                      "USER 6 other 6.6.6.6 user 6 m", "USER 7 third 7.7.7.7 user 7 m",
                      "USERSTATE 4 HOST 4 NONE", "USERSTATE 6 HOST 2 NONE"}));
    rig.hookCalls.clear();
    QVERIFY(rig.feed({"USERSTATE 5 CLIENT 4 1"}));
    QCOMPARE(rig.hookCalls, QStringList{"options"});
    QCOMPARE(rig.state.Users.at(5)->HostSlot, 4);
    QCOMPARE(rig.state.Users.at(5)->HutPosition, 1);
    // Joining another user's hut sends nothing of ours.
    QVERIFY(rig.feed({"USERSTATE 7 CLIENT 6"}));
    QCOMPARE(rig.hookCalls, QStringList{"options"});
    QCOMPARE(rig.state.Users.at(7)->HostSlot, 6);
}

void tst_UserState::pingSocketsFollowOwnState()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.state.CurrentUser.OwnSlot = 2;
    QVERIFY(rig.feed({"USER 2 me 2.2.2.2 user 2 m", "USER 3 host 3.3.3.3 user 3 m",
                      "USERSTATE 3 HOST 4 NONE"}));
    rig.hookCalls.clear();

    QVERIFY(rig.feed({"USERSTATE 2 HOST 2 NONE"}));
    QCOMPARE(rig.hookCalls, (QStringList{"showGame", "openHost"}));
    QVERIFY(rig.listening);
    rig.hookCalls.clear();
    QVERIFY(rig.feed({"USERSTATE 2 WARPHOST 2 NONE"})); // still a host: the listener stays
    QCOMPARE(rig.hookCalls, QStringList());
    QVERIFY(rig.feed({"USERSTATE 2 IDLE"}));
    QCOMPARE(rig.hookCalls, QStringList{"closeHost"});
    QVERIFY(!rig.listening);
    rig.hookCalls.clear();

    QVERIFY(rig.feed({"USERSTATE 2 CLIENT 3 1"}));
    QCOMPARE(rig.hookCalls, (QStringList{"probe 3.3.3.3", "showGame"}));
    QVERIFY(rig.probe);
    rig.hookCalls.clear();
    QVERIFY(rig.feed({"USERSTATE 2 GAMING"}));
    QCOMPARE(rig.hookCalls, QStringList{"closeProbe"});
    QVERIFY(!rig.probe);
    rig.hookCalls.clear();

    // An own warp hut opens no listener.
    QVERIFY(rig.feed({"USERSTATE 2 WARPHOST 3 NONE"}));
    QCOMPARE(rig.hookCalls, QStringList());
}

void tst_UserState::realHutPingListenerOpensAndCloses()
{
    Rig rig;
    QVERIFY(rig.start());
    HutPing ping(rig.connection, 0);
    UserStateHandlers::Hooks hooks;
    hooks.openPingHost = [&] { ping.OpenPingHost(); };
    hooks.closePingHost = [&] { ping.ClosePingHost(); };
    hooks.pingHostListening = [&] { return ping.PingHostListening(); };
    hooks.connectPingProbe = [&](const QByteArray &ip) { ping.ConnectPingProbe(ip); };
    hooks.closePingProbe = [&] { ping.ClosePingProbe(); };
    hooks.pingProbeConnected = [&] { return ping.PingProbeConnected(); };
    rig.handlers.setHooks(hooks);
    rig.state.CurrentUser.OwnSlot = 1;
    QVERIFY(rig.feed({"USER 1 me 127.0.0.1 user 1 m", "USERSTATE 1 HOST 2 NONE"}));
    QVERIFY(ping.PingHostListening());
    QVERIFY(ping.listeningPort() != 0);
    QVERIFY(rig.feed({"USERSTATE 1 BEIDLE"}));
    QVERIFY(!ping.PingHostListening());
    QCOMPARE(ping.listeningPort(), quint16(0));
}

void tst_UserState::gamePanelOnlyForOwnHut()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.state.CurrentUser.OwnSlot = 1;
    QVERIFY(rig.feed({"USER 1 me 1.1.1.1 user 1 m", "USER 2 x 2.2.2.2 user 2 m"}));
    rig.hookCalls.clear();
    QVERIFY(rig.feed({"USERSTATE 2 HOST 4 NONE", "USERSTATE 2 WARPHOST 4 NONE"}));
    QCOMPARE(rig.hookCalls, QStringList());
    QVERIFY(rig.feed({"USERSTATE 1 WARPHOST 2 NONE"}));
    QCOMPARE(rig.hookCalls, QStringList());
    QVERIFY(rig.feed({"USERSTATE 1 HOST 2 NONE"}));
    QVERIFY(rig.hookCalls.contains("showGame"));
    QCOMPARE(rig.state.Users.at(1)->HutSize, 2);
    QCOMPARE(rig.state.Users.at(1)->HutPassword, QByteArray("NONE"));
}

void tst_UserState::nwroom_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("room");          // -1: nothing stored
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("passworded");
    QTest::newRow("open room") << QByteArray("NWROOM 3 Fun bob NONE") << 3 << QByteArray("Fun") << false;
    QTest::newRow("passworded") << QByteArray("NWROOM 4 Sec bob pw") << 4 << QByteArray("Sec") << true;
    QTest::newRow("lower-case none is a password") << QByteArray("NWROOM 5 A b none") << 5 << QByteArray("A") << true;
    QTest::newRow("main room") << QByteArray("NWROOM 0 Main server NONE") << 0 << QByteArray("Main") << false;
    QTest::newRow("highest") << QByteArray("NWROOM 32767 Top c NONE") << 32767 << QByteArray("Top") << false;
    QTest::newRow("too high") << QByteArray("NWROOM 32768 X c NONE") << -1 << QByteArray() << false;
    QTest::newRow("negative") << QByteArray("NWROOM -2 X c NONE") << -1 << QByteArray() << false;
    QTest::newRow("no number") << QByteArray("NWROOM abc X c NONE") << -1 << QByteArray() << false;
}

void tst_UserState::nwroom()
{
    QFETCH(QByteArray, message);
    QFETCH(int, room);
    QFETCH(QByteArray, name);
    QFETCH(bool, passworded);
    Rig rig;
    QVERIFY(rig.start());
    QSignalSpy announced(&rig.events, &LobbyEvents::roomAnnounced);
    QVERIFY(rig.feed({message}));
    if (room < 0) {
        QVERIFY(rig.state.Rooms.rooms().isEmpty());
        QCOMPARE(announced.count(), 0);
        return;
    }
    const RoomRecord *r = rig.state.Rooms.at(room);
    QVERIFY(r);
    QCOMPARE(int(r->RoomNo), room);
    QCOMPARE(r->Name, name);
    QCOMPARE(r->Passworded, passworded);
    QCOMPARE(announced.count(), 1);
    QCOMPARE(announced.at(0).at(0).toInt(), room);
    // A later announcement of the number overwrites the entry.
    QVERIFY(rig.feed({"NWROOM " + QByteArray::number(room) + " Again d NONE"}));
    QCOMPARE(rig.state.Rooms.at(room)->Name, QByteArray("Again"));
    QCOMPARE(rig.state.Rooms.at(room)->Creator, QByteArray("d"));
    QVERIFY(!rig.state.Rooms.at(room)->Passworded);
}

void tst_UserState::packOkFields()
{
    Rig rig;
    QVERIFY(rig.start());
    QSignalSpy map(&rig.events, &LobbyEvents::mappackInfoChanged);
    QSignalSpy mod(&rig.events, &LobbyEvents::modpackInfoChanged);
    QVERIFY(rig.feed({"USER 1 a 1.1.1.1 user 1 m", "MAPPACKOK 1 DOWNLOADING", "MODPACKOK 1 TRUE",
                      "MAPPACKOK 8 TRUE"}));
    QCOMPARE(rig.state.Users.at(1)->HasMappack, QByteArray("DOWNLOADING"));
    QCOMPARE(rig.state.Users.at(1)->HasModpack, QByteArray("TRUE"));
    QCOMPARE(map.count(), 2); // a refresh even for a slot the table lacks
    QCOMPARE(mod.count(), 1);
}

void tst_UserState::reconnectClearsTables()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.state.CurrentUser.OwnSlot = 1;
    QVERIFY(rig.feed({"USER 1 me 1.1.1.1 user 1 m", "USERSTATE 1 HOST 2 NONE", "NWROOM 2 R c NONE"}));
    QVERIFY(rig.listening);
    QSignalSpy list(&rig.events, &LobbyEvents::userListChanged);
    QSignalSpy huts(&rig.events, &LobbyEvents::hutsChanged);
    rig.handlers.resetForNewLogin();
    QVERIFY(rig.state.Users.isEmpty());
    QVERIFY(rig.state.Rooms.rooms().isEmpty());
    QVERIFY(!rig.listening);
    QCOMPARE(list.count(), 1);
    QCOMPARE(huts.count(), 1);
    // The next login's list fills a fresh table.
    QVERIFY(rig.feed({"USER 3 me 1.1.1.1 user 1 m"}));
    QCOMPARE(rig.state.Users.UserCount(), 3);
    QVERIFY(rig.state.Users.at(1)->Name.isEmpty());
}

QTEST_GUILESS_MAIN(tst_UserState)
#include "tst_userstate.moc"
