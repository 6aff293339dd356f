#include "tests/core/HutTestClient.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Commands = QList<QByteArray>;

class tst_HutHosting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void hosting_data();
    void hosting();
    void createHutPanel();
    void joining_data();
    void joining();
    void leaving();
    void tribeArrow();

private:
    void installGame(HutTestClient &client, const QByteArray &exeName, bool exeExists);

    LobbyServer *m_server = nullptr;
    QTemporaryDir m_gameDir;
};

void tst_HutHosting::init()
{
    delete m_server;
    m_server = new LobbyServer(this);
    QVERIFY(m_server->listen());
}

void tst_HutHosting::installGame(HutTestClient &client, const QByteArray &exeName, bool exeExists)
{
    QVERIFY(m_gameDir.isValid());
    QFile::remove(m_gameDir.filePath("POPTB.EXE"));
    if (exeExists) {
        // Spelt as a Windows install may spell it; the lookup ignores case.
        QFile exe(m_gameDir.filePath("POPTB.EXE"));
        QVERIFY(exe.open(QIODevice::WriteOnly));
        exe.write("MZ");
    }
    client.state.Setup.GameInstalled = true;
    client.state.Setup.GamePath = m_gameDir.path();
    client.state.Setup.GamePathWindows = "C:\\Games\\Populous";
    client.state.Setup.GameExeName = exeName;
}

void tst_HutHosting::hosting_data()
{
    QTest::addColumn<QByteArray>("ownState");
    QTest::addColumn<bool>("gameRunning");
    QTest::addColumn<QByteArray>("gameRole");
    QTest::addColumn<QByteArray>("exeName");
    QTest::addColumn<bool>("exeExists");
    QTest::addColumn<int>("player");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<Commands>("expected");
    QTest::addColumn<QByteArray>("chatLine");   // a run that must be in the log ("" none)
    QTest::addColumn<QString>("dialog");        // a message box that must be shown ("" none)

    const QByteArray exe = "poptb.exe";
    QTest::newRow("idle, three players, no password")
        << QByteArray() << false << QByteArray() << exe << true << 1 << QByteArray()
        << Commands{"BEHOST 3 NONE"} << QByteArray() << QString();
    QTest::newRow("idle, two players")
        << QByteArray() << false << QByteArray() << exe << true << 0 << QByteArray()
        << Commands{"BEHOST 2 NONE"} << QByteArray() << QString();
    QTest::newRow("idle, four players, password as typed")
        << QByteArray() << false << QByteArray() << exe << true << 2 << QByteArray("SeCret")
        << Commands{"BEHOST 4 SeCret"} << QByteArray() << QString();
    QTest::newRow("hosting a running game")
        << QByteArray("GAMING") << true << QByteArray("HOST") << exe << true << 1 << QByteArray()
        << Commands{"BEWARPHOST 3 NONE OFF"} << QByteArray() << QString();
    QTest::newRow("running as a client")
        << QByteArray("GAMING") << true << QByteArray("CLIENT") << exe << true << 1 << QByteArray()
        << Commands{} << QByteArray("You can't host while being client in populous!") << QString();
    QTest::newRow("already a client in a hut")
        << QByteArray("CLIENT") << false << QByteArray() << exe << true << 1 << QByteArray()
        << Commands{"BEIDLE"} << QByteArray() << QString();
    QTest::newRow("already hosting, game running")
        << QByteArray("WARPHOST") << true << QByteArray("HOST") << exe << true << 1 << QByteArray()
        << Commands{"GAMING"} << QByteArray() << QString();
    QTest::newRow("no executable")
        << QByteArray() << false << QByteArray() << exe << false << 1 << QByteArray()
        << Commands{} << QByteArray("Populous executable currently set to: C:\\Games\\Populous\\poptb.exe\r\n")
        << QString();
    QTest::newRow("quoted executable path")
        << QByteArray() << false << QByteArray() << QByteArray("\"poptb.exe\"") << true << 1 << QByteArray()
        << Commands{"BEHOST 3 NONE"} << QByteArray() << QString();
    QTest::newRow("quoted executable path, missing: shown without quotes")
        << QByteArray() << false << QByteArray() << QByteArray("\"poptb.exe\"") << false << 1 << QByteArray()
        << Commands{} << QByteArray("Populous executable currently set to: C:\\Games\\Populous\\poptb.exe\r\n")
        << QString();
    QTest::newRow("blank in the password")
        << QByteArray() << false << QByteArray() << exe << true << 1 << QByteArray("my hut")
        << Commands{} << QByteArray() << QString("blank");
    QTest::newRow("wire blank in the password")
        << QByteArray() << false << QByteArray() << exe << true << 1 << QByteArray("my\xFFhut")
        << Commands{} << QByteArray() << QString("blank");
}

