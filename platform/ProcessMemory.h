#pragma once
#include <QByteArray>
#include <QtGlobal>

// Reading and writing another process's memory at fixed addresses. A denied
// access is a failed read or write, never a crash.
class ProcessMemory
{
public:
    virtual ~ProcessMemory() = default;
    virtual bool read(qint64 pid, quint64 address, qsizetype length, QByteArray *out) const = 0;
    virtual bool write(qint64 pid, quint64 address, const QByteArray &bytes) = 0;
};
