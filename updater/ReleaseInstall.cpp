#include "updater/ReleaseInstall.h"

#include "core/util/AtomicFile.h"
#include "core/util/Files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// A journal path must stay below the program folder, whoever wrote the file.
bool isConfinedRelative(const QString &path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return false;
    const QStringList parts = path.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

bool exists(const QString &path)
{
    // A dangling link counts: it is there, and it is in the way.
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

// Size and modification time (nanoseconds) of a file as it is now; a rename
// keeps both, so the file the install added is known again after the move.
bool identity(const QString &path, qint64 *size, qint64 *mtimeNs)
{
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0)
        return false;
    *size = qint64(st.st_size);
    *mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + qint64(st.st_mtim.tv_nsec);
    return true;
}

bool isEmptyFolder(const QString &path)
{
    return QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

bool ReleaseInstall::FileSystem::rename(const QString &from, const QString &to)
{
    // On Linux a rename over a program that is running is safe: the running
    // process keeps its own copy of the old file until it ends. This is how
    // a release replaces the updater that installs it.
    return ::rename(native(from).constData(), native(to).constData()) == 0;
}

bool ReleaseInstall::FileSystem::link(const QString &from, const QString &to)
{
    return ::link(native(from).constData(), native(to).constData()) == 0;
}

bool ReleaseInstall::FileSystem::keepCopy(const QString &from, const QString &to)
{
    if (link(from, to))
        return true;
    // A copy beside `to`, renamed when whole: a backup that shows is never torn.
    const QByteArray source = native(from);
    const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0)
        return false;
    struct stat st {};
    QByteArray temp = native(to) + ".XXXXXX";
    const int out = ::fstat(in, &st) == 0 && S_ISREG(st.st_mode) ? ::mkostemp(temp.data(), O_CLOEXEC) : -1;
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            ok = w > 0;
            done += w > 0 ? w : 0;
        }
        if (!ok)
            break;
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::futimens(out, times) == 0 && ::fsync(out) == 0;
    ok = ::close(out) == 0 && ok;
    ::close(in);
    ok = ok && ::rename(temp.constData(), native(to).constData()) == 0;
    if (!ok)
        ::unlink(temp.constData());
    return ok;
}

bool ReleaseInstall::FileSystem::makeFolder(const QString &path)
{
    return QDir().mkpath(path);
}

bool ReleaseInstall::FileSystem::removeFile(const QString &path)
{
    return ::unlink(native(path).constData()) == 0 || errno == ENOENT;
}

bool ReleaseInstall::FileSystem::removeEmptyFolder(const QString &path)
{
    return ::rmdir(native(path).constData()) == 0 || errno == ENOENT;
}

bool ReleaseInstall::FileSystem::removeTree(const QString &path)
{
    if (!exists(path))
        return true;
    if (!QFileInfo(path).isDir() || QFileInfo(path).isSymLink())
        return removeFile(path);
    return QDir(path).removeRecursively();
}

bool ReleaseInstall::FileSystem::writeJournal(const QString &path, const QByteArray &text)
{
    return AtomicFile::write(path, text);
}

ReleaseInstall::ReleaseInstall(QString programFolder, FileSystem *fileSystem)
    : m_programFolder(std::move(programFolder))
    , m_fs(fileSystem ? fileSystem : &m_defaultFileSystem)
{
}

QString ReleaseInstall::stagingFolder() const
{
    return inFolder(QLatin1String(StagingName));
}

QString ReleaseInstall::inFolder(const QString &relative) const
{
    return m_programFolder + QLatin1Char('/') + relative;
}

QString ReleaseInstall::inBackup(const QString &relative) const
{
    return inFolder(QLatin1String(BackupName) + QLatin1Char('/') + relative);
}

QString ReleaseInstall::journalPath() const
{
    return inFolder(QLatin1String(JournalName));
}

QByteArray ReleaseInstall::journalText(const QList<Step> &steps)
{
    QByteArray text;
    for (const Step &step : steps) {
        text += step.kind + QByteArray(" ");
        if (step.kind == 'A')
            text += QByteArray::number(step.size) + ' ' + QByteArray::number(step.mtimeNs) + ' ';
        text += native(step.path) + '\n';
    }
    return text;
}

