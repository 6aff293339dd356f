#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

#include "updater/UpdateLock.h"

// What the client does first at every start, before anything reads its
// folder: an install of a release that was cut short (its journal still
// there) is put back whole, under the folder's update lock, exactly as the
// updater itself would at its start. The status lines say what was done, for
// the chat once the lobby window exists; none when there was nothing to do.
struct StartRecovery
{
    bool ok = true;                 // the folder holds one whole release
    bool putBack = false;           // an interrupted install was undone
    QList<QByteArray> statusLines;  // Windows-1252 texts

    static StartRecovery run(const QString &programFolder, int lockWaitMs = UpdateLock::DefaultWaitMs);

    // The program that runs, as the file it was started from (device and
    // inode); taken before run().
    struct Program
    {
        bool known = false;
        quint64 device = 0;
        quint64 inode = 0;
        static Program running();
    };
    // True when `path` no longer names the program that runs: the recovery
    // put the earlier release's client back in its place, and this process is
    // the interrupted install's new one, which must not go on with the old
    // release's files.
    static bool replaced(const Program &running, const QString &path);
};
