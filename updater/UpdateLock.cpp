#include "updater/UpdateLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int RetryMs = 20;

} // namespace

int UpdateLock::waitMs()
{
    bool number = false;
    const int ms = qEnvironmentVariableIntValue(WaitVariable, &number);
    return number && ms > 0 ? ms : DefaultWaitMs;
}

UpdateLock::UpdateLock(QString programFolder)
    : m_path(programFolder + QLatin1Char('/') + QLatin1String(FileName))
{
}

UpdateLock::~UpdateLock()
{
    release();
}

bool UpdateLock::tryOnce(QString *error)
{
    const QByteArray path = QFile::encodeName(m_path);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("The update lock cannot be opened: ") + m_path + QStringLiteral(" (")
                + QString::fromLocal8Bit(std::strerror(errno)) + QLatin1Char(')');
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    // The holder before us may have removed the file between our open and our
    // flock: then we hold a lock nobody else can see, and must try again.
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) != 0 || ::stat(path.constData(), &named) != 0 || held.st_ino != named.st_ino
        || held.st_dev != named.st_dev) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool UpdateLock::acquire(int waitMs, const std::function<bool()> &whileWaiting, QString *error)
{
    if (held())
        return true;
    m_waited = false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QString why;
        if (tryOnce(&why))
            return true;
        if (!why.isEmpty()) {
            if (error)
                *error = why;
            return false;
        }
        m_waited = true;
        if (clock.elapsed() >= waitMs) {
            if (error)
                *error = QStringLiteral("Another update of this folder has been running for %1 seconds; "
                                        "nothing was changed.")
                             .arg(waitMs / 1000);
            return false;
        }
        if (whileWaiting && !whileWaiting()) {
            if (error)
                *error = QStringLiteral("The wait for another update of this folder was stopped.");
            return false;
        }
        QThread::msleep(RetryMs);
    }
}

void UpdateLock::release()
{
    if (m_fd < 0)
        return;
    // Removed while still held, so that no one can take the old file's lock
    // in between and believe it is the folder's.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}
