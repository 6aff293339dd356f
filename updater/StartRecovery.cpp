#include "updater/StartRecovery.h"

#include "core/util/AtomicFile.h"
#include "core/util/CodePage.h"
#include "updater/FolderLock.h"
#include "updater/ReleaseInstall.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr int RetryMs = 20;

void tell(QMessageBox::Icon icon, const char *text, int closeAfterMs)
{
    std::fprintf(stderr, "%s\n", text);
    QMessageBox box(icon, QStringLiteral("Zorbel"), QString::fromLatin1(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    QTimer::singleShot(closeAfterMs, &box, &QMessageBox::accept);
    box.exec();
}

// When the process `pid` started, in clock ticks since boot; -1 if unknown.
qint64 startTicks(const QString &pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Past the program name, which may hold spaces: the state is field 3, the start time field 22.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 1).simplified().split(' ');
    bool ok = false;
    const qint64 ticks = fields.size() > 19 ? fields.at(19).toLongLong(&ok) : -1;
    return ok ? ticks : -1;
}

// The processes other than this one that hold `programFolder`, as the
// kernel's lock table lists them.
struct Holder
{
    QString pid;
    bool exclusive = false;
};

QList<Holder> otherHoldersOf(const QString &programFolder)
{
    struct stat folder {};
    QFile locks(QStringLiteral("/proc/locks"));
    QList<Holder> holders;
    if (::stat(QFile::encodeName(programFolder).constData(), &folder) != 0 || !locks.open(QIODevice::ReadOnly))
        return holders;
    const QByteArray device = QByteArray::number(major(folder.st_dev), 16).rightJustified(2, '0') + ':'
        + QByteArray::number(minor(folder.st_dev), 16).rightJustified(2, '0') + ':'
        + QByteArray::number(quint64(folder.st_ino));
    for (const QByteArray &line : locks.readAll().split('\n')) {
        // "1: FLOCK  ADVISORY  READ 1234 fe:00:5464067 0 EOF"
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 6 || f.at(1) != "FLOCK" || f.at(5) != device)
            continue;
        if (f.at(4).toLongLong() == qint64(::getpid()))
            continue;
        holders.append({QString::fromLatin1(f.at(4)), f.at(3) == "WRITE"});
    }
    return holders;
}

// Whether clients hold the folder and no updater does.
bool onlyClientsHold(const QList<Holder> &holders)
{
    return !holders.isEmpty()
        && std::none_of(holders.cbegin(), holders.cend(), [](const Holder &h) { return h.exclusive; });
}

// Whether a client that an updater started holds the folder, started no
// earlier than this process. The updater starts its client when its install
// has ended, so this start came while the install still ran, and gives way
// to that client as a start that waited for the install does; it only
// looked once the updater was gone.
bool updatersClientCameLater(const QList<Holder> &holders)
{
    const qint64 self = startTicks(QStringLiteral("self"));
    if (self < 0)
        return false;
    const QByteArray marker = QByteArray(StartRecovery::AfterUpdateVariable) + '=';
    for (const Holder &holder : holders) {
        // What it was started with, as the kernel keeps it.
        QFile environment(QStringLiteral("/proc/%1/environ").arg(holder.pid));
        if (!environment.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> variables = environment.readAll().split('\0');
        const bool byUpdater = std::any_of(variables.cbegin(), variables.cend(),
                                           [&marker](const QByteArray &v) { return v.startsWith(marker); });
        if (byUpdater && startTicks(holder.pid) >= self)
            return true;
    }
    return false;
}

} // namespace

const QStringList &StartRecovery::writtenFiles()
{
    static const QStringList names{
        QLatin1String(ReleaseInstall::JournalName), QStringLiteral("update-failed.txt"),
        QStringLiteral("updater.cfg"), QStringLiteral("qx.ini"), QStringLiteral("langlist.dat"),
        QStringLiteral("version.txt"), QStringLiteral("servers.txt"), QStringLiteral("mappacks.txt"),
        QStringLiteral("modpacks.txt"), QStringLiteral("pal.dat"), QStringLiteral("points.txt"),
    };
    return names;
}

void StartRecovery::removeWriteLeftovers(const QString &programFolder)
{
    const QStringList entries = QDir(programFolder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (!entry.startsWith(QLatin1Char('.')))
            continue;
        const QStringList &names = writtenFiles();
        if (std::none_of(names.cbegin(), names.cend(),
                         [&entry](const QString &name) { return AtomicFile::isTemporaryOf(entry, name); }))
            continue;
        const QFileInfo info(programFolder + QLatin1Char('/') + entry);
        if (info.isFile() && !info.isSymLink())
            QFile::remove(info.filePath());
    }
}

