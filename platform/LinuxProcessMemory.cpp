#include "platform/LinuxProcessMemory.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

bool LinuxProcessMemory::read(qint64 pid, quint64 address, qsizetype length, QByteArray *out) const
{
    if (pid <= 0 || length < 0) {
        m_lastError = ESRCH;
        return false;
    }
    QByteArray buffer(length, '\0');
    if (length == 0) {
        if (out)
            *out = buffer;
        return true;
    }
    iovec local{buffer.data(), size_t(length)};
    iovec remote{reinterpret_cast<void *>(quintptr(address)), size_t(length)};
    const ssize_t got = ::process_vm_readv(pid_t(pid), &local, 1, &remote, 1, 0);
    if (got != ssize_t(length)) {
        m_lastError = got < 0 ? errno : EIO;
        return false;
    }
    m_lastError = 0;
    if (out)
        *out = buffer;
    return true;
}

bool LinuxProcessMemory::write(qint64 pid, quint64 address, const QByteArray &bytes)
{
    if (pid <= 0) {
        m_lastError = ESRCH;
        return false;
    }
    const QByteArray path = "/proc/" + QByteArray::number(pid) + "/mem";
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        m_lastError = errno;
        return false;
    }
    const ssize_t put = ::pwrite(fd, bytes.constData(), size_t(bytes.size()), off_t(address));
    const int err = put < 0 ? errno : (put != ssize_t(bytes.size()) ? EIO : 0);
    ::close(fd);
    m_lastError = err;
    return err == 0;
}
