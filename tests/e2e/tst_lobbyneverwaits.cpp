// The lobby never holds the window, and the window never holds the lobby's
// order: the whole client, as main() composes it, as a client in a hut.
// - A box raised while a lobby message is handled: the host picks a map pack
//   that neither the client nor the web host knows; the "broken" box opens
//   and stays open, the chat line and the launch that follow are handled at once.
// - Pack messages while a page is awaited: each is handled after the page,
//   in order; the player's click gets its turn when the page ends, whatever
//   the lobby sends.
// - A burst of chat lines in one arrival is handled in slices with the event
//   loop running between them, and the log ends with the same lines in order.
#include "core/Dispatcher.h"
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/util/Ini.h"
#include "lobby/ChatLog.h"
#include "lobby/ChatLogs.h"
#include "lobby/ui/GamePanel.h"
#include "lobby/ui/HutPackPanel.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/LobbyFormLayout.h"
#include "lobby/ui/TabStrip.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/ui/FakeClientPlatform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

// The whole client logged in as joining_jo (slot 2), a client in the hut of
// hosting_hal (slot 1), against a scripted lobby and a web host of its own.
struct HutClient
{
    FakeClientPlatform platform;
    QTemporaryDir home;
    WebHost web;
    LobbyServer lobby;
    std::unique_ptr<ClientApp> app;

    void start()
    {
        QVERIFY(web.listen());
        QVERIFY(lobby.listen());
        copyTree(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home.filePath("skins"));
        Ini::WriteIni(home.filePath("qx.ini"), "general", "webhost", web.hostAndPort());
        web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
        web.serve("/qxserver/list.php",
                  "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
        platform.registry.driveC = home.filePath("c");
        QVERIFY(QDir().mkpath(home.filePath("c/Games/Populous")));
        platform.registry.installGame("C:\\Games\\Populous");

        lobby.scriptLogin(2, {"USER 1 hosting_hal 203.0.113.9 user 11 00-11-22-33-44-55",
                              "USER 2 joining_jo 198.51.100.4 user 12 00-1A-2B-3C-4D-5E",
                              "USERSTATE 1 HOST 4 NONE", "USERSTATE 2 CLIENT 1 1"});
        qputenv("ZORBEL_HOME", home.path().toLocal8Bit());
        app = std::make_unique<ClientApp>(platform.platform());
        qunsetenv("ZORBEL_HOME");
        QVERIFY(app->Main());
        // Nothing that a lobby message does may wait for the user.
        platform.dialogs.mustNotWait = [this] { return app->dispatcher().isHandling(); };
        app->loginForm().UsernameField->setText(QStringLiteral("joining jo"));
        app->loginForm().PasswordField->setText(QStringLiteral("x"));
        app->loginForm().Loginme->click();
        QTRY_VERIFY_WITH_TIMEOUT(lobby.scriptDone(0), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(app->lobbyForm().isVisible(), 5000);
        QTRY_VERIFY(app->state().own() && app->state().own()->State == "CLIENT");
        // The end of the user list has been answered.
        QVERIFY(lobby.waitForMessage(0, "MOTD"));
        platform.dialogs.clear();
    }

    ChatLogs &logs() { return static_cast<ChatLogs &>(app->chat()); }
};

void clickAtCentre(QWidget *w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

// A click the player makes at a moment of the test's choosing. Here the only
// input is the test's own, which Qt delivers at once; a real click made while
// the window takes no input (a page wait leaves input queued) is delivered at
// the event loop's next turn after that wait. So the click is made at the
// first turn of the test's own event loop (no nested loop running) from its
// moment on, and the moment it took effect is kept.
class PlayerClick : public QObject
{
public:
    explicit PlayerClick(QWidget *target) : m_target(target)
    {
        m_poll.setInterval(5);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            if (QThread::currentThread()->loopLevel() > m_level)
                return;
            m_poll.stop();
            QTest::mouseClick(m_target, Qt::LeftButton, {}, m_target->rect().center());
        });
    }
    void at(int ms)
    {
        m_level = QThread::currentThread()->loopLevel();
        QTimer::singleShot(ms, this, [this] { m_poll.start(); });
    }

private:
    QWidget *m_target;
    QTimer m_poll;
    int m_level = 0;
};

} // namespace

class tst_LobbyNeverWaits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UrlDownload::setDefaultTimeout(3000); }
    void brokenPackBoxDoesNotHoldUpTheLobby();
    void packMessagesWaitForTheCataloguePage_data();
    void packMessagesWaitForTheCataloguePage();
    void chatBurstInSlices();
};

