// SIGTERM, SIGINT and SIGHUP sent to a running client or updater end it as a
// close of its window does, at any moment: in a transfer, behind a hut pack
// look-up that never answers, in every wait of the start-up (its pages, its
// boxes). The client runs in a process of its own (this program started
// again for one child function), composed as main() composes it and hooked
// to the termination signals as main() hooks it; the updater is the real
// program.
#include "core/Dispatcher.h"
#include "core/ui/ClientApp.h"
#include "core/util/Ini.h"
#include "lobby/ui/FrmLanguageList.h"
#include "platform/TerminationSignals.h"
#include "platform/ui/WidgetDialogs.h"
#include "tests/e2e/HutDownloadScene.h"
#include "tests/updater/UpdaterTestRig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <optional>

using namespace HutDownloadScene;

namespace {

constexpr char ChildVariable[] = "ZORBEL_END_SIGNALS_CHILD";
constexpr char AddedWord[] = "frobnicate";

constexpr char CloseVariable[] = "ZORBEL_END_SIGNALS_CLOSE";

bool inChild()
{
    return qEnvironmentVariableIsSet(ChildVariable);
}

// A line for the parent, apart from the test log.
void tellParent(const QByteArray &line)
{
    std::printf("@@%s\n", line.constData());
    std::fflush(stdout);
}

// The client as main() leaves it running: a word just added to the bad-word
// list, the termination signals hooked, the event loop running until the
// exit quits it; then the client goes, as main()'s return takes it.
void runUntilSignalled(Client &c, bool closeWindow = false)
{
    auto *edit = c.named<QPushButton>("cmdEditFilter");
    QVERIFY(edit);
    edit->click();
    FrmLanguageList *words = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *list = qobject_cast<FrmLanguageList *>(w); list && list->isVisible())
            words = list;
    }
    QVERIFY(words);
    words->txtWordAdd->setText(QString::fromLatin1(AddedWord));
    words->cmdAddWord_Click();

    TerminationSignals endSignals;
    QVERIFY(endSignals.installed());
    QObject::connect(&endSignals, &TerminationSignals::received, c.app.get(), &ClientApp::endRequested);
    c.home.setAutoRemove(false);
    tellParent("home " + QFile::encodeName(c.home.path()));
    tellParent("ready");
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(60000, qApp, &QCoreApplication::quit);
    // The player closes the lobby window, as its title bar's button does.
    if (closeWindow)
        QTimer::singleShot(0, &c.form(), [&c] { c.form().close(); });
    QCoreApplication::exec();
    QVERIFY2(clock.elapsed() < 59000, "no signal came");
    QVERIFY(c.app->exiting());
    c.app.reset();
}

// The real boxes (waiting ones are modal), each told to the parent as it is
// asked, so that it sees which box is on screen and that none comes after
// the end.
class TellingBoxes : public Dialogs
{
public:
    Answer message(const QString &text, const QString &title, Buttons buttons, Icon icon) override
    {
        tellParent("box " + text.toUtf8().replace('\r', ' ').replace('\n', ' '));
        return m_boxes.message(text, title, buttons, icon);
    }
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override
    {
        tellParent("box " + prompt.toUtf8());
        return m_boxes.input(prompt, title, defaultText);
    }
    void open(const QString &text, const QString &title, Buttons buttons, Icon icon, Answered answered) override
    {
        tellParent("box " + text.toUtf8());
        m_boxes.open(text, title, buttons, icon, std::move(answered));
    }
    void closeAll() override { m_boxes.closeAll(); }

private:
    WidgetDialogs m_boxes;
};

// Where the start-up is when the signal comes.
enum class StartupWait { NotInstalledBox, VersionPage, ServerListPage };