void tst_HutHosting::hosting()
{
    QFETCH(QByteArray, ownState);
    QFETCH(bool, gameRunning);
    QFETCH(QByteArray, gameRole);
    QFETCH(QByteArray, exeName);
    QFETCH(bool, exeExists);
    QFETCH(int, player);
    QFETCH(QByteArray, password);
    QFETCH(Commands, expected);
    QFETCH(QByteArray, chatLine);
    QFETCH(QString, dialog);

    HutTestClient client;
    installGame(client, exeName, exeExists);
    client.setOwn(5, ownState);
    client.state.own()->Mappack = "OFF";
    client.state.Game.GameRunning = gameRunning;
    client.state.Game.GameRole = gameRole;
    client.state.Hut.SelectedTribe = 3;
    client.panels.update([](HutPanels::State &s) { s.fraCreateHutVisible = true; });
    QVERIFY(client.connectTo(*m_server));

    client.hosting.Player_Click(player, password);

    QCOMPARE(sentAfterVersion(*m_server, client), expected);
    QCOMPARE(client.state.Hut.SelectedTribe, qint16(0));
    QVERIFY(!client.panels.state().fraCreateHutVisible);
    if (!chatLine.isEmpty()) {
        bool found = false;
        for (const auto &run : client.chat.runs)
            found = found || run.text == chatLine || run.text.startsWith(chatLine);
        QVERIFY2(found, client.chat.logText(0).constData());
    } else {
        QVERIFY(client.chat.runs.isEmpty());
    }
    if (!dialog.isEmpty())
        QVERIFY(client.dialogs.asked(dialog));
    else
        QVERIFY(client.dialogs.questions.isEmpty());
}

void tst_HutHosting::createHutPanel()
{
    HutTestClient client;
    QVERIFY(client.connectTo(*m_server));

    // Without the game: a message box, no panel.
    client.hosting.cmdHost_Click();
    QVERIFY(client.dialogs.asked("You cant host without the game installed!"));
    QVERIFY(!client.panels.state().fraCreateHutVisible);

    installGame(client, "poptb.exe", true);
    client.setOwn(5, QByteArray());
    client.hosting.cmdHost_Click();
    QVERIFY(client.panels.state().fraCreateHutVisible);
    client.hosting.cmdHost_Click();
    QVERIFY(!client.panels.state().fraCreateHutVisible);

    // A host cannot open it; a warp host can.
    client.state.own()->State = "HOST";
    client.hosting.cmdHost_Click();
    QVERIFY(!client.panels.state().fraCreateHutVisible);
    client.state.own()->State = "WARPHOST";
    client.hosting.cmdHost_Click();
    QVERIFY(client.panels.state().fraCreateHutVisible);
    QCOMPARE(sentAfterVersion(*m_server, client), Commands{});
}

void tst_HutHosting::joining_data()
{
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QByteArray>("hutPassword");
    QTest::addColumn<bool>("hasNode");
    QTest::addColumn<bool>("hasChildren");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("parentKey");
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<Commands>("expected");
    QTest::addColumn<bool>("askedPassword");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<qint16>("tribe");

    const QByteArray open = "NONE";
    QTest::newRow("open hut")
        << true << open << true << false << QByteArray("empty3_2") << QByteArray("h3") << QByteArray("2")
        << false << QString() << Commands{"BECLIENT 3 2"} << false << QString() << qint16(2);
    QTest::newRow("password in another letter case")
        << true << QByteArray("Secret") << true << false << QByteArray("empty3_1") << QByteArray("h3")
        << QByteArray("1") << false << QString("sECRET") << Commands{"BECLIENT 3 1"} << true << QString()
        << qint16(1);
    QTest::newRow("wrong password")
        << true << QByteArray("Secret") << true << false << QByteArray("empty3_1") << QByteArray("h3")
        << QByteArray("1") << false << QString("guess") << Commands{} << true << QString("Wrong password!")
        << qint16(-1);
    QTest::newRow("blank in the password")
        << true << QByteArray("Secret") << true << false << QByteArray("empty3_1") << QByteArray("h3")
        << QByteArray("1") << false << QString("Sec ret") << Commands{} << true << QString("Wrong password!")
        << qint16(-1);
    QTest::newRow("cancel")
        << true << QByteArray("Secret") << true << false << QByteArray("empty3_1") << QByteArray("h3")
        << QByteArray("1") << true << QString() << Commands{} << true << QString() << qint16(-1);
    QTest::newRow("empty answer")
        << true << QByteArray("Secret") << true << false << QByteArray("empty3_1") << QByteArray("h3")
        << QByteArray("1") << false << QString("") << Commands{} << true << QString() << qint16(-1);
    QTest::newRow("own hut")
        << true << open << true << false << QByteArray("empty5_1") << QByteArray("h5") << QByteArray("1")
        << false << QString() << Commands{} << false << QString() << qint16(-1);
    QTest::newRow("host node")
        << true << open << true << true << QByteArray("h3") << QByteArray() << QByteArray()
        << false << QString() << Commands{} << false << QString() << qint16(-1);
    QTest::newRow("occupied place")
        << true << open << true << false << QByteArray("u7") << QByteArray("h3") << QByteArray("1")
        << false << QString() << Commands{} << false << QString() << qint16(-1);
    QTest::newRow("no node selected")
        << true << open << false << false << QByteArray() << QByteArray() << QByteArray()
        << false << QString() << Commands{} << false << QString() << qint16(-1);
    QTest::newRow("game not installed")
        << false << open << true << false << QByteArray("empty3_2") << QByteArray("h3") << QByteArray("2")
        << false << QString() << Commands{} << false
        << QString("You cant join games without the game installed!") << qint16(-1);
}

