#pragma once
#include "platform/ProcessTable.h"

// The process table from /proc: start times from /proc/<pid>/stat, owners
// from /proc/<pid>, mappings from /proc/<pid>/maps. A file is recognised by
// its device and inode, or by its path when the file system reports other
// numbers in the maps than to stat (overlay file systems do).
class LinuxProcessTable : public ProcessTable
{
public:
    quint64 startTime(qint64 pid) const override;
    QList<Process> processesSince(quint64 since) const override;
    bool mapsFileAt(qint64 pid, const QString &file, quint64 address) const override;
};
