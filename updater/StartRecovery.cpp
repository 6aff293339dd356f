#include "updater/StartRecovery.h"

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

namespace {

constexpr int RetryMs = 20;

// The name AtomicFile gives the temporary of `target` in the same folder:
// "." + the name + "." + six letters or digits (mkstemp's XXXXXX).
bool isTemporaryOf(const QString &entry, const QString &target)
{
    const QString head = QLatin1Char('.') + target + QLatin1Char('.');
    if (entry.size() != head.size() + 6 || !entry.startsWith(head))
        return false;
    for (qsizetype i = head.size(); i < entry.size(); ++i) {
        const QChar c = entry.at(i);
        if (!(c >= QLatin1Char('a') && c <= QLatin1Char('z')) && !(c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return false;
    }
    return true;
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
                         [&entry](const QString &name) { return isTemporaryOf(entry, name); }))
            continue;
        const QFileInfo info(programFolder + QLatin1Char('/') + entry);
        if (info.isFile() && !info.isSymLink())
            QFile::remove(info.filePath());
    }
}

void StartRecovery::tellBusy(int closeAfterMs)
{
    std::fprintf(stderr, "%s\n", BusyText);
    QMessageBox box(QMessageBox::Information, QStringLiteral("Zorbel"), QString::fromLatin1(BusyText),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    QTimer::singleShot(closeAfterMs, &box, &QMessageBox::accept);
    box.exec();
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
        if (folder.tryShared()) {
            // Clients run, no updater.
            if (waitedForInstall || replacedNow()) {
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
