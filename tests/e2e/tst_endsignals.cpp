// SIGTERM, SIGINT and SIGHUP sent to a running client or updater end it as a
// close of its window does. The client runs in a process of its own (this
// program started again for one child function), composed as main()
// composes it and hooked to the termination signals as main() hooks it; the
// updater is the real program.
#include "core/ui/ClientApp.h"
#include "lobby/ui/FrmLanguageList.h"
#include "platform/TerminationSignals.h"
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

using namespace HutDownloadScene;

namespace {

constexpr char ChildVariable[] = "ZORBEL_END_SIGNALS_CHILD";
constexpr char AddedWord[] = "frobnicate";

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
void runUntilSignalled(Client &c)
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
    QCoreApplication::exec();
    QVERIFY2(clock.elapsed() < 59000, "no signal came");
    QVERIFY(c.app->exiting());
    c.app.reset();
}

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
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(ChildVariable), QStringLiteral("1"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.setReadChannel(QProcess::StandardOutput);
        QByteArray out;
        QString home;
        bool ready = false;
        connect(&p, &QProcess::readyReadStandardOutput, this, [&] {
            out += p.readAllStandardOutput();
            for (const QByteArray &line : out.split('\n')) {
                if (line.startsWith("@@home "))
                    home = QFile::decodeName(line.mid(7));
                ready = ready || line == "@@ready";
            }
        });
        connect(&p, &QProcess::readyReadStandardError, this, [&p] { std::fputs(p.readAllStandardError().constData(), stderr); });
        p.start(QCoreApplication::applicationFilePath(), {child});
        QVERIFY(p.waitForStarted(10000));
        QTRY_VERIFY2_WITH_TIMEOUT(ready || p.state() == QProcess::NotRunning, qPrintable(QString::fromLocal8Bit(out)),
                                  60000);
        QVERIFY2(ready, out.constData());
        const auto cleanUp = qScopeGuard([&home] { QDir(home).removeRecursively(); });
        QVERIFY(!home.isEmpty());

        QVERIFY(::kill(p.processId(), number) == 0);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == 0, out.constData());
        QVERIFY2(out.contains("PASS   : tst_EndSignals::" + child.toLatin1()), out.constData());

        for (const char *partial : {"mappack.zip", "catalogue-mappack.zip", "mappacks/greenhills.kaf"})
            QVERIFY2(!QFileInfo::exists(home + QLatin1Char('/') + QLatin1String(partial)), partial);
        // The exit saved the bad-word list as a close does.
        QVERIFY(readFile(home + QStringLiteral("/langlist.dat")).contains(AddedWord));
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
