#include "core/util/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Files {

bool FileExists(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    QFile f(path);
    return f.open(QIODevice::ReadOnly);
}

bool DirExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

qint64 FileLength(const QString &path)
{
    if (!FileExists(path))
        return 0;
    return QFileInfo(path).size();
}

QByteArray ReadAll(const QString &path, bool *ok)
{
    QFile f(path);
    const bool opened = !path.isEmpty() && QFileInfo(path).isFile() && f.open(QIODevice::ReadOnly);
    QByteArray data;
    bool good = opened;
    if (opened) {
        data = f.readAll();
        good = f.error() == QFileDevice::NoError;
        if (!good)
            data.clear();
    }
    if (ok)
        *ok = good;
    return data;
}

QString ProgramFolder()
{
    const QString home = qEnvironmentVariable("ZORBEL_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QDir(home).absolutePath());
    if (QCoreApplication::instance())
        return QDir::cleanPath(QCoreApplication::applicationDirPath());
    // Before the application object exists (or in a tool without one).
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}

} // namespace Files
