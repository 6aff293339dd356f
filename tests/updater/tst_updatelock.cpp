// The folder lock that the updater's run and the client's start-up recovery
// share, and that recovery as the client runs it.
#include "tests/fixtures/TestFiles.h"
#include "tests/updater/LockInChild.h"
#include "updater/ReleaseInstall.h"
#include "updater/StartRecovery.h"
#include "updater/UpdateLock.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
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

    // While another run holds the folder the client's recovery waits, then
    // leaves everything as it is and says why.
    void startRecoveryLeavesAHeldFolderAlone()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("Zorbel1")), "new client");
        writeFile(dir.filePath(QStringLiteral("update-backup/Zorbel1")), "old client");
        writeFile(dir.filePath(QStringLiteral("update-journal.txt")), "F Zorbel1\n");
        const pid_t holder = holdLockInChild(dir.path());
        QVERIFY(holder > 0);
        const auto before = fileSnapshot(dir.path());
        const StartRecovery held = StartRecovery::run(dir.path(), 300);
        QVERIFY(!held.ok);
        QCOMPARE(held.statusLines.size(), 1);
        QVERIFY(held.statusLines.first().contains("still running"));
        QCOMPARE(fileSnapshot(dir.path()), before);
        killChild(holder);
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
