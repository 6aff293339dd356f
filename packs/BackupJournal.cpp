#include "packs/BackupJournal.h"

#include "core/util/Files.h"
#include "core/util/WinPath.h"
#include "packs/ConfinedPath.h"
#include "packs/GameFileOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QByteArray CopyKeyword = "COPY";
const QByteArray DeleteKeyword = "DELETE";
const QByteArray LineEnd = "\r\n";

bool isField(const QByteArray &line)
{
    return !line.isEmpty() && line != CopyKeyword && line != DeleteKeyword;
}

QByteArray pathBytes(const QString &path)
{
    return QFile::encodeName(path);
}

// Names in the backup folder that belong to the client itself.
bool isReservedName(const QString &fileName)
{
    static const char *const reserved[] = {"backup.txt", "hdrbackup.txt", "const.txt",
                                           "constant.dat"};
    for (const char *name : reserved) {
        if (fileName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    }
    return GameFileOperations::IsTempName(fileName);
}

} // namespace

namespace BackupJournalFormat {

QByteArray Serialise(const QList<BackupRecord> &records)
{
    QByteArray out;
    for (const BackupRecord &r : records) {
        if (r.Type == BackupRecord::Kind::Copy)
            out += CopyKeyword + LineEnd + pathBytes(r.BackupPath) + LineEnd
                + pathBytes(r.GamePath) + LineEnd;
        else
            out += DeleteKeyword + LineEnd + pathBytes(r.GamePath) + LineEnd;
    }
    return out;
}

QList<BackupRecord> Parse(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // unterminated (or empty) tail
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    QList<BackupRecord> out;
    qsizetype i = 0;
    while (i < lines.size()) {
        const QByteArray &line = lines[i];
        if (line == CopyKeyword) {
            if (i + 2 < lines.size() && isField(lines[i + 1]) && isField(lines[i + 2])) {
                out.append(BackupRecord::copy(QFile::decodeName(lines[i + 1]),
                                              QFile::decodeName(lines[i + 2])));
                i += 3;
                continue;
            }
        } else if (line == DeleteKeyword) {
            if (i + 1 < lines.size() && isField(lines[i + 1])) {
                out.append(BackupRecord::remove(QFile::decodeName(lines[i + 1])));
                i += 2;
                continue;
            }
        }
        ++i;
    }
    return out;
}

} // namespace BackupJournalFormat

BackupJournal::BackupJournal(const QString &programFolder, const QByteArray &folderName,
                             GameFileOperations &ops)
    : Ops(ops)
    , BackupFolder(WinPath::join(programFolder, folderName))
    , Journal(WinPath::join(BackupFolder, QByteArray("backup.txt")))
{
}

bool BackupJournal::Exists() const
{
    return QFileInfo(Journal).isFile();
}

bool BackupJournal::Load()
{
    Entries.clear();
    if (!Exists())
        return true;
    bool ok = false;
    const QByteArray bytes = Files::ReadAll(Journal, &ok);
    if (!ok)
        return false;
    Entries = BackupJournalFormat::Parse(bytes);
    return true;
}

bool BackupJournal::Covers(const QString &gamePath) const
{
    for (const BackupRecord &r : Entries) {
        if (r.GamePath != gamePath)
            continue;
        if (r.Type == BackupRecord::Kind::Delete
            || (BackupInFolder(r) && BackupNameFits(r.BackupPath, r.GamePath) && QFileInfo(r.BackupPath).isFile()))
            return true;
    }
    return false;
}

bool BackupJournal::BackupInFolder(const BackupRecord &record) const
{
    const QString folder = QDir::cleanPath(BackupFolder);
    return QFileInfo(record.BackupPath).absolutePath() == folder
        && ConfinedPath::locate(folder, record.BackupPath) == ConfinedPath::Where::Inside;
}

bool BackupJournal::Append(const BackupRecord &record, QString *error)
{
    QList<BackupRecord> next = Entries;
    next.append(record);
    if (!Ops.writeFile(Journal, BackupJournalFormat::Serialise(next), error))
        return false;
    Entries = next;
    return true;
}

bool BackupJournal::Rewrite(const QList<BackupRecord> &records, QString *error)
{
    if (records.isEmpty()) {
        if (QFileInfo(Journal).exists() && !Ops.remove(Journal, error))
            return false;
    } else if (!Ops.writeFile(Journal, BackupJournalFormat::Serialise(records), error)) {
        return false;
    }
    Entries = records;
    return true;
}

bool BackupJournal::BackupFile(const QString &gamePath, QString *error,
                               const BackupJournal *alsoCovering)
{
    if (!Ops.makeFolder(BackupFolder, error))
        return false;
    if (Covers(gamePath) || (alsoCovering && alsoCovering->Covers(gamePath)))
        return true;
    const QFileInfo info(gamePath);
    if (!info.exists() && !info.isSymLink())
        return Append(BackupRecord::remove(gamePath), error);
    if (!info.isFile()) {
        if (error)
            *error = gamePath + QStringLiteral(": not a plain file");
        return false;
    }
    const QString backupPath = FreeBackupPath(gamePath);
    if (!Append(BackupRecord::copy(backupPath, gamePath), error))
        return false;
    return Ops.copyFile(gamePath, backupPath, error);
}

bool BackupJournal::nameTaken(const QString &fileName) const
{
    if (isReservedName(fileName))
        return true;
    for (const BackupRecord &r : Entries) {
        if (r.Type == BackupRecord::Kind::Copy
            && QFileInfo(r.BackupPath).fileName().compare(fileName, Qt::CaseInsensitive) == 0)
            return true;
    }
    const QFileInfo onDisk(WinPath::join(BackupFolder, fileName));
    return onDisk.exists() || onDisk.isSymLink();
}

QString BackupJournal::FreeBackupPath(const QString &gamePath) const
{
    const QString name = QFileInfo(gamePath).fileName();
    QString candidate = name;
    for (int n = 2; nameTaken(candidate); ++n)
        candidate = name + QLatin1Char('~') + QString::number(n);
    return WinPath::join(BackupFolder, candidate);
}

bool BackupJournal::BackupNameFits(const QString &backupPath, const QString &gamePath)
{
    const QString backupName = QFileInfo(backupPath).fileName();
    const QString name = QFileInfo(gamePath).fileName();
    if (name.isEmpty() || isReservedName(backupName))
        return false;
    if (backupName.compare(name, Qt::CaseInsensitive) == 0)
        return true;
    if (!backupName.startsWith(name + QLatin1Char('~'), Qt::CaseInsensitive))
        return false;
    const QString number = backupName.mid(name.size() + 1);
    bool ok = false;
    return number.toInt(&ok) >= 2 && ok && !number.startsWith(QLatin1Char('0'));
}
