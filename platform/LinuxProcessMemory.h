#pragma once
#include "platform/ProcessMemory.h"

// Reads with process_vm_readv; writes through /proc/<pid>/mem, which (unlike
// process_vm_writev) also reaches the game's read-only code pages.
class LinuxProcessMemory : public ProcessMemory
{
public:
    bool read(qint64 pid, quint64 address, qsizetype length, QByteArray *out) const override;
    bool write(qint64 pid, quint64 address, const QByteArray &bytes) override;
    int lastError() const override { return m_lastError; }

private:
    mutable int m_lastError = 0;
};