void StartRecovery::tellBusy(int closeAfterMs)
{
    tell(QMessageBox::Information, BusyText, closeAfterMs);
}

void StartRecovery::tellNoFolder(int closeAfterMs)
{
    tell(QMessageBox::Warning, NoFolderText, closeAfterMs);
}

void StartRecovery::letGo() const
{
    if (m_hold)
        m_hold->release();
}

void StartRecovery::recoverHeld(const QString &programFolder)
{
    QString why;
    ReleaseInstall install(programFolder);
    const bool recovered = install.recover(&why);
    // An archive that a killed updater left behind is no part of any release;
    // with the folder held no updater can be using it.
    QFile::remove(programFolder + QStringLiteral("/install.zip"));
    removeWriteLeftovers(programFolder);
    if (!recovered) {
        ok = false;
        statusLines.append("An interrupted update could not be undone: " + CodePage::fromUnicode(why)
                           + " Start the updater again to finish it.");
    } else if (install.undidInterruptedRun()) {
        putBack = true;
        statusLines.append("An update was interrupted; the files of the earlier version were put back.");
    }
    for (const QString &note : install.notes())
        statusLines.append(CodePage::fromUnicode(note));
}

StartRecovery StartRecovery::run(const QString &programFolder, int lockWaitMs, const Start &start)
{
    StartRecovery result;
    if (programFolder.isEmpty() || QDir::isRelativePath(programFolder)) {
        // Never a lock, a journal or a sweep relative to wherever this runs.
        result.ok = false;
        result.statusLines.append("The program folder is not known. An interrupted update was not looked for.");
        return result;
    }
    result.m_hold = std::make_shared<FolderLock>(programFolder);
    FolderLock &folder = *result.m_hold;
    const auto replacedNow = [&start] { return !start.path.isEmpty() && replaced(start.running, start.path); };
    const auto unlocked = [&result](const QString &why) {
        // Nobody holds the folder; it cannot be locked at all.
        result.ok = false;
        result.statusLines.append(CodePage::fromUnicode(why) + " An interrupted update was not looked for.");
        return result;
    };
    // The client the updater starts gives way to one that runs already, as
    // does a start that waited for an install.
    bool waitedForInstall = start.afterUpdate;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        UpdateLock gate(programFolder);
        QString why;
        if (!gate.acquire(std::max(0, lockWaitMs - int(clock.elapsed())), {}, &why)) {
            if (!gate.waited())
                return unlocked(why);
            result.outcome = Outcome::Busy;
            result.ok = false;
            return result;
        }
        if (folder.tryExclusive(&why)) {
            // No client runs and no updater: this start has the folder alone.
            if (replacedNow()) {
                // An install ended before this start looked: the program that
                // runs is the earlier release's, and the new one takes its place.
                folder.release();
                result.outcome = Outcome::Replaced;
                return result;
            }
            result.recoverHeld(programFolder);
            // Under the gate nobody can take the folder in between.
            folder.toShared();
            return result;
        }
        if (!why.isEmpty())
            return unlocked(why);
        const QList<Holder> holders = otherHoldersOf(programFolder);
        const auto givesWay = [&] { return waitedForInstall || replacedNow() || updatersClientCameLater(holders); };
        if (onlyClientsHold(holders) && givesWay()) {
            // A client runs and this start ends: without ever holding the
            // folder, so that no moment has two clients holding it.
            result.outcome = Outcome::ClientRuns;
            return result;
        }
        if (folder.tryShared()) {
            // Clients run, no updater.
            if (givesWay()) {
                folder.release();
                result.outcome = Outcome::ClientRuns;
            }
            return result;
        }
        // Held exclusively while this start has the gate: an updater installs.
        gate.release();
        waitedForInstall = true;
        if (clock.elapsed() >= lockWaitMs) {
            result.outcome = Outcome::Busy;
            result.ok = false;
            return result;
        }
        QThread::msleep(RetryMs);
    }
}

StartRecovery StartRecovery::run(const QString &programFolder, int lockWaitMs)
{
    return run(programFolder, lockWaitMs, Start{});
}

StartRecovery::Program StartRecovery::Program::running()
{
    Program program;
    struct stat st {};
    // The running image, even when its name has been renamed over since.
    if (::stat("/proc/self/exe", &st) == 0) {
        program.known = true;
        program.device = quint64(st.st_dev);
        program.inode = quint64(st.st_ino);
    }
    return program;
}

bool StartRecovery::replaced(const Program &running, const QString &path)
{
    struct stat st {};
    if (!running.known || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return quint64(st.st_dev) != running.device || quint64(st.st_ino) != running.inode;
}
