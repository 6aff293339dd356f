#include "packs/GameFileOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr char TempSuffix[] = ".zorbel-new";

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

bool GameFileOperations::writeNew(const QString &path, const QByteArray &bytes,
                                  QFileDevice::Permissions permissions, QString *error)
{
    QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        if (info.isDir() && !info.isSymLink())
            return failWith(error, path + QStringLiteral(": is a folder"));
        if (!QFile::remove(path))
            return failWith(error, path + QStringLiteral(": cannot replace the old file"));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return failWith(error, path + QStringLiteral(": ") + file.errorString());
    bool ok = file.write(bytes) == bytes.size() && file.flush();
    if (ok && SyncToDisk)
        ok = ::fsync(file.handle()) == 0;
    QString why = ok ? QString() : file.errorString();
    file.close();
    // The "User" flags say what the current user may do, not the mode bits;
    // Qt would turn them into owner bits (for root, always writable).
    permissions &= ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    if (ok && !file.setPermissions(permissions)) {
        ok = false;
        why = QStringLiteral("cannot set permissions");
    }
    if (!ok) {
        QFile::remove(path);
        return failWith(error, path + QStringLiteral(": ") + why);
    }
    return true;
}

bool GameFileOperations::replace(const QString &from, const QString &to, QString *error)
{
    // rename(2) replaces the target in one step; QFile::rename refuses to.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return failWith(error, to + QStringLiteral(": ") + systemError());
    return true;
}

bool GameFileOperations::remove(const QString &path, QString *error)
{
    QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return failWith(error, path + QStringLiteral(": is a folder"));
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return failWith(error, path + QStringLiteral(": ") + systemError());
    return true;
}

bool GameFileOperations::makeFolder(const QString &path, QString *error)
{
    QFileInfo info(path);
    if (info.isDir())
        return true;
    if (!QDir().mkdir(path))
        return failWith(error, path + QStringLiteral(": cannot make the folder"));
    return true;
}

bool GameFileOperations::writeThroughTemp(const QString &path, const QByteArray &bytes,
                                          QFileDevice::Permissions permissions, QString *error)
{
    QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return failWith(error, path + QStringLiteral(": is a folder"));
    const QString temp = TempNameFor(path);
    if (!writeNew(temp, bytes, permissions, error))
        return false;
    if (!replace(temp, path, error)) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

bool GameFileOperations::writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QFileInfo info(path);
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (info.isFile())
        permissions = QFile::permissions(path) | QFileDevice::WriteOwner;
    return writeThroughTemp(path, bytes, permissions, error);
}

bool GameFileOperations::readFile(const QString &path, QByteArray *bytes, QString *error)
{
    if (!QFileInfo(path).isFile())
        return failWith(error, path + QStringLiteral(": no such file"));
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return failWith(error, path + QStringLiteral(": ") + in.errorString());
    *bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return failWith(error, path + QStringLiteral(": ") + in.errorString());
    return true;
}

bool GameFileOperations::copyFile(const QString &from, const QString &to, QString *error)
{
    QByteArray bytes;
    if (!readFile(from, &bytes, error))
        return false;
    return writeThroughTemp(to, bytes, QFile::permissions(from), error);
}

bool GameFileOperations::copyOver(const QString &from, const QString &to, QString *error)
{
    QByteArray bytes;
    if (!readFile(from, &bytes, error))
        return false;
    const QFileDevice::Permissions permissions = QFileInfo(to).isFile()
        ? QFile::permissions(to)
        : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    return writeThroughTemp(to, bytes, permissions, error);
}

QString GameFileOperations::TempNameFor(const QString &path)
{
    return path + QLatin1String(TempSuffix);
}

bool GameFileOperations::IsTempName(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(TempSuffix));
}
