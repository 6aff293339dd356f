#pragma once
// The crash harness of the pack installs: a scenario's launch (installs) and
// game end (restores) run in a forked child that kills itself (SIGKILL) right
// after its n-th file operation, for every n in turn until the child gets
// through. After each kill the start-up restores must give back the game
// folder exactly as it was (names, bytes, permissions) and leave no journal,
// backup or temporary file behind. One scenario per test program keeps each
// within its time limit under the sanitizers.

#include "packs/GameFileOperations.h"
#include "packs/PackInstaller.h"
#include "tests/packs/InstallFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace InstallTest {

// Counts the operations that change the disk and dies right after the n-th.
class KillingOperations : public GameFileOperations
{
public:
    explicit KillingOperations(int killAfter)
        : GameFileOperations(false)
        , KillAfter(killAfter)
    {
    }

    bool writeNew(const QString &path, const QByteArray &bytes,
                  QFileDevice::Permissions permissions, QString *error) override
    {
        return counted(GameFileOperations::writeNew(path, bytes, permissions, error));
    }
    bool replace(const QString &from, const QString &to, QString *error) override
    {
        return counted(GameFileOperations::replace(from, to, error));
    }
    bool remove(const QString &path, QString *error) override
    {
        return counted(GameFileOperations::remove(path, error));
    }
    bool makeFolder(const QString &path, QString *error) override
    {
        if (QFileInfo(path).isDir())
            return true; // no change, no kill point
        return counted(GameFileOperations::makeFolder(path, error));
    }

private:
    bool counted(bool result)
    {
        if (++Done == KillAfter)
            ::raise(SIGKILL);
        return result;
    }

    int KillAfter;
    int Done = 0;
};

struct Launch
{
    QByteArray mappack = "OFF";
    QByteArray modpack = "OFF";
};

inline QByteArray mapManifest(const QList<QByteArray> &levelBlocks, const QByteArray &tail)
{
    QByteArray m = "PACKCREATOR:tester\r\n";
    for (const QByteArray &block : levelBlocks)
        m += "LEVEL:\r\n" + block + "\r\n";
    return m + tail;
}

inline QByteArray modLine(const QByteArray &source, const QByteArray &destination)
{
    return "EXTRASRC: " + source + "\r\nDEST:     " + destination + "\r\n";
}

using Builder = Launch (*)(Fixture &);

// What one game does to the game files: the launch, then the game's end.
inline void runGame(Fixture &f, GameFileOperations &ops, const Launch &launch)
{
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat, ops);
    const bool mapInstalled = installer.InstallMappack(launch.mappack);
    installer.InstallModpack(launch.modpack);
    if (!mapInstalled)
        installer.BackupPackLevelHeaders();
    if (!mapInstalled)
        installer.RestoreLevelHeaderFiles();
    installer.RestoreMapBackup();
    installer.RestoreModBackup();
}

inline void startUpRestores(Fixture &f)
{
    GameFileOperations ops(false);
    PackInstaller installer(f.setup, f.packs, f.commands, f.chat, ops);
    installer.RestoreMapBackup();
    installer.RestoreModBackup();
    installer.CheckHeaderRestore();
    installer.CheckConstantRestore();
}

// Files left in the client's backup folders.
inline QStringList leftInBackupFolders(const Fixture &f)
{
    QStringList out;
    for (const char *folder : {"backup", "modbackup"}) {
        const QDir dir(f.client(QString::fromLatin1(folder)));
        for (const QString &name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            out.append(QString::fromLatin1(folder) + QLatin1Char('/') + name);
    }
    return out;
}

// Runs the scenario that `build` sets up once without a kill, then once per
// kill point.
inline void sweepKillPoints(Builder build, int minimumOperations)
{
    Fixture f;
    const Launch launch = build(f);
    f.saveTemplate();
    const Snapshot original = snapshot(f.setup.GamePath);
    QVERIFY(!original.isEmpty());

    // The launch really changes the game folder.
    {
        GameFileOperations ops(false);
        PackInstaller installer(f.setup, f.packs, f.commands, f.chat, ops);
        installer.InstallMappack(launch.mappack);
        installer.InstallModpack(launch.modpack);
        QVERIFY(snapshot(f.setup.GamePath) != original);
        QVERIFY2(!f.chat.hasSystemMessage("Could not install"),
                 f.chat.systemMessages.join('\n').constData());
    }

    int killAfter = 1;
    for (;; ++killAfter) {
        f.restoreTemplate();
        QCOMPARE(difference(original, snapshot(f.setup.GamePath)), QString());

        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            KillingOperations ops(killAfter);
            runGame(f, ops, launch);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        QVERIFY2(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0),
                 qPrintable(QStringLiteral("child ended oddly at kill point %1").arg(killAfter)));

        f.chat.clear();
        startUpRestores(f);
        const QString diff = difference(original, snapshot(f.setup.GamePath));
        QVERIFY2(diff.isEmpty(),
                 qPrintable(QStringLiteral("kill after operation %1: %2").arg(killAfter).arg(diff)));
        QVERIFY2(!f.chat.hasSystemMessage("ERROR"),
                 qPrintable(QStringLiteral("kill after operation %1").arg(killAfter)));
        const QStringList left = leftInBackupFolders(f);
        QVERIFY2(left.isEmpty(), qPrintable(QStringLiteral("kill after operation %1: %2")
                                                .arg(killAfter)
                                                .arg(left.join(QLatin1Char(' ')))));
        if (!killed)
            break; // the whole game ran through: every kill point was tried
    }
    qInfo("%d kill points", killAfter - 1);
    QVERIFY2(killAfter > minimumOperations, qPrintable(QString::number(killAfter)));
}

} // namespace InstallTest
