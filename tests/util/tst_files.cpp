#include "core/util/AtomicFile.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/UnprivilegedUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

class TstFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fileTests();
    void programFolderFromEnvironment();
    void programFileOfARunningProgram_data();
    void programFileOfARunningProgram();
    void join_data();
    void join();
    void resolve_data();
    void resolve();
    void atomicWriteReplacesAndKeepsMode();
    void atomicWriteRefusesFolder();
    void unsyncedWriteStillReplacesWhole();
    void atomicCopy();
    void atomicWriteRefusesReadOnlyFile_data();
    void atomicWriteRefusesReadOnlyFile();
};

void TstFiles::fileTests()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.txt"));
    writeFile(file, "hello");
    QVERIFY(Files::FileExists(file));
    QVERIFY(!Files::DirExists(file));
    QVERIFY(Files::DirExists(dir.path()));
    QVERIFY(!Files::FileExists(dir.path()));
    QCOMPARE(Files::FileLength(file), qint64(5));
    QCOMPARE(Files::FileLength(dir.filePath(QStringLiteral("missing"))), qint64(0));
    QCOMPARE(Files::FileLength(dir.path()), qint64(0));
    bool ok = false;
    QCOMPARE(Files::ReadAll(file, &ok), QByteArray("hello"));
    QVERIFY(ok);
    QVERIFY(Files::ReadAll(dir.filePath(QStringLiteral("missing")), &ok).isEmpty());
    QVERIFY(!ok);
    QVERIFY(!Files::FileExists(QString()));
}

void TstFiles::programFolderFromEnvironment()
{
    const QByteArray saved = qgetenv("ZORBEL_HOME");
    qputenv("ZORBEL_HOME", "/tmp/zorbel-home/");
    QCOMPARE(Files::ProgramFolder(), QStringLiteral("/tmp/zorbel-home"));
    qunsetenv("ZORBEL_HOME");
    QCOMPARE(Files::ProgramFolder(), QCoreApplication::applicationDirPath());
    QCOMPARE(Files::ProgramFile(), QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    if (!saved.isNull())
        qputenv("ZORBEL_HOME", saved);
}

namespace {

// Runs the program `argv0` (a copy of sleep) from the working folder `cwd`;
// the process id once it runs that program, -1 when it cannot.
pid_t startSleeping(const QString &cwd, const QByteArray &argv0)
{
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return -1;
    const QByteArray folder = QFile::encodeName(cwd);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.constData()) == 0)
            ::execl(argv0.constData(), argv0.constData(), "60", static_cast<char *>(nullptr));
        const char failed = 1;
        (void)::write(ready[1], &failed, 1);
        ::_exit(127);
    }
    ::close(ready[1]);
    // The pipe closes at the exec; a byte comes when it failed.
    char failed = 0;
    const ssize_t n = pid > 0 ? ::read(ready[0], &failed, 1) : 1;
    ::close(ready[0]);
    if (n != 0) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        return -1;
    }
    return pid;
}

enum class Start { RenamedOver, Unlinked, ThroughLink, RelativeFromElsewhere, NameEndsDeleted };

} // namespace

// The program file of a running program, however it was started and whatever
// became of its name since: always the file it was started from.
void TstFiles::programFileOfARunningProgram_data()
{
    QTest::addColumn<int>("start");
    QTest::newRow("renamed over before the read") << int(Start::RenamedOver);
    QTest::newRow("unlinked") << int(Start::Unlinked);
    QTest::newRow("started through a symbolic link") << int(Start::ThroughLink);
    QTest::newRow("relative argv[0] from another folder") << int(Start::RelativeFromElsewhere);
    QTest::newRow("a name that really ends in (deleted)") << int(Start::NameEndsDeleted);
}

