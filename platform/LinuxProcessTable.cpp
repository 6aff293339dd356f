#include "platform/LinuxProcessTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QByteArray procPath(qint64 pid, const char *entry)
{
    return "/proc/" + QByteArray::number(pid) + (entry ? QByteArray("/") + entry : QByteArray());
}

// Field 22 of /proc/<pid>/stat. The command name in field 2 may hold blanks
// and parentheses, so the fields are counted from the last ')'.
quint64 readStartTime(qint64 pid)
{
    QFile stat(QString::fromLatin1(procPath(pid, "stat")));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.read(4096);
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 20)
        return 0;
    const char state = fields[0].isEmpty() ? '?' : fields[0][0];
    if (state == 'Z' || state == 'X')
        return 0;
    bool ok = false;
    const quint64 ticks = fields[19].toULongLong(&ok);
    return ok ? ticks : 0;
}

} // namespace

quint64 LinuxProcessTable::startTime(qint64 pid) const
{
    return pid > 0 ? readStartTime(pid) : 0;
}

QList<ProcessTable::Process> LinuxProcessTable::processesSince(quint64 since) const
{
    QList<Process> found;
    const uid_t me = ::getuid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : entries) {
        bool number = false;
        const qint64 pid = name.toLongLong(&number);
        if (!number || pid <= 0)
            continue;
        struct stat owner{};
        if (::stat(procPath(pid, nullptr).constData(), &owner) != 0 || owner.st_uid != me)
            continue;
        const quint64 started = readStartTime(pid);
        if (started != 0 && started >= since)
            found.append(Process{pid, started});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Process &a, const Process &b) { return a.startTime < b.startTime; });
    return found;
}

bool LinuxProcessTable::mapsFileAt(qint64 pid, const QString &file, quint64 address) const
{
    if (pid <= 0 || file.isEmpty())
        return false;
    const QByteArray hostFile = QFile::encodeName(file);
    struct stat wanted{};
    if (::stat(hostFile.constData(), &wanted) != 0)
        return false;
    const QByteArray canonical = QFile::encodeName(QFileInfo(file).canonicalFilePath());

    QFile maps(QString::fromLatin1(procPath(pid, "maps")));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    // A line: start-end perms offset major:minor inode [path]
    const QList<QByteArray> lines = maps.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype dash = line.indexOf('-');
        bool ok = false;
        if (dash <= 0 || line.left(dash).toULongLong(&ok, 16) != address || !ok)
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6)
            continue;
        const QList<QByteArray> device = fields[3].split(':');
        if (device.size() == 2 && fields[4].toULongLong() == quint64(wanted.st_ino)
            && device[0].toUInt(nullptr, 16) == major(wanted.st_dev)
            && device[1].toUInt(nullptr, 16) == minor(wanted.st_dev))
            return true;
        // The path is the rest of the line; it may hold blanks.
        const qsizetype slash = line.indexOf('/');
        if (slash > 0 && !canonical.isEmpty() && line.mid(slash) == canonical)
            return true;
    }
    return false;
}
