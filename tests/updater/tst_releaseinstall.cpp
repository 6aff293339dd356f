#include "tests/fixtures/TestFiles.h"
#include "updater/ReleaseInstall.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Tree = QMap<QString, QByteArray>;


// Counts the disk operations; fails the n-th, or kills the process right
// after it.
class CountingFileSystem : public ReleaseInstall::FileSystem
{
public:
    enum class Mode { Count, FailAt, KillAfter };
    CountingFileSystem(Mode mode = Mode::Count, int at = 0) : m_mode(mode), m_at(at) {}

    bool rename(const QString &from, const QString &to) override
    {
        return step(++renames == m_at && m_mode == Mode::FailAt ? false
                                                                 : FileSystem::rename(from, to));
    }
    bool keepCopy(const QString &from, const QString &to) override { return step(FileSystem::keepCopy(from, to)); }
    // Refusing it makes the install copy the old file instead.
    bool link(const QString &from, const QString &to) override
    {
        return !m_noLinks && FileSystem::link(from, to);
    }
    bool makeFolder(const QString &path) override
    {
        if (QFileInfo(path).isDir())
            return true; // no change on disk, no step
        return step(FileSystem::makeFolder(path));
    }
    bool removeFile(const QString &path) override { return step(FileSystem::removeFile(path)); }
    bool removeEmptyFolder(const QString &path) override
    {
        return step(FileSystem::removeEmptyFolder(path));
    }
    bool removeTree(const QString &path) override { return step(FileSystem::removeTree(path)); }
    bool writeJournal(const QString &path, const QByteArray &text) override
    {
        return step(FileSystem::writeJournal(path, text));
    }

    int renames = 0;
    int steps = 0;
    bool m_noLinks = false;

private:
    bool step(bool result)
    {
        ++steps;
        if (m_mode == Mode::KillAfter && steps == m_at)
            ::raise(SIGKILL);
        return result;
    }
    Mode m_mode;
    int m_at;
};

// An installed release (with a file of the user's that no release touches)
// and a newer one unpacked beside it, replacing files, adding files and
// folders, and replacing the updater itself.
struct Release
{
    QTemporaryDir dir;
    QString home = dir.path();
    Tree before;
    Tree after;

    Release()
    {
        writeFile(home + QStringLiteral("/Zorbel1"), "old client");
        writeFile(home + QStringLiteral("/updater"), "old updater");
        writeFile(home + QStringLiteral("/qx.ini"), "the user's settings");
        writeFile(home + QStringLiteral("/skins/Default/qxskin.ini"), "old skin");
        writeFile(home + QStringLiteral("/docs/old.txt"), "kept");
        before = fileSnapshot(home);

        const QString staging = ReleaseInstall(home).stagingFolder();
        writeFile(staging + QStringLiteral("/Zorbel1"), "new client");
        writeFile(staging + QStringLiteral("/updater"), "new updater");
        writeFile(staging + QStringLiteral("/skins/Default/qxskin.ini"), "new skin");
        writeFile(staging + QStringLiteral("/skins/Night/deep/qxskin.ini"), "night skin");
        writeFile(staging + QStringLiteral("/readme.txt"), "read me");

        after = before;
        after.insert(QStringLiteral("Zorbel1"), "new client");
        after.insert(QStringLiteral("updater"), "new updater");
        after.insert(QStringLiteral("skins/Default/qxskin.ini"), "new skin");
        after.insert(QStringLiteral("skins/Night"), "<folder>");
        after.insert(QStringLiteral("skins/Night/deep"), "<folder>");
        after.insert(QStringLiteral("skins/Night/deep/qxskin.ini"), "night skin");
        after.insert(QStringLiteral("readme.txt"), "read me");
    }
};

// A copy whose files keep their modification times to the nanosecond, as the
// install knows its added files by them.
void copyTreeKeepingTimes(const QString &from, const QString &to)
{
    copyTree(from, to);
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        struct stat st {};
        if (::lstat(QFile::encodeName(it.filePath()).constData(), &st) != 0)
            continue;
        const timespec times[2] = {st.st_atim, st.st_mtim};
        const QString copy = to + QLatin1Char('/') + QDir(from).relativeFilePath(it.filePath());
        ::utimensat(AT_FDCWD, QFile::encodeName(copy).constData(), times, AT_SYMLINK_NOFOLLOW);
    }
}