void tst_LobbyNeverWaits::brokenPackBoxDoesNotHoldUpTheLobby()
{
    HutClient client;
    client.web.serve("/getmappack.php", QByteArray("not here"), 404);
    client.start();
    if (QTest::currentTestFailed())
        return;
    ClientApp &app = *client.app;
    FakeClientPlatform &platform = client.platform;
    LobbyServer &lobby = client.lobby;

    lobby.send(0, "MAPPACK 1 DEADBEEF");
    lobby.send(0, "MSG hosting_hal still\xFFthere? x 0");
    lobby.send(0, "EAEXECJOIN 4 203.0.113.9");

    ChatLogs &logs = client.logs();
    QTRY_VERIFY_WITH_TIMEOUT(lobby.messages(0).contains("POPULOUS ON"), 10000);
    // The box is still on screen: nobody has answered it.
    QCOMPARE(platform.dialogs.openCount(), 1);
    QCOMPARE(platform.dialogs.openText(0),
             QStringLiteral("It appears this mappack is broken, report the problem to an admin!"));
    QVERIFY(logs.log(0)->plainText().contains(QStringLiteral("still there?")));
    QCOMPARE(platform.games.calls.size(), 1);

    const QList<QByteArray> sent = lobby.messages(0);
    QList<QByteArray> afterPack;
    for (const QByteArray &m : sent.mid(sent.lastIndexOf("MAPPACKOK FALSE"))) {
        const QByteArray word = m.left(m.indexOf(' ') < 0 ? m.size() : m.indexOf(' '));
        if (QByteArrayList{"MAPPACKOK", "PATH", "APPPATH", "BEGAMING", "EXEFILE", "RUNCOMM", "POPULOUS"}.contains(word))
            afterPack.append(word);
    }
    QCOMPARE(afterPack, (QByteArrayList{"MAPPACKOK", "PATH", "APPPATH", "BEGAMING", "EXEFILE", "RUNCOMM",
                                        "POPULOUS"}));
    QCOMPARE(platform.dialogs.waitedWhileHandling.size(), 0);

    // The player answers the box later; nothing else happens.
    platform.dialogs.answerOpen(Dialogs::Answer::Ok);
    QCOMPARE(platform.dialogs.openCount(), 0);
    QVERIFY(app.state().Game.GameRunning);
}

// The map catalogue's page never ends its head; 0.3 of the page bound in, the
// lobby sends pack messages for packs the client lacks, whose look-ups stall
// as well; the player clicks 0.4 in. Each message is handled after the page,
// in order, one look-up after the other, and the click takes effect when the
// page ends, not a look-up's bound later for each message.
void tst_LobbyNeverWaits::packMessagesWaitForTheCataloguePage_data()
{
    QTest::addColumn<QByteArrayList>("messages");
    QTest::newRow("one") << QByteArrayList{"MAPPACK 1 DEADBEEF"};
    QTest::newRow("two") << QByteArrayList{"MAPPACK 1 DEADBEEF", "MODPACK 1 CAFEBABE"};
    QTest::newRow("three") << QByteArrayList{"MAPPACK 1 DEADBEEF", "MODPACK 1 CAFEBABE", "MAPPACK 1 0BADF00D"};
}

