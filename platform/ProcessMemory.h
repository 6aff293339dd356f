#pragma once
#include <QByteArray>
#include <QtGlobal>

// Reading and writing another process's memory at fixed addresses. A denied
// access is a failed read or write, never a crash.
class ProcessMemory
{
public:
    virtual ~ProcessMemory() = default;
    // Reads exactly `length` bytes; a short read is a failure.
    virtual bool read(qint64 pid, quint64 address, qsizetype length, QByteArray *out) const = 0;
    // Writes all of `bytes`; a short write is a failure.
    virtual bool write(qint64 pid, quint64 address, const QByteArray &bytes) = 0;
    // The system's error number of the last failed read or write (0 if none).
    virtual int lastError() const { return 0; }
};