void tst_HutHosting::joining()
{
    QFETCH(bool, installed);
    QFETCH(QByteArray, hutPassword);
    QFETCH(bool, hasNode);
    QFETCH(bool, hasChildren);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, parentKey);
    QFETCH(QByteArray, tag);
    QFETCH(bool, cancel);
    QFETCH(QString, answer);
    QFETCH(Commands, expected);
    QFETCH(bool, askedPassword);
    QFETCH(QString, dialog);
    QFETCH(qint16, tribe);

    HutTestClient client;
    installGame(client, "poptb.exe", true);
    client.state.Setup.GameInstalled = installed;
    client.setOwn(5, QByteArray());
    UserRecord *host = client.state.Users.at(3);
    host->Name = "host";
    host->State = "HOST";
    host->HutPassword = hutPassword;
    client.state.Hut.SelectedTribe = -1;
    if (cancel)
        client.dialogs.inputs.append(std::nullopt);
    else if (!answer.isNull())
        client.dialogs.inputs.append(answer);
    QVERIFY(client.connectTo(*m_server));

    HutHosting::HutNode node;
    node.valid = hasNode;
    node.hasChildren = hasChildren;
    node.key = key;
    node.parentKey = parentKey;
    node.tag = tag;
    client.hosting.lstHuts_DblClick(node);

    QCOMPARE(sentAfterVersion(*m_server, client), expected);
    bool asked = false;
    for (const auto &q : client.dialogs.questions) {
        if (q.kind == FakeDialogs::Question::Kind::Input) {
            asked = true;
            QCOMPARE(q.title, QString("Join Hut: Password Needed"));
            QCOMPARE(q.text, QString("A password is required to join this hut!\r\n\r\nGive password:"));
        }
    }
    QCOMPARE(asked, askedPassword);
    if (dialog.isEmpty())
        QVERIFY(client.dialogs.messages().isEmpty());
    else
        QVERIFY(client.dialogs.asked(dialog));
    QCOMPARE(client.state.Hut.SelectedTribe, tribe);
}

void tst_HutHosting::leaving()
{
    HutTestClient client;
    client.setOwn(5, "CLIENT");
    client.panels.showGamePanel();
    QVERIFY(client.connectTo(*m_server));
    client.hosting.picExitHut_Click();
    QVERIFY(!client.panels.state().frmGameVisible);
    client.hosting.SendBeIdle();
    QCOMPARE(sentAfterVersion(*m_server, client), (Commands{"BEIDLE", "BEIDLE"}));
}

void tst_HutHosting::tribeArrow()
{
    HutTestClient client;
    installGame(client, "poptb.exe", true);
    client.setOwn(5, "HOST");
    client.state.own()->CustomPals = true;
    client.state.Hut.SelectedTribe = 0;
    QVERIFY(client.connectTo(*m_server));

    // A double-click on the own hut sends nothing but shows the own tribe.
    client.hosting.lstHuts_DblClick({true, false, "empty5_2", "h5", "2"});
    using Arrows = std::array<bool, 4>;
    QCOMPARE(client.panels.state().ArrowVisible, (Arrows{true, false, false, false}));

    // One arrow at a time: the tribe the user plays.
    client.panels.ShowTribeArrow(3);
    QCOMPARE(client.panels.state().ArrowVisible, (Arrows{false, false, false, true}));
    client.panels.ShowTribeArrow(7);
    QCOMPARE(client.panels.state().ArrowVisible, (Arrows{false, false, false, false}));

    // Without custom colours a host sees no arrow.
    client.state.own()->CustomPals = false;
    client.hosting.lstHuts_DblClick({true, false, "empty5_2", "h5", "2"});
    QCOMPARE(client.panels.state().ArrowVisible, (Arrows{false, false, false, false}));
    QCOMPARE(sentAfterVersion(*m_server, client), Commands{});
}

QTEST_MAIN(tst_HutHosting)
#include "tst_huthosting.moc"