// The client's start-up as main() runs it, with real boxes, stopped at
// `wait`: a box, or a page the web host answers late (one byte every 300 ms,
// longer than the page bound). The parent signals once the box is asked, or
// once told "waiting" (the page asked for).
void runStartupUntilSignalled(StartupWait wait)
{
    if (!inChild())
        QSKIP("runs in the child process of clientEndsDuringStartup");
    UrlDownload::setDefaultTimeout(0); // the real page bound
    LobbyServer lobby;
    QVERIFY(lobby.listen());
    WebHost web;
    QVERIFY(web.listen());
    const QByteArray version = "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n";
    const QByteArray servers = "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n";
    const auto answer = [](const QByteArray &body, bool late) {
        WebHost::Answer a;
        a.body = body;
        if (late) {
            a.chunkBytes = 1;
            a.chunkIntervalMs = 300;
        }
        return a;
    };
    web.serve("/updates/version.php", answer(version, wait == StartupWait::VersionPage));
    web.serve("/qxserver/list.php", answer(servers, wait == StartupWait::ServerListPage));
    QObject::connect(&web, &WebHost::requestReceived, [wait](const WebHost::Request &r) {
        if ((wait == StartupWait::VersionPage && r.path == "/updates/version.php")
            || (wait == StartupWait::ServerListPage && r.path == "/qxserver/list.php"))
            tellParent("waiting");
    });

    Client c(web.hostAndPort());
    TellingBoxes boxes;
    FakeRegistry noGame;
    ClientApp::Platform platform = c.platform();
    platform.dialogs = &boxes;
    if (wait == StartupWait::NotInstalledBox)
        platform.registry = &noGame;
    qputenv("ZORBEL_HOME", c.home.path().toLocal8Bit());
    c.app = std::make_unique<ClientApp>(platform);
    qunsetenv("ZORBEL_HOME");
    TerminationSignals endSignals;
    QVERIFY(endSignals.installed());
    QObject::connect(&endSignals, &TerminationSignals::received, c.app.get(), &ClientApp::endRequested);
    // As main(): the event loop only after a start-up that went all the way.
    const bool ran = c.app->Main();
    tellParent(ran ? "login window" : "ended");
    QVERIFY(!ran);
    QVERIFY(c.app->exiting());
    QVERIFY(!c.app->loginForm().isVisible());
    c.app.reset();
}

// The own hut's map pack look-up never ends its head; the hut's MODPACK and
// 20 chat lines wait behind it.
void enterHutWithHangingLookUp(Client &c, LobbyServer &lobby, WebHost &web)
{
    WebHost::Answer endless;
    endless.mode = WebHost::Answer::Mode::EndlessHead;
    endless.headLineIntervalMs = 100;
    web.serve("/getmappack.php", endless);
    lobby.scriptLogin(2, {"USER 1 hosting_hal 203.0.113.9 user 11 00-11-22-33-44-55",
                          "USER 2 joining_jo 198.51.100.4 user 12 00-1A-2B-3C-4D-5E", "USERSTATE 1 HOST 4 NONE",
                          "USERSTATE 2 CLIENT 1 1"});
    c.start(QStringLiteral("joining jo"));
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY(c.state().own() && c.state().own()->State == "CLIENT");
    lobby.send(0, "MAPPACK 1 DEADBEEF");
    QTRY_VERIFY_WITH_TIMEOUT(web.requestCount("/getmappack.php") == 1, 5000);
    lobby.send(0, "MODPACK 1 CAFEBABE");
    for (int i = 0; i < 20; ++i)
        lobby.send(0, "MSG hosting_hal line\xFF" + QByteArray::number(i) + " x 0");
    QTRY_VERIFY_WITH_TIMEOUT(c.app->dispatcher().pending() >= 21, 5000);
    QVERIFY(c.app->dispatcher().isHeld());
}

// One child function of this program in a process of its own, its lines
// to the parent read as they come and its error output kept (and passed on).
struct ChildRun
{
    QProcess p;
    QByteArray out;
    QByteArray errors;
    QString home;

