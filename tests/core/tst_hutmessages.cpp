#include "tests/core/HutTestClient.h"

#include "core/Huts.h"
#include "core/util/Ini.h"
#include "core/util/SettingsKeys.h"
#include "tests/fixtures/WebHost.h"

#include <QTemporaryDir>

#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using Commands = QList<QByteArray>;

// Own user at slot 5; the sender of the pack messages hosts at slot 3.
class tst_HutMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void packMessages_data();
    void packMessages();
    void sameCrcTwice();
    void brokenPack();
    void laterMessagesWaitForTheWebHost();
    void missingPackFromTheWebHost();
    void optionMessages_data();
    void optionMessages();
    void crashRecover();

private:
    LobbyServer *m_server = nullptr;
};

void tst_HutMessages::init()
{
    delete m_server;
    m_server = new LobbyServer(this);
    QVERIFY(m_server->listen());
}

void tst_HutMessages::packMessages_data()
{
    QTest::addColumn<QByteArray>("word");        // MAPPACK or MODPACK
    QTest::addColumn<QByteArray>("ownState");
    QTest::addColumn<qint32>("ownHostSlot");
    QTest::addColumn<qint32>("sender");
    QTest::addColumn<QByteArray>("pack");
    QTest::addColumn<Commands>("expected");
    QTest::addColumn<QByteArray>("label");       // the hut's pack line afterwards
    QTest::addColumn<int>("hutPackOn");          // 1, 0, or -1 unchanged
    QTest::addColumn<int>("fetches");

    struct Role
    {
        const char *name;
        QByteArray state;
        qint32 hostSlot;
        qint32 sender;
    };
    const Role roles[] = {
        {"own slot", "HOST", 0, 5},
        {"client of the sender", "CLIENT", 3, 3},
        {"client of another host", "CLIENT", 4, 3},
        {"idle", QByteArray(), 3, 3},
    };
    const char *identities[] = {"OFF", "match", "miss", "00000000"};

    for (const QByteArray &word : {QByteArray("MAPPACK"), QByteArray("MODPACK")}) {
        const bool map = word == "MAPPACK";
        const QByteArray ok = map ? "MAPPACKOK" : "MODPACKOK";
        const QByteArray untouched = map ? "Mappack: The Beginning" : "ModPack: Normal Settings";
        for (const Role &role : roles) {
            for (const char *identity : identities) {
                const QByteArray id(identity);
                const QByteArray pack = id == "match" ? QByteArray(map ? "11111111" : "22222222")
                    : id == "miss"                    ? QByteArray("DEADBEEF")
                                                      : id;
                Commands expected;
                QByteArray label = untouched;
                int on = -1;
                int fetches = 0;
                if (role.sender == 5) {
                    expected = {ok + " TRUE"};
                } else if (role.state == "CLIENT" && role.hostSlot == role.sender) {
                    if (id == "OFF") {
                        expected = {ok + " TRUE"};
                        on = 0;
                    } else if (id == "match") {
                        expected = {ok + " TRUE"};
                        label = map ? "Mappack: second.kaf" : "Modpack: textures.kaf";
                        on = 1;
                    } else {
                        expected = {ok + " FALSE"};
                        label = map ? "Mappack: <Broken>" : "modpack: <Broken>";
                        fetches = 1;
                    }
                }
                QTest::addRow("%s, %s, %s", word.constData(), role.name, identity)
                    << word << role.state << role.hostSlot << role.sender << pack << expected << label << on
                    << fetches;
            }
        }
    }
}

