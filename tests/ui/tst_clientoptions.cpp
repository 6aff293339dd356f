// The options tab in the whole client: a fresh client folder (no choices in
// qx.ini) writes its executable choice as the lobby window loads, start-up
// reads it, the player can host, and the tab's controls act on the settings.
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/ui/frmError.h"
#include "lobby/ChatLog.h"
#include "lobby/ChatLogs.h"
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
#include <QPlainTextEdit>
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
    void brokenSkinGivesWayAtStart();
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

// A chosen skin whose pictures cannot be read: start-up uses the default skin
// for that run, says so in one status line and asks nothing; the choice stays
// saved, so the mended skin is used at the next start. Applying the broken
// skin reports it once, there.
void tst_ClientOptions::brokenSkinGivesWayAtStart()
{
    Rig rig;
    const QString glass = rig.home.filePath("skins/Glass");
    copyTree(rig.home.filePath("skins/Default"), glass);
    writeFile(glass + "/tabselect.gif", "not a picture");
    Ini::WriteIni(glass + "/qxskin.ini", "skinning", "border4", "77");
    writeFile(rig.home.filePath("skins/InstalledSkins.inf"),
              "[SECTION=SKINS]\r\nINSTALLEDSKINS=2\r\nSKIN1=Default\r\nSKIN2=Glass\r\n[EOS]\r\n");
    Ini::WriteIni(rig.qx(), "paths", "skinpath", "\\skins\\Glass");

    QVERIFY(rig.app->Main());
    QCOMPARE(rig.dialogs.questions.size(), 0);
    QVERIFY(!rig.app->errorWindow().isVisible());
    const ClientOptions &o = rig.app->state().Options;
    QCOMPARE(o.SkinPath, QByteArray("\\skins\\Default"));
    QVERIFY(o.OptionsBackColor != 77);
    QCOMPARE(o.LoginBackground, rig.home.filePath("skins/Default/loginbg.jpg"));
    QCOMPARE(rig.sound.played, QStringList{rig.home.filePath("skins/Default/loading.wav")});
    QCOMPARE(rig.qxValue("paths", "skinpath"), QByteArray("\\skins\\Glass"));

    rig.login();
    const QString line = QStringLiteral(
        "The skin \"Glass\" cannot be loaded (the picture tabselect.gif cannot be read); the default skin is "
        "used instead.");
    ChatLog *main = dynamic_cast<ChatLogs &>(rig.app->chat()).log(0);
    QVERIFY(main);
    QTRY_VERIFY_WITH_TIMEOUT(main->plainText().contains(line), 5000);
    const QString log = main->plainText();
    QVERIFY2(log.count(line) == 1 && log.count(QLatin1String("cannot be loaded")) == 1, qPrintable(log));
    QCOMPARE(rig.dialogs.questions.size(), 0);

    // Applied from the options tab, the broken skin is reported once.
    rig.app->lobbyForm().TabText_Click(1);
    auto *skins = rig.control<QListWidget>("lstskinslist");
    QCOMPARE(skins->count(), 2);
    skins->setCurrentRow(1);
    QPushButton *apply = rig.control<QPushButton>("cmdApplySkin");
    QTRY_VERIFY(apply->isVisible());
    QTest::mouseClick(apply, Qt::LeftButton, {}, apply->rect().center());
    QCOMPARE(rig.qxValue("paths", "skinpath"), QByteArray("\\skins\\Glass"));
    QCOMPARE(rig.dialogs.questions.size(), 1);
    QCOMPARE(rig.dialogs.openCount(), 1);
    QVERIFY(rig.app->errorWindow().isVisible());
    QVERIFY(rig.app->errorWindow().txtError->toPlainText().endsWith(
        QStringLiteral("Method: Failure to load skin resources!()")));
    rig.dialogs.answerOpen(Dialogs::Answer::Retry);
    QVERIFY(!rig.app->exiting());

    // Mended, the saved skin is used again at the next start.
    QFile::remove(glass + "/tabselect.gif");
    QVERIFY(QFile::copy(rig.home.filePath("skins/Default/tabselect.gif"), glass + "/tabselect.gif"));
    rig.dialogs.clear();
    rig.sound.played.clear();
    rig.app.reset();
    rig.app = std::make_unique<ClientApp>(rig.platform());
    QVERIFY(rig.app->Main());
    QCOMPARE(rig.dialogs.questions.size(), 0);
    QCOMPARE(rig.app->state().Options.SkinPath, QByteArray("\\skins\\Glass"));
    QCOMPARE(rig.app->state().Options.OptionsBackColor, 77);
    QCOMPARE(rig.sound.played, QStringList{glass + "/loading.wav"});
}

QTEST_MAIN(tst_ClientOptions)
#include "tst_clientoptions.moc"