void TstFiles::programFileOfARunningProgram()
{
    QFETCH(int, start);
    const QString sleeper = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    if (sleeper.isEmpty())
        QSKIP("no sleep program to run");
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("game/folder"))));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("elsewhere"))));
    const QString name = Start(start) == Start::NameEndsDeleted ? QStringLiteral("Zorbel1 (deleted)")
                                                                : QStringLiteral("Zorbel1");
    const QString program = dir.filePath(QStringLiteral("game/folder/") + name);
    QVERIFY(QFile::copy(sleeper, program));
    const QString expected = QFileInfo(program).canonicalFilePath();
    QVERIFY(!expected.isEmpty());

    QByteArray argv0 = QFile::encodeName(program);
    QString cwd = dir.filePath(QStringLiteral("elsewhere"));
    if (Start(start) == Start::ThroughLink) {
        QVERIFY(QFile::link(program, dir.filePath(QStringLiteral("elsewhere/zorbel"))));
        argv0 = "./zorbel";
    } else if (Start(start) == Start::RelativeFromElsewhere) {
        cwd = dir.filePath(QStringLiteral("game"));
        argv0 = "folder/Zorbel1";
    }
    const pid_t pid = startSleeping(cwd, argv0);
    QVERIFY(pid > 0);
    struct Ends
    {
        pid_t pid;
        ~Ends()
        {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    } ends{pid};
    if (Start(start) == Start::RenamedOver) {
        writeFile(program + QStringLiteral(".new"), "the next release");
        QCOMPARE(::rename(QFile::encodeName(program + QStringLiteral(".new")).constData(),
                          QFile::encodeName(program).constData()),
                 0);
    } else if (Start(start) == Start::Unlinked) {
        QVERIFY(QFile::remove(program));
    }
    const QString exe = QStringLiteral("/proc/%1/exe").arg(pid);
    if (Start(start) == Start::RenamedOver || Start(start) == Start::Unlinked)
        QVERIFY(QFile::symLinkTarget(exe).endsWith(QLatin1String(" (deleted)")));
    QCOMPARE(Files::ProgramFileOf(exe), expected);
}

void TstFiles::join_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("leading backslash") << "/opt/z" << "\\qx.ini" << "/opt/z/qx.ini";
    QTest::newRow("no leading backslash") << "/opt/z" << "backup\\backup.txt" << "/opt/z/backup/backup.txt";
    QTest::newRow("slashes too") << "/opt/z/" << "skins/Default\\qxskin.ini" << "/opt/z/skins/Default/qxskin.ini";
    QTest::newRow("doubled separators") << "/opt/z" << "\\\\skins\\\\Default" << "/opt/z/skins/Default";
    QTest::newRow("empty name") << "/opt/z" << "" << "/opt/z";
    QTest::newRow("root folder") << "/" << "\\a" << "/a";
}

void TstFiles::join()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(WinPath::join(folder, name), path);
    QCOMPARE(WinPath::join(folder, name.toLatin1()), path);
}

void TstFiles::resolve_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("relative"); // below the game folder
    QTest::newRow("exact") << "levels\\levl2001.dat" << "levels/levl2001.dat";
    QTest::newRow("other case") << "LEVELS\\LEVL2001.DAT" << "levels/levl2001.dat";
    QTest::newRow("mixed case on disk") << "language\\lang00.dat" << "Language/LANG00.DAT";
    QTest::newRow("missing file keeps spelling") << "Levels\\New.DAT" << "levels/New.DAT";
    QTest::newRow("missing folder keeps rest") << "NoSuch\\Levels\\x.dat" << "NoSuch/Levels/x.dat";
    QTest::newRow("exact match wins over case match") << "data\\Pal0-a.dat" << "data/Pal0-a.dat";
    QTest::newRow("dot-dot cannot leave") << "..\\..\\etc\\passwd" << "etc/passwd";
}

void TstFiles::resolve()
{
    QFETCH(QString, name);
    QFETCH(QString, relative);
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("levels/levl2001.dat")), "l");
    writeFile(dir.filePath(QStringLiteral("Language/LANG00.DAT")), "g");
    writeFile(dir.filePath(QStringLiteral("data/pal0-a.dat")), "p");
    writeFile(dir.filePath(QStringLiteral("data/Pal0-a.dat")), "P");
    QCOMPARE(GameFolder::resolve(dir.path(), name), dir.path() + QLatin1Char('/') + relative);
}

void TstFiles::atomicWriteReplacesAndKeepsMode()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.txt"));
    QString error;
    QVERIFY(AtomicFile::write(file, "first", &error));
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QVERIFY(AtomicFile::write(file, "second", &error));
    QCOMPARE(Files::ReadAll(file), QByteArray("second"));
    QCOMPARE(QFile::permissions(file) & (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("f.txt")});
}

