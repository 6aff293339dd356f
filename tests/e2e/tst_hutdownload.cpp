// Two whole clients, as main() composes them, against the development lobby's
// hut logic and pack shop: the host plays with a map pack the joiner lacks;
// the launch is refused; the joiner downloads the pack from the hut panel; the
// server sees "MAPPACKOK DOWNLOADING" then "MAPPACKOK TRUE"; the launch goes.
#include "core/ClientState.h"
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/util/Ini.h"
#include "lobby/HutsTreeModel.h"
#include "lobby/ui/CreateHutPanel.h"
#include "lobby/ui/GamePanel.h"
#include "lobby/ui/HutButtons.h"
#include "lobby/ui/HutPackPanel.h"
#include "lobby/ui/HutsTreeView.h"
#include "lobby/ui/ChatView.h"
#include "lobby/ui/LobbyForm.h"
#include "packs/ui/CatalogPanel.h"
#include "platform/UrlDownload.h"
#include "tests/e2e/HutDownloadScene.h"
#include "tests/e2e/HutTreeClicks.h"
#include "tests/e2e/HutWiring.h"
#include "tests/fixtures/HutLobby.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/PackShop.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/ui/FakeClientPlatform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace HutDownloadScene;

class tst_HutDownload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        UrlDownload::setDefaultTimeout(3000);
    }

    void joinerDownloadsTheHutsMappack()
    {
        // The host plays its map pack; the joiner takes the free place.
        HutScene s;
        s.enter();
        if (QTest::currentTestFailed())
            return;
        Client &host = *s.host;
        Client &joiner = *s.joiner;
        const ShopPack &pack = s.shop.first();
        QCOMPARE(host.user(s.hostSlot)->Mappack, pack.crc);
        QTRY_COMPARE_WITH_TIMEOUT(host.user(s.joinSlot)->HasMappack, QByteArray("FALSE"), 5000);

        // The hut panel offers the pack's zip from the web host.
        auto *area = joiner.placed<HutPackPanel>(LobbyForm::Place::MapDownloadPanel);
        QTRY_COMPARE_WITH_TIMEOUT(area->url->text(),
                                  QStringLiteral("http://%1/packs/greenhills.zip").arg(QString::fromLatin1(s.web.hostAndPort())),
                                  5000);
        auto *download = s.downloadButton();
        QVERIFY(download && download->isVisible() && download->isEnabled());

        // Refused while the joiner lacks it.
        HutButtons *buttons = host.placed<HutButtons>(LobbyForm::Place::HutButtons);
        click(buttons->cmdlaunch);
        QVERIFY(host.dialogs.asked(QStringLiteral("Not all users have mappack installed!")));
        QVERIFY(!s.lobby.messages(s.hostClient).contains("LAUNCH"));

        click(download);
        QVERIFY(s.lobby.waitForMessage(s.joinClient, "MAPPACKOK TRUE", 10000));
        const QList<QByteArray> sent = s.lobby.messages(s.joinClient);
        const qsizetype downloading = sent.indexOf("MAPPACKOK DOWNLOADING");
        QVERIFY(downloading >= 0);
        QVERIFY(downloading < sent.lastIndexOf("MAPPACKOK TRUE"));
        QCOMPARE(sent.lastIndexOf("MAPPACKOK FALSE") < downloading, true);
        QCOMPARE(readFile(joiner.home.filePath(QStringLiteral("mappacks/greenhills.kaf"))), readFile(pack.kaf));
        QVERIFY(!QFile::exists(joiner.home.filePath(QStringLiteral("mappack.zip"))));
        QTRY_COMPARE_WITH_TIMEOUT(joiner.placed<GamePanel>(LobbyForm::Place::GamePanel)->lblmappack->text(),
                                  QStringLiteral("Mappack: greenhills.kaf"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!area->isVisible(), 5000);
        QVERIFY(joiner.dialogs.questions.isEmpty());

        // The launch goes now.
        QTRY_COMPARE_WITH_TIMEOUT(host.user(s.joinSlot)->HasMappack, QByteArray("TRUE"), 5000);
        host.dialogs.clear();
        QTRY_VERIFY_WITH_TIMEOUT(buttons->cmdlaunch->isEnabled() && buttons->cmdlaunch->isVisible(), 5000);
        click(buttons->cmdlaunch);
        QVERIFY(host.dialogs.questions.isEmpty());
        QVERIFY(s.lobby.waitForMessage(s.hostClient, "LAUNCH", 5000));
    }

    // A web host that sends a byte now and then, or a head that never ends:
    // the joiner's download ends within its bounds, the lobby last heard
    // "MAPPACKOK FALSE" and the button is back for another try.
    void slowHostEndsWithinTheBounds_data()
    {
        QTest::addColumn<QByteArray>("route");
        QTest::newRow("a byte at a time") << QByteArray("trickle body");
        QTest::newRow("a header line every half second") << QByteArray("trickle head");
    }
    void slowHostEndsWithinTheBounds()
    {
        QFETCH(QByteArray, route);
        ShortBounds bounds(1500);
        HutScene s;
        s.enter();
        if (QTest::currentTestFailed())
            return;
        s.web.serve("/packs/" + s.shop[0].file + ".zip",
                    WebHost::hostile(route, readFile(s.shop[0].kaf), route == "trickle head" ? 500 : 1000));
        QElapsedTimer clock;
        clock.start();
        click(s.downloadButton());
        QTRY_VERIFY_WITH_TIMEOUT(!s.downloadButton()->isEnabled(), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(s.downloadButton()->isEnabled(), 10000);
        QVERIFY(clock.elapsed() < 8000);
        // The answer is sent before the button comes back, but reaches the lobby a moment later.
        QTRY_COMPARE_WITH_TIMEOUT(lastMappackAnswer(s.lobby, s.joinClient), QByteArray("MAPPACKOK FALSE"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(s.host->user(s.joinSlot)->HasMappack, QByteArray("FALSE"), 5000);
        QVERIFY(!QFile::exists(s.joiner->home.filePath(QStringLiteral("mappack.zip"))));
        QCOMPARE(s.addressLabel()->text(), s.zipOf(s.shop[0]));
        QVERIFY(s.joiner->dialogs.questions.isEmpty());
    }

    // The host switches pack while the joiner downloads the old one.
    void hostChangesPackDuringTheDownload()
    {
        HutScene s;
        s.enter(2);
        if (QTest::currentTestFailed())
            return;
        s.web.serve("/packs/" + s.shop[0].file + ".zip", WebHost::hostile("trickle body", QByteArray(9000, 'o'), 100));
        click(s.downloadButton());
        QVERIFY(s.lobby.waitForMessage(s.joinClient, "MAPPACKOK DOWNLOADING", 10000));
        QTRY_VERIFY_WITH_TIMEOUT(s.addressLabel()->text().startsWith(QStringLiteral("Downloading: ")), 5000);
        const qsizetype before = s.lobby.messages(s.joinClient).size();

        GamePanel *menu = s.host->placed<GamePanel>(LobbyForm::Place::GamePanel);
        // The player picks the other pack with the keyboard: the box says "activated".
        QTRY_VERIFY_WITH_TIMEOUT(menu->cmbMapPack->isVisible() && menu->cmbMapPack->count() == 2, 5000);
        const int other = menu->cmbMapPack->currentIndex() == 0 ? 1 : 0;
        menu->cmbMapPack->setFocus();
        QTest::keyClick(menu->cmbMapPack, other == 1 ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(menu->cmbMapPack->currentIndex(), other);
        QTRY_COMPARE_WITH_TIMEOUT(s.joiner->user(s.hostSlot)->Mappack, s.shop[1].crc, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(s.addressLabel()->text(), s.zipOf(s.shop[1]), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(s.downloadButton()->isEnabled(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(s.joiner->home.filePath(QStringLiteral("mappack.zip"))), 5000);
        // Only the dispatcher's answer to the new pack went out.
        QTest::qWait(200);
        QCOMPARE(s.lobby.messages(s.joinClient).mid(before), QList<QByteArray>{"MAPPACKOK FALSE"});
        QCOMPARE(s.addressLabel()->text(), s.zipOf(s.shop[1]));

        // The next click fetches the new pack, and it is the hut's.
        click(s.downloadButton());
        QVERIFY(s.lobby.waitForMessage(s.joinClient, "MAPPACKOK TRUE", 10000));
        QCOMPARE(readFile(s.joiner->home.filePath(QStringLiteral("mappacks/twinrivers.kaf"))), readFile(s.shop[1].kaf));
        QVERIFY(!s.joiner->state().Setup.ProgramFolder.isEmpty());
        QVERIFY(!QFile::exists(s.joiner->home.filePath(QStringLiteral("mappacks/greenhills.kaf"))));
    }

    // The hut's pack changes from one whose look-up answers at once to one
    // whose look-up takes a while: the panel lets go of the first pack at
    // once, so that a click meanwhile fetches nothing; once the second
    // pack's address is there, Download fetches that one.
    void packChangeLetsGoOfTheOldPack_data()
    {
        QTest::addColumn<bool>("map");
        QTest::newRow("map pack") << true;
        QTest::newRow("mod pack") << false;
    }
    void packChangeLetsGoOfTheOldPack()
    {
        QFETCH(bool, map);
        UrlDownload::setDefaultTimeout(10000);
        const auto restore = qScopeGuard([] { UrlDownload::setDefaultTimeout(3000); });
        const QByteArray first = map ? "greenhills" : "fastshamans";
        const QByteArray second = map ? "twinrivers" : "nightsky";
        MadeUpHutScene s;
        s.start(map ? first : "OFF", map ? "OFF" : first);
        if (QTest::currentTestFailed())
            return;
        // The second pack's look-up answers a few bytes at a time, for about two seconds.
        const QByteArray page = map ? "/getmappack.php" : "/getmodpack.php";
        const QByteArray secondCrc = s.pack(second).crc;
        const QByteArray secondZip = s.zipOf(second).toLatin1();
        s.web.serveBy(page, [&s, secondCrc, secondZip, first](const WebHost::Request &r) {
            WebHost::Answer a;
            if (r.queryValue("crc") == secondCrc) {
                a.body = secondZip + "\r\n";
                a.chunkBytes = 4;
                a.chunkIntervalMs = 2000 / int(a.body.size() / 4 + 1);
            } else {
                a.body = s.zipOf(first).toLatin1() + "\r\n";
            }
            return a;
        });
        const QByteArray ok = map ? "MAPPACKOK" : "MODPACKOK";
        s.join();
        if (QTest::currentTestFailed())
            return;
        HutPackPanel *area = s.area(map);
        QPushButton *download = s.downloadButton(map);
        QVERIFY(area && download);
        QTRY_VERIFY_WITH_TIMEOUT(area->isVisible() && download->isVisible() && download->isEnabled(), 5000);
        QCOMPARE(area->url->text(), s.zipOf(first));
        QVERIFY(s.lobby.messages(s.playerClient).contains(ok + " FALSE"));
        // The hut's other pack ("OFF") is answered too before the change.
        QVERIFY(s.lobby.waitForMessage(s.playerClient, QByteArray(map ? "MODPACKOK" : "MAPPACKOK") + " TRUE"));

        const qsizetype before = s.lobby.messages(s.playerClient).size();
        const int lookUps = s.web.requestCount(page);
        s.lobby.send(s.playerClient, (map ? "MAPPACK 102 " : "MODPACK 102 ") + secondCrc);
        QTRY_COMPARE_WITH_TIMEOUT(s.web.requestCount(page), lookUps + 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(s.sentSince(before), QList<QByteArray>{ok + " FALSE"}, 5000);
        // While the look-up runs: no address, Download disabled, and a click fetches nothing.
        QVERIFY(!download->isEnabled());
        QVERIFY(area->url->text().isEmpty());
        click(download);
        QCoreApplication::processEvents();
        QVERIFY(!download->isEnabled());
        QVERIFY(area->url->text().isEmpty());
        QCOMPARE(s.web.requestCount("/packs/" + first + ".zip"), 0);
        QCOMPARE(s.sentSince(before), QList<QByteArray>{ok + " FALSE"});

        // The answer: the second pack's address, and Download fetches it.
        QTRY_COMPARE_WITH_TIMEOUT(area->url->text(), s.zipOf(second), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(download->isEnabled() && area->isVisible(), 5000);
        click(download);
        QTRY_COMPARE_WITH_TIMEOUT(s.sentSince(before),
                                  (QList<QByteArray>{ok + " FALSE", ok + " DOWNLOADING", ok + " TRUE"}), 10000);
        QCOMPARE(s.web.requestCount("/packs/" + first + ".zip"), 0);
        QCOMPARE(s.web.requestCount("/packs/" + second + ".zip"), 1);
        const QString folder = map ? QStringLiteral("mappacks/") : QStringLiteral("modpacks/");
        QCOMPARE(readFile(s.player->home.filePath(folder + QString::fromLatin1(second + ".kaf"))),
                 readFile(s.pack(second).kaf));
        QVERIFY(!QFile::exists(s.player->home.filePath(folder + QString::fromLatin1(first + ".kaf"))));
        QVERIFY(s.player->dialogs.questions.isEmpty());
    }

    // The pack panels belong to the hut: set idle, gone to another hut or
    // back after a lost connection, the player sees neither, and nothing is
    // said about the old hut's packs.
    void packPanelsBelongToTheHut_data()
    {
        QTest::addColumn<QByteArray>("change");
        QTest::newRow("own user set idle") << QByteArray("idle");
        QTest::newRow("joining a hut with MODPACK OFF") << QByteArray("join");
        QTest::newRow("lost connection, then a login with no hut") << QByteArray("lost");
    }
    void packPanelsBelongToTheHut()
    {
        QFETCH(QByteArray, change);
        MadeUpHutScene s;
        s.start("greenhills", "fastshamans");
        if (QTest::currentTestFailed())
            return;
        s.join();
        if (QTest::currentTestFailed())
            return;
        for (bool map : {true, false}) {
            QTRY_VERIFY_WITH_TIMEOUT(s.area(map)->isVisible(), 5000);
            QTRY_VERIFY_WITH_TIMEOUT(s.downloadButton(map)->isVisible() && s.downloadButton(map)->isEnabled(), 5000);
        }
        const qsizetype before = s.lobby.messages(s.playerClient).size();
        int client = s.playerClient;
        qsizetype from = before;
        if (change == "idle") {
            s.lobby.send(s.playerClient, "USERSTATE " + QByteArray::number(s.player->slot()) + " IDLE");
            QTRY_COMPARE_WITH_TIMEOUT(s.player->state().own()->State, QByteArray("IDLE"), 5000);
        } else if (change == "join") {
            s.join(MadeUpHutScene::CoraSlot);
            if (QTest::currentTestFailed())
                return;
            QTRY_COMPARE_WITH_TIMEOUT(s.player->placed<GamePanel>(LobbyForm::Place::GamePanel)->lblModPack->text(),
                                      QStringLiteral("ModPack: Normal Settings"), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(s.player->placed<GamePanel>(LobbyForm::Place::GamePanel)->lblmappack->text(),
                                      QStringLiteral("Mappack: The Beginning"), 5000);
        } else {
            s.lobby.disconnectClient(s.playerClient);
            QTRY_VERIFY_WITH_TIMEOUT(!s.player->form().isVisible(), 5000);
            LoginForm &login = s.player->app->loginForm();
            QTRY_VERIFY_WITH_TIMEOUT(login.isVisible() && login.Loginme->isEnabled(), 5000);
            login.UsernameField->setText(QStringLiteral("pia"));
            login.PasswordField->setText(QStringLiteral("x"));
            click(login.Loginme);
            QTRY_VERIFY_WITH_TIMEOUT(s.player->form().isVisible() && s.player->state().own(), 10000);
            client = clientNamed(s.lobby, "pia");
            QVERIFY(client >= 0 && client != s.playerClient);
            QTRY_VERIFY_WITH_TIMEOUT(s.player->user(MadeUpHutScene::BramSlot), 5000);
            // What every login sends ends with "MOTD"; nothing about packs may follow.
            QVERIFY(s.lobby.waitForMessage(client, "MOTD"));
            from = s.lobby.messages(client).indexOf("MOTD") + 1;
        }
        for (bool map : {true, false}) {
            QTRY_VERIFY_WITH_TIMEOUT(!s.area(map)->isVisible(), 5000);
            QVERIFY(!s.downloadButton(map)->isVisible());
            QVERIFY(!s.downloadButton(map)->isEnabled());
        }
        // A while later still nothing is said about the old hut's packs.
        QTest::qWait(300);
        for (bool map : {true, false})
            QVERIFY(!s.area(map)->isVisible());
        for (const QByteArray &m : s.lobby.messages(client).mid(from)) {
            QVERIFY2(!m.endsWith(" DOWNLOADING") && !m.endsWith(" FALSE"), m.constData());
        }
        QCOMPARE(s.web.requestCount("/packs/greenhills.zip") + s.web.requestCount("/packs/fastshamans.zip"), 0);
    }

    // The host downloads packs from the catalogue that sort before and after
    // the hut's pack: its box stays on that pack, and nobody hears it again.
    void catalogueDownloadsKeepTheHutsPack()
    {
        HutScene s;
        s.enter();
        if (QTest::currentTestFailed())
            return;
        Client &host = *s.host;
        const auto announced = [&s] {
            int n = 0;
            for (const QByteArray &m : s.lobby.messages(s.hostClient))
                n += m.startsWith("MAPPACK ") || m.startsWith("MODPACK ") ? 1 : 0;
            return n;
        };
        // The joiner has answered both of the hut's packs.
        QVERIFY(s.lobby.waitForMessage(s.joinClient, "MODPACKOK TRUE", 5000));
        const int before = announced();
        const qsizetype joinerBefore = s.lobby.messages(s.joinClient).size();
        GamePanel *menu = host.placed<GamePanel>(LobbyForm::Place::GamePanel);
        QCOMPARE(menu->cmbMapPack->currentText(), QStringLiteral("greenhills"));

        // "frozenisles" sorts before the hut's "greenhills", "twinrivers" after it.
        CatalogPanel *panel = startCatalogueRun(host, {s.shop[2].title, s.shop[1].title});
        QVERIFY(panel);
        QTRY_COMPARE_WITH_TIMEOUT(menu->cmbMapPack->count(), 3, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(panel->download->isEnabled(), 10000);
        QTest::qWait(300);
        QCOMPARE(announced(), before);
        const QList<QByteArray> joinerSent = s.lobby.messages(s.joinClient).mid(joinerBefore);
        QVERIFY2(joinerSent.isEmpty(), joinerSent.join(" | ").constData());
        QCOMPARE(menu->cmbMapPack->currentIndex(), 1);
        QCOMPARE(menu->cmbMapPack->currentText(), QStringLiteral("greenhills"));
        QVERIFY(menu->chkMappack->isChecked());
        QCOMPARE(host.app->state().own()->Mappack, s.shop[0].crc);

        // A pick of another pack is still the hut's news.
        menu->cmbMapPack->setFocus();
        QTest::keyClick(menu->cmbMapPack, Qt::Key_Down);
        QTRY_COMPARE_WITH_TIMEOUT(announced(), before + 1, 5000);
        QVERIFY(s.lobby.messages(s.hostClient).contains("MAPPACK " + s.shop[1].crc));
    }

    // A zip whose Content-Length is too small comes in cut short: it cannot
    // be unpacked, and the chat line says so with the reason.
    void cutZipNamesTheUnpackFailure()
    {
        HutScene s;
        s.enter();
        if (QTest::currentTestFailed())
            return;
        const QByteArray zip = readFile(s.shopFolder.filePath(QString::fromLatin1(s.shop[0].file + ".zip")));
        QVERIFY(zip.size() > 200);
        s.web.serve("/packs/" + s.shop[0].file + ".zip", WebHost::hostile("length below body", zip));
        click(s.downloadButton());
        QVERIFY(s.lobby.waitForMessage(s.joinClient, "MAPPACKOK DOWNLOADING", 10000));
        QTRY_VERIFY_WITH_TIMEOUT(s.downloadButton()->isEnabled(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(lastMappackAnswer(s.lobby, s.joinClient), QByteArray("MAPPACKOK FALSE"), 5000);
        const QString chat = s.joiner->placed<ChatView>(LobbyForm::Place::ChatView)->toPlainText();
        const qsizetype line = chat.lastIndexOf(QStringLiteral("The mappack could not be downloaded ("));
        QVERIFY2(line >= 0, qPrintable(chat.right(400)));
        QVERIFY2(chat.indexOf(QStringLiteral("zip"), line) > line, qPrintable(chat.mid(line)));
        QVERIFY(!chat.contains(QStringLiteral("is not the hut's mappack")));
        // No box waits for an answer; the panel is ready for another try.
        QVERIFY(s.joiner->dialogs.questions.isEmpty());
        QCOMPARE(s.addressLabel()->text(), s.zipOf(s.shop[0]));
        QVERIFY(!QFile::exists(s.joiner->home.filePath(QStringLiteral("mappack.zip"))));
        QVERIFY(!QFile::exists(s.joiner->home.filePath(QStringLiteral("mappacks/greenhills.kaf"))));
    }

    // Leaving the hut ends a running download.
    void leavingTheHutEndsTheDownload()
    {
        HutScene s;
        s.enter();
        if (QTest::currentTestFailed())
            return;
        s.web.serve("/packs/" + s.shop[0].file + ".zip", WebHost::hostile("trickle body", QByteArray(9000, 'o'), 100));
        click(s.downloadButton());
        QVERIFY(s.lobby.waitForMessage(s.joinClient, "MAPPACKOK DOWNLOADING", 10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(s.joiner->home.filePath(QStringLiteral("mappack.zip"))), 5000);
        auto *leave = s.joiner->named<QPushButton>("AbortModpackDL");
        QVERIFY(leave);
        leave->click();   // the mod area's button need not show for a map pack
        QVERIFY(s.lobby.waitForMessage(s.joinClient, "BEIDLE", 5000));
        QTRY_VERIFY_WITH_TIMEOUT(s.joiner->user(s.joinSlot)->State != "CLIENT", 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(s.joiner->home.filePath(QStringLiteral("mappack.zip"))), 5000);
        QTest::qWait(200);
        QCOMPARE(s.lobby.messages(s.joinClient).last(), QByteArray("BEIDLE"));
    }

    // Closing the client while a catalogue pack comes in leaves no part of it.
    void closingDuringACatalogueDownloadLeavesNoFile()
    {
        HutScene s;
        QVERIFY(s.lobby.listen());
        s.lobby.actAsSimpleLobby();
        QVERIFY(s.web.listen());
        s.web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
        s.web.serve("/qxserver/list.php",
                    "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(s.lobby.port()) + "\n");
        s.shop = openPackShop(s.web, s.shopFolder.path());
        s.web.serve("/packs/" + s.shop[0].file + ".zip", WebHost::hostile("trickle body", QByteArray(9000, 'c'), 50));
        Client player(s.web.hostAndPort());
        player.start(QStringLiteral("pia"));
        if (QTest::currentTestFailed())
            return;
        QVERIFY(startCatalogueRun(player, {s.shop[0].title}));
        const QString zip = player.home.filePath(QStringLiteral("catalogue-mappack.zip"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(zip), 5000);
        QVERIFY(player.app->ExitClient());
        player.app.reset();
        QVERIFY(!QFile::exists(zip));
        QVERIFY(!QFile::exists(player.home.filePath(QStringLiteral("mappacks/greenhills.kaf"))));
    }
};

QTEST_MAIN(tst_HutDownload)
#include "tst_hutdownload.moc"
