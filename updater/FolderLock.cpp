#include "updater/FolderLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FolderLock::FolderLock(QString programFolder)
    : m_folder(std::move(programFolder))
{
}

FolderLock::~FolderLock()
{
    release();
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FolderLock::tryLock(int how, QString *error)
{
    if (m_fd < 0) {
        // Close-on-exec: neither the game nor the updater the client starts
        // may keep the client's hold once it has ended.
        m_fd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd < 0) {
            if (error)
                *error = QStringLiteral("The program folder cannot be opened: ") + m_folder + QStringLiteral(" (")
                    + QString::fromLocal8Bit(std::strerror(errno)) + QLatin1Char(')');
            return false;
        }
    }
    for (;;) {
        if (::flock(m_fd, how | LOCK_NB) == 0) {
            m_held = true;
            return true;
        }
        if (errno != EINTR)
            break;
    }
    // A failed change of an existing hold may have dropped it; make sure.
    const int why = errno;
    if (m_held)
        ::flock(m_fd, LOCK_UN);
    m_held = false;
    errno = why;
    if (errno != EWOULDBLOCK && error)
        *error = QStringLiteral("The program folder cannot be locked: ") + m_folder + QStringLiteral(" (")
            + QString::fromLocal8Bit(std::strerror(errno)) + QLatin1Char(')');
    return false;
}

bool FolderLock::tryExclusive(QString *error)
{
    return tryLock(LOCK_EX, error);
}

bool FolderLock::tryShared(QString *error)
{
    return tryLock(LOCK_SH, error);
}

bool FolderLock::toShared()
{
    return m_held && tryLock(LOCK_SH, nullptr);
}

void FolderLock::release()
{
    if (!m_held)
        return;
    ::flock(m_fd, LOCK_UN);
    m_held = false;
}
