#include "core/util/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

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

QString ProgramFileOf(const QString &exeLink)
{
    const QByteArray link = QFile::encodeName(exeLink);
    QByteArray target(4096, '\0');
    const ssize_t n = ::readlink(link.constData(), target.data(), size_t(target.size()));
    if (n <= 0 || n >= target.size())
        return {};
    target.truncate(n);
    // A name that really ends so is the running image itself.
    static constexpr char Deleted[] = " (deleted)";
    struct stat image {};
    struct stat named {};
    if (target.endsWith(Deleted)
        && !(::stat(link.constData(), &image) == 0 && ::stat(target.constData(), &named) == 0
             && image.st_dev == named.st_dev && image.st_ino == named.st_ino))
        target.chop(qsizetype(sizeof Deleted - 1));
    const QString path = QFile::decodeName(target);
    return path.startsWith(QLatin1Char('/')) ? QDir::cleanPath(path) : QString();
}

QString ProgramFile()
{
    static const QString file = ProgramFileOf(QStringLiteral("/proc/self/exe"));
    return file;
}

QString ProgramFolder()
{
    const QString home = qEnvironmentVariable("ZORBEL_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QDir(home).absolutePath());
    const QString file = ProgramFile();
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

} // namespace Files
