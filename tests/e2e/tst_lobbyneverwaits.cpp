// A box raised while a lobby message is handled never holds up the lobby: the
// whole client, as main() composes it, in a hut whose host picks a map pack
// that neither the client nor the web host knows. The "broken" box opens and
// stays open; the chat line and the launch that follow are handled at once.
#include "core/Dispatcher.h"
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/util/Ini.h"
#include "lobby/ChatLog.h"
#include "lobby/ChatLogs.h"
#include "lobby/ui/LobbyForm.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/ui/FakeClientPlatform.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class tst_LobbyNeverWaits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UrlDownload::setDefaultTimeout(3000); }
    void brokenPackBoxDoesNotHoldUpTheLobby();
};

void tst_LobbyNeverWaits::brokenPackBoxDoesNotHoldUpTheLobby()
{
    FakeClientPlatform platform;
    QTemporaryDir home;
    WebHost web;
    LobbyServer lobby;
    QVERIFY(web.listen());
    QVERIFY(lobby.listen());
    copyTree(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home.filePath("skins"));
    Ini::WriteIni(home.filePath("qx.ini"), "general", "webhost", web.hostAndPort());
    web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
    web.serve("/qxserver/list.php", "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
    web.serve("/getmappack.php", QByteArray("not here"), 404);
    platform.registry.driveC = home.filePath("c");
    QVERIFY(QDir().mkpath(home.filePath("c/Games/Populous")));
    platform.registry.installGame("C:\\Games\\Populous");

    // The own user (slot 2) is a client in the hut of slot 1.
    lobby.scriptLogin(2, {"USER 1 hosting_hal 203.0.113.9 user 11 00-11-22-33-44-55",
                          "USER 2 joining_jo 198.51.100.4 user 12 00-1A-2B-3C-4D-5E",
                          "USERSTATE 1 HOST 4 NONE", "USERSTATE 2 CLIENT 1 1"});

    qputenv("ZORBEL_HOME", home.path().toLocal8Bit());
    ClientApp app(platform.platform());
    qunsetenv("ZORBEL_HOME");
    QVERIFY(app.Main());
    // Nothing that a lobby message does may wait for the user.
    platform.dialogs.mustNotWait = [&app] { return app.dispatcher().isHandling(); };
    app.loginForm().UsernameField->setText(QStringLiteral("joining jo"));
    app.loginForm().PasswordField->setText(QStringLiteral("x"));
    app.loginForm().Loginme->click();
    QTRY_VERIFY_WITH_TIMEOUT(lobby.scriptDone(0), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(app.lobbyForm().isVisible(), 5000);
    QTRY_VERIFY(app.state().own() && app.state().own()->State == "CLIENT");
    platform.dialogs.clear();

    lobby.send(0, "MAPPACK 1 DEADBEEF");
    lobby.send(0, "MSG hosting_hal still\xFFthere? x 0");
    lobby.send(0, "EAEXECJOIN 4 203.0.113.9");

    auto &logs = static_cast<ChatLogs &>(app.chat());
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

QTEST_MAIN(tst_LobbyNeverWaits)
#include "tst_lobbyneverwaits.moc"
