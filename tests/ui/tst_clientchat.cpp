// Two whole clients, as main() composes them, in the development lobby's
// chat: Main, a passworded room and a private message, typed into the real
// widgets.
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "core/util/Ini.h"
#include "lobby/ChatLog.h"
#include "lobby/ChatLogs.h"
#include "lobby/ui/ChatButtons.h"
#include "lobby/ui/ChatInputLine.h"
#include "lobby/ui/ChatView.h"
#include "lobby/ui/CreateRoomPanel.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/RoomListView.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/ChatLobby.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/ui/FakeClientPlatform.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Client : FakeClientPlatform
{
    std::unique_ptr<ClientApp> app;
    LobbyForm *form = nullptr;

    void start(const QString &home)
    {
        qputenv("ZORBEL_HOME", home.toLocal8Bit());
        app = std::make_unique<ClientApp>(platform());
        QVERIFY(app->Main());
        // This client's lobby window is the one showing its chat logs.
        const auto &logs = dynamic_cast<ChatLogs &>(app->chat());
        for (QWidget *w : QApplication::allWidgets()) {
            auto *view = qobject_cast<ChatView *>(w);
            if (view && view->document() == logs.log(0)->document())
                form = qobject_cast<LobbyForm *>(view->window());
        }
        QVERIFY(form);
    }

    void login(const QString &name)
    {
        app->loginForm().UsernameField->setText(name);
        app->loginForm().PasswordField->setText(QStringLiteral("x"));
        app->loginForm().Loginme->click();
        QTRY_VERIFY_WITH_TIMEOUT(!app->loginForm().isVisible(), 5000);
    }

    template<typename T> T *widget(LobbyForm::Place place) { return qobject_cast<T *>(form->placed(place)); }
    ChatInputLine *input() { return widget<ChatInputLine>(LobbyForm::Place::ChatInput); }
    ChatView *view() { return widget<ChatView>(LobbyForm::Place::ChatView); }
    RoomListView *rooms() { return widget<RoomListView>(LobbyForm::Place::RoomList); }
    ChatLogs &logs() { return dynamic_cast<ChatLogs &>(app->chat()); }
    QString log(qint16 room) { return logs().log(room) ? logs().log(room)->plainText() : QString(); }

    void say(const QString &text)
    {
        QTest::keyClicks(input(), text);
        QTest::keyClick(input(), Qt::Key_Return);
    }
    void clickRoom(int row)
    {
        QTest::mouseClick(rooms()->viewport(), Qt::LeftButton, {}, rooms()->visualItemRect(rooms()->item(row)).center());
    }
};

} // namespace

class tst_ClientChat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);   // the send-lock marker stays out of the user's data
        UrlDownload::setDefaultTimeout(3000);
    }
    void cleanup() { qunsetenv("ZORBEL_HOME"); }

    void twoClientsChat()
    {
        QTemporaryDir home;
        copyTree(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home.filePath("skins"));
        WebHost web;
        QVERIFY(web.listen());
        LobbyServer lobby;
        QVERIFY(lobby.listen());
        lobby.actAsSimpleLobby();
        actAsChatLobby(lobby);
        Ini::WriteIni(home.filePath("qx.ini"), "general", "webhost", web.hostAndPort());
        web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
        web.serve("/qxserver/list.php", "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");

        Client alice, bob;
        alice.start(home.path());
        alice.login(QStringLiteral("alice"));
        bob.start(home.path());
        bob.login(QStringLiteral("bob"));
        QTRY_VERIFY(alice.log(0).contains(QStringLiteral("Welcome to the development lobby.")));
        QTRY_VERIFY(bob.log(0).contains(QStringLiteral("Welcome to the development lobby.")));
        QCOMPARE(alice.rooms()->count(), 1);

        // Main, with a smiley.
        alice.say(QStringLiteral("hello bob :)"));
        const QString picture(QChar::ObjectReplacementCharacter);
        QTRY_VERIFY(bob.view()->toPlainText().endsWith("alice | hello bob " + picture + "\n"));
        QVERIFY(alice.view()->toPlainText().endsWith("alice | hello bob " + picture + "\n"));

        // A passworded room.
        // The button stands in the lobby panel's bottom row, where the layout puts it.
        auto *showRoom = alice.widget<QWidget>(LobbyForm::Place::ChatView)->window()->findChild<QPushButton *>(
            QStringLiteral("cmdShowRoomT"));
        QVERIFY(showRoom);
        QTest::mouseClick(showRoom, Qt::LeftButton, {}, showRoom->rect().center());
        auto *panel = alice.widget<CreateRoomPanel>(LobbyForm::Place::CreateRoomPanel);
        QVERIFY(panel->isVisible());
        QTest::keyClicks(panel->txtRoomName, QStringLiteral("war room"));
        QTest::keyClicks(panel->txtRoomPW, QStringLiteral("pw"));
        panel->cmdCreateRoom->click();
        QTRY_COMPARE(bob.rooms()->count(), 2);
        QTRY_COMPARE(alice.rooms()->count(), 2);
        QCOMPARE(bob.rooms()->item(1)->text(), QStringLiteral("war_room"));
        alice.dialogs.inputs = {QStringLiteral("pw")};
        alice.clickRoom(1);
        bob.dialogs.inputs = {QStringLiteral("pw")};
        bob.clickRoom(1);
        QCOMPARE(bob.logs().RoomFocus(), qint16(1));
        QCOMPARE(bob.view()->document(), bob.logs().log(1)->document());
        bob.say(QStringLiteral("in the war room"));
        QTRY_VERIFY(alice.view()->toPlainText().endsWith(QStringLiteral("bob | in the war room\n")));
        QVERIFY(!alice.log(0).contains(QStringLiteral("war room")));

        // A private message from bob to alice.
        Q_EMIT bob.form->privateMessageRequested(1, "alice");
        QCOMPARE(bob.input()->text(), QStringLiteral("/PVT alice: "));
        bob.say(QStringLiteral("psst"));
        QCOMPARE(bob.input()->text(), QStringLiteral("/PVT alice: "));
        QVERIFY(bob.view()->toPlainText().endsWith(QStringLiteral(" >> alice | psst\n")));
        QTRY_VERIFY(alice.view()->toPlainText().endsWith(QStringLiteral("bob | (private) psst\n")));
    }
};

QTEST_MAIN(tst_ClientChat)
#include "tst_clientchat.moc"
