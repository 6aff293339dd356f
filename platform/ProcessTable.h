#pragma once
#include <QList>
#include <QString>
#include <QtGlobal>

// The processes of this user and the files their memory maps. A launcher may
// hand the game over to a process of its own making (wine64's start.exe
// starts the game and waits for it); this is how the client finds that one.
class ProcessTable
{
public:
    struct Process
    {
        qint64 pid = 0;
        quint64 startTime = 0;   // clock ticks since boot
    };

    virtual ~ProcessTable() = default;
    // When the process started, in clock ticks since boot; 0 when it is gone.
    virtual quint64 startTime(qint64 pid) const = 0;
    // This user's processes that started at or after `since`, oldest first.
    virtual QList<Process> processesSince(quint64 since) const = 0;
    // True when one of the process's mappings of `file` starts at `address`.
    virtual bool mapsFileAt(qint64 pid, const QString &file, quint64 address) const = 0;
};
