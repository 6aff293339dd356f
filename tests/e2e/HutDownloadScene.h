#pragma once
// Header only: whole clients, as main() composes them, against the
// development lobby's hut logic and pack shop, for the tests of the hut and
// catalogue downloads: a host ("hal") in a hut with map packs of the shop,
// and a joiner ("jo") in its free place, lacking the pack.
#include "core/ClientState.h"
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/util/Ini.h"
#include "lobby/ui/CreateHutPanel.h"
#include "lobby/ui/GamePanel.h"
#include "lobby/ui/HutButtons.h"
#include "lobby/ui/HutPackPanel.h"
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
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace HutDownloadScene {

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

// One client ("pia") and the made-up user Bram (slot 102), whose hut plays
// packs of the shop that the client lacks; the client joins its free place.
// The made-up user Cora (slot 103) hosts a hut that plays no packs.
struct MadeUpHutScene
{
    static constexpr qint32 BramSlot = 102;
    static constexpr qint32 CoraSlot = 103;
    LobbyServer lobby;
    WebHost web;
    QTemporaryDir shopFolder;
    QList<ShopPack> shop;
    std::unique_ptr<Client> player;
    int playerClient = -1;

    // The shop's pack named `file`.
    const ShopPack &pack(const QByteArray &file) const
    {
        for (const ShopPack &p : shop) {
            if (p.file == file)
                return p;
        }
        qFatal("no such pack in the shop");
    }
    QString zipOf(const QByteArray &file) const
    {
        return QStringLiteral("http://%1/packs/%2.zip")
            .arg(QString::fromLatin1(web.hostAndPort()), QString::fromLatin1(file));
    }

    // Bram's hut plays `mappack` and `modpack` (files of the shop, or "OFF").
    void start(const QByteArray &mappack, const QByteArray &modpack)
    {
        QVERIFY(lobby.listen());
        QVERIFY(web.listen());
        lobby.actAsSimpleLobby();
        web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
        web.serve("/qxserver/list.php",
                  "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
        shop = openPackShop(web, shopFolder.path());
        MadeUpHut bram{BramSlot, 4, "OFF", "OFF", false};
        if (mappack != "OFF")
            bram.mappack = pack(mappack).crc;
        if (modpack != "OFF")
            bram.modpack = pack(modpack).crc;
        actAsHutLobby(lobby, {bram, MadeUpHut{CoraSlot, 4, "OFF", "OFF", false}});
        lobby.addSimpleLobbyUserMessage("USER 102 Bram 10.1.0.2 user 502 00-16-3E-00-01-02");
        lobby.addSimpleLobbyUserMessage("USER 103 Cora 10.1.0.3 user 503 00-16-3E-00-01-03");
        player = std::make_unique<Client>(web.hostAndPort());
        QDir().mkpath(player->home.filePath(QStringLiteral("modpacks")));
        player->start(QStringLiteral("pia"));
        if (QTest::currentTestFailed())
            return;
        playerClient = clientNamed(lobby, "pia");
        QVERIFY(playerClient >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(player->user(BramSlot) && player->user(BramSlot)->State == "HOST", 5000);
    }

    void join(qint32 host = BramSlot)
    {
        QVERIFY(doubleClickFreePlace(player->form(), host).isValid());
        QTRY_VERIFY_WITH_TIMEOUT(player->state().own()->State == "CLIENT" && player->state().own()->HostSlot == host,
                                 5000);
    }

    HutPackPanel *area(bool map)
    {
        return player->placed<HutPackPanel>(map ? LobbyForm::Place::MapDownloadPanel
                                                : LobbyForm::Place::ModDownloadPanel);
    }
    QPushButton *downloadButton(bool map) { return player->named<QPushButton>(map ? "cmdDLMAP" : "cmdDLMOD"); }
    // What the client sent from message `from` on.
    QList<QByteArray> sentSince(qsizetype from) const { return lobby.messages(playerClient).mid(from); }
};

// Opens the map pack catalogue on `c` and starts a run of the rows whose
// caption holds one of `titles`; the panel, or null when it did not show.
inline CatalogPanel *startCatalogueRun(Client &c, const QList<QByteArray> &titles)
{
    c.form().TabText_Click(2);
    auto *opener = c.named<QPushButton>("cmdDownloadQX");
    if (!opener)
        return nullptr;
    if (!QTest::qWaitFor([opener] { return opener->isVisible(); }, 5000))
        return nullptr;
    click(opener);
    CatalogPanel *panel = nullptr;
    for (CatalogPanel *p : c.form().findChildren<CatalogPanel *>()) {
        if (p->isVisible())
            panel = p;
    }
    if (!panel || !QTest::qWaitFor([panel] { return panel->list->count() >= 1; }, 5000))
        return nullptr;
    for (int i = 0; i < panel->list->count(); ++i) {
        for (const QByteArray &title : titles) {
            if (panel->list->item(i)->text().contains(QString::fromLatin1(title)))
                panel->list->item(i)->setSelected(true);
        }
    }
    if (!QTest::qWaitFor([panel] { return panel->download->isVisible() && panel->download->isEnabled(); }, 5000))
        return nullptr;
    click(panel->download);
    return panel;
}

// Short transfer bounds for the clients made while it lives.
struct ShortBounds
{
    explicit ShortBounds(int ms) { UrlDownload::setDefaultTransferBounds(UrlDownload::TransferBounds::within(ms)); }
    ~ShortBounds() { UrlDownload::setDefaultTransferBounds(UrlDownload::TransferBounds()); }
};

} // namespace HutDownloadScene