// Runs `body` in a child process; true when the child was killed by SIGKILL,
// false when it ran to its end.
template<typename Body>
bool killedInChild(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace

class TestReleaseInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commitPutsTheReleaseInPlaceAndClearsUp()
    {
        Release r;
        QString why;
        QVERIFY2(ReleaseInstall(r.home).commit(&why), qPrintable(why));
        QCOMPARE(fileSnapshot(r.home), r.after);
    }

    void failedMovePutsEverythingBack()
    {
        // Count the renames of a whole commit, then fail each in turn.
        int renames = 0;
        {
            Release r;
            CountingFileSystem counter;
            QVERIFY(ReleaseInstall(r.home, &counter).commit());
            renames = counter.renames;
        }
        QCOMPARE(renames, 5); // three replaced files (the old ones kept by a link), two added
        for (int at = 1; at <= renames; ++at) {
            Release r;
            CountingFileSystem failing(CountingFileSystem::Mode::FailAt, at);
            ReleaseInstall install(r.home, &failing);
            QString why;
            QVERIFY(!install.commit(&why));
            QVERIFY(why.contains(QLatin1String("could not be put in place")));
            install.discardStaging();
            QCOMPARE(fileSnapshot(r.home), r.before);
        }
        // Where the file system has no links, each old file is copied.
        for (int at = 1; at <= renames; ++at) {
            Release r;
            CountingFileSystem failing(CountingFileSystem::Mode::FailAt, at);
            failing.m_noLinks = true;
            ReleaseInstall install(r.home, &failing);
            QVERIFY(!install.commit());
            install.discardStaging();
            QCOMPARE(fileSnapshot(r.home), r.before);
        }
    }

    void killedAtEveryStepLeavesOneWholeRelease_data()
    {
        QTest::addColumn<bool>("links");
        QTest::newRow("hard links") << true;
        QTest::newRow("no hard links") << false;
    }

    // Killed after any step of the move, and again after any step of putting
    // back, the next run leaves the old release or the new one, whole; and
    // before that, every file the release replaces is at its name, the old one
    // or the new, with its permissions.
    void killedAtEveryStepLeavesOneWholeRelease()
    {
        QFETCH(bool, links);
        int sawOld = 0;
        int sawNew = 0;
        int kill = 1;
        for (;; ++kill) {
            Release r;
            QFile::setPermissions(r.home + QStringLiteral("/Zorbel1"), QFile::ReadOwner | QFile::WriteOwner
                                                                          | QFile::ExeOwner);
            const bool killed = killedInChild([&] {
                CountingFileSystem killing(CountingFileSystem::Mode::KillAfter, kill);
                killing.m_noLinks = !links;
                ReleaseInstall(r.home, &killing).commit();
            });
            for (const QString &replaced : {QStringLiteral("Zorbel1"), QStringLiteral("updater"),
                                            QStringLiteral("skins/Default/qxskin.ini")}) {
                const QByteArray now = readFile(r.home + QLatin1Char('/') + replaced);
                QVERIFY2(now == r.before.value(replaced) || now == r.after.value(replaced),
                         qPrintable(QStringLiteral("kill %1: %2 is not there whole").arg(kill).arg(replaced)));
            }
            if (readFile(r.home + QStringLiteral("/Zorbel1")) == r.before.value(QStringLiteral("Zorbel1")))
                QVERIFY2(QFileInfo(r.home + QStringLiteral("/Zorbel1")).isExecutable(),
                         qPrintable(QStringLiteral("kill %1").arg(kill)));
            if (!killed) {
                QCOMPARE(fileSnapshot(r.home), r.after);
                break;
            }
            for (int again = 1;; ++again) {
                // Every kill point of the next run's clean-up, from the same half-way state.
                QTemporaryDir copy;
                copyTreeKeepingTimes(r.home, copy.path());
                const bool killedAgain = killedInChild([&] {
                    CountingFileSystem killing(CountingFileSystem::Mode::KillAfter, again);
                    ReleaseInstall(copy.path(), &killing).recover();
                });
                QString why;
                QVERIFY2(ReleaseInstall(copy.path()).recover(&why), qPrintable(why));
                const Tree result = fileSnapshot(copy.path());
                QVERIFY2(result == r.before || result == r.after,
                         qPrintable(QStringLiteral("kill %1, then %2").arg(kill).arg(again)));
                if (result == r.before)
                    QVERIFY(QFileInfo(copy.path() + QStringLiteral("/Zorbel1")).isExecutable());
                if (!killedAgain)
                    break;
            }
            QString why;
            QVERIFY2(ReleaseInstall(r.home).recover(&why), qPrintable(why));
            const Tree result = fileSnapshot(r.home);
            if (result == r.before)
                ++sawOld;
            else if (result == r.after)
                ++sawNew;
            else
                QFAIL(qPrintable(QStringLiteral("a mixed folder after kill %1").arg(kill)));
        }
        QVERIFY(kill > 10);
        QVERIFY(sawOld > 0);
        QVERIFY(sawNew > 0); // killed while clearing up after the journal went
    }

    void refusedReleaseChangesNothing_data()
    {
        QTest::addColumn<QString>("stagedFile");
        QTest::addColumn<QString>("inTheWay");
        QTest::addColumn<QString>("reason");
        QTest::newRow("staging name") << "update-staging/x" << "" << "keeps for itself";
        QTest::newRow("backup name") << "update-backup/Zorbel1" << "" << "keeps for itself";
        QTest::newRow("journal name") << "update-journal.txt" << "" << "keeps for itself";
        QTest::newRow("lock name") << "update.lock" << "" << "keeps for itself";
        QTest::newRow("folder where a file goes") << "docs" << "" << "folder is in the way";
        QTest::newRow("file where a folder goes") << "qx.ini/inside.txt" << "" << "file is in the way";
    }

    void refusedReleaseChangesNothing()
    {
        QFETCH(QString, stagedFile);
        QFETCH(QString, reason);
        Release r;
        ReleaseInstall install(r.home);
        writeFile(install.stagingFolder() + QLatin1Char('/') + stagedFile, "x");
        QString why;
        QVERIFY(!install.commit(&why));
        QVERIFY2(why.contains(reason), qPrintable(why));
        install.discardStaging();
        QCOMPARE(fileSnapshot(r.home), r.before);
    }

    void unreadableJournalIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("journal");
        QTest::newRow("escaping path") << QByteArray("N ../outside.txt\n");
        QTest::newRow("absolute path") << QByteArray("N /tmp/outside.txt\n");
        QTest::newRow("unknown step") << QByteArray("X Zorbel1\n");
        QTest::newRow("torn") << QByteArray("N readme.txt\nF Zorb");
    }

    void unreadableJournalIsLeftAlone()
    {
        QFETCH(QByteArray, journal);
        QTemporaryDir base;
        const QString home = base.filePath(QStringLiteral("home"));
        writeFile(home + QStringLiteral("/Zorbel1"), "client");
        writeFile(base.filePath(QStringLiteral("outside.txt")), "not ours");
        writeFile(home + QStringLiteral("/update-journal.txt"), journal);
        const Tree before = fileSnapshot(base.path());
        QString why;
        QVERIFY(!ReleaseInstall(home).recover(&why));
        QVERIFY2(why.contains(QLatin1String("cannot be read")), qPrintable(why));
        QCOMPARE(fileSnapshot(base.path()), before);
    }

    // The journal of a run killed after it moved everything in: the client
    // is its last line, so until the very end the client in place is the old one.
    void clientIsMovedLastAndPutBackFirst()
    {
        Release again;
        const bool killed = killedInChild([&] {
            // Killed right after the journal is written.
            CountingFileSystem killing(CountingFileSystem::Mode::KillAfter, 1);
            ReleaseInstall(again.home, &killing).commit();
        });
        QVERIFY(killed);
        const QByteArray journal = readFile(again.home + QStringLiteral("/update-journal.txt"));
        const QList<QByteArray> lines = journal.trimmed().split('\n');
        QCOMPARE(lines.last(), QByteArray("F Zorbel1"));
        QCOMPARE(lines.count(QByteArray("F Zorbel1")), 1);
        QVERIFY(lines.contains(QByteArray("F updater")));
    }

    // What the player (or the client) made at an added path, or put in an
    // added folder, after the install added it stays through a rollback, and
    // the rollback still ends: the next start is not blocked by it.
    void rollbackKeepsWhatTheInstallDidNotAdd_data()
    {
        QTest::addColumn<QString>("playerFile");
        QTest::addColumn<QString>("note");
        QTest::newRow("player's file at an added path") << "readme.txt" << "readme.txt was kept";
        QTest::newRow("player's file at an added path, same size")
            << "skins/Night/deep/qxskin.ini" << "skins/Night/deep/qxskin.ini was kept";
        QTest::newRow("player's file in an added folder")
            << "skins/Night/mine.txt" << "The folder skins/Night was kept";
    }

    void rollbackKeepsWhatTheInstallDidNotAdd()
    {
        QFETCH(QString, playerFile);
        QFETCH(QString, note);
        Release r;
        // Killed after the whole move, before the journal went.
        int steps = 0;
        {
            Release count;
            CountingFileSystem counter;
            QVERIFY(ReleaseInstall(count.home, &counter).commit());
            steps = counter.steps;
        }
        QVERIFY(killedInChild([&] {
            CountingFileSystem killing(CountingFileSystem::Mode::KillAfter, steps - 3);
            ReleaseInstall(r.home, &killing).commit();
        }));
        QVERIFY(QFileInfo::exists(r.home + QStringLiteral("/update-journal.txt")));
        QCOMPARE(readFile(r.home + QStringLiteral("/Zorbel1")), QByteArray("new client"));
        // The player's file, made after the install's (its time differs).
        const QString path = r.home + QLatin1Char('/') + playerFile;
        const QByteArray mine = playerFile.endsWith(QLatin1String("qxskin.ini")) ? QByteArray("nyte skin")
                                                                                 : QByteArray("the player's");
        QFile::remove(path);
        writeFile(path, mine);

        ReleaseInstall install(r.home);
        QString why;
        QVERIFY2(install.recover(&why), qPrintable(why));
        QVERIFY(install.undidInterruptedRun());
        QCOMPARE(readFile(path), mine);
        QVERIFY2(install.notes().join(QLatin1Char('\n')).contains(note),
                 qPrintable(install.notes().join(QLatin1Char('\n'))));
        QVERIFY(!QFileInfo::exists(r.home + QStringLiteral("/update-journal.txt")));
        // Everything else is the old release.
        Tree expected = r.before;
        for (QString folder = QFileInfo(playerFile).path(); folder != QLatin1String(".");
             folder = QFileInfo(folder).path())
            expected.insert(folder, "<folder>");
        expected.insert(playerFile, mine);
        QCOMPARE(fileSnapshot(r.home), expected);
        // A later start has nothing left to do.
        ReleaseInstall later(r.home);
        QVERIFY(later.recover(&why));
        QVERIFY(!later.undidInterruptedRun());
        QCOMPARE(fileSnapshot(r.home), expected);
    }

    // A journal of an earlier build names an added file by its path alone: a
    // file at that path that changed after the journal was written is the
    // player's, and stays; one older than the journal goes, as it always did.
    void olderJournalsKeepAFileMadeSince()
    {
        QTemporaryDir dir;
        const QString home = dir.path();
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const auto stamp = [](const QString &path, const QDateTime &when) {
            QFile f(path);
            return f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime);
        };
        writeFile(home + QStringLiteral("/added.txt"), "the release's");
        writeFile(home + QStringLiteral("/mine.txt"), "the player's");
        writeFile(home + QStringLiteral("/update-journal.txt"), "N added.txt\nN mine.txt\nN gone.txt\n");
        QVERIFY(stamp(home + QStringLiteral("/added.txt"), now.addSecs(-7200)));
        QVERIFY(stamp(home + QStringLiteral("/update-journal.txt"), now.addSecs(-3600)));
        QVERIFY(stamp(home + QStringLiteral("/mine.txt"), now));

        ReleaseInstall install(home);
        QString why;
        QVERIFY2(install.recover(&why), qPrintable(why));
        QVERIFY(install.undidInterruptedRun());
        QVERIFY(!QFileInfo::exists(home + QStringLiteral("/added.txt")));
        QCOMPARE(readFile(home + QStringLiteral("/mine.txt")), QByteArray("the player's"));
        QCOMPARE(install.notes(), QStringList{QStringLiteral("mine.txt was kept: it is not the file the update put there.")});
        QVERIFY(!QFileInfo::exists(home + QStringLiteral("/update-journal.txt")));
    }

    void recoverWithNothingToDoChangesNothing()
    {
        Release r;
        ReleaseInstall(r.home).discardStaging();
        QVERIFY(ReleaseInstall(r.home).recover());
        QCOMPARE(fileSnapshot(r.home), r.before);
    }
};

QTEST_GUILESS_MAIN(TestReleaseInstall)
#include "tst_releaseinstall.moc"
