// The real updater killed (SIGKILL) at each step of moving a release of 1,000
// files and the client into place, then the real client started on the
// folder: before it asks for the version page, the folder holds the old
// release or the new one, byte for byte, and nothing of the install is left.
#include "core/util/Ini.h"
#include "tests/updater/UpdaterTestRig.h"
#include "updater/UpdaterRun.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

constexpr int Files = 1000;

// The disk steps of the move, in order, for the pair of releases above (the
// numbers the updater's kill hook counts):
//   1                 the journal is written
//   2 + 3i .. 4 + 3i  data file i: its backup folder, the link that keeps the
//                     old file, the rename of the new one over it
//   3002, 3003        the added folder, the added file
//   3004 .. 3006      the client, last: backup folder, link, rename
//   3007              the journal goes: from here on the release is the new one
//   3008, 3009        the backup and staging folders are cleared
constexpr int JournalGone = 3 * Files + 7;

} // namespace

class TestUpdaterKill : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    WebHost m_host;
    ReleasePair m_releases{Files};
    QUrl m_archive;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_host.listen());
        QString why;
        QVERIFY2(serveReleaseArchive(m_host, m_releases, m_dir.filePath(QStringLiteral("release.zip")), &m_archive,
                                     &why),
                 qPrintable(why));
        // The client started after the kill is up to date: it goes on to the login.
        m_host.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\n" + m_archive.toEncoded() + "\r\n");
        writeGamePrefix(m_dir.filePath(QStringLiteral("prefix")));
    }

    void killedUpdaterThenClient_data()
    {
        QTest::addColumn<int>("killAfter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("journal written") << 1 << "old";
        QTest::newRow("first backup folder") << 2 << "old";
        QTest::newRow("first old file kept") << 3 << "old";
        QTest::newRow("first new file in") << 4 << "old";
        QTest::newRow("second old file kept") << 6 << "old";
        QTest::newRow("half way, old file kept") << 2 + 3 * 500 + 1 << "old";
        QTest::newRow("half way, new file in") << 2 + 3 * 500 + 2 << "old";
        QTest::newRow("last data file in") << 3 * Files + 1 << "old";
        QTest::newRow("added folder") << 3 * Files + 2 << "old";
        QTest::newRow("added file") << 3 * Files + 3 << "old";
        QTest::newRow("client's backup folder") << 3 * Files + 4 << "old";
        QTest::newRow("old client kept") << 3 * Files + 5 << "old";
        QTest::newRow("new client in") << 3 * Files + 6 << "old";
        QTest::newRow("journal gone") << JournalGone << "new";
        QTest::newRow("backup cleared") << JournalGone + 1 << "new";
        QTest::newRow("staging cleared") << JournalGone + 2 << "new";
        QTest::newRow("not killed") << 0 << "new";
    }

    void killedUpdaterThenClient()
    {
        QFETCH(int, killAfter);
        QFETCH(QString, expected);
        QTemporaryDir base;
        const QString home = base.filePath(QStringLiteral("home"));
        m_releases.install(home);
        QFile::link(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home + QStringLiteral("/skins"));
        Ini::WriteIni(home + QStringLiteral("/qx.ini"), "general", "webhost", m_host.hostAndPort());
        writeFile(home + QStringLiteral("/updater.cfg"), updaterConfigFor(m_archive, home));
        const QProcessEnvironment env = programEnvironment(home, m_dir.filePath(QStringLiteral("prefix")));

        QProcess updater;
        QProcessEnvironment updaterEnv = env;
        if (killAfter > 0)
            updaterEnv.insert(QLatin1String(UpdaterRun::KillAfterStepVariable), QString::number(killAfter));
        updater.setProcessEnvironment(updaterEnv);
        updater.setProcessChannelMode(QProcess::ForwardedChannels);
        QSignalSpy updaterEnded(&updater, &QProcess::finished);
        updater.start(QStringLiteral(ZORBEL_UPDATER_PATH), {});
        QVERIFY(updater.waitForStarted(10000));
        // The web host answers from this event loop while the updater runs.
        QVERIFY(updaterEnded.wait(30000));
        if (killAfter > 0) {
            QCOMPARE(updater.exitStatus(), QProcess::CrashExit);
            QVERIFY(QFileInfo::exists(home + QStringLiteral("/updater.cfg")));
        } else {
            QCOMPARE(updater.exitStatus(), QProcess::NormalExit);
            QCOMPARE(updater.exitCode(), 0);
        }

        QVERIFY2(clientReachesVersionCheck(m_host, env), "the client ended before it asked for the version page");

        QCOMPARE(m_releases.whichIn(home), expected);
        for (const char *leftover : InstallLeftovers)
            QVERIFY2(!QFileInfo::exists(home + QLatin1Char('/') + QLatin1String(leftover)), leftover);
    }

    // The kill came after the new client was moved in and before the journal
    // went, and the player starts that client from the folder. The folder goes
    // back to the old release, and so does the program that runs: the old
    // client takes the new one's place, with the same arguments.
    void newClientStartedAfterTheKillGivesWayToTheOld()
    {
        // Beside the build's client, so that it can be linked instead of copied.
        QTemporaryDir base(QDir::current().filePath(QStringLiteral("updaterkill-XXXXXX")));
        QVERIFY(base.isValid());
        const QString home = base.filePath(QStringLiteral("home"));
        const QString client = home + QStringLiteral("/Zorbel1");
        QVERIFY(QDir().mkpath(home + QStringLiteral("/update-backup")));
        if (::link(ZORBEL_CLIENT_PATH, QFile::encodeName(client).constData()) != 0)
            QVERIFY(QFile::copy(QStringLiteral(ZORBEL_CLIENT_PATH), client));
        const QByteArray oldClient = "#!/bin/sh\necho \"$@\" > \"$ZORBEL_HOME/old-client-ran\"\n";
        const QString kept = home + QStringLiteral("/update-backup/Zorbel1");
        writeFile(kept, oldClient);
        QVERIFY(QFile::setPermissions(kept, QFile::permissions(kept) | QFile::ExeOwner));
        writeFile(home + QStringLiteral("/update-journal.txt"), "F Zorbel1\n");

        QProcess started;
        started.setProcessEnvironment(programEnvironment(home, m_dir.filePath(QStringLiteral("prefix"))));
        started.setProcessChannelMode(QProcess::ForwardedChannels);
        started.start(client, {QStringLiteral("--given")});
        QVERIFY(started.waitForStarted(10000));
        const QString ran = home + QStringLiteral("/old-client-ran");
        // The old client is a script that ends at once; the new one would go on to the login.
        QTRY_VERIFY2_WITH_TIMEOUT(started.state() == QProcess::NotRunning,
                                  "the new client went on with the old release's files", 30000);
        QCOMPARE(readFile(ran), QByteArray("--given\n"));
        QCOMPARE(readFile(client), oldClient);
        for (const char *leftover : InstallLeftovers)
            QVERIFY2(!QFileInfo::exists(home + QLatin1Char('/') + QLatin1String(leftover)), leftover);
    }
};

QTEST_GUILESS_MAIN(TestUpdaterKill)
#include "tst_updaterkill.moc"
