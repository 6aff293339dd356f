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
#include "lobby/ui/LobbyForm.h"
#include "packs/ui/CatalogPanel.h"
#include "platform/UrlDownload.h"
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
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Client : FakeClientPlatform
{
    QTemporaryDir home;
    std::unique_ptr<ClientApp> app;

    explicit Client(const QByteArray &webHost)
    {
        copyTree(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home.filePath(QStringLiteral("skins")));
        Ini::WriteIni(home.filePath(QStringLiteral("qx.ini")), "general", "webhost", webHost);
        // Software mode: the game folder holds poptb.exe only.
        Ini::WriteIni(home.filePath(QStringLiteral("qx.ini")), "options", "D3D", "False");
        registry.driveC = home.filePath(QStringLiteral("c"));
        registry.installGame("C:\\Games\\Populous");
        writeFile(home.filePath(QStringLiteral("c/Games/Populous/poptb.exe")), "MZ");
        QDir().mkpath(home.filePath(QStringLiteral("mappacks")));
    }

    void start(const QString &name)
    {
        qputenv("ZORBEL_HOME", home.path().toLocal8Bit());
        app = std::make_unique<ClientApp>(platform());
        qunsetenv("ZORBEL_HOME");
        QVERIFY(app->Main());
        LoginForm &login = app->loginForm();
        QTRY_VERIFY_WITH_TIMEOUT(login.isVisible(), 5000);
        login.UsernameField->setText(name);
        login.PasswordField->setText(QStringLiteral("x"));
        login.Loginme->click();
        QTRY_VERIFY_WITH_TIMEOUT(form().isVisible(), 10000);
        form().resize(900, 650);
    }

    LobbyForm &form() { return app->lobbyForm(); }
    ClientState &state() { return app->state(); }
    qint32 slot() { return state().CurrentUser.OwnSlot; }
    const UserRecord *user(qint32 slot) { return state().Users.at(slot); }
    template<typename T> T *placed(LobbyForm::Place p) { return qobject_cast<T *>(form().placed(p)); }
    template<typename T> T *named(const char *name) { return form().findChild<T *>(QString::fromLatin1(name)); }
};

int clientNamed(LobbyServer &lobby, const QByteArray &name)
{
    for (int i = 0; i < lobby.clientCount(); ++i) {
        if (lobby.loginName(i) == name && lobby.isConnected(i))
            return i;
    }
    return -1;
}

void click(QWidget *w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

// A check box takes a click on its box or caption, not beside them.
void clickIndicator(QWidget *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(qMin(8, box->width() / 2), box->height() / 2));
}

// The last "MAPPACKOK ..." a client sent.
QByteArray lastMappackAnswer(LobbyServer &lobby, int client)
{
    const QList<QByteArray> sent = lobby.messages(client);
    for (qsizetype i = sent.size() - 1; i >= 0; --i) {
        if (sent[i].startsWith("MAPPACKOK "))
            return sent[i];
    }
    return QByteArray();
}

// A host ("hal") with the shop's map packs `hostPacks` in a hut of two, on
// the first of them; a joiner ("jo") in its free place, lacking the pack.
struct HutScene
{
    LobbyServer lobby;
    WebHost web;
    QTemporaryDir shopFolder;
    QList<ShopPack> shop;
    std::unique_ptr<Client> host;
    std::unique_ptr<Client> joiner;
    qint32 hostSlot = -1;
    qint32 joinSlot = -1;
    int hostClient = -1;
    int joinClient = -1;

    void enter(int hostPacks = 1)
    {
        QVERIFY(listenAsHutLobby(lobby));
        QVERIFY(web.listen());
        web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
        web.serve("/qxserver/list.php",
                  "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
        shop = openPackShop(web, shopFolder.path());
        host = std::make_unique<Client>(web.hostAndPort());
        joiner = std::make_unique<Client>(web.hostAndPort());
        for (int i = 0; i < hostPacks; ++i) {
            QVERIFY(QFile::copy(shop[i].kaf, host->home.filePath(QStringLiteral("mappacks/")
                                                                  + QString::fromLatin1(shop[i].file + ".kaf"))));
        }
        host->start(QStringLiteral("hal"));
        if (QTest::currentTestFailed())
            return;
        joiner->start(QStringLiteral("jo"));
        if (QTest::currentTestFailed())
            return;
        hostSlot = host->slot();
        joinSlot = joiner->slot();
        hostClient = clientNamed(lobby, "hal");
        joinClient = clientNamed(lobby, "jo");
        QVERIFY(hostClient >= 0 && joinClient >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(joiner->user(hostSlot) && host->user(joinSlot), 5000);
        click(host->placed<HutButtons>(LobbyForm::Place::HutButtons)->cmdHost);
        click(host->placed<CreateHutPanel>(LobbyForm::Place::CreateHutPanel)->Player[0]);
        QTRY_COMPARE_WITH_TIMEOUT(joiner->user(hostSlot)->State, QByteArray("HOST"), 5000);
        GamePanel *menu = host->placed<GamePanel>(LobbyForm::Place::GamePanel);
        QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), 5000);
        click(menu->GameMenu);
        // Its boxes get their height with the pass that follows the menu's opening.
        QTRY_VERIFY_WITH_TIMEOUT(menu->chkMappack->isVisible() && menu->chkMappack->height() > 0, 5000);
        clickIndicator(menu->chkMappack);
        QTRY_VERIFY_WITH_TIMEOUT(!host->user(hostSlot)->Mappack.isEmpty() && host->user(hostSlot)->Mappack != "OFF",
                                 5000);
        QVERIFY(doubleClickFreePlace(joiner->form(), hostSlot).isValid());
        QVERIFY(lobby.waitForMessage(joinClient, "MAPPACKOK FALSE", 10000));
        QTRY_VERIFY_WITH_TIMEOUT(joiner->placed<HutPackPanel>(LobbyForm::Place::MapDownloadPanel)->isVisible(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(downloadButton()->isVisible() && downloadButton()->isEnabled(), 5000);
    }

    QPushButton *downloadButton() { return joiner->named<QPushButton>("cmdDLMAP"); }
    QLabel *addressLabel() { return joiner->placed<HutPackPanel>(LobbyForm::Place::MapDownloadPanel)->url; }
    QString zipOf(const ShopPack &p) const
    {
        return QStringLiteral("http://%1/packs/%2.zip")
            .arg(QString::fromLatin1(web.hostAndPort()), QString::fromLatin1(p.file));
    }
};

// Short transfer bounds for the clients made while it lives.
struct ShortBounds
{
    explicit ShortBounds(int ms) { UrlDownload::setDefaultTransferBounds(UrlDownload::TransferBounds::within(ms)); }
    ~ShortBounds() { UrlDownload::setDefaultTransferBounds(UrlDownload::TransferBounds()); }
};

} // namespace

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
        player.form().TabText_Click(2);
        auto *opener = player.named<QPushButton>("cmdDownloadQX");
        QVERIFY(opener);
        QTRY_VERIFY_WITH_TIMEOUT(opener->isVisible(), 5000);
        click(opener);
        CatalogPanel *panel = nullptr;
        for (CatalogPanel *p : player.form().findChildren<CatalogPanel *>()) {
            if (p->isVisible())
                panel = p;
        }
        QVERIFY(panel);
        QTRY_VERIFY_WITH_TIMEOUT(panel->list->count() >= 1, 5000);
        panel->list->item(0)->setSelected(true);
        QTRY_VERIFY_WITH_TIMEOUT(panel->download->isVisible() && panel->download->isEnabled(), 5000);
        click(panel->download);
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