bool ReleaseInstall::parseJournal(const QByteArray &text, QList<Step> *steps)
{
    QList<QByteArray> lines = text.split('\n');
    if (!text.endsWith('\n'))
        return false; // written whole or not at all: a torn file is not ours
    lines.removeLast();
    for (const QByteArray &line : lines) {
        if (line.size() < 3 || line[1] != ' '
            || (line[0] != 'F' && line[0] != 'N' && line[0] != 'D' && line[0] != 'A'))
            return false;
        Step step{line[0], QString()};
        QByteArray rest = line.mid(2);
        if (step.kind == 'A') {
            // "A <size> <mtime ns> <path>"
            const qsizetype a = rest.indexOf(' ');
            const qsizetype b = a < 0 ? -1 : rest.indexOf(' ', a + 1);
            bool sizeOk = false;
            bool timeOk = false;
            if (b < 0)
                return false;
            step.size = rest.left(a).toLongLong(&sizeOk);
            step.mtimeNs = rest.mid(a + 1, b - a - 1).toLongLong(&timeOk);
            if (!sizeOk || !timeOk || step.size < 0)
                return false;
            rest = rest.mid(b + 1);
        }
        step.path = QFile::decodeName(rest);
        if (!isConfinedRelative(step.path))
            return false;
        steps->append(step);
    }
    return true;
}

bool ReleaseInstall::plan(QList<Step> *steps, QString *error) const
{
    const QString staging = stagingFolder();
    QStringList relatives;
    QDirIterator it(staging, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        relatives.append(QDir(staging).relativeFilePath(it.filePath()));
    }
    // Sorted, a folder comes before everything inside it.
    relatives.sort();

    for (const QString &relative : std::as_const(relatives)) {
        const QString top = relative.section(QLatin1Char('/'), 0, 0);
        if (top == QLatin1String(StagingName) || top == QLatin1String(BackupName)
            || top == QLatin1String(JournalName) || top == QLatin1String(LockName)) {
            *error = QStringLiteral("The release holds a name the updater keeps for itself: ") + relative;
            return false;
        }
        const QFileInfo staged(staging + QLatin1Char('/') + relative);
        const QFileInfo target(inFolder(relative));
        if (staged.isSymLink() || (!staged.isDir() && !staged.isFile())) {
            *error = QStringLiteral("The release holds something that is not a file: ") + relative;
            return false;
        }
        const bool targetThere = target.exists() || target.isSymLink();
        if (staged.isDir()) {
            if (!targetThere)
                steps->append(Step{'D', relative});
            else if (!target.isDir() || target.isSymLink()) {
                *error = QStringLiteral("A file is in the way of the release's folder ") + relative;
                return false;
            }
            continue;
        }
        if (targetThere && target.isDir() && !target.isSymLink()) {
            *error = QStringLiteral("A folder is in the way of the release's file ") + relative;
            return false;
        }
        Step step{targetThere ? 'F' : 'A', relative};
        if (!targetThere && !identity(staged.filePath(), &step.size, &step.mtimeNs)) {
            *error = QStringLiteral("The release's file cannot be read: ") + relative;
            return false;
        }
        steps->append(step);
    }
    // The client last (and so put back first): until the very end of the
    // move, a client that starts is the old one, which knows the old files.
    for (qsizetype i = 0; i < steps->size(); ++i) {
        if ((*steps)[i].path == m_clientName && (*steps)[i].kind != 'D') {
            steps->append(steps->takeAt(i));
            break;
        }
    }
    return true;
}

bool ReleaseInstall::undo(const QList<Step> &steps, QString *error)
{
    for (qsizetype i = steps.size() - 1; i >= 0; --i) {
        const Step &step = steps[i];
        const QString target = inFolder(step.path);
        bool ok = true;
        switch (step.kind) {
        case 'F':
            // No backup: this file was never moved aside, the old one is in place.
            if (exists(inBackup(step.path)))
                ok = m_fs->makeFolder(QFileInfo(target).absolutePath())
                    && m_fs->rename(inBackup(step.path), target);
            break;
        case 'A': {
            qint64 size = -1;
            qint64 mtimeNs = -1;
            if (!identity(target, &size, &mtimeNs))
                break; // never moved in, or gone since
            if (size == step.size && mtimeNs == step.mtimeNs && !QFileInfo(target).isDir())
                ok = m_fs->removeFile(target);
            else
                m_notes.append(QStringLiteral("%1 was kept: it is not the file the update put there.")
                                   .arg(step.path));
            break;
        }
        case 'N': {
            // Nothing was recorded of this file; a file changed after the
            // journal was written is not the one the install moved in.
            qint64 size = -1;
            qint64 mtimeNs = -1;
            if (!identity(target, &size, &mtimeNs))
                break;
            if (m_journalTimeNs < 0 || mtimeNs <= m_journalTimeNs)
                ok = m_fs->removeFile(target);
            else
                m_notes.append(QStringLiteral("%1 was kept: it is not the file the update put there.")
                                   .arg(step.path));
            break;
        }
        case 'D':
            if (!QFileInfo(target).isDir() || QFileInfo(target).isSymLink())
                break;
            if (isEmptyFolder(target))
                ok = m_fs->removeEmptyFolder(target);
            else
                m_notes.append(QStringLiteral("The folder %1 was kept with what is in it now.")
                                   .arg(step.path));
            break;
        }
        if (!ok) {
            *error = QStringLiteral("The earlier files could not be put back: ") + step.path;
            return false;
        }
    }
    return true;
}

