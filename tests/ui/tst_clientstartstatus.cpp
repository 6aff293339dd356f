// Status lines from before the lobby window exists (the recovery of an
// interrupted update, an update that could not be installed) are in the
// lobby's chat once the player has logged in, not cleared as it opens.
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/util/Ini.h"
#include "lobby/ChatLog.h"
#include "lobby/ChatLogs.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/ui/FakeClientPlatform.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class tst_ClientStartStatus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UrlDownload::setDefaultTimeout(3000); }
    void cleanup() { qunsetenv("ZORBEL_HOME"); }

    void startStatusIsInTheLobbyChat()
    {
        FakeClientPlatform fakes;
        QTemporaryDir home;
        WebHost web;
        LobbyServer lobby;
        qputenv("ZORBEL_HOME", home.path().toLocal8Bit());
        copyTree(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home.filePath("skins"));
        QVERIFY(web.listen());
        QVERIFY(lobby.listen());
        Ini::WriteIni(home.filePath("qx.ini"), "general", "webhost", web.hostAndPort());
        // A newer release that the updater could not install the last time.
        web.serve("/updates/version.php", "gatherhall\r\n1.1.0\r\nhttp://x/a.zip\r\n");
        writeFile(home.filePath("update-failed.txt"), "1.1.0\r\n");
        web.serve("/qxserver/list.php",
                  "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
        lobby.scriptLogin(3, {"USER 3 john_doe 127.0.0.1 user 33 00-1A-2B-3C-4D-5E"});

        ClientApp app(fakes.platform());
        app.addStartupStatus("An update was interrupted; the files of the earlier version were put back.");
        QVERIFY(app.Main());
        app.loginForm().UsernameField->setText(QStringLiteral("john doe"));
        app.loginForm().PasswordField->setText(QStringLiteral("secret"));
        QPushButton *login = app.loginForm().Loginme;
        QTest::mouseClick(login, Qt::LeftButton, {}, login->rect().center());
        QTRY_VERIFY_WITH_TIMEOUT(!app.loginForm().isVisible(), 5000);

        auto &logs = dynamic_cast<ChatLogs &>(app.chat());
        QVERIFY(logs.log(0));
        const QString text = logs.log(0)->plainText();
        QVERIFY2(text.contains(QLatin1String("An update was interrupted; the files of the earlier version were put back.")),
                 qPrintable(text));
        QVERIFY2(text.contains(QLatin1String("The update to version 1.1.0 could not be installed")), qPrintable(text));
    }
};

QTEST_MAIN(tst_ClientStartStatus)
#include "tst_clientstartstatus.moc"