void tst_LobbyNeverWaits::packMessagesWaitForTheCataloguePage()
{
    QFETCH(QByteArrayList, messages);
    constexpr int Bound = 1500;
    HutClient client;
    WebHost::Answer endless;
    endless.mode = WebHost::Answer::Mode::EndlessHead;
    endless.headLineIntervalMs = 100;
    client.web.serve("/qx_mappacks.php", endless);
    client.web.stall("/getmappack.php");
    client.web.stall("/getmodpack.php");
    client.start();
    if (QTest::currentTestFailed())
        return;
    UrlDownload::setDefaultTimeout(Bound);
    auto restore = qScopeGuard([] { UrlDownload::setDefaultTimeout(3000); });
    LobbyForm &form = client.app->lobbyForm();
    auto *strip = form.findChild<TabStrip *>();
    QVERIFY(strip);
    clickAtCentre(strip->TabText(2));
    QTRY_COMPARE(form.currentTab(), 2);
    QWidget *opener = form.layout().widget("cmdDownloadQX");
    QVERIFY(opener);
    QTRY_VERIFY(opener->isVisible());

    // Something of the player's to click, and when each look-up was asked for.
    QPushButton probe(QStringLiteral("probe"));
    probe.resize(120, 40);
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    QElapsedTimer clock;
    qint64 clicked = -1;
    QObject::connect(&probe, &QPushButton::clicked, [&] { clicked = clock.elapsed(); });
    QList<qint64> lookUps;
    QObject::connect(&client.web, &WebHost::requestReceived, [&](const WebHost::Request &r) {
        if (r.path == "/getmappack.php" || r.path == "/getmodpack.php")
            lookUps.append(clock.elapsed());
    });
    PlayerClick player(&probe);
    const qsizetype sentBefore = client.lobby.messages(0).size();

    QTimer::singleShot(0, &form, [&] {
        clock.start();
        QTimer::singleShot(Bound * 3 / 10, &form, [&] {
            for (const QByteArray &m : messages)
                client.lobby.send(0, m);
        });
        player.at(Bound * 4 / 10);
        clickAtCentre(opener); // waits for the page
    });
    QTRY_VERIFY_WITH_TIMEOUT(clicked >= 0, 10000);
    QVERIFY2(clicked < Bound + Bound / 2, qPrintable(QString::number(clicked)));

    const QByteArrayList answers = [&] {
        QByteArrayList out;
        for (const QByteArray &m : messages)
            out.append(m.left(m.indexOf(' ')) + "OK FALSE");
        return out;
    }();
    // The answers to these messages, after what the join itself answered.
    auto packAnswers = [&] {
        QByteArrayList out;
        for (const QByteArray &m : client.lobby.messages(0).mid(sentBefore)) {
            if (m.startsWith("MAPPACKOK") || m.startsWith("MODPACKOK"))
                out.append(m);
        }
        return out;
    };
    QTRY_COMPARE_WITH_TIMEOUT(packAnswers(), answers, Bound * (int(messages.size()) + 2));
    // Every look-up ran to its bound, each after the page and after the one before.
    QTRY_COMPARE_WITH_TIMEOUT(client.platform.dialogs.openCount(), int(messages.size()),
                              Bound * (int(messages.size()) + 2));
    QCOMPARE(lookUps.size(), messages.size());
    for (qsizetype i = 0; i < lookUps.size(); ++i)
        QVERIFY2(lookUps[i] >= Bound * (i + 1) - 100, qPrintable(QString::number(lookUps[i])));

    // The panels as the messages set them, on the lobby tab.
    clickAtCentre(strip->TabText(0));
    QTRY_COMPARE(form.currentTab(), 0);
    auto *game = qobject_cast<GamePanel *>(form.placed(LobbyForm::Place::GamePanel));
    auto *mapArea = qobject_cast<HutPackPanel *>(form.placed(LobbyForm::Place::MapDownloadPanel));
    auto *modArea = qobject_cast<HutPackPanel *>(form.placed(LobbyForm::Place::ModDownloadPanel));
    QVERIFY(game && mapArea && modArea);
    QCOMPARE(game->lblmappack->text(), QStringLiteral("Mappack: <Broken>"));
    QCOMPARE(mapArea->url->text(), QStringLiteral("No download available!"));
    QVERIFY(!mapArea->isVisible());
    const bool modMessage = messages.size() > 1;
    QCOMPARE(game->lblModPack->text(),
             modMessage ? QStringLiteral("modpack: <Broken>") : QStringLiteral("ModPack: Normal Settings"));
    if (modMessage)
        QCOMPARE(modArea->url->text(), QStringLiteral("No download available!"));
    QVERIFY(!modArea->isVisible());
    QCOMPARE(client.app->state().Users.at(1)->Mappack, messages.last().startsWith("MAPPACK")
                                                            ? messages.last().mid(10)
                                                            : messages.first().mid(10));
    // What the last look-up held goes on at the next turn of the event loop.
    QTRY_COMPARE(client.app->dispatcher().pending(), 0);
    QCOMPARE(client.platform.dialogs.waitedWhileHandling.size(), 0);
}

// 10,000 chat lines in one arrival, then one more line in the next: the
// event loop turns while they are handled (the player's input is let in),
// and the log holds the newest lines in their order, cut as always.
void tst_LobbyNeverWaits::chatBurstInSlices()
{
    HutClient client;
    client.start();
    if (QTest::currentTestFailed())
        return;
    constexpr int Lines = 10000;
    QByteArray burst;
    for (int i = 0; i < Lines; ++i)
        burst += "MSG hosting_hal line\xFF" + QByteArray::number(i) + " x 0" + '\0';
    ChatLog *log = client.logs().log(0);
    QVERIFY(log);
    int turnsDuringBurst = 0;
    QTimer turns;
    turns.setInterval(0);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const QString text = log->plainText();
        if (text.contains(QStringLiteral("line 0")) && !text.contains(QStringLiteral("line 9999")))
            ++turnsDuringBurst;
    });
    turns.start();
    client.lobby.sendRaw(0, burst);
    QTRY_VERIFY_WITH_TIMEOUT(log->plainText().contains(QStringLiteral("line 9999")), 60000);
    client.lobby.send(0, "MSG hosting_hal after\xFFthe\xFF" "burst x 0");
    QTRY_VERIFY_WITH_TIMEOUT(log->plainText().contains(QStringLiteral("after the burst")), 10000);
    turns.stop();
    QVERIFY2(turnsDuringBurst > 0, "the event loop must turn while a burst is handled");

    const QString text = log->plainText();
    QVERIFY(log->length() <= ChatLog::TrimAbove);
    QRegularExpression line(QStringLiteral("line (\\d+)"));
    QList<int> numbers;
    for (auto it = line.globalMatch(text); it.hasNext();)
        numbers.append(it.next().captured(1).toInt());
    QVERIFY(numbers.size() > 100);
    QCOMPARE(numbers.last(), Lines - 1);
    for (qsizetype i = 1; i < numbers.size(); ++i)
        QCOMPARE(numbers[i], numbers[i - 1] + 1);
    QVERIFY(text.lastIndexOf(QStringLiteral("after the burst")) > text.lastIndexOf(QStringLiteral("line 9999")));
}

QTEST_MAIN(tst_LobbyNeverWaits)
#include "tst_lobbyneverwaits.moc"