    explicit ChildRun(const QString &child, bool closeWindow = false)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(ChildVariable), QStringLiteral("1"));
        if (closeWindow)
            env.insert(QLatin1String(CloseVariable), QStringLiteral("1"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.setReadChannel(QProcess::StandardOutput);
        QObject::connect(&p, &QProcess::readyReadStandardOutput, &p, [this] {
            out += p.readAllStandardOutput();
            for (const QByteArray &line : out.split('\n')) {
                if (line.startsWith("@@home "))
                    home = QFile::decodeName(line.mid(7));
            }
        });
        QObject::connect(&p, &QProcess::readyReadStandardError, &p, [this] {
            const QByteArray more = p.readAllStandardError();
            errors += more;
            std::fputs(more.constData(), stderr);
        });
        p.start(QCoreApplication::applicationFilePath(), {child});
        m_child = child.toLatin1();
    }
    ~ChildRun()
    {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(10000);
        }
    }

    // A line that starts with `line`, told within `ms`.
    bool waitFor(const QByteArray &line, int ms)
    {
        const auto told = [&] {
            for (const QByteArray &l : out.split('\n')) {
                if (l.startsWith(line))
                    return true;
            }
            return false;
        };
        if (!QTest::qWaitFor([&] { return told() || p.state() == QProcess::NotRunning; }, ms) || !told())
            qWarning("%s", out.constData());
        return told();
    }

    // Ended within `ms`, with status 0, its test passed, no sanitizer report.
    void endsWell(int ms)
    {
        QVERIFY2(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, ms), out.constData());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == 0, out.constData());
        QVERIFY2(out.contains("PASS   : tst_EndSignals::" + m_child), out.constData());
        for (const char *report : {"runtime error", "AddressSanitizer", "LeakSanitizer"})
            QVERIFY2(!errors.contains(report), errors.constData());
    }

private:
    QByteArray m_child;
};

} // namespace

