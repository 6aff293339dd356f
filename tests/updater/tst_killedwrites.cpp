// Kills and faults in the middle of an update's writes, then the real client
// started on the folder, as a player would after a power cut:
// - killed while the install journal or the failure marker is being written
//   (between its temporary and the rename): the client's start removes the
//   temporary;
// - on a file system without hard links, the real updater killed after every
//   step of a small release: the client's program is always there, and the
//   next start puts one whole release back;
// - a full disk during the download: the message names the cause, and the
//   old files are whole.
#include "core/util/Ini.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/updater/UpdaterTestRig.h"
#include "updater/ReleaseInstall.h"
#include "updater/UpdaterRun.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// From here on the process dies at its first rename, as if killed right
// before it: what it was writing stays as its temporary.
bool dieAtTheNextRename()
{
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_rename, 3, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat2, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    };
    struct sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
        && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// Runs `body` in a child that dies at its first rename; true when it died so.
template<typename Body>
bool diesAtRename(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!dieAtTheNextRename())
            ::_exit(2);
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS;
}

QStringList temporariesIn(const QString &home)
{
    return QDir(home).entryList({QStringLiteral(".*.zorbel-??????")}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestKilledWrites : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    WebHost m_host;
    ReleasePair m_releases{3};
    QUrl m_archive;
    QString m_prefix;

    QString prepare(const QString &name)
    {
        const QString home = m_dir.filePath(name);
        m_releases.install(home);
        QFile::link(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home + QStringLiteral("/skins"));
        Ini::WriteIni(home + QStringLiteral("/qx.ini"), "general", "webhost", m_host.hostAndPort());
        writeFile(home + QStringLiteral("/updater.cfg"), updaterConfigFor(m_archive, home));
        return home;
    }

    // The real client started on `home`, until it asks for the version page
    // (it has then put the folder in order), then stopped.
    void startClient(const QString &home)
    {
        QVERIFY2(clientReachesVersionCheck(m_host, programEnvironment(home, m_prefix)),
                 "the client ended before it asked for the version page");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_host.listen());
        QString why;
        QVERIFY2(serveReleaseArchive(m_host, m_releases, m_dir.filePath(QStringLiteral("release.zip")), &m_archive,
                                     &why),
                 qPrintable(why));
        m_host.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\n" + m_archive.toEncoded() + "\r\n");
        m_prefix = m_dir.filePath(QStringLiteral("prefix"));
        writeGamePrefix(m_prefix);
    }

    void killedWhileWritingThenClientStarts_data()
    {
        QTest::addColumn<bool>("journal");
        QTest::newRow("the install's journal") << true;
        QTest::newRow("the failure marker") << false;
    }

    void killedWhileWritingThenClientStarts()
    {
        QFETCH(bool, journal);
        const QString home = prepare(journal ? QStringLiteral("journal") : QStringLiteral("marker"));
        if (journal) {
            ReleaseInstall install(home);
            QVERIFY(QDir().mkpath(install.stagingFolder()));
            writeFile(install.stagingFolder() + QStringLiteral("/Zorbel1"), "new client");
            QVERIFY(diesAtRename([&] { install.commit(); }));
        } else {
            // Nothing listens there: the download fails and the run marks it.
            QUrl nowhere;
            {
                WebHost gone;
                QVERIFY(gone.listen());
                nowhere = gone.url("/updates/gatherhall-1.0.1.zip");
            }
            writeFile(home + QStringLiteral("/updater.cfg"), updaterConfigFor(nowhere, home));
            QVERIFY(diesAtRename([&] {
                FakeDialogs dialogs;
                UpdaterRun run(dialogs, home);
                run.setProgramStarter([](const QString &) { return true; });
                run.run();
            }));
        }
        const QString name = journal ? QStringLiteral(".update-journal.txt.") : QStringLiteral(".update-failed.txt.");
        QVERIFY2(temporariesIn(home).size() == 1 && temporariesIn(home).first().startsWith(name),
                 qPrintable(temporariesIn(home).join(QLatin1Char(' '))));

        startClient(home);
        QVERIFY2(temporariesIn(home).isEmpty(), qPrintable(temporariesIn(home).join(QLatin1Char(' '))));
        QCOMPARE(m_releases.whichIn(home), QStringLiteral("old"));
    }

    // The disk steps of the move for this pair of releases (the updater's
    // kill hook counts them): 1 the journal; 2..10 the three data files
    // (backup folder, the copy that keeps the old file, the rename of the new
    // one over it); 11, 12 the added folder and file; 13..15 the client;
    // 16 the journal goes; 17, 18 the backup and staging folders are cleared.
    void withoutHardLinksKilledAtEveryStep()
    {
        for (int step = 1; step <= 19; ++step) {
            const QString home = prepare(QStringLiteral("nolinks-%1").arg(step));
            QProcessEnvironment env = programEnvironment(home, m_prefix);
            env.insert(QLatin1String(UpdaterRun::RefuseLinksVariable), QStringLiteral("1"));
            if (step <= 18)
                env.insert(QLatin1String(UpdaterRun::KillAfterStepVariable), QString::number(step));
            QProcess updater;
            updater.setProcessEnvironment(env);
            updater.setProcessChannelMode(QProcess::ForwardedChannels);
            QSignalSpy ended(&updater, &QProcess::finished);
            updater.start(QStringLiteral(ZORBEL_UPDATER_PATH), {});
            QVERIFY(updater.waitForStarted(10000));
            QVERIFY(ended.wait(30000));
            QCOMPARE(updater.exitStatus(), step <= 18 ? QProcess::CrashExit : QProcess::NormalExit);

            const QString client = home + QStringLiteral("/Zorbel1");
            const QByteArray now = readFile(client);
            QVERIFY2((now == m_releases.before.value(QStringLiteral("Zorbel1"))
                      || now == m_releases.after.value(QStringLiteral("Zorbel1")))
                         && QFileInfo(client).isExecutable(),
                     qPrintable(QStringLiteral("step %1: no whole client").arg(step)));

            startClient(home);
            const QString which = m_releases.whichIn(home);
            QVERIFY2(which == QLatin1String(step < 16 ? "old" : "new"),
                     qPrintable(QStringLiteral("step %1: %2").arg(step).arg(which)));
            for (const char *leftover : InstallLeftovers)
                QVERIFY2(!QFileInfo::exists(home + QLatin1Char('/') + QLatin1String(leftover)), leftover);
        }
    }

    // The folder on a file system too small for the release: the download
    // fails, says why, and leaves the old files as they were.
    void fullDiskNamesTheCause()
    {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            QSKIP("no mount namespace of our own to put a small file system in");
        QTemporaryDir small;
        if (::mount("tmpfs", QFile::encodeName(small.path()).constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("no small file system can be mounted");
        struct Unmount
        {
            QByteArray path;
            ~Unmount() { ::umount(path.constData()); }
        } unmount{QFile::encodeName(small.path())};
        const QString home = small.path() + QStringLiteral("/home");
        for (auto it = m_releases.before.cbegin(); it != m_releases.before.cend(); ++it) {
            if (it.value() == "<folder>")
                QDir().mkpath(home + QLatin1Char('/') + it.key());
            else
                writeFile(home + QLatin1Char('/') + it.key(), it.value());
        }
        // Larger than what is left of the file system.
        WebHost big;
        QVERIFY(big.listen());
        big.serve("/updates/gatherhall-1.0.1.zip", QByteArray(256 * 1024, 'z'));
        writeFile(home + QStringLiteral("/updater.cfg"), updaterConfigFor(big.url("/updates/gatherhall-1.0.1.zip"), home));
        const auto before = fileSnapshot(home);

        FakeDialogs dialogs;
        UpdaterRun run(dialogs, home);
        run.setProgramStarter([](const QString &) { return true; });
        QCOMPARE(run.run(), UpdaterRun::Outcome::DownloadFailed);
        QVERIFY(!dialogs.messages().isEmpty());
        const QString shown = dialogs.messages().first().text;
        QVERIFY2(shown.startsWith(QLatin1String("You don't have internet access or the update file doesn't exist."))
                     && shown.contains(QLatin1String("No space left on device")),
                 qPrintable(shown));
        auto after = fileSnapshot(home);
        after.remove(QLatin1String(UpdaterRun::FailedMarkerName)); // written when there was room for it
        QCOMPARE(after, before);
    }
};

QTEST_GUILESS_MAIN(TestKilledWrites)
#include "tst_killedwrites.moc"