void tst_HutMessages::packMessages()
{
    QFETCH(QByteArray, word);
    QFETCH(QByteArray, ownState);
    QFETCH(qint32, ownHostSlot);
    QFETCH(qint32, sender);
    QFETCH(QByteArray, pack);
    QFETCH(Commands, expected);
    QFETCH(QByteArray, label);
    QFETCH(int, hutPackOn);
    QFETCH(int, fetches);

    const bool map = word == "MAPPACK";
    HutTestClient client;
    client.setOwn(5, ownState);
    client.state.own()->HostSlot = ownHostSlot;
    client.addPack(client.packs.InstalledMappacks, "first.kaf", "0A0B0C0D");
    client.addPack(client.packs.InstalledMappacks, "second.kaf", "11111111");
    client.addPack(client.packs.InstalledModpacks, "textures.kaf", "22222222");
    // A flag the message must leave alone starts set, so that "unchanged" shows.
    client.state.Hut.HutMappackOn = true;
    client.state.Hut.HutModpackOn = true;
    QList<QByteArray> fetched;
    auto fetch = [&fetched](const QByteArray &crc) {
        fetched.append(crc);
        return QByteArray("http://packs.example/" + crc + ".zip");
    };
    client.messages.setFetchMappackInfo(fetch);
    client.messages.setFetchModpackInfo(fetch);
    QSignalSpy mapInfo(&client.events, &LobbyEvents::mappackInfoChanged);
    QSignalSpy modInfo(&client.events, &LobbyEvents::modpackInfoChanged);
    QVERIFY(client.connectTo(*m_server));

    m_server->send(0, word + ' ' + QByteArray::number(sender) + ' ' + pack);
    QTRY_COMPARE_WITH_TIMEOUT(int((map ? mapInfo : modInfo).size()), 1, 5000);

    QCOMPARE(sentAfterVersion(*m_server, client), expected);
    const UserRecord *host = client.state.Users.at(sender);
    QCOMPARE(map ? host->Mappack : host->Modpack, pack);
    const HutPanels::State &panels = client.panels.state();
    QCOMPARE(map ? panels.lblmappack : panels.lblModPack, label);
    const bool flag = map ? client.state.Hut.HutMappackOn : client.state.Hut.HutModpackOn;
    QCOMPARE(flag, hutPackOn == -1 ? true : hutPackOn == 1);
    QCOMPARE(int(fetched.size()), fetches);
    QCOMPARE(int((map ? modInfo : mapInfo).size()), 0);
    if (fetches) {
        QCOMPARE(fetched.first(), pack);
        if (map) {
            QVERIFY(panels.PBMapDLVisible);
            QVERIFY(panels.lblMappackURLVisible);
            QVERIFY(panels.cmdDLMAPEnabled);
            QCOMPARE(panels.lblMappackURL, "http://packs.example/" + pack + ".zip");
        } else {
            QVERIFY(panels.PBModDLVisible);
            QVERIFY(!panels.lblmodpackurlVisible); // never shown by a missing pack
            QVERIFY(panels.cmdDLMODEnabled);
            QCOMPARE(panels.lblmodpackurl, "http://packs.example/" + pack + ".zip");
        }
    } else {
        QVERIFY(!panels.PBMapDLVisible);
        QVERIFY(!panels.PBModDLVisible);
    }
    QVERIFY(client.dialogs.questions.isEmpty());
}

void tst_HutMessages::sameCrcTwice()
{
    HutTestClient client;
    client.setOwn(5, "CLIENT");
    client.state.own()->HostSlot = 3;
    client.addPack(client.packs.InstalledMappacks, "older.kaf", "11111111");
    client.addPack(client.packs.InstalledMappacks, "newer.kaf", "11111111");
    QVERIFY(client.connectTo(*m_server));
    m_server->send(0, "MAPPACK 3 11111111");
    QVERIFY(m_server->waitForMessage(0, "MAPPACKOK TRUE"));
    QCOMPARE(client.panels.state().lblmappack, QByteArray("Mappack: newer.kaf"));
}

void tst_HutMessages::brokenPack()
{
    for (const QByteArray &word : {QByteArray("MAPPACK"), QByteArray("MODPACK")}) {
        const bool map = word == "MAPPACK";
        HutTestClient client;
        client.setOwn(5, "CLIENT");
        client.state.own()->HostSlot = 3;
        client.messages.setFetchMappackInfo([](const QByteArray &) { return QByteArray(); });
        client.messages.setFetchModpackInfo([](const QByteArray &) { return QByteArray(); });
        QVERIFY(client.connectTo(*m_server, map ? 0 : 1));
        m_server->send(map ? 0 : 1, word + " 3 DEADBEEF");
        QVERIFY(m_server->waitForMessage(map ? 0 : 1, word + "OK FALSE"));
        QTRY_COMPARE_WITH_TIMEOUT(client.dialogs.questions.size(), 1, 5000);
        QCOMPARE(client.dialogs.questions.first().text,
                 map ? QString("It appears this mappack is broken, report the problem to an admin!")
                     : QString("It appears this modpack is broken, report the problem to an admin!"));
        const HutPanels::State &s = client.panels.state();
        QCOMPARE(map ? s.lblMappackURL : s.lblmodpackurl, QByteArray("No download available!"));
        QVERIFY(!(map ? s.PBMapDLVisible : s.PBModDLVisible));
        QCOMPARE(map ? s.lblmappack : s.lblModPack,
                 map ? QByteArray("Mappack: <Broken>") : QByteArray("modpack: <Broken>"));
    }
}

