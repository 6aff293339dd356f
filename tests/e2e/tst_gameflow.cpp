// A game from the launch message to the restored game folder: the real lobby
// connection against the scripted lobby server, the real game start and
// process memory against the fake game, real pack installs and palettes, all
// on loopback.
#include "tests/e2e/GameFlowClient.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/ProcessMemoryProbe.h"

#include <QtTest>

using namespace GameFlow;

class tst_GameFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void hostGame_data();
    void hostGame();
    void hostAndClient();

private:
    QString m_skip;
};

void tst_GameFlow::initTestCase()
{
    m_skip = fakeGameUnavailable();
}

void tst_GameFlow::hostGame_data()
{
    QTest::addColumn<QByteArray>("exe");
    QTest::addColumn<GameSettings>("game");
    QTest::addColumn<bool>("friendly");
    QTest::addColumn<bool>("installExe");
    QTest::addColumn<QList<QByteArray>>("expected"); // after RUNCOMM
    QTest::addColumn<int>("patchedBytes");

    const QMap<QString, QString> playsAndWins{{"join_delay_ms", "50"}, {"payload", "GAME RESULT "},
                                              {"payload_size", "400"}, {"exit_after_ms", "4000"}};
    const QList<QByteArray> won{"POPULOUS ON", "JOINSUCCESS", "BEIDLE", "POINTREPORT <report>", "POPULOUS OFF"};

    QTest::newRow("software, won") << QByteArray("poptb.exe") << playsAndWins << false << true << won << 77;
    QTest::newRow("hardware executable") << QByteArray("d3dpoptb.exe") << playsAndWins << false << true << won
                                         << 87;
    QMap<QString, QString> noJoin = playsAndWins;
    noJoin["join_delay_ms"] = "-1";
    noJoin["exit_after_ms"] = "5000";
    QTest::newRow("no join byte")
        << QByteArray("poptb.exe") << noJoin << false << true
        << QList<QByteArray>{"POPULOUS ON", "JOINFAILED", "BEIDLE", "POINTREPORT <report>", "POPULOUS OFF"} << 77;
    QMap<QString, QString> noConnection = playsAndWins;
    noConnection["connect"] = "0";
    QTest::newRow("no connection")
        << QByteArray("poptb.exe") << noConnection << false << true
        << QList<QByteArray>{"POPULOUS ON", "JOINSUCCESS", "BEIDLE", "POINTREPORT NO", "POPULOUS OFF"} << 77;
    QTest::newRow("friendly game")
        << QByteArray("poptb.exe") << playsAndWins << true << true
        << QList<QByteArray>{"POPULOUS ON", "JOINSUCCESS", "BEIDLE", "POPULOUS OFF"} << 77;
    QMap<QString, QString> cheat = playsAndWins;
    cheat["cheat_delay_ms"] = "100";
    QTest::newRow("cheat value")
        << QByteArray("poptb.exe") << cheat << false << true
        << QList<QByteArray>{"POPULOUS ON", "JOINSUCCESS", "BEIDLE", "POINTREPORT NO", "SENDMSG", "POPULOUS OFF"}
        << 77;
    // The loader holds the code range reserved well past the first ticks.
    QMap<QString, QString> lateCode = playsAndWins;
    lateCode["code_delay_ms"] = "600";
    QTest::newRow("late code mapping") << QByteArray("poptb.exe") << lateCode << false << true << won << 77;
    // The started process hands the game over to one of its own, as wine64 does.
    QMap<QString, QString> handedOver = playsAndWins;
    handedOver["handover"] = "1";
    QTest::newRow("launcher hands over") << QByteArray("d3dpoptb.exe") << handedOver << false << true << won << 87;
    QTest::newRow("missing executable") << QByteArray("poptb.exe") << playsAndWins << false << false
                                        << QList<QByteArray>{"BEIDLE"} << 0;
}

