// The options tab in the whole client: a fresh client folder (no choices in
// qx.ini) writes its executable choice as the lobby window loads, start-up
// reads it, the player can host, and the tab's controls act on the settings.
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/util/Ini.h"
#include "lobby/ColourValue.h"
#include "lobby/ui/LobbyForm.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/ui/FakeClientPlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

class tst_ClientOptions : public QObject
{
    Q_OBJECT

    struct Rig : FakeClientPlatform
    {
        QTemporaryDir home;
        WebHost web;
        LobbyServer lobby;
        std::unique_ptr<ClientApp> app;

        Rig()
        {
            qputenv("ZORBEL_HOME", home.path().toLocal8Bit());
            copyTree(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home.filePath("skins"));
            registry.driveC = home.filePath("drive_c");
            registry.installGame("C:\\Games\\Populous", "1.01", 0, "poptb.exe");
            writeFile(home.filePath("drive_c/Games/Populous/d3dpoptb.exe"), "MZ");
            writeFile(home.filePath("drive_c/Games/Populous/poptb.exe"), "MZ");
            web.listen();
            lobby.listen();
            Ini::WriteIni(qx(), "general", "webhost", web.hostAndPort());
            web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
            web.serve("/qxserver/list.php", "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
            app = std::make_unique<ClientApp>(platform());
        }
        ~Rig() { qunsetenv("ZORBEL_HOME"); }

        QString qx() const { return home.filePath("qx.ini"); }
        QByteArray qxValue(const char *section, const char *key) const
        {
            return Ini::ReadIni(qx(), section, key, "<none>");
        }
        template <typename W>
        W *control(const char *name)
        {
            return app->lobbyForm().findChild<W *>(QString::fromLatin1(name));
        }
        void login()
        {
            lobby.scriptLogin(3, {"USER 3 tester 127.0.0.1 user 33 00-1A-2B-3C-4D-5E"});
            app->loginForm().UsernameField->setText(QStringLiteral("tester"));
            app->loginForm().PasswordField->setText(QStringLiteral("pw"));
            app->loginForm().Loginme->click();
            QTRY_VERIFY_WITH_TIMEOUT(app->lobbyForm().isVisible(), 5000);
        }
    };

private Q_SLOTS:
    void initTestCase() { UrlDownload::setDefaultTimeout(3000); }
    void freshFolderCanHost();
    void controlsActOnTheSettings();
    void missingSkinPictureLeavesSoundBoxes();
    void translucentFromTheStart();
};

void tst_ClientOptions::freshFolderCanHost()
{
    Rig rig;
    QVERIFY(rig.app->Main());
    // Written as the window loaded, then read by start-up.
    QCOMPARE(rig.qxValue("paths", "exefile"), QByteArray("d3dpoptb.exe"));
    QCOMPARE(rig.qxValue("options", "D3D"), QByteArray("True"));
    QCOMPARE(rig.qxValue("options", "customres"), QByteArray("<none>"));
    QCOMPARE(rig.app->state().Setup.GameExeName, QByteArray("d3dpoptb.exe"));
    QCOMPARE(rig.app->state().Setup.GameExePath, QByteArray("C:\\Games\\Populous\\d3dpoptb.exe"));
    QVERIFY(rig.control<QRadioButton>("optGraphicMode1")->isChecked());
    // The sound boxes wear the skin's colours as it loads.
    const ClientOptions &o = rig.app->state().Options;
    QCOMPARE(rig.control<QCheckBox>("chkDisPMSnd")->palette().color(QPalette::Window),
             ColourValue::toColor(o.ColorForeground));
    QCOMPARE(rig.control<QListWidget>("lstskinslist")->count(), 1);

    rig.login();
    rig.control<QPushButton>("cmdHost")->click();
    QPushButton *twoPlayers = rig.app->lobbyForm().findChild<QPushButton *>(QStringLiteral("Player0"));
    QVERIFY(twoPlayers);
    QTRY_VERIFY(twoPlayers->isVisible());
    twoPlayers->click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.lobby.received(0).contains("BEHOST "), 5000);
    // The options colours once the window is laid out.
    QCOMPARE(rig.control<QCheckBox>("chkDisPMSnd")->palette().color(QPalette::Window),
             ColourValue::toColor(o.OptionsBackColor));
}

void tst_ClientOptions::controlsActOnTheSettings()
{
    Rig rig;
    QVERIFY(rig.app->Main());
    rig.login();

    rig.control<QRadioButton>("optGraphicMode0")->click();
    QCOMPARE(rig.app->state().Setup.GameExeName, QByteArray("poptb.exe"));
    QCOMPARE(rig.app->state().Setup.GameExePath, QByteArray("\"C:\\Games\\Populous\\poptb.exe\""));
    QCOMPARE(rig.qxValue("paths", "exefile"), QByteArray("poptb.exe"));
    QVERIFY(!rig.control<QPushButton>("cmdRes")->isEnabled());
    QVERIFY(!rig.control<QCheckBox>("chkCustomRes")->isChecked());

    // What the player types into a box the panel does not read stays there
    // while other controls change.
    QLineEdit *port = rig.control<QLineEdit>("txtFilePort");
    QCOMPARE(port->text(), QStringLiteral("7576"));
    port->setText(QStringLiteral("9000"));
    rig.control<QCheckBox>("chkLowCas")->click();
    QCOMPARE(port->text(), QStringLiteral("9000"));
    QCOMPARE(rig.qxValue("files", "port"), QByteArray("<none>"));
    QVERIFY(rig.app->state().Options.ForceLowCase);
    QCOMPARE(rig.qxValue("options", "forcelowcase"), QByteArray("True"));

    rig.control<QPushButton>("cmdEditFilter")->click();
    QWidget *editor = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QStringLiteral("FrmLanguageList"))
            editor = w;
    }
    QVERIFY(editor);
    QTRY_VERIFY(editor->isVisible());

    // A skin chosen and applied: stored and loaded again.
    auto *skins = rig.control<QListWidget>("lstskinslist");
    skins->setCurrentRow(0);
    rig.control<QPushButton>("cmdApplySkin")->click();
    QCOMPARE(rig.qxValue("paths", "skinpath"), QByteArray("\\skins\\Default"));
    QCOMPARE(rig.app->state().Options.SkinPath, QByteArray("\\skins\\Default"));
}

void tst_ClientOptions::missingSkinPictureLeavesSoundBoxes()
{
    Rig rig;
    QFile::remove(rig.home.filePath("skins/Default/download.gif"));
    const QColor before = rig.control<QCheckBox>("chkDisPMSnd")->palette().color(QPalette::Window);
    QVERIFY(rig.app->Main()); // Retry on the failure report
    QCOMPARE(rig.dialogs.questions.size(), 1);
    QCOMPARE(rig.control<QCheckBox>("chkDisPMSnd")->palette().color(QPalette::Window), before);
    QVERIFY(before != ColourValue::toColor(rig.app->state().Options.ColorForeground));
}

void tst_ClientOptions::translucentFromTheStart()
{
    Rig rig;
    const QString skin = rig.home.filePath("skins/Default/qxskin.ini");
    Ini::WriteIni(skin, "skinning", "transenable", "True");
    Ini::WriteIni(skin, "skinning", "transparency", "204");
    QVERIFY(rig.app->Main());
    QCOMPARE(qRound(rig.app->lobbyForm().windowOpacity() * 255), 204);
    rig.login();
    QCOMPARE(qRound(rig.app->lobbyForm().windowOpacity() * 255), 204);
}

QTEST_MAIN(tst_ClientOptions)
#include "tst_clientoptions.moc"
