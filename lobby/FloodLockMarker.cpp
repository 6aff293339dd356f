#include "lobby/FloodLockMarker.h"

#include "core/util/AtomicFile.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

FloodLockMarker::FloodLockMarker(const QString &folder) : m_folder(folder) {}

QString FloodLockMarker::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString FloodLockMarker::path() const
{
    return WinPath::join(m_folder, QByteArray("sysisso.txt"));
}

bool FloodLockMarker::exists() const
{
    return Files::FileExists(path());
}

std::optional<qint32> FloodLockMarker::readSeconds() const
{
    bool ok = false;
    const QByteArray contents = Files::ReadAll(path(), &ok);
    if (!ok)
        return std::nullopt;
    return parse(contents);
}

void FloodLockMarker::SaveFloodLock(qint32 seconds) const
{
    QDir().mkpath(m_folder);
    AtomicFile::write(path(), format(seconds));
}

void FloodLockMarker::remove() const
{
    QFile::remove(path());
}

QByteArray FloodLockMarker::format(qint32 seconds)
{
    return " " + QByteArray::number(seconds) + " \r\n";
}

std::optional<qint32> FloodLockMarker::parse(const QByteArray &contents)
{
    qsizetype end = contents.indexOf('\n');
    QByteArray line = end < 0 ? contents : contents.left(end);
    line = line.trimmed();
    bool ok = false;
    const qint32 seconds = line.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return seconds;
}