void tst_GameFlow::hostGame()
{
    QFETCH(QByteArray, exe);
    QFETCH(GameSettings, game);
    QFETCH(bool, friendly);
    QFETCH(bool, installExe);
    QFETCH(QList<QByteArray>, expected);
    QFETCH(int, patchedBytes);
    if (!m_skip.isEmpty())
        QSKIP(qPrintable(m_skip));

    LobbyServer server;
    QVERIFY(server.listen());
    Client client(exe);
    QVERIFY(client.state.Setup.GamePath.endsWith(QStringLiteral("prefix/drive_c/Games/Populous")));
    const HutPacks packs = prepareGameFolder(client.files);
    if (installExe)
        QVERIFY(client.game().install(QString::fromLatin1(exe), game));
    client.connection.connectToServer(LobbyServer::host(), server.port());
    QVERIFY(server.waitForMessage(0, "VERSION 10"));

    hostOwnHut(client, packs, friendly);
    const Snapshot before = snapshot(client.files.setup.GamePath);

    server.send(0, "EAEXECHOST 4");
    QVERIFY(server.waitForMessage(0, "RUNCOMM " + client.launch->GameExePath() + " /h tcp /n4 /dIP127.0.0.1:"
                                         + QByteArray::number(client.launch->pointsPort()) + " /boundip 127.0.0.1"
                                         + " /externip 127.0.0.1"));
    QVERIFY(server.waitForMessage(0, expected.last(), 20000));
    QTRY_VERIFY_WITH_TIMEOUT(!client.state.Game.GameRunning, 5000);

    const QList<QByteArray> sent = server.messages(0);
    const QList<QByteArray> milestones = only(sent, Milestones);
    const QList<QByteArray> launchPart{"PATH C:\\Games\\Populous",
                                       "APPPATH " + client.files.setup.ProgramFolder.toLocal8Bit(),
                                       "INSTALLING!"};
    QCOMPARE(milestones.mid(0, 3), launchPart);
    for (const char *phase : {"BACKUP", "INSTALL", "LANGUAGE", "MODBACKUP", "MODINSTALL"})
        QVERIFY2(milestones.indexOf(phase) > 2 && milestones.indexOf(phase) < milestones.indexOf("BEGAMING"), phase);
    const qsizetype runcomm = milestones.indexOf(milestones.value(milestones.indexOf("BEGAMING") + 2));
    QVERIFY(milestones.value(runcomm).startsWith("RUNCOMM "));
    QVERIFY(milestones.value(runcomm - 1).startsWith("EXEFILE "));
    if (milestones.mid(runcomm + 1) != expected) {
        qWarning() << "game record:" << client.game().record();
        qWarning() << "status lines:" << client.chat.systemMessages;
    }
    QCOMPARE(milestones.mid(runcomm + 1), expected);

    // The game folder is exactly as it was.
    QCOMPARE(difference(before, snapshot(client.files.setup.GamePath)), QString());
    QVERIFY(!client.watch->isWatching()); // the client may exit
    QVERIFY(!client.points.isListening());

    if (!installExe) {
        QVERIFY(client.chat.hasSystemMessage("The game could not be started: "));
        QVERIFY(!sent.contains("POPULOUS ON"));
        return;
    }
    QCOMPARE(client.game().values("arg"),
             (QStringList{"/h", "tcp", "/n4", "/dIP127.0.0.1:" + QString::number(client.launch->pointsPort()),
                          "/boundip", "127.0.0.1", "/externip", "127.0.0.1"}));
    QCOMPARE(client.game().value("cwd"), QDir(client.files.setup.GamePath).canonicalPath());
    QVERIFY2(client.game().value("patched").toInt() == patchedBytes,
             qPrintable(client.game().record().join(QLatin1Char('|'))));
    QCOMPARE(client.game().value("watch"), QStringLiteral("0000")); // a cheat value is reset
    if (game.value("connect") != "0")
        QVERIFY(client.game().value("answer").startsWith("OK"));
    if (friendly)
        QVERIFY(QFile::exists(client.watch->pointsFile()));
    else
        QVERIFY(!QFile::exists(client.watch->pointsFile()));
    if (sent.contains("JOINSUCCESS") && !friendly && game.value("connect") != "0" && !game.contains("cheat_delay_ms")) {
        const QByteArray report = sent[sent.indexOf("POPULOUS OFF") - 1];
        QVERIFY(report.startsWith("POINTREPORT Game Start: "));
        QVERIFY(report.contains("REC: 47 41 4D 45 "));
        QVERIFY(report.contains("(GAME RESULT GAME RESULT"));
        QVERIFY(report.endsWith(" Stopped playing\r\n"));
    }
}

void tst_GameFlow::hostAndClient()
{
    if (!m_skip.isEmpty())
        QSKIP(qPrintable(m_skip));
    LobbyServer server;
    QVERIFY(server.listen());
    const QMap<QString, QString> plays{{"join_delay_ms", "50"}, {"payload", "TRAFFIC "},
                                       {"payload_size", "300"}, {"exit_after_ms", "4000"}};
    Client host("poptb.exe");
    Client joiner("d3dpoptb.exe");
    QList<Client *> clients{&host, &joiner};
    QList<Snapshot> before;
    HutPacks packs;
    for (int i = 0; i < clients.size(); ++i) {
        Client &c = *clients[i];
        packs = prepareGameFolder(c.files); // the same packs, byte for byte, in both clients
        QVERIFY(c.game().install(QString::fromLatin1(c.state.Setup.GameExeName), plays));
        c.connection.connectToServer(LobbyServer::host(), server.port());
        QVERIFY(server.waitForMessage(i, "VERSION 10"));
        for (qint32 slot : {1, 2}) {
            UserRecord *u = c.state.Users.growTo(slot);
            u->Name = slot == 1 ? "hosting_hal" : "joining_jo";
            u->State = "GAMING";
            u->HostSlot = 1;
            u->ExternalIP = "127.0.0.1";
            u->Mappack = packs.mappack;
            u->Modpack = packs.modpack;
            u->CustomPals = true;
        }
        c.state.CurrentUser.OwnSlot = i + 1;
        before.append(snapshot(c.files.setup.GamePath));
    }

    server.send(0, "EAEXECHOST 4");
    server.send(1, "EAEXECJOIN 4 127.0.0.1");
    for (int i = 0; i < clients.size(); ++i)
        QVERIFY(server.waitForMessage(i, "POPULOUS OFF", 20000));

    for (int i = 0; i < clients.size(); ++i) {
        Client &c = *clients[i];
        QTRY_VERIFY_WITH_TIMEOUT(!c.state.Game.GameRunning, 5000);
        const QList<QByteArray> milestones = only(server.messages(i), Milestones);
        const qsizetype on = milestones.indexOf("POPULOUS ON");
        QCOMPARE(milestones.mid(on),
                 (QList<QByteArray>{"POPULOUS ON", "JOINSUCCESS", "BEIDLE", "POINTREPORT <report>", "POPULOUS OFF"}));
        QCOMPARE(milestones.contains("INSTALLING!"), i == 0);
        QCOMPARE(difference(before[i], snapshot(c.files.setup.GamePath)), QString());
    }
    QCOMPARE(joiner.game().values("arg").mid(0, 4), (QStringList{"/j", "tcp", "127.0.0.1", "/n4"}));
    QCOMPARE(joiner.game().value("patched").toInt(), 87);
    QCOMPARE(host.game().value("patched").toInt(), 77);
}

QTEST_MAIN(tst_GameFlow)
#include "tst_gameflow.moc"