class tst_EndSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        UrlDownload::setDefaultTimeout(3000);
    }

    // --- the children: each stops in the middle of a transfer and waits
    void childHutDownload()
    {
        if (!inChild())
            QSKIP("runs in the child process of clientEndsOnSignal");
        HutScene s;
        s.enter();
        if (QTest::currentTestFailed())
            return;
        s.web.serve("/packs/" + s.shop[0].file + ".zip", WebHost::hostile("trickle body", QByteArray(9000, 'o'), 50));
        click(s.downloadButton());
        QVERIFY(s.lobby.waitForMessage(s.joinClient, "MAPPACKOK DOWNLOADING", 10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(s.joiner->home.filePath(QStringLiteral("mappack.zip"))), 5000);
        runUntilSignalled(*s.joiner);
    }

    void childCatalogueRun()
    {
        if (!inChild())
            QSKIP("runs in the child process of clientEndsOnSignal");
        LobbyServer lobby;
        WebHost web;
        QTemporaryDir shopFolder;
        QVERIFY(lobby.listen());
        lobby.actAsSimpleLobby();
        QVERIFY(web.listen());
        web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
        web.serve("/qxserver/list.php", "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
        const QList<ShopPack> shop = openPackShop(web, shopFolder.path());
        web.serve("/packs/" + shop[0].file + ".zip", WebHost::hostile("trickle body", QByteArray(9000, 'c'), 50));
        Client player(web.hostAndPort());
        player.start(QStringLiteral("pia"));
        if (QTest::currentTestFailed())
            return;
        QVERIFY(startCatalogueRun(player, {shop[0].title}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(player.home.filePath(QStringLiteral("catalogue-mappack.zip"))), 5000);
        runUntilSignalled(player);
    }

    void childHangingLookUp()
    {
        if (!inChild())
            QSKIP("runs in the child process of clientEndsBehindAHangingLookUp");
        LobbyServer lobby;
        QVERIFY(lobby.listen());
        WebHost web;
        QVERIFY(web.listen());
        web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
        web.serve("/qxserver/list.php", "newserver\nLocal lobby\n127.0.0.1\n" + QByteArray::number(lobby.port()) + "\n");
        Client c(web.hostAndPort());
        enterHutWithHangingLookUp(c, lobby, web);
        if (QTest::currentTestFailed())
            return;
        runUntilSignalled(c, qEnvironmentVariableIsSet(CloseVariable));
    }

    void childNotInstalledBox() { runStartupUntilSignalled(StartupWait::NotInstalledBox); }
    void childVersionPage() { runStartupUntilSignalled(StartupWait::VersionPage); }
    void childServerListPage() { runStartupUntilSignalled(StartupWait::ServerListPage); }

    // --- the tests
    void clientEndsOnSignal_data()
    {
        QTest::addColumn<QString>("child");
        QTest::addColumn<int>("number");
        QTest::newRow("SIGTERM in a hut download") << "childHutDownload" << int(SIGTERM);
        QTest::newRow("SIGTERM in a catalogue run") << "childCatalogueRun" << int(SIGTERM);
        QTest::newRow("SIGINT in a hut download") << "childHutDownload" << int(SIGINT);
        QTest::newRow("SIGHUP in a catalogue run") << "childCatalogueRun" << int(SIGHUP);
    }

    void clientEndsOnSignal()
    {
        if (inChild())
            QSKIP("the parent's test");
        QFETCH(QString, child);
        QFETCH(int, number);
        ChildRun run(child);
        QVERIFY(run.waitFor("@@ready", 60000));
        const auto cleanUp = qScopeGuard([&run] { QDir(run.home).removeRecursively(); });
        QVERIFY(!run.home.isEmpty());

        QVERIFY(::kill(run.p.processId(), number) == 0);
        run.endsWell(20000);
        if (QTest::currentTestFailed())
            return;

        for (const char *partial : {"mappack.zip", "catalogue-mappack.zip", "mappacks/greenhills.kaf"})
            QVERIFY2(!QFileInfo::exists(run.home + QLatin1Char('/') + QLatin1String(partial)), partial);
        // The exit saved the bad-word list as a close does.
        QVERIFY(readFile(run.home + QStringLiteral("/langlist.dat")).contains(AddedWord));
    }

    // Logged in, in a hut whose map pack look-up hangs, with the hut's
    // MODPACK and chat lines queued behind it: a signal or the window's close
    // ends the client whole. Nothing is handled on the client as it is torn
    // down (no sanitizer report), and the exit is done.
    void clientEndsBehindAHangingLookUp_data()
    {
        QTest::addColumn<int>("number");   // 0: the lobby window closed
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("window closed") << 0;
    }
    void clientEndsBehindAHangingLookUp()
    {
        if (inChild())
            QSKIP("the parent's test");
        QFETCH(int, number);
        ChildRun run(QStringLiteral("childHangingLookUp"), number == 0);
        QVERIFY(run.waitFor("@@ready", 60000));
        const auto cleanUp = qScopeGuard([&run] { QDir(run.home).removeRecursively(); });
        QVERIFY(!run.home.isEmpty());
        if (number != 0)
            QVERIFY(::kill(run.p.processId(), number) == 0);
        run.endsWell(20000);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(readFile(run.home + QStringLiteral("/langlist.dat")).contains(AddedWord));
    }

    // An end asked for in a wait of the start-up: the client ends within
    // 5 s, the wait cut short is reported by no box, and no login window or
    // other box follows.
    void clientEndsDuringStartup_data()
    {
        QTest::addColumn<QString>("child");
        QTest::addColumn<QByteArray>("moment");
        QTest::newRow("the game-not-installed box")
            << "childNotInstalledBox" << QByteArray("@@box Populous: The Beginning not installed");
        QTest::newRow("the version page, answered late") << "childVersionPage" << QByteArray("@@waiting");
        QTest::newRow("the server list page, answered late") << "childServerListPage" << QByteArray("@@waiting");
    }
    void clientEndsDuringStartup()
    {
        if (inChild())
            QSKIP("the parent's test");
        QFETCH(QString, child);
        QFETCH(QByteArray, moment);
        ChildRun run(child);
        QVERIFY(run.waitFor(moment, 60000));
        const qsizetype told = run.out.size();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(::kill(run.p.processId(), SIGTERM) == 0);
        run.endsWell(5000);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        const QByteArray after = run.out.mid(told);
        QVERIFY2(!after.contains("@@box"), after.constData());
        QVERIFY2(after.contains("@@ended"), after.constData());
    }

    // The client program itself, as main() builds it, ended by SIGTERM while
    // its start-up waits for a page answered late: it ends within 5 s, with
    // status 0 and the exit done. A box after the end would keep it up, for
    // nobody answers it.
    void clientProgramEndsDuringStartup_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::newRow("the version page") << QByteArray("/updates/version.php");
        QTest::newRow("the server list page") << QByteArray("/qxserver/list.php");
    }
    void clientProgramEndsDuringStartup()
    {
        if (inChild())
            QSKIP("the parent's test");
        QFETCH(QByteArray, page);
        QTemporaryDir dir;
        const QString home = dir.filePath(QStringLiteral("home"));
        copyTree(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home + QStringLiteral("/skins"));
        writeGamePrefix(dir.filePath(QStringLiteral("prefix")));
        WebHost web;
        QVERIFY(web.listen());
        QVERIFY(Ini::WriteIni(home + QStringLiteral("/qx.ini"), "general", "webhost", web.hostAndPort()));
        for (const auto &[path, body] : {std::pair<QByteArray, QByteArray>{"/updates/version.php",
                                                                             "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n"},
                                         {"/qxserver/list.php", "newserver\nLocal lobby\n127.0.0.1\n1\n"}}) {
            WebHost::Answer answer;
            answer.body = body;
            if (path == page) {
                answer.chunkBytes = 1;
                answer.chunkIntervalMs = 300;
            }
            web.serve(path, answer);
        }

        QProcess zorbel;
        zorbel.setProcessEnvironment(programEnvironment(home, dir.filePath(QStringLiteral("prefix"))));
        zorbel.setProcessChannelMode(QProcess::ForwardedChannels);
        zorbel.start(QStringLiteral(ZORBEL_CLIENT_PATH), {});
        QVERIFY(zorbel.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(web.requestCount(page) > 0 || zorbel.state() == QProcess::NotRunning, 30000);
        QVERIFY(web.requestCount(page) > 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(::kill(zorbel.processId(), SIGTERM) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(zorbel.state() == QProcess::NotRunning, 5000);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(zorbel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(zorbel.exitCode(), 0);
        QVERIFY(QFileInfo::exists(home + QStringLiteral("/langlist.dat")));
    }

    // The real updater stopped by SIGTERM while it downloads the release:
    // the old files are whole, the old client is started again and
    // updater.cfg stays for a later try, as after a close of its window.
    void updaterEndsOnSignal()
    {
        if (inChild())
            QSKIP("the parent's test");
        QTemporaryDir dir;
        const QString home = dir.filePath(QStringLiteral("home"));
        const ReleasePair releases(20);
        releases.install(home);
        WebHost host;
        QVERIFY(host.listen());
        host.stall("/updates/gatherhall-1.0.1.zip");
        const QByteArray config = updaterConfigFor(host.url("/updates/gatherhall-1.0.1.zip"), home);
        writeFile(home + QStringLiteral("/updater.cfg"), config);
        writeGamePrefix(dir.filePath(QStringLiteral("prefix")));

        QProcess updater;
        updater.setProcessEnvironment(programEnvironment(home, dir.filePath(QStringLiteral("prefix"))));
        updater.setProcessChannelMode(QProcess::ForwardedChannels);
        updater.start(QStringLiteral(ZORBEL_UPDATER_PATH), {});
        QVERIFY(updater.waitForStarted(10000));
        const auto downloading = [&host] {
            for (const WebHost::Request &r : host.requests) {
                if (r.path == "/updates/gatherhall-1.0.1.zip")
                    return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(downloading() || updater.state() == QProcess::NotRunning, 20000);
        QVERIFY(downloading());
        QTest::qWait(200);   // inside the transfer's wait
        QElapsedTimer clock;
        clock.start();
        QVERIFY(::kill(updater.processId(), SIGTERM) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(updater.state() == QProcess::NotRunning, 15000);
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(updater.exitStatus(), QProcess::NormalExit);
        QCOMPARE(updater.exitCode(), 4);   // stopped: as a closed window stops it
        QCOMPARE(releases.whichIn(home), QStringLiteral("old"));
        QCOMPARE(readFile(home + QStringLiteral("/updater.cfg")), config);
        for (const char *leftover : InstallLeftovers)
            QVERIFY2(!QFileInfo::exists(home + QLatin1Char('/') + QLatin1String(leftover)), leftover);
    }
};

QTEST_MAIN(tst_EndSignals)
#include "tst_endsignals.moc"
