#include "core/LobbyConnection.h"
#include "core/ServerList.h"
#include "core/ui/ClientApp.h"
#include "core/ui/LoginForm.h"
#include "controls/MorphListBox.h"
#include "tests/ui/PackListTesting.h"
#include "core/ui/frmError.h"
#include "core/ui/frmStartup.h"
#include "core/util/Files.h"
#include "core/util/Ini.h"
#include "core/util/Text.h"
#include "lobby/ui/LobbyForm.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/ui/FakeClientPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

// The whole client as main() composes it, with fake platform services, the
// test web host and the scripted lobby server: start-up, the login window and
// a login that reaches the lobby.
class tst_ClientLogin : public QObject
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
            web.listen();
            lobby.listen();
            Ini::WriteIni(home.filePath("qx.ini"), "general", "webhost", web.hostAndPort());
            web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
            web.serve("/qxserver/list.php",
                      "junk\nnewserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port())
                          + "\nnewserver\nBroken\n\n7576\n");
        }
        ClientApp &make()
        {
            app = std::make_unique<ClientApp>(platform());
            return *app;
        }
        LoginForm &login() { return app->loginForm(); }
    };

private Q_SLOTS:
    void initTestCase() { UrlDownload::setDefaultTimeout(3000); }
    void cleanup() { qunsetenv("ZORBEL_HOME"); }

    void startUpShowsLoginWithServers()
    {
        Rig rig;
        ClientApp &app = rig.make();
        QVERIFY(app.Main());
        QVERIFY(rig.login().isVisible());
        QCOMPARE(rig.login().lstservers->ListCount(), 1);
        QCOMPARE(rig.login().lstservers->List(0), QStringLiteral("Local lobby"));
        QCOMPARE(rig.login().lstservers->ListIndex(), 0);
        // The skinned list in its stored look, as large as its picture.
        QCOMPARE(rig.login().findChild<MorphListBox *>(QStringLiteral("lstservers")), rig.login().lstservers);
        QCOMPARE(rig.login().lstservers->Picture().size(), QSize(282, 232));
        QCOMPARE(rig.login().lstservers->size(), QSize(282, 232));
        QCOMPARE(rig.login().lstservers->BackColor1(), 0x404000);
        QCOMPARE(rig.web.requestCount("/qxserver/list.php"), 1);
        QVERIFY(!rig.web.lastRequest().queryValue("rand").isEmpty());
        QVERIFY(!Files::FileExists(rig.home.filePath("servers.txt")));
        QCOMPARE(rig.sound.played, QStringList{rig.home.filePath("skins/Default/loading.wav")});
        QVERIFY(Files::DirExists(rig.home.filePath("mappacks")));
        QCOMPARE(app.state().Options.InstalledSkins, QByteArrayList{"Default"});
        // The game is not installed here: its message, nothing else.
        QCOMPARE(rig.dialogs.questions.size(), 1);
    }

    void loginReachesLobby()
    {
        Rig rig;
        rig.lobby.scriptLogin(3, {"USER 3 john_doe 127.0.0.1 user 33 00-1A-2B-3C-4D-5E"});
        ClientApp &app = rig.make();
        QVERIFY(app.Main());
        rig.login().UsernameField->setText(QStringLiteral("john doe"));
        rig.login().PasswordField->setText(QStringLiteral("secret"));
        rig.login().Loginme->click();

        QTRY_VERIFY_WITH_TIMEOUT(rig.lobby.scriptDone(0), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.login().isVisible(), 5000);   // ENDUSERS
        QCOMPARE(app.state().CurrentUser.OwnSlot, 3);
        QVERIFY(app.state().own());
        QCOMPARE(rig.lobby.messages(0).mid(0, 5),
                 (QByteArrayList{"VERSION 10",
                                 "LOGIN john_doe " + Text::EncodeText(Text::MD5String("secret"))
                                     + " 127.0.0.1 00-1A-2B-3C-4D-5E",
                                 "USERLIST", "GETROOMLIST", "GETROOMS"}));
        QCOMPARE(rig.lobby.scriptErrors(), QStringList());

        // Name and encoded password were saved.
        const QString qx = rig.home.filePath("qx.ini");
        QCOMPARE(Ini::ReadIni(qx, "userinfo", "name", ""), QByteArray("john doe"));
        QCOMPARE(Ini::ReadIni(qx, "userinfo", "password", ""), Text::EncodeText("secret"));

        // The server closes: back to the login window.
        rig.lobby.disconnectClient(0);
        QTRY_VERIFY(rig.login().isVisible());
        QVERIFY(rig.login().Loginme->isEnabled());
    }

    // The development lobby's behaviour: any login, made-up users, chat relayed.
    void simpleLobby()
    {
        Rig rig;
        rig.lobby.actAsSimpleLobby();
        rig.lobby.addSimpleLobbyUserMessage("USER 101 Ava_Stone 10.1.0.1 admin 501 00-16-3E-00-01-01");
        ClientApp &app = rig.make();
        QVERIFY(app.Main());
        rig.login().UsernameField->setText(QStringLiteral("newcomer"));
        rig.login().PasswordField->setText(QStringLiteral("x"));
        rig.login().Loginme->click();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.login().isVisible(), 5000);
        QCOMPARE(app.state().CurrentUser.OwnSlot, 1);
        QVERIFY(app.state().Users.at(101));
        QCOMPARE(app.state().Users.at(101)->Name, QByteArray("Ava_Stone"));
        QCOMPARE(app.state().own()->Name, QByteArray("newcomer"));
        QVERIFY(rig.lobby.waitForMessage(0, "MOTD"));
        app.connection().SendCommand("SENDMSG hello\xFFthere 0");
        QVERIFY(rig.lobby.waitForMessage(0, "SENDMSG hello\xFFthere 0"));
    }

    void refusedLoginStaysOnLoginWindow()
    {
        Rig rig;
        rig.lobby.expect("VERSION 10", {"VERSION OK"});
        rig.lobby.expectWord("LOGIN", {"LOGIN 3"});
        ClientApp &app = rig.make();
        QVERIFY(app.Main());
        rig.login().UsernameField->setText(QStringLiteral("john"));
        rig.login().PasswordField->setText(QStringLiteral("wrong"));
        rig.login().Loginme->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.login().lblError->text(), QStringLiteral("Invalid password!"), 5000);
        QTRY_VERIFY(!rig.lobby.isConnected(0));
        QVERIFY(rig.login().isVisible());
    }

    // A server that cannot be reached says so in the status label; the
    // Login button stays usable.
    void unreachableServerIsReported()
    {
        Rig rig;
        quint16 deadPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            deadPort = probe.serverPort();
        }
        rig.web.serve("/qxserver/list.php", "newserver\nDown lobby\n127.0.0.1\n" + QByteArray::number(deadPort) + "\n");
        rig.make();
        QVERIFY(rig.app->Main());
        rig.login().UsernameField->setText(QStringLiteral("john"));
        rig.login().PasswordField->setText(QStringLiteral("pw"));
        rig.login().Loginme->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.login().lblError->text(),
                                  QStringLiteral("Could not connect to Down lobby (connection refused)."), 5000);
        QVERIFY(rig.login().Loginme->isEnabled());
        QVERIFY(rig.login().isVisible());
        QVERIFY(!rig.app->connection().isConnected());
    }

    // A server that accepts and never answers is given up after the bound.
    void silentServerIsGivenUp()
    {
        Rig rig;
        QTcpServer silent; // the kernel completes the connection; nobody answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        rig.web.serve("/qxserver/list.php",
                      "newserver\nSilent lobby\n127.0.0.1\n" + QByteArray::number(silent.serverPort()) + "\n");
        rig.make();
        QVERIFY(rig.app->Main());
        QCOMPARE(LobbyConnection::ConnectTimeoutMs, 15000);
        rig.app->connection().setConnectTimeout(300);
        rig.login().UsernameField->setText(QStringLiteral("john"));
        rig.login().PasswordField->setText(QStringLiteral("pw"));
        rig.login().Loginme->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.app->connection().isConnected(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.login().lblError->text(),
                                  QStringLiteral("Could not connect to Silent lobby (no answer within 1 second)."),
                                  5000);
        QVERIFY(!rig.app->connection().isConnected());
        QVERIFY(rig.login().Loginme->isEnabled());
    }

    // The server goes away while the lobby is on screen: back to the login
    // window with a word; the next login is a clean one.
    void lostConnectionIsReported()
    {
        Rig rig;
        rig.lobby.scriptLogin(3, {"USER 3 john_doe 127.0.0.1 user 33 00-1A-2B-3C-4D-5E",
                                  "USER 9 old_friend 10.0.0.9 user 99 00-00-00-00-00-09"});
        ClientApp &app = rig.make();
        QVERIFY(app.Main());
        rig.login().UsernameField->setText(QStringLiteral("john doe"));
        rig.login().PasswordField->setText(QStringLiteral("secret"));
        rig.login().Loginme->click();
        QTRY_VERIFY_WITH_TIMEOUT(app.lobbyForm().isVisible(), 5000);
        QTRY_VERIFY(!rig.login().isVisible());
        QVERIFY(app.state().Users.at(9));

        rig.lobby.disconnectClient(0);
        QTRY_VERIFY_WITH_TIMEOUT(rig.login().isVisible(), 5000);
        QVERIFY(!app.lobbyForm().isVisible());
        QCOMPARE(rig.login().lblError->text(), QStringLiteral("The connection to the lobby server was lost."));
        QVERIFY(rig.login().Loginme->isEnabled());

        // The server is back with fewer users; the new session shows only them.
        rig.lobby.clearScript();
        rig.lobby.scriptLogin(4, {"USER 4 john_doe 127.0.0.1 user 33 00-1A-2B-3C-4D-5E"});
        rig.login().Loginme->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.lobby.scriptDone(1), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(app.lobbyForm().isVisible(), 5000);
        QTRY_VERIFY(!rig.login().isVisible());
        QCOMPARE(rig.login().lblError->text(), QString());
        QCOMPARE(app.state().CurrentUser.OwnSlot, 4);
        QVERIFY(!app.state().Users.at(9) || app.state().Users.at(9)->Name.isEmpty());
        QCOMPARE(rig.lobby.messages(1).mid(0, 3).last(), QByteArray("USERLIST"));
        QCOMPARE(rig.lobby.scriptErrors(), QStringList());

        // A refused login is not a lost connection: its own text stays.
        rig.lobby.disconnectClient(1);
        QTRY_VERIFY_WITH_TIMEOUT(rig.login().isVisible(), 5000);
        rig.lobby.clearScript();
        rig.lobby.expect("VERSION 10", {"VERSION OK"});
        rig.lobby.expectWord("LOGIN", {"LOGIN 3"});
        rig.login().Loginme->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.login().lblError->text(), QStringLiteral("Invalid password!"), 5000);
        QTRY_VERIFY(!rig.lobby.isConnected(2));
        QCOMPARE(rig.login().lblError->text(), QStringLiteral("Invalid password!"));
    }

    void validation_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("serverSelected");
        QTest::addColumn<QString>("message");
        QTest::newRow("no server") << "john" << "pw" << false << "No server selected!";
        QTest::newRow("no name") << "" << "pw" << true << "Username can't be empty!";
        QTest::newRow("no password") << "john" << "" << true << "Password can't be empty!";
    }

    void validation()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, serverSelected);
        QFETCH(QString, message);
        Rig rig;
        rig.make();
        QVERIFY(rig.app->Main());
        if (!serverSelected)
            rig.login().lstservers->setListIndex(-1);
        rig.dialogs.clear();
        rig.login().UsernameField->setText(name);
        rig.login().PasswordField->setText(password);
        rig.login().Loginme_Click();
        QCOMPARE(rig.dialogs.questions.size(), 1);
        QCOMPARE(rig.dialogs.questions[0].text, message);
        // Saved before the checks.
        QCOMPARE(Ini::ReadIni(rig.home.filePath("qx.ini"), "userinfo", "name", "<none>"),
                 name.isEmpty() ? QByteArray("<none>") : name.toLatin1());
        QCOMPARE(rig.app->servers().ServerHost.isEmpty(), !serverSelected);
        QTest::qWait(0);
        QCOMPARE(rig.lobby.clientCount(), 0);
    }

    void savedFieldsShownDecoded()
    {
        Rig rig;
        Ini::WriteIni(rig.home.filePath("qx.ini"), "userinfo", "name", "mary");
        Ini::WriteIni(rig.home.filePath("qx.ini"), "userinfo", "password", Text::EncodeText("p w!"));
        rig.make();
        QVERIFY(rig.app->Main());
        QCOMPARE(rig.login().UsernameField->text(), QStringLiteral("mary"));
        QCOMPARE(rig.login().PasswordField->text(), QStringLiteral("p w!"));
    }

    void enterOnlyInNameField()
    {
        Rig rig;
        rig.make();
        QVERIFY(rig.app->Main());
        rig.login().UsernameField->setText(QStringLiteral("john"));
        rig.login().PasswordField->setText(QString());
        rig.dialogs.clear();
        QTest::keyClick(rig.login().PasswordField, Qt::Key_Return);
        QVERIFY(rig.dialogs.questions.isEmpty());
        QTest::keyClick(rig.login().UsernameField, Qt::Key_Return);
        QCOMPARE(rig.dialogs.questions.size(), 1);
        QCOMPARE(rig.dialogs.questions[0].text, QStringLiteral("Password can't be empty!"));
    }

    // The hidden mode: the typed address, on the port of the selected server.
    void directAddress()
    {
        Rig rig;
        rig.lobby.expect("VERSION 10");
        Ini::WriteIni(rig.home.filePath("qx.ini"), "userinfo", "name", "saved");
        rig.make();
        QVERIFY(rig.app->Main());
        rig.dialogs.inputs = {QStringLiteral("localhost")};
        rig.login().UsernameField->setText(QStringLiteral("qv58"));
        QVERIFY(rig.login().DirectConnect);
        QCOMPARE(rig.login().UsernameField->text(), QStringLiteral("saved"));
        QCOMPARE(rig.dialogs.questions.last().text, QStringLiteral("What's the IP To connect to?"));
        rig.login().PasswordField->setText(QStringLiteral("pw"));
        rig.login().Loginme_Click();
        QCOMPARE(rig.app->servers().ServerHost, QByteArray("localhost"));
        QTRY_VERIFY_WITH_TIMEOUT(rig.lobby.scriptDone(0), 5000);
    }

    void directAddressCancelled()
    {
        Rig rig;
        rig.make();
        QVERIFY(rig.app->Main());
        rig.dialogs.inputs = {QString()};
        rig.login().UsernameField->setText(QStringLiteral("qv58"));
        QVERIFY(!rig.login().DirectConnect);
        QCOMPARE(rig.login().UsernameField->text(), QStringLiteral("qv58"));
    }

    void accountPages()
    {
        Rig rig;
        rig.make();
        rig.login().cmdRegister->click();
        rig.login().Label1->click();
        const QByteArray host = rig.web.hostAndPort();
        QCOMPARE(rig.browser.opened.value(0).toString(),
                 QString::fromLatin1("http://" + host + "/index.php?action=register"));
        QCOMPARE(rig.browser.opened.value(1).toString(),
                 QString::fromLatin1("http://" + host + "/index.php?action=forgotpassword"));
    }

    void serverListFailures()
    {
        Rig rig;
        rig.web.serve("/qxserver/list.php", "gone", 404);
        rig.make();
        QVERIFY(rig.app->Main());
        QVERIFY(rig.dialogs.asked(QStringLiteral("Server file not found! No available public servers")));
        QCOMPARE(rig.login().lstservers->ListCount(), 0);

        // A list that ends inside a record keeps what came before and reports.
        rig.dialogs.clear();
        rig.web.serve("/qxserver/list.php", "newserver\nA\nh\n80\nnewserver\nB\n");
        rig.login().RefreshList->click();
        QCOMPARE(rig.login().lstservers->ListCount(), 1);
        QCOMPARE(rig.app->servers().ServerCount(), 1);
        QVERIFY(rig.app->errorWindow().isVisible());
        QVERIFY(rig.app->errorWindow().txtError->toPlainText().endsWith(QStringLiteral("Method: LoadServers()")));

        rig.login().LoadServers(rig.home.filePath("missing.txt"));
        QCOMPARE(rig.login().lstservers->ListCount(), 1);
        QCOMPARE(rig.login().lstservers->List(0), QStringLiteral("No Servers Available"));
        QVERIFY(!rig.login().lstservers->Enabled());
        QCOMPARE(rig.app->servers().ServerCount(), 1);
        // Again on the disabled list: the row is there all the same, and
        // neither a click nor a key picks it.
        rig.login().LoadServers(rig.home.filePath("missing.txt"));
        QCOMPARE(rig.login().lstservers->ListCount(), 1);
        QCOMPARE(rig.login().lstservers->List(0), QStringLiteral("No Servers Available"));
        PackListTesting::click(rig.login().lstservers, 0);
        QTest::keyClick(rig.login().lstservers, Qt::Key_Down);
        QCOMPARE(rig.login().lstservers->ListIndex(), -1);

        // A file without a single server selects no row.
        QFile empty(rig.home.filePath("empty.txt"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        rig.login().LoadServers(empty.fileName());
        QVERIFY(rig.login().lstservers->Enabled());
        QCOMPARE(rig.login().lstservers->ListCount(), 0);
        QCOMPARE(rig.login().lstservers->ListIndex(), -1);
    }

    // 20,000 servers fill the list with one paint at the end; events run
    // during the fill, and a fill started from them (a Refresh) wins.
    void longServerListFillsAtOnce()
    {
        Rig rig;
        rig.make();
        QVERIFY(rig.app->Main());
        QByteArray records;
        for (int i = 0; i < 20000; ++i)
            records += "newserver\nServer " + QByteArray::number(i) + "\nhost" + QByteArray::number(i) + "\n7000\n";
        const QString many = rig.home.filePath("many.txt");
        writeFile(many, records);
        MorphListBox *list = rig.login().lstservers;
        auto refreshes = std::make_shared<int>(0);
        const std::function<void()> refresh = list->surface().onRefresh;
        list->surface().onRefresh = [refreshes, refresh] {
            ++*refreshes;
            refresh();
        };
        bool ranDuringFill = false;
        QTimer::singleShot(0, this, [&] { ranDuringFill = list->ListCount() > 0 && list->ListCount() < 20000; });
        rig.login().LoadServers(many);
        QVERIFY(ranDuringFill);
        QCOMPARE(*refreshes, 1);
        QCOMPARE(list->ListCount(), 20000);
        QCOMPARE(list->List(19999), QStringLiteral("Server 19999"));
        QCOMPARE(list->ListIndex(), 0);
        QCOMPARE(rig.app->servers().ServerCount(), 20000);

        const QString few = rig.home.filePath("few.txt");
        writeFile(few, "newserver\nA\nh\n80\nnewserver\nB\nh\n81\nnewserver\nC\nh\n82\n");
        writeFile(many, records);
        QTimer::singleShot(0, this, [&] { rig.login().LoadServers(few); });
        rig.login().LoadServers(many);
        QCOMPARE(list->ListCount(), 3);
        QCOMPARE(list->List(2), QStringLiteral("C"));
        QCOMPARE(list->ListIndex(), 0);
        QVERIFY(list->Enabled());
        QCOMPARE(rig.app->servers().ServerCount(), 3);
    }

    // A missing skin picture is reported; the pictures after it keep theirs.
    void missingSkinPicture()
    {
        Rig rig;
        QFile::remove(rig.home.filePath("skins/Default/download.gif"));
        rig.make();
        QVERIFY(rig.app->Main());   // Retry goes on
        QVERIFY(rig.app->errorWindow().txtError->toPlainText().endsWith(
            QStringLiteral("Method: Failure to load skin resources!()")));
        QCOMPARE(rig.login().RefreshList->text(), QStringLiteral("Refresh"));
        QVERIFY(rig.login().RefreshList->icon().isNull());
        // The tab pictures loaded before the failure are on the tabs.
        const auto tab = [&rig](const char *name) {
            return rig.app->lobbyForm().findChild<QLabel *>(QLatin1String(name))->pixmap().toImage();
        };
        const auto skin = [&rig](const char *file) {
            return QPixmap(rig.home.filePath(QStringLiteral("skins/Default/") + QLatin1String(file))).toImage();
        };
        QCOMPARE(tab("Tabs0"), skin("tabendselect.gif"));
        QCOMPARE(tab("Tabs1"), skin("tabnormal.gif"));
        rig.app->lobbyForm().TabText_Click(2);
        QCOMPARE(tab("Tabs0"), skin("tabendnormal.gif"));
        QCOMPARE(tab("Tabs2"), skin("tabselect.gif"));

        Rig complete;
        complete.make();
        QVERIFY(complete.app->Main());
        QVERIFY(!complete.login().RefreshList->icon().isNull());
        QVERIFY(!complete.app->errorWindow().isVisible());
    }

    // Cancel in the error report ends start-up there and then.
    void cancelEndsStartUp()
    {
        Rig rig;
        QFile::remove(rig.home.filePath("skins/Default/download.gif"));
        rig.dialogs.answers = {Dialogs::Answer::Cancel};
        rig.make();
        QVERIFY(!rig.app->Main());
        QVERIFY(rig.app->exiting());
        QVERIFY(!rig.login().isVisible());
        QCOMPARE(rig.web.requestCount("/updates/version.php"), 0);
    }

    void closeRefusedKeepsWindow()
    {
        Rig rig;
        rig.make();
        QVERIFY(rig.app->Main());
        rig.login().setExitClient([] { return false; });
        QVERIFY(!rig.login().close());
        QVERIFY(rig.login().isVisible());
    }

    // Closing the login window ends the client and saves the bad-word list.
    void closeExits()
    {
        Rig rig;
        rig.make();
        QVERIFY(rig.app->Main());
        QVERIFY(rig.login().close());
        QVERIFY(rig.app->exiting());
        QVERIFY(!rig.login().isVisible());
        QCOMPARE(Files::ReadAll(rig.home.filePath("langlist.dat")), QByteArray("\r\n"));
    }

    void errorReportText()
    {
        QCOMPARE(frmError::reportText({53, QStringLiteral("File not found"), QStringLiteral("Zorbel1")},
                                      QStringLiteral("LoadServers")),
                 QStringLiteral("Error number: 53\r\nDescription: \r\nFile not found\r\n"
                                "Source: Zorbel1\r\nMethod: LoadServers()"));
    }

    void errorWindowAnswers()
    {
        FakeDialogs dialogs;
        int exits = 0;
        frmError window(dialogs, [&exits] { ++exits; });
        QCOMPARE(window.windowTitle(), QStringLiteral("Error caught by Client"));
        dialogs.answers = {Dialogs::Answer::Retry, Dialogs::Answer::Cancel};
        window.ShowError({5, QStringLiteral("Invalid call"), QStringLiteral("Zorbel1")},
                         QStringLiteral("modSound.PlayFile"));
        QCOMPARE(exits, 0);
        QVERIFY(window.isVisible());
        QCOMPARE(dialogs.questions[0].text,
                 QStringLiteral("An error occured! Press retry to ignore the error, or cancel to "
                                "exit the gatherhall."));
        QCOMPARE(dialogs.questions[0].buttons, Dialogs::Buttons::RetryCancel);
        QCOMPARE(dialogs.questions[0].icon, Dialogs::Icon::None);
        QVERIFY(dialogs.questions[0].waited);
        window.ShowError({5, QString(), QString()}, QStringLiteral("LoadServers"));
        QCOMPARE(exits, 1);
        QVERIFY(window.isVisible());
        QVERIFY(window.txtError->toPlainText().endsWith(QStringLiteral("Method: LoadServers()")));
    }

    // After start-up a failure (from a timer, say) never waits for the
    // answer; Cancel, once picked, still asks for the exit.
    void errorAfterStartUpDoesNotWait()
    {
        FakeDialogs dialogs;
        int exits = 0;
        frmError window(dialogs, [&exits] { ++exits; });
        window.setWaitForAnswer(false);
        window.ShowError({5, QStringLiteral("first"), QString()}, QStringLiteral("In Gaming Timer / Point Report"));
        QCOMPARE(dialogs.openCount(), 1);
        QVERIFY(!dialogs.questions[0].waited);
        QCOMPARE(dialogs.questions[0].icon, Dialogs::Icon::None);
        QCOMPARE(dialogs.questions[0].buttons, Dialogs::Buttons::RetryCancel);
        // A second failure while the question is open updates the window only.
        window.ShowError({6, QStringLiteral("second"), QString()}, QStringLiteral("LoadServers"));
        QCOMPARE(dialogs.openCount(), 1);
        QVERIFY(window.txtError->toPlainText().contains(QStringLiteral("second")));
        QCOMPARE(exits, 0);
        dialogs.answerOpen(Dialogs::Answer::Cancel);
        QCOMPARE(exits, 1);
        // Retry closes it; the next failure asks again.
        window.ShowError({7, QString(), QString()}, QStringLiteral("LoadServers"));
        QCOMPARE(dialogs.openCount(), 1);
        dialogs.answerOpen(Dialogs::Answer::Retry);
        QCOMPARE(exits, 1);
    }

    void splashFrames()
    {
        frmStartup splash;
        QCOMPARE(splash.windowTitle(), QStringLiteral("Zorbel 1.0 Starting"));
        QCOMPARE(splash.caption(), QStringLiteral("Loading..."));
        QCOMPARE(splash.Animate.interval(), 120);
        QVERIFY(splash.Animate.isActive());
        QList<int> shown{splash.frame()};
        for (int i = 0; i < 9; ++i) {
            splash.Animate_Timer();
            shown.append(splash.frame());
        }
        QCOMPARE(shown, (QList<int>{0, 1, 2, 3, 4, 1, 2, 3, 4, 1}));
    }
};

QTEST_MAIN(tst_ClientLogin)
#include "tst_clientlogin.moc"
