#include "updater/ReleaseInstall.h"

#include "core/util/AtomicFile.h"
#include "core/util/Files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
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

} // namespace

bool ReleaseInstall::FileSystem::rename(const QString &from, const QString &to)
{
    // On Linux a rename over a program that is running is safe: the running
    // process keeps its own copy of the old file until it ends. This is how
    // a release replaces the updater that installs it.
    return ::rename(native(from).constData(), native(to).constData()) == 0;
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
    for (const Step &step : steps)
        text += step.kind + QByteArray(" ") + native(step.path) + '\n';
    return text;
}

bool ReleaseInstall::parseJournal(const QByteArray &text, QList<Step> *steps)
{
    QList<QByteArray> lines = text.split('\n');
    if (!text.endsWith('\n'))
        return false; // written whole or not at all: a torn file is not ours
    lines.removeLast();
    for (const QByteArray &line : lines) {
        if (line.size() < 3 || line[1] != ' ' || (line[0] != 'F' && line[0] != 'N' && line[0] != 'D'))
            return false;
        const QString path = QFile::decodeName(line.mid(2));
        if (!isConfinedRelative(path))
            return false;
        steps->append(Step{line[0], path});
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
            || top == QLatin1String(JournalName)) {
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
        steps->append(Step{targetThere ? 'F' : 'N', relative});
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
        case 'N':
            if (exists(target))
                ok = m_fs->removeFile(target);
            break;
        case 'D':
            if (QFileInfo(target).isDir())
                ok = m_fs->removeEmptyFolder(target);
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
        bool ok = true;
        switch (step.kind) {
        case 'D':
            ok = m_fs->makeFolder(target);
            break;
        case 'F':
            ok = m_fs->makeFolder(QFileInfo(inBackup(step.path)).absolutePath())
                && m_fs->rename(target, inBackup(step.path)) && m_fs->rename(staged, target);
            break;
        case 'N':
            ok = m_fs->rename(staged, target);
            break;
        }
        if (!ok) {
            why = QStringLiteral("The new file could not be put in place: ") + step.path;
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
        if (!undo(steps, &why) || !m_fs->removeFile(journalPath())) {
            if (error)
                *error = why.isEmpty() ? QStringLiteral("The update journal cannot be removed") : why;
            return false;
        }
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
