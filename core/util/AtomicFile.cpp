#include "core/util/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Written on POSIX calls rather than QSaveFile: QSaveFile reports success
// after a short write (a full disk, a file size limit) and leaves a cut-off
// file behind; here every byte is accounted for before the rename.

namespace {

constexpr char TemporaryMark[] = ".zorbel-";

bool fail(QString *error, const QString &path, const QString &why)
{
    if (error)
        *error = path + QStringLiteral(": ") + why;
    return false;
}

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// The file an atomic write replaces: a symbolic link is followed, so the
// link stays and what it points at is replaced.
QString replacedFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : path;
}

// Whether the user may open an existing file for writing, checked with the
// same (effective) ids and mode bits as an open for writing. The rename would
// only ask the folder, so without this a read-only file would be replaced.
// A missing file is new; a program that is running may still be replaced
// under it, which is what a rename is for.
bool mayWrite(const QString &target, QString *why)
{
    const QByteArray name = QFile::encodeName(target);
    if (::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) == 0 || errno == ENOENT || errno == ETXTBSY)
        return true;
    *why = lastError();
    return false;
}

enum class Sync { ToDisk, No };

// A temporary file beside the target; written by `fill`, then synced (unless
// told not to) and renamed over the target. Any failure removes the
// temporary file.
template <typename Fill>
bool replaceWith(const QString &path, QString *error, Fill fill, Sync sync = Sync::ToDisk)
{
    if (path.isEmpty())
        return fail(error, path, QStringLiteral("no file name"));
    const QString target = replacedFile(path);
    if (QFileInfo(target).isDir())
        return fail(error, path, QStringLiteral("is a folder"));
    QString refused;
    if (!mayWrite(target, &refused))
        return fail(error, path, refused);

    const QFileInfo targetInfo(target);
    QByteArray temp = QFile::encodeName(targetInfo.absolutePath() + QStringLiteral("/.")
                                        + targetInfo.fileName() + QLatin1String(TemporaryMark)
                                        + QStringLiteral("XXXXXX"));
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return fail(error, path, lastError());

    struct stat old{};
    const QByteArray targetName = QFile::encodeName(target);
    mode_t mode;
    if (::stat(targetName.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    QString why;
    bool ok = fill(fd, &why);
    if (ok && ::fchmod(fd, mode) != 0) {
        why = lastError();
        ok = false;
    }
    if (ok && sync == Sync::ToDisk && ::fsync(fd) != 0) {
        why = lastError();
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        why = lastError();
        ok = false;
    }
    if (ok && ::rename(temp.constData(), targetName.constData()) != 0) {
        why = lastError();
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.constData());
        return fail(error, path, why);
    }
    if (sync == Sync::No)
        return true;
    // Make the rename itself durable; a failure here changes nothing we could undo.
    const int dir = ::open(QFile::encodeName(targetInfo.absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool replaceWithBytes(const QString &path, const QByteArray &contents, QString *error, Sync sync)
{
    return replaceWith(path, error, [&](int fd, QString *why) {
        if (writeAll(fd, contents.constData(), contents.size()))
            return true;
        *why = lastError();
        return false;
    }, sync);
}

} // namespace

namespace AtomicFile {

bool mayReplace(const QString &path, QString *error)
{
    QString why;
    return mayWrite(replacedFile(path), &why) || fail(error, path, why);
}

bool write(const QString &path, const QByteArray &contents, QString *error)
{
    return replaceWithBytes(path, contents, error, Sync::ToDisk);
}

bool writeUnsynced(const QString &path, const QByteArray &contents, QString *error)
{
    return replaceWithBytes(path, contents, error, Sync::No);
}

bool copy(const QString &from, const QString &to, QString *error)
{
    QFile source(from);
    if (!QFileInfo(from).isFile() || !source.open(QIODevice::ReadOnly))
        return fail(error, from, source.errorString());
    return replaceWith(to, error, [&](int fd, QString *why) {
        while (!source.atEnd()) {
            const QByteArray chunk = source.read(1 << 20);
            if (source.error() != QFileDevice::NoError) {
                *why = from + QStringLiteral(": ") + source.errorString();
                return false;
            }
            if (!writeAll(fd, chunk.constData(), chunk.size())) {
                *why = lastError();
                return false;
            }
        }
        return true;
    });
}

bool isTemporaryOf(const QString &entry, const QString &target)
{
    const QString head = QLatin1Char('.') + target + QLatin1String(TemporaryMark);
    if (target.isEmpty() || entry.size() != head.size() + 6 || !entry.startsWith(head))
        return false;
    for (qsizetype i = head.size(); i < entry.size(); ++i) {
        const QChar c = entry.at(i);
        if (!(c >= QLatin1Char('a') && c <= QLatin1Char('z')) && !(c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return false;
    }
    return true;
}

} // namespace AtomicFile
