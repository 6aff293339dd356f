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
#include "platform/UrlDownload.h"
#include "tests/e2e/HutTreeClicks.h"
#include "tests/fixtures/HutLobby.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/PackShop.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/ui/FakeClientPlatform.h"

#include <QCheckBox>
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
        LobbyServer lobby;
        QVERIFY(lobby.listen());
        lobby.actAsSimpleLobby();
        actAsHutLobby(lobby);
        WebHost web;
        QVERIFY(web.listen());
        web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
        web.serve("/qxserver/list.php", "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
        QTemporaryDir shopFolder;
        const QList<ShopPack> shop = openPackShop(web, shopFolder.path());
        const ShopPack &pack = shop.first();

        Client host(web.hostAndPort());
        Client joiner(web.hostAndPort());
        QVERIFY(QFile::copy(pack.kaf, host.home.filePath(QStringLiteral("mappacks/greenhills.kaf"))));
        host.start(QStringLiteral("hal"));
        if (QTest::currentTestFailed())
            return;
        joiner.start(QStringLiteral("jo"));
        if (QTest::currentTestFailed())
            return;
        const qint32 hostSlot = host.slot();
        const qint32 joinSlot = joiner.slot();
        const int hostClient = clientNamed(lobby, "hal");
        const int joinClient = clientNamed(lobby, "jo");
        QVERIFY(hostClient >= 0 && joinClient >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(joiner.user(hostSlot) && host.user(joinSlot), 5000);

        // The host opens a hut of two and plays with its map pack.
        host.placed<HutButtons>(LobbyForm::Place::HutButtons)->cmdHost->click();
        host.placed<CreateHutPanel>(LobbyForm::Place::CreateHutPanel)->Player[0]->click();
        QTRY_COMPARE_WITH_TIMEOUT(joiner.user(hostSlot)->State, QByteArray("HOST"), 5000);
        GamePanel *menu = host.placed<GamePanel>(LobbyForm::Place::GamePanel);
        QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), 5000);
        menu->GameMenu->click();
        menu->chkMappack->click();
        QTRY_COMPARE_WITH_TIMEOUT(host.user(hostSlot)->Mappack, pack.crc, 5000);

        // The joiner takes the free place.
        QVERIFY(doubleClickFreePlace(joiner.form(), hostSlot).isValid());
        QVERIFY(lobby.waitForMessage(joinClient, "MAPPACKOK FALSE", 10000));
        QTRY_COMPARE_WITH_TIMEOUT(host.user(joinSlot)->HasMappack, QByteArray("FALSE"), 5000);

        // The hut panel offers the pack's zip from the web host.
        auto *area = joiner.placed<HutPackPanel>(LobbyForm::Place::MapDownloadPanel);
        QTRY_VERIFY_WITH_TIMEOUT(area->isVisible(), 5000);
        QCOMPARE(area->url->text(), QStringLiteral("http://%1/packs/greenhills.zip").arg(QString::fromLatin1(web.hostAndPort())));
        auto *download = joiner.named<QPushButton>("cmdDLMAP");
        QVERIFY(download && download->isVisible() && download->isEnabled());

        // Refused while the joiner lacks it.
        HutButtons *buttons = host.placed<HutButtons>(LobbyForm::Place::HutButtons);
        buttons->cmdlaunch->click();
        QVERIFY(host.dialogs.asked(QStringLiteral("Not all users have mappack installed!")));
        QVERIFY(!lobby.messages(hostClient).contains("LAUNCH"));

        download->click();
        QVERIFY(lobby.waitForMessage(joinClient, "MAPPACKOK TRUE", 10000));
        const QList<QByteArray> sent = lobby.messages(joinClient);
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
        QTRY_COMPARE_WITH_TIMEOUT(host.user(joinSlot)->HasMappack, QByteArray("TRUE"), 5000);
        host.dialogs.clear();
        QTRY_VERIFY_WITH_TIMEOUT(buttons->cmdlaunch->isEnabled() && buttons->cmdlaunch->isVisible(), 5000);
        buttons->cmdlaunch->click();
        QVERIFY(host.dialogs.questions.isEmpty());
        QVERIFY(lobby.waitForMessage(hostClient, "LAUNCH", 5000));
    }
};

QTEST_MAIN(tst_HutDownload)
#include "tst_hutdownload.moc"
