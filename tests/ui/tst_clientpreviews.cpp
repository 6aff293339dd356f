// A whole client, as main() composes it, against the development lobby's
// rankings page and packs: the Rankings, Maps and Mods tabs show them.
#include "controls/MorphListBox.h"
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/ui/PackListBox.h"
#include "core/util/Ini.h"
#include "lobby/ui/GamePanel.h"
#include "lobby/ui/LobbyForm.h"
#include "packs/ui/MapPreview.h"
#include "packs/ui/PicturePreview.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/ChatLobby.h"
#include "tests/fixtures/DevPreviewContent.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/ui/FakeClientPlatform.h"
#include "tests/ui/PackListTesting.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace PackListTesting;

class tst_ClientPreviews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        UrlDownload::setDefaultTimeout(3000);
    }
    void cleanup() { qunsetenv("ZORBEL_HOME"); }
    void threeTabs();
};

namespace {

template<typename T> T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qWarning("no %s", name);
    return w;
}

} // namespace

void tst_ClientPreviews::threeTabs()
{
    QTemporaryDir home;
    copyTree(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home.filePath("skins"));
    QVERIFY(DevPreviewContent::writePacks(home.path()));
    WebHost web;
    QVERIFY(web.listen());
    LobbyServer lobby;
    QVERIFY(lobby.listen());
    lobby.actAsSimpleLobby();
    actAsChatLobby(lobby);
    QVERIFY(Ini::WriteIni(home.filePath("qx.ini"), "general", "webhost", web.hostAndPort()));
    web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
    web.serve("/qxserver/list.php", "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
    web.serve("/ranksqx.php", DevPreviewContent::ranksPage());

    FakeClientPlatform fakes;
    qputenv("ZORBEL_HOME", home.path().toLocal8Bit());
    ClientApp app(fakes.platform());
    QVERIFY(app.Main());
    app.loginForm().UsernameField->setText(QStringLiteral("tester"));
    app.loginForm().PasswordField->setText(QStringLiteral("x"));
    app.loginForm().Loginme->click();
    QTRY_VERIFY_WITH_TIMEOUT(app.lobbyForm().isVisible(), 5000);
    LobbyForm &form = app.lobbyForm();

    // Maps: the packs sorted by name, upper case first.
    form.TabText_Click(2);
    auto *lstPacks = child<MorphListBox>(form.FrameMaps(), "lstPacks");
    auto *lstMaps = child<MorphListBox>(form.FrameMaps(), "lstMaps");
    auto *preview = child<MapPreview>(form.FrameMaps(), "MapPreview");
    QVERIFY(lstPacks && lstMaps && preview);
    QCOMPARE(rows(lstPacks), (QStringList{"Archipelago", "Twin Peaks", "desert duels"}));
    click(lstPacks, 2);
    QCOMPARE(rows(lstMaps), (QStringList{"Dune Sea", "Oasis Ring"}));
    click(lstMaps, 1);
    QCOMPARE(preview->showing(), MapPreview::Showing::Level);
    QCOMPARE(child<QLabel>(form.FrameMaps(), "lblMapName")->text(), QStringLiteral("Oasis Ring"));
    QCOMPARE(child<QLabel>(form.FrameMaps(), "lblhdrs")->text(), QStringLiteral("Players: 3"));
    QCOMPARE(child<QLabel>(form.FrameMaps(), "lbltxture")->text(), QStringLiteral("Land Texture: 7"));

    // Mods: in the installed order, with the chosen pack's picture and texts.
    form.TabText_Click(3);
    auto *lstMods = child<PackListBox>(form.FrameMods(), "LstMods");
    QVERIFY(lstMods);
    QCOMPARE(rows(lstMods), (QStringList{"Ancient Colours", "fast shamans"}));
    click(lstMods, 1);
    QCOMPARE(child<QLabel>(form.FrameMods(), "lblModName")->text(), QStringLiteral("Fast Shamans"));
    QCOMPARE(child<QLabel>(form.FrameMods(), "lblModCreator")->text(), QStringLiteral("Creator: Kestrel"));
    QVERIFY(!child<PicturePreview>(form.FrameMods(), "PreviewMods")->picture().isNull());
    QVERIFY(child<QPlainTextEdit>(form.FrameMods(), "txtModDesc")->toPlainText().startsWith("Shamans walk"));
    // The hut's mod pack box keeps its pack when a refresh finds a pack that sorts before it.
    auto *game = qobject_cast<GamePanel *>(form.placed(LobbyForm::Place::GamePanel));
    QVERIFY(game);
    Q_EMIT game->cmbModPack->activated(1);
    QCOMPARE(game->cmbModPack->currentText(), QStringLiteral("fast shamans"));
    QVERIFY(KafPackBuilder::build(home.filePath("modpacks/Aardvark.kaf"), {{"modpack.txt", "a\r\nb\r\n"}}));
    child<QPushButton>(form.FrameMods(), "cmdmodsRefresh")->click();
    QCOMPARE(rows(lstMods), (QStringList{"Aardvark", "Ancient Colours", "fast shamans"}));
    QCOMPARE(game->cmbModPack->currentIndex(), 2);
    QCOMPARE(game->cmbModPack->currentText(), QStringLiteral("fast shamans"));

    // Rankings: the first client of the lobby has id 1001, listed as "01001".
    form.TabText_Click(4);
    QTRY_COMPARE_WITH_TIMEOUT(form.lstRanks()->topLevelItemCount(), 12, 5000);
    QCOMPARE(form.lblYourRank()->text(), QStringLiteral("Your Rank: 7"));
    QCOMPARE(form.lstRanks()->topLevelItem(6)->text(2), QStringLiteral("You"));

    // Nothing of the previews was written into the client's folder.
    for (const char *name : {"mappack.txt", "preview.dat", "preview.hdr", "modpack.txt", "modpreview.jpg",
                             "Desc.txt", "ranks.txt"})
        QVERIFY2(!QFile::exists(home.filePath(QString::fromLatin1(name))), name);
}

QTEST_MAIN(tst_ClientPreviews)
#include "tst_clientpreviews.moc"
