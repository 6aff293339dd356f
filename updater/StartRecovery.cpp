#include "updater/StartRecovery.h"

#include "core/util/CodePage.h"
#include "updater/ReleaseInstall.h"

#include <QFile>

#include <sys/stat.h>

StartRecovery StartRecovery::run(const QString &programFolder, int lockWaitMs)
{
    StartRecovery result;
    UpdateLock lock(programFolder);
    QString why;
    if (!lock.acquire(lockWaitMs, {}, &why)) {
        result.ok = false;
        if (lock.waited()) {
            // The updater is still at work (or hangs): its own run ends with
            // one whole release, and this start leaves the folder to it.
            result.statusLines.append("An update of this folder is still running; it was left alone. "
                                      + CodePage::fromUnicode(why));
        } else {
            // Nobody holds the folder; it cannot be locked at all.
            result.statusLines.append(CodePage::fromUnicode(why) + " An interrupted update was not looked for.");
        }
        return result;
    }
    ReleaseInstall install(programFolder);
    const bool recovered = install.recover(&why);
    // An archive that a killed updater left behind is no part of any release;
    // under the lock no updater can be using it.
    QFile::remove(programFolder + QStringLiteral("/install.zip"));
    if (!recovered) {
        result.ok = false;
        result.statusLines.append("An interrupted update could not be undone: " + CodePage::fromUnicode(why)
                                  + " Start the updater again to finish it.");
    } else if (install.undidInterruptedRun()) {
        result.putBack = true;
        result.statusLines.append("An update was interrupted; the files of the earlier version were put back.");
    }
    for (const QString &note : install.notes())
        result.statusLines.append(CodePage::fromUnicode(note));
    return result;
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