bool ReleaseInstall::commit(QString *error)
{
    m_stopped = false;
    m_notes.clear();
    QString why;
    QList<Step> steps;
    if (!plan(&steps, &why)) {
        if (error)
            *error = why;
        return false;
    }
    if (!m_fs->writeJournal(journalPath(), journalText(steps))) {
        if (error)
            *error = QStringLiteral("The update journal cannot be written in ") + m_programFolder;
        return false;
    }

    const QString staging = stagingFolder();
    for (const Step &step : std::as_const(steps)) {
        const QString target = inFolder(step.path);
        const QString staged = staging + QLatin1Char('/') + step.path;
        const bool stop = m_stop && m_stop();
        bool ok = !stop;
        switch (stop ? '-' : step.kind) {
        case 'D':
            ok = m_fs->makeFolder(target);
            break;
        case 'F': {
            // The old file keeps its name until the new one replaces it in
            // one rename.
            const QString backup = inBackup(step.path);
            ok = m_fs->makeFolder(QFileInfo(backup).absolutePath()) && m_fs->keepCopy(target, backup)
                && m_fs->rename(staged, target);
            break;
        }
        case 'A':
            ok = m_fs->rename(staged, target);
            break;
        }
        if (!ok) {
            m_stopped = stop;
            why = stop ? QStringLiteral("The update was stopped; the earlier files are back in place.")
                       : QStringLiteral("The new file could not be put in place: ") + step.path;
            QString undoWhy;
            // Put back now; if even that fails, the journal stays for the next run.
            if (undo(steps, &undoWhy) && m_fs->removeFile(journalPath()))
                m_fs->removeTree(inFolder(QLatin1String(BackupName)));
            else
                why += QStringLiteral("; ") + undoWhy;
            if (error)
                *error = why;
            return false;
        }
    }

    // From here on the new release counts as installed.
    if (!m_fs->removeFile(journalPath())) {
        QString undoWhy;
        if (undo(steps, &undoWhy) && m_fs->removeFile(journalPath()))
            m_fs->removeTree(inFolder(QLatin1String(BackupName)));
        if (error)
            *error = QStringLiteral("The update journal cannot be removed in ") + m_programFolder;
        return false;
    }
    // Leftovers are cleared by the next run if this fails.
    m_fs->removeTree(inFolder(QLatin1String(BackupName)));
    m_fs->removeTree(staging);
    return true;
}

bool ReleaseInstall::recover(QString *error)
{
    m_undid = false;
    m_notes.clear();
    QString why;
    if (exists(journalPath())) {
        bool read = false;
        const QByteArray text = Files::ReadAll(journalPath(), &read);
        QList<Step> steps;
        if (!read || !parseJournal(text, &steps)) {
            if (error)
                *error = QStringLiteral("The journal of an interrupted update cannot be read: ") + journalPath();
            return false;
        }
        qint64 journalSize = -1;
        if (!identity(journalPath(), &journalSize, &m_journalTimeNs))
            m_journalTimeNs = -1;
        const bool undone = undo(steps, &why);
        m_journalTimeNs = -1;
        if (!undone || !m_fs->removeFile(journalPath())) {
            if (error)
                *error = why.isEmpty() ? QStringLiteral("The update journal cannot be removed") : why;
            return false;
        }
        m_undid = true;
    }
    if (!m_fs->removeTree(stagingFolder()) || !m_fs->removeTree(inFolder(QLatin1String(BackupName)))) {
        if (error)
            *error = QStringLiteral("The files of an earlier update cannot be cleared in ") + m_programFolder;
        return false;
    }
    return true;
}

void ReleaseInstall::discardStaging()
{
    m_fs->removeTree(stagingFolder());
}
