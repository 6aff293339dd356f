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
    QList<QByteArray> statusLines;  // Windows-1252 texts

    static StartRecovery run(const QString &programFolder, int lockWaitMs = UpdateLock::DefaultWaitMs);
};