void tst_HutMessages::laterMessagesWaitForTheWebHost()
{
    HutTestClient client;
    client.setOwn(5, "CLIENT");
    client.state.own()->HostSlot = 3;
    int arrivals = 0;
    QObject::connect(&client.connection.WSClient(), &QTcpSocket::readyRead, [&arrivals] { ++arrivals; });
    QSignalSpy modInfo(&client.events, &LobbyEvents::modpackInfoChanged);

    bool laterArrivedDuringWait = false;
    bool handledDuringWait = true;
    client.messages.setFetchMappackInfo([&](const QByteArray &) {
        // The web host is slow; meanwhile the lobby sends more.
        QTcpSocket &socket = client.connection.WSClient();
        const int before = arrivals;
        m_server->send(0, "FRIENDLY 3 ON");
        m_server->send(0, "MODPACK 3 OFF");
        QEventLoop wait;
        QTimer poll;
        auto arrived = [&] { return arrivals > before || socket.bytesAvailable() > 0; };
        QObject::connect(&poll, &QTimer::timeout, &wait, [&] {
            if (arrived())
                wait.quit();
        });
        poll.start(5);
        QTimer::singleShot(5000, &wait, &QEventLoop::quit);
        wait.exec();
        laterArrivedDuringWait = arrived();
        handledDuringWait = client.state.own()->Friendly || !modInfo.isEmpty();
        return QByteArray("http://packs.example/DEADBEEF.zip");
    });
    QVERIFY(client.connectTo(*m_server));
    m_server->send(0, "MAPPACK 3 DEADBEEF");
    QTRY_COMPARE_WITH_TIMEOUT(int(modInfo.size()), 1, 5000);

    QVERIFY(laterArrivedDuringWait);
    QVERIFY(!handledDuringWait);
    QVERIFY(client.state.own()->Friendly);
    QCOMPARE(sentAfterVersion(*m_server, client), (Commands{"MAPPACKOK FALSE", "MODPACKOK TRUE"}));
}

void tst_HutMessages::missingPackFromTheWebHost()
{
    // The real pack information request against our web host, which answers
    // slowly; the lobby's later messages arrive meanwhile and must wait.
    WebHost web;
    QVERIFY(web.listen());
    WebHost::Answer slow;
    slow.body = "http://packs.example/DEADBEEF.zip\r\nsome pack\r\n";
    slow.chunkBytes = 8;
    slow.chunkIntervalMs = 30;
    web.serve("/getmappack.php", slow);
    QTemporaryDir program;
    QVERIFY(program.isValid());
    QVERIFY(Ini::WriteIni(SettingsKeys::QxIniPath(program.path()), "general", "webhost", web.hostAndPort()));

    ClientState state;
    state.Setup.ProgramFolder = program.path();
    Dispatcher dispatcher;
    LobbyEvents events;
    FakeDialogs dialogs;
    RecordingChatOutput chat;
    LobbyConnection connection(state, dispatcher);
    InstalledPacks packs(state.Setup, chat);
    Huts huts(state, packs, connection, dialogs, chat, events, 0);
    huts.registerHandlers(dispatcher);
    state.Users.growTo(8);
    state.CurrentUser.OwnSlot = 5;
    state.own()->State = "CLIENT";
    state.own()->HostSlot = 3;
    QSignalSpy modInfo(&events, &LobbyEvents::modpackInfoChanged);

    connection.connectToServer(LobbyServer::host(), m_server->port());
    QVERIFY(m_server->waitForMessage(0, "VERSION 10"));
    m_server->send(0, "MAPPACK 3 DEADBEEF");
    m_server->send(0, "FRIENDLY 3 ON");
    m_server->send(0, "MODPACK 3 OFF");
    QTRY_COMPARE_WITH_TIMEOUT(int(modInfo.size()), 1, 10000);

    QCOMPARE(web.requestCount("/getmappack.php"), 1);
    QCOMPARE(web.lastRequest().queryValue("crc"), QByteArray("DEADBEEF"));
    QCOMPARE(huts.panels.state().lblMappackURL, QByteArray("http://packs.example/DEADBEEF.zip"));
    QCOMPARE(huts.panels.state().lblmappack, QByteArray("Mappack: <Broken>"));
    QVERIFY(huts.panels.state().PBMapDLVisible);
    QVERIFY(state.own()->Friendly);
    QVERIFY(dialogs.questions.isEmpty());
    QVERIFY(m_server->waitForMessage(0, "MODPACKOK TRUE"));
    QCOMPARE(m_server->messages(0), (Commands{"VERSION 10", "MAPPACKOK FALSE", "MODPACKOK TRUE"}));
}