void TstFiles::atomicWriteRefusesFolder()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(!AtomicFile::write(dir.path(), "x", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!AtomicFile::write(dir.filePath(QStringLiteral("none/f.txt")), "x", &error));
}

// A cache is written without waiting for the disk, but still through a
// temporary file and a rename.
void TstFiles::unsyncedWriteStillReplacesWhole()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("c.crc"));
    QString error;
    QVERIFY(AtomicFile::writeUnsynced(file, "first", &error));
    QVERIFY(AtomicFile::writeUnsynced(file, "second", &error));
    QCOMPARE(Files::ReadAll(file), QByteArray("second"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("c.crc")});
    QVERIFY(!AtomicFile::writeUnsynced(dir.path(), "x", &error));
    QVERIFY(!AtomicFile::writeUnsynced(dir.filePath(QStringLiteral("none/c.crc")), "x", &error));
    QCOMPARE(Files::ReadAll(file), QByteArray("second"));
}

void TstFiles::atomicCopy()
{
    QTemporaryDir dir;
    const QString from = dir.filePath(QStringLiteral("from.bin"));
    const QString to = dir.filePath(QStringLiteral("to.bin"));
    QByteArray big(3 * 1024 * 1024 + 7, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 31);
    writeFile(from, big);
    writeFile(to, "old");
    QVERIFY(AtomicFile::copy(from, to));
    QCOMPARE(Files::ReadAll(to), big);
    QString error;
    QVERIFY(!AtomicFile::copy(dir.filePath(QStringLiteral("missing")), to, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(Files::ReadAll(to), big);
}

// A file the user may not open for writing is not replaced either, though the
// folder would let a temporary file be renamed over it.
void TstFiles::atomicWriteRefusesReadOnlyFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("write") << QStringLiteral("write");
    QTest::newRow("unsynced") << QStringLiteral("unsynced");
    QTest::newRow("copy") << QStringLiteral("copy");
    QTest::newRow("through a link") << QStringLiteral("link");
}

void TstFiles::atomicWriteRefusesReadOnlyFile()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    QVERIFY(UnprivilegedUser::openFolder(dir.path()));
    const QString file = dir.filePath(QStringLiteral("game.exe"));
    const QString source = dir.filePath(QStringLiteral("source"));
    const QString link = dir.filePath(QStringLiteral("link"));
    writeFile(file, "old");
    writeFile(source, "new");
    QVERIFY(QFile::link(file, link));
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const QString open = dir.filePath(QStringLiteral("open.ini"));
    writeFile(open, "old");
    QVERIFY(QFile::setPermissions(open, QFile::permissions(open) | QFileDevice::WriteOther));

    QString error;
    bool ok = true;
    bool openWritten = false;
    {
        UnprivilegedUser user;
        QVERIFY(user.active());
        QVERIFY(!AtomicFile::mayReplace(file));
        if (how == QLatin1String("write"))
            ok = AtomicFile::write(file, "new", &error);
        else if (how == QLatin1String("unsynced"))
            ok = AtomicFile::writeUnsynced(file, "new", &error);
        else if (how == QLatin1String("copy"))
            ok = AtomicFile::copy(source, file, &error);
        else
            ok = AtomicFile::write(link, "new", &error);
        // A file the user may write, and a new one, are written as before.
        openWritten = AtomicFile::write(open, "new") && AtomicFile::write(dir.filePath(QStringLiteral("fresh")), "n");
    }
    QVERIFY(!ok);
    QVERIFY2(error.contains(QString::fromLocal8Bit(std::strerror(EACCES))), qPrintable(error));
    QCOMPARE(Files::ReadAll(file), QByteArray("old"));
    QCOMPARE(QFile::permissions(file) & QFileDevice::Permissions(0x7077), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(openWritten);
    QCOMPARE(Files::ReadAll(open), QByteArray("new"));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             (QStringList{QStringLiteral("fresh"), QStringLiteral("game.exe"), QStringLiteral("link"),
                          QStringLiteral("open.ini"), QStringLiteral("source")}));
}

QTEST_GUILESS_MAIN(TstFiles)
#include "tst_files.moc"
