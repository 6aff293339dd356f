// The folder lock that the updater's run and the client's start-up recovery
// share, and that recovery as the client runs it.
#include "core/util/AtomicFile.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/updater/LockInChild.h"
#include "updater/ReleaseInstall.h"
#include "updater/StartRecovery.h"
#include "updater/UpdateLock.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void killChild(pid_t pid)
{
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

} // namespace

class TestUpdateLock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondHolderWaitsThenGivesUp()
    {
        QTemporaryDir dir;
        const pid_t holder = holdLockInChild(dir.path());
        QVERIFY(holder > 0);
        UpdateLock second(dir.path());
        QElapsedTimer clock;
        clock.start();
        QString why;
        QVERIFY(!second.acquire(300, {}, &why));
        QVERIFY(clock.elapsed() >= 300);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(second.waited());
        QVERIFY2(why.contains(QLatin1String("nothing was changed")), qPrintable(why));
        killChild(holder);
    }

    // The kernel lets go of a killed holder's lock: the next run takes it at
    // once, and leaves no lock file behind when it is done.
    void killedHolderDoesNotBlock()
    {
        QTemporaryDir dir;
        const pid_t holder = holdLockInChild(dir.path());
        QVERIFY(holder > 0);
        killChild(holder);
        QVERIFY(QFileInfo::exists(dir.filePath(QLatin1String(UpdateLock::FileName))));
        {
            UpdateLock next(dir.path());
            QElapsedTimer clock;
            clock.start();
            QVERIFY(next.acquire(5000));
            QVERIFY(clock.elapsed() < 1000);
        }
        QVERIFY(fileTree(dir.path()).isEmpty());
    }

    void waitEndsWhenAsked()
    {
        QTemporaryDir dir;
        const pid_t holder = holdLockInChild(dir.path());
        QVERIFY(holder > 0);
        UpdateLock second(dir.path());
        int asked = 0;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!second.acquire(30000, [&asked] { return ++asked < 3; }));
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(asked, 3);
        killChild(holder);
    }

    // A holder that goes between another's open and flock: two waiters and
    // a quick succession of holders never both hold it.
    void neverTwoHolders()
    {
        QTemporaryDir dir;
        const QString inside = dir.filePath(QStringLiteral("holders"));
        QList<pid_t> children;
        for (int c = 0; c < 4; ++c) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                for (int round = 0; round < 50; ++round) {
                    UpdateLock lock(dir.path());
                    if (!lock.acquire(20000))
                        ::_exit(2);
                    // Made exclusively: a second holder would fail here.
                    const int fd = ::open(QFile::encodeName(inside).constData(), O_CREAT | O_EXCL | O_WRONLY, 0644);
                    if (fd < 0)
                        ::_exit(3);
                    ::close(fd);
                    ::unlink(QFile::encodeName(inside).constData());
                }
                ::_exit(0);
            }
            children.append(pid);
        }
        for (pid_t pid : children) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            QVERIFY(WIFEXITED(status));
            QCOMPARE(WEXITSTATUS(status), 0);
        }
        QVERIFY(fileTree(dir.path()).isEmpty());
    }

    // The client's start: an interrupted install is put back and said so;
    // an untouched folder gives no status line.
    void startRecoveryPutsBackAndSaysSo()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("Zorbel1")), "new client");
        writeFile(dir.filePath(QStringLiteral("update-backup/Zorbel1")), "old client");
        writeFile(dir.filePath(QStringLiteral("update-journal.txt")), "F Zorbel1\n");
        const StartRecovery first = StartRecovery::run(dir.path());
        QVERIFY(first.ok);
        QCOMPARE(first.statusLines.size(), 1);
        QVERIFY(first.statusLines.first().contains("were put back"));
        QCOMPARE(fileTree(dir.path()), QStringList{QStringLiteral("Zorbel1")});
        QCOMPARE(readFile(dir.filePath(QStringLiteral("Zorbel1"))), QByteArray("old client"));

        const StartRecovery second = StartRecovery::run(dir.path());
        QVERIFY(second.ok);
        QVERIFY(second.statusLines.isEmpty());
        QCOMPARE(fileTree(dir.path()), QStringList{QStringLiteral("Zorbel1")});
    }

    // While an updater holds the folder the client's start waits, then
    // leaves everything as it is and ends (Busy).
    void startRecoveryLeavesAHeldFolderAlone()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("Zorbel1")), "new client");
        writeFile(dir.filePath(QStringLiteral("update-backup/Zorbel1")), "old client");
        writeFile(dir.filePath(QStringLiteral("update-journal.txt")), "F Zorbel1\n");
        const pid_t holder = holdFolderInChild(dir.path(), true);
        QVERIFY(holder > 0);
        const auto before = fileSnapshot(dir.path());
        QElapsedTimer clock;
        clock.start();
        const StartRecovery held = StartRecovery::run(dir.path(), 300);
        QVERIFY(clock.elapsed() >= 300);
        killChild(holder);
        QCOMPARE(held.outcome, StartRecovery::Outcome::Busy);
        QVERIFY(!held.ok);
        QCOMPARE(fileSnapshot(dir.path()), before);
    }

    // How a start ends up, by who holds the folder and how that changes while
    // it waits: a client that runs (shared) or an updater at work
    // (exclusive) that ends after a moment, leaving the folder to nobody or
    // to the client it started; this start by hand or by the updater.
    void clientStart_data()
    {
        QTest::addColumn<bool>("updaterFirst"); // an updater holds the folder at the start
        QTest::addColumn<bool>("clientRuns");   // a client runs (at once, or once the updater ended)
        QTest::addColumn<bool>("afterUpdate");  // the updater started this one
        QTest::addColumn<bool>("installed");    // the updater put a new program in place
        QTest::addColumn<int>("outcome");
        const int run = int(StartRecovery::Outcome::Run);
        const int clientRuns = int(StartRecovery::Outcome::ClientRuns);
        const int replaced = int(StartRecovery::Outcome::Replaced);
        QTest::newRow("alone") << false << false << false << false << run;
        QTest::newRow("beside a client, by hand") << false << true << false << false << run;
        QTest::newRow("beside a client, by the updater") << false << true << true << false << clientRuns;
        QTest::newRow("the updater's client, alone") << true << false << true << false << run;
        QTest::newRow("after an install that did not happen") << true << false << false << false << run;
        QTest::newRow("after an install, its client runs") << true << true << false << true << clientRuns;
        QTest::newRow("after a failed install, its client runs") << true << true << false << false << clientRuns;
        QTest::newRow("after an install, alone") << true << false << false << true << replaced;
        QTest::newRow("replaced before it looked") << false << false << false << true << replaced;
        QTest::newRow("replaced, beside a client") << false << true << false << true << clientRuns;
    }

    void clientStart()
    {
        QFETCH(bool, updaterFirst);
        QFETCH(bool, clientRuns);
        QFETCH(bool, afterUpdate);
        QFETCH(bool, installed);
        QFETCH(int, outcome);
        QTemporaryDir dir;
        const QString client = dir.filePath(QStringLiteral("Zorbel1"));
        writeFile(client, "old client");
        // This process stands for the client started from that file.
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(client).constData(), &st), 0);
        const StartRecovery::Start start{{true, quint64(st.st_dev), quint64(st.st_ino)}, client, afterUpdate};
        const auto install = [&] {
            writeFile(client + QStringLiteral(".new"), "new client");
            ::rename(QFile::encodeName(client + QStringLiteral(".new")).constData(),
                     QFile::encodeName(client).constData());
        };
        pid_t other = -1;
        if (updaterFirst) {
            // The updater, and then (it its place, in one step under the gate)
            // the client it starts.
            static FolderLock *hold = nullptr;
            other = holdInChild(
                [&] {
                    hold = new FolderLock(dir.path());
                    return hold->tryExclusive();
                },
                [] { hold->release(); },
                [&] {
                    ::usleep(300 * 1000);
                    if (installed)
                        install();
                    if (!clientRuns)
                        return;
                    UpdateLock gate(dir.path());
                    if (!gate.acquire(5000) || !hold->toShared())
                        ::_exit(4);
                    gate.release();
                    for (;;)
                        ::pause();
                });
        } else {
            if (installed)
                install();
            if (clientRuns)
                other = holdFolderInChild(dir.path(), false);
        }
        QVERIFY(other > 0 || (!updaterFirst && !clientRuns));
        const StartRecovery result = StartRecovery::run(dir.path(), 10000, start);
        if (other > 0)
            killChild(other);
        QCOMPARE(int(result.outcome), outcome);
        QVERIFY(fileTree(dir.path()) == QStringList{QStringLiteral("Zorbel1")});
    }

    // A client that the updater started when its install ended holds the
    // folder, and this start is older than it: it was made while the install
    // still ran and only looked afterwards, so it gives way. Beside a client
    // started by hand it runs (the row "beside a client, by hand" above).
    void startGivesWayToTheUpdatersLaterClient()
    {
        const QString sleeper = QStandardPaths::findExecutable(QStringLiteral("sleep"));
        if (sleeper.isEmpty())
            QSKIP("no sleep program to run");
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("Zorbel1")), "new client");
        const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(folder >= 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            // The hold is kept across the exec, in a program started as the updater starts its client.
            if (::flock(folder, LOCK_SH) != 0)
                ::_exit(2);
            const QByteArray program = QFile::encodeName(sleeper);
            char variable[] = "ZORBEL_STARTED_BY_UPDATER=1";
            char *const environment[] = {variable, nullptr};
            ::execle(program.constData(), program.constData(), "60", static_cast<char *>(nullptr), environment);
            ::_exit(3);
        }
        ::close(folder);
        QVERIFY(pid > 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)).endsWith(
                                     QFileInfo(sleeper).fileName())
                                     && readFile(QStringLiteral("/proc/locks")).contains(" " + QByteArray::number(pid) + " "),
                                 10000);
        const StartRecovery result = StartRecovery::run(dir.path(), 10000);
        killChild(pid);
        QCOMPARE(int(result.outcome), int(StartRecovery::Outcome::ClientRuns));
    }

    // What a kill left between an atomic write's temporary and its rename is
    // removed at the start; nothing else is, least of all a hidden file of the
    // player's that looks like one.
    void startRemovesWhatKilledWritesLeft_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("swept");
        for (const char *left : {".qx.ini.zorbel-AbC123", ".update-journal.txt.zorbel-x1Y2z3",
                                 ".update-failed.txt.zorbel-000000", ".langlist.dat.zorbel-zzzzzz"})
            QTest::newRow(left) << QString::fromLatin1(left) << true;
        for (const char *mine : {".qx.ini.backup", ".servers.txt.Old123", ".qx.ini.XXXXXX", ".qx.ini.AbC123",
                                 ".langlist.dat.zzzzzz", ".qx.ini.zorbel-tooLong1", ".qx.ini.zorbel-AB_123",
                                 ".mine.txt.zorbel-AbC123", "qx.ini.zorbel-AbC123", ".qx.ini.zorbel-",
                                 ".qx.ini.ZORBEL-AbC123"})
            QTest::newRow(mine) << QString::fromLatin1(mine) << false;
    }

    void startRemovesWhatKilledWritesLeft()
    {
        QFETCH(QString, name);
        QFETCH(bool, swept);
        QTemporaryDir dir;
        QStringList kept{QStringLiteral("Zorbel1"), QStringLiteral("qx.ini")};
        for (const QString &file : std::as_const(kept))
            writeFile(dir.filePath(file), "kept");
        writeFile(dir.filePath(name), "left by a kill, or the player's");
        if (!swept)
            kept.append(name);
        QVERIFY(StartRecovery::run(dir.path()).ok);
        kept.sort();
        QCOMPARE(fileTree(dir.path()), kept);
    }

    // The names looked for are the ones the atomic writes really use: seen
    // being made while the settings file and the journal are written.
    void leftoverNamesAreTheWritesOwn()
    {
        QTemporaryDir dir;
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watch >= 0);
        QVERIFY(::inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_CREATE) >= 0);
        const QString journal = QLatin1String(ReleaseInstall::JournalName);
        for (const QString &name : StartRecovery::writtenFiles())
            QVERIFY(AtomicFile::write(dir.filePath(name), name == journal ? "D nothing\n" : "contents"));
        QStringList made;
        alignas(struct inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
            for (char *at = buffer; at < buffer + n;) {
                const auto *event = reinterpret_cast<const struct inotify_event *>(at);
                if (event->len > 0)
                    made.append(QFile::decodeName(event->name));
                at += sizeof(struct inotify_event) + event->len;
            }
        }
        ::close(watch);
        QCOMPARE(made.size(), StartRecovery::writtenFiles().size());
        for (const QString &temporary : std::as_const(made))
            writeFile(dir.filePath(temporary), "as a kill would leave it");
        QVERIFY(StartRecovery::run(dir.path()).ok);
        QStringList expected = StartRecovery::writtenFiles();
        expected.removeAll(journal); // replayed and gone
        expected.sort();
        QCOMPARE(fileTree(dir.path()), expected);
    }

    // A folder that cannot be locked at all is not said to be busy.
    void startRecoveryTellsALockItCannotOpen()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("Zorbel1")), "old client");
        // Never followed: the lock is the folder's own file or none.
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), dir.filePath(QStringLiteral("update.lock"))));
        QElapsedTimer clock;
        clock.start();
        const StartRecovery result = StartRecovery::run(dir.path(), 5000);
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(!result.ok);
        QCOMPARE(result.statusLines.size(), 1);
        QVERIFY2(result.statusLines.first().contains("cannot be opened"), result.statusLines.first().constData());
        QVERIFY2(!result.statusLines.first().contains("still running"), result.statusLines.first().constData());
    }

    // A run killed while it unpacked leaves its archive and staging folder;
    // the client's start clears both, silently.
    void startRecoveryClearsWhatAnUnpackLeft()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("Zorbel1")), "old client");
        writeFile(dir.filePath(QStringLiteral("install.zip")), "PK");
        writeFile(dir.filePath(QStringLiteral("update-staging/Zorbel1")), "new cli");
        const StartRecovery result = StartRecovery::run(dir.path());
        QVERIFY(result.ok);
        QVERIFY(result.statusLines.isEmpty());
        QCOMPARE(fileTree(dir.path()), QStringList{QStringLiteral("Zorbel1")});
    }

    void startRecoveryReportsWhatItCannotUndo()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("update-journal.txt")), "F Zorb");
        const StartRecovery torn = StartRecovery::run(dir.path());
        QVERIFY(!torn.ok);
        QCOMPARE(torn.statusLines.size(), 1);
        QVERIFY(torn.statusLines.first().contains("could not be undone"));
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("update-journal.txt"))));
    }
};

QTEST_GUILESS_MAIN(TestUpdateLock)
#include "tst_updatelock.moc"