void tst_HutMessages::optionMessages_data()
{
    QTest::addColumn<QByteArray>("ownState");
    QTest::addColumn<qint32>("ownHostSlot");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("applied");

    struct Receiver
    {
        const char *name;
        QByteArray state;
        qint32 hostSlot;
    };
    const Receiver receivers[] = {
        {"client of the sender", "CLIENT", 3},
        {"client of another host", "CLIENT", 4},
        {"idle, still naming the sender", QByteArray(), 3},
        {"idle elsewhere", QByteArray(), 0},
        {"host, own choice", "HOST", 0},
    };
    for (const Receiver &r : receivers) {
        const bool applied = !(r.hostSlot == 3 && r.state != "CLIENT");
        for (const char *m : {"USECUSTOMPALS 3 TRUE", "CONSTANT 3 ON", "FRIENDLY 3 ON"}) {
            QByteArray message(m);
            if (r.state == "HOST")
                message.replace(" 3 ", " 5 ");
            QTest::addRow("%s, %s", m, r.name) << r.state << r.hostSlot << message << applied;
        }
    }
}

void tst_HutMessages::optionMessages()
{
    QFETCH(QByteArray, ownState);
    QFETCH(qint32, ownHostSlot);
    QFETCH(QByteArray, message);
    QFETCH(bool, applied);

    HutTestClient client;
    client.setOwn(5, ownState);
    UserRecord *own = client.state.own();
    own->HostSlot = ownHostSlot;
    own->HutPosition = 2;
    client.state.Hut.SelectedTribe = 0;
    int defaults = 0;
    client.messages.setSetDefaultTribeColours([&defaults] { ++defaults; });
    QVERIFY(client.connectTo(*m_server));

    const QByteArray word = message.left(message.indexOf(' '));
    auto flag = [&]() {
        return word == "USECUSTOMPALS" ? own->CustomPals : word == "CONSTANT" ? own->ConstantsOn : own->Friendly;
    };
    m_server->send(0, message);
    if (applied)
        QTRY_VERIFY_WITH_TIMEOUT(flag(), 5000);
    // Then switched off again by the same sender.
    QByteArray off = message;
    off.replace(" TRUE", " FALSE").replace(" ON", " OFF");
    m_server->send(0, off);
    QCOMPARE(sentAfterVersion(*m_server, client), Commands{}); // nothing is answered
    QVERIFY(!flag());
    const HutPanels::State &s = client.panels.state();
    QVERIFY(!s.tribeTabVisible);
    QVERIFY(!s.settingsTabVisible);

    if (word == "USECUSTOMPALS" && applied) {
        const bool client_ = ownState == "CLIENT";
        // The tribe is the user's place in the hut; a host's own choice coming
        // back keeps the colours it has sent.
        QCOMPARE(client.state.Hut.SelectedTribe, qint16(client_ ? 2 : 0));
        QCOMPARE(defaults, ownState == "HOST" ? 0 : 1);
        QVERIFY(s.ArrowVisible[client_ ? 2 : 0]);
    } else {
        QCOMPARE(defaults, 0);
    }
}

void tst_HutMessages::crashRecover()
{
    HutTestClient client;
    client.setOwn(5, "CLIENT");
    client.state.own()->HostSlot = 3;
    const UserRecord before = *client.state.own();
    const HutPanels::State panels = client.panels.state();
    QVERIFY(client.connectTo(*m_server));
    m_server->send(0, "CRASHRECOVER 3 TRUE");
    QCOMPARE(sentAfterVersion(*m_server, client), Commands{});
    QCOMPARE(client.state.own()->CustomPals, before.CustomPals);
    QVERIFY(client.panels.state() == panels);
}

QTEST_MAIN(tst_HutMessages)
#include "tst_hutmessages.moc"
