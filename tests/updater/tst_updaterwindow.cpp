// The updater's window closed while the run downloads, unpacks or moves the
// release: the run stops there, the old files are whole, the old client is
// started again and updater.cfg stays for a later try.
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/ReleaseHost.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "updater/UpdaterRun.h"
#include "updater/frmMain.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(UpdaterRun::Phase)

class TestUpdaterWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void closedWhileWorking_data()
    {
        QTest::addColumn<UpdaterRun::Phase>("phase");
        QTest::addColumn<int>("at"); // the n-th moment of that phase
        QTest::newRow("download") << UpdaterRun::Phase::Downloading << 1;
        QTest::newRow("unpack, first entry") << UpdaterRun::Phase::Unpacking << 1;
        QTest::newRow("unpack, half way") << UpdaterRun::Phase::Unpacking << 100;
        QTest::newRow("move, first file") << UpdaterRun::Phase::Moving << 1;
        QTest::newRow("move, half way") << UpdaterRun::Phase::Moving << 100;
        QTest::newRow("move, the client") << UpdaterRun::Phase::Moving << 203;
    }

    void closedWhileWorking()
    {
        QFETCH(UpdaterRun::Phase, phase);
        QFETCH(int, at);
        QTemporaryDir dir;
        const QString home = dir.filePath(QStringLiteral("home"));
        const ReleasePair releases(200);
        releases.install(home);
        WebHost host;
        QVERIFY(host.listen());
        const QString zip = dir.filePath(QStringLiteral("release.zip"));
        QVERIFY(releases.buildArchive(zip));
        if (phase == UpdaterRun::Phase::Downloading)
            host.stall("/updates/gatherhall-1.0.1.zip"); // the download would wait out its bound
        else
            host.serve("/updates/gatherhall-1.0.1.zip", readFile(zip));
        const QByteArray config = updaterConfigFor(host.url("/updates/gatherhall-1.0.1.zip"), home);
        writeFile(home + QStringLiteral("/updater.cfg"), config);

        FakeDialogs dialogs;
        frmMain window;
        UpdaterRun run(dialogs, home);
        run.setDownloadTimeout(20000);
        QStringList started;
        run.setProgramStarter([&started](const QString &program) {
            started.append(program);
            return true;
        });
        window.follow(run);
        int moments = 0;
        connect(&run, &UpdaterRun::working, &window, [&](UpdaterRun::Phase now) {
            if (now != phase || ++moments != at)
                return;
            if (phase == UpdaterRun::Phase::Downloading)
                QTimer::singleShot(100, &window, [&window] { window.close(); }); // once the transfer waits
            else
                window.close();
        });

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(run.run(), UpdaterRun::Outcome::Cancelled);
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(moments, at);
        QVERIFY(!window.isVisible());
        QCOMPARE(releases.whichIn(home), QStringLiteral("old"));
        QCOMPARE(started, QStringList{home + QStringLiteral("/Zorbel1")});
        QCOMPARE(readFile(home + QStringLiteral("/updater.cfg")), config);
        QVERIFY(dialogs.messages().isEmpty());
        QVERIFY(!window.Check2->isChecked());
        for (const char *leftover : {"update-journal.txt", "update-staging", "update-backup", "update.lock",
                                     "install.zip", "update-failed.txt"})
            QVERIFY2(!QFileInfo::exists(home + QLatin1Char('/') + QLatin1String(leftover)), leftover);
    }

    // Without a close the same run installs the release; the window shows it.
    void notClosedInstalls()
    {
        QTemporaryDir dir;
        const QString home = dir.filePath(QStringLiteral("home"));
        const ReleasePair releases(200);
        releases.install(home);
        WebHost host;
        QVERIFY(host.listen());
        const QString zip = dir.filePath(QStringLiteral("release.zip"));
        QVERIFY(releases.buildArchive(zip));
        host.serve("/updates/gatherhall-1.0.1.zip", readFile(zip));
        writeFile(home + QStringLiteral("/updater.cfg"),
                  updaterConfigFor(host.url("/updates/gatherhall-1.0.1.zip"), home));
        FakeDialogs dialogs;
        frmMain window;
        UpdaterRun run(dialogs, home);
        run.setProgramStarter([](const QString &) { return true; });
        window.follow(run);
        QCOMPARE(run.run(), UpdaterRun::Outcome::Done);
        QVERIFY(window.isVisible());
        QCOMPARE(window.lblApp->text(), QStringLiteral("Updating to Gatherhall version 1.0.1"));
        QVERIFY(window.Check1->isChecked());
        QVERIFY(window.Check2->isChecked());
        QCOMPARE(releases.whichIn(home), QStringLiteral("new"));
    }
};

QTEST_MAIN(TestUpdaterWindow)
#include "tst_updaterwindow.moc"
