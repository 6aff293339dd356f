#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

class GameFileOperations;

// One record of a backup journal (backup\backup.txt, modbackup\backup.txt).
// On disk, lines end with CR LF:
//   COPY / <backup copy> / <game file>   copy the backup back, then delete it
//   DELETE / <file>                      the install created this file
// Paths are full host paths, in the file system's own bytes.
struct BackupRecord
{
    enum class Kind { Copy, Delete };
    Kind Type = Kind::Copy;
    QString BackupPath; // Copy only
    QString GamePath;

    static BackupRecord copy(const QString &backupPath, const QString &gamePath)
    {
        return BackupRecord{Kind::Copy, backupPath, gamePath};
    }
    static BackupRecord remove(const QString &gamePath)
    {
        return BackupRecord{Kind::Delete, QString(), gamePath};
    }
    bool operator==(const BackupRecord &o) const
    {
        return Type == o.Type && BackupPath == o.BackupPath && GamePath == o.GamePath;
    }
};

namespace BackupJournalFormat {

QByteArray Serialise(const QList<BackupRecord> &records);

// The records of a journal. Only whole lines count (a last line without its
// line end was cut off by a crash); a record whose lines are missing, empty or
// are themselves record keywords is torn and skipped, and reading goes on at
// the next keyword. Other lines are skipped.
QList<BackupRecord> Parse(const QByteArray &bytes);

} // namespace BackupJournalFormat

// A journal and its backup folder in the program folder. The journal is the
// only record of what the install changed, so it is never appended to in
// place: every new record rewrites the whole journal through a temporary file
// (GameFileOperations), and the record is on disk before the file it protects
// is touched.
class BackupJournal
{
public:
    // `folderName` is "backup" or "modbackup".
    BackupJournal(const QString &programFolder, const QByteArray &folderName,
                  GameFileOperations &ops);

    QString Folder() const { return BackupFolder; }
    QString JournalPath() const { return Journal; }
    bool Exists() const;

    // Reads the journal from disk (no journal: no records). False when it
    // exists but cannot be read.
    bool Load();
    const QList<BackupRecord> &Records() const { return Entries; }

    // True when `gamePath` is already in this journal (as a delete, or as a
    // copy whose backup is there under a name that fits): then the journal
    // already holds its state from before the install. A copy record that a
    // restore had to keep because its backup is unusable does not count: the
    // file is saved anew.
    bool Covers(const QString &gamePath) const;
    // The backup of a copy record names a place directly in this journal's
    // folder (not elsewhere, as after the program folder moved).
    bool BackupInFolder(const BackupRecord &record) const;

    bool Append(const BackupRecord &record, QString *error);
    // Replaces the journal by `records`; no records deletes it.
    bool Rewrite(const QList<BackupRecord> &records, QString *error);

    // Makes sure the state of `gamePath` before the install can be put back:
    // unless this journal (or `alsoCovering`) already covers it, a file that
    // exists is journaled and then copied into the backup folder; a file that
    // does not exist yet gets a delete record.
    bool BackupFile(const QString &gamePath, QString *error,
                    const BackupJournal *alsoCovering = nullptr);

    // A name in the backup folder for a copy of `gamePath`: its file name, or
    // when that is taken (by another record, a file or a name the client uses
    // itself) the file name followed by "~2", "~3", ...
    QString FreeBackupPath(const QString &gamePath) const;
    // True when `backupPath` is a name that FreeBackupPath could have given
    // `gamePath`: a check against torn or edited records.
    static bool BackupNameFits(const QString &backupPath, const QString &gamePath);

private:
    bool nameTaken(const QString &fileName) const;

    GameFileOperations &Ops;
    QString BackupFolder;
    QString Journal;
    QList<BackupRecord> Entries;
};
