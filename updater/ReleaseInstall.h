#pragma once
#include <QString>
#include <QStringList>

// Puts an unpacked release in place whole or not at all.
//
// The release is unpacked into stagingFolder() inside the program folder, so
// that every move is a rename on one file system. commit() first writes a
// journal of every file it is about to place, then moves each replaced file
// aside into the backup folder and the new one into its place. Removing the
// journal is the moment the new release counts as installed. A move that fails
// puts everything back at once; a run that is killed half way is put back by
// recover() at the start of the next run. Either way the folder holds the old
// release or the new one, never a mix.
class ReleaseInstall
{
public:
    // Every change the install makes to the disk goes through here, so that a
    // test can fail or stop the run at any step.
    class FileSystem
    {
    public:
        virtual ~FileSystem() = default;
        // Replaces `to` when it exists.
        virtual bool rename(const QString &from, const QString &to);
        virtual bool makeFolder(const QString &path);
        virtual bool removeFile(const QString &path);
        virtual bool removeEmptyFolder(const QString &path);
        virtual bool removeTree(const QString &path);
        virtual bool writeJournal(const QString &path, const QByteArray &text);
    };

    // The names the install keeps for itself in the program folder; a release
    // may not bring files of these names.
    static constexpr char StagingName[] = "update-staging";
    static constexpr char BackupName[] = "update-backup";
    static constexpr char JournalName[] = "update-journal.txt";

    explicit ReleaseInstall(QString programFolder, FileSystem *fileSystem = nullptr);

    QString stagingFolder() const;

    // Undoes an interrupted earlier run (files moved aside go back, files it
    // added go) and clears the staging and backup folders. False, with the
    // reason, when something could not be put back; the journal then stays
    // for the next try.
    bool recover(QString *error = nullptr);

    // Moves the staged release into the program folder. On failure the folder
    // is as it was before, and the reason is given.
    bool commit(QString *error = nullptr);

    // Removes the staging folder (after a failed unpack, for instance).
    void discardStaging();

private:
    struct Step
    {
        char kind; // 'F' replaces a file, 'N' adds a file, 'D' adds a folder
        QString path; // relative to the program folder, '/' separated
    };

    bool plan(QList<Step> *steps, QString *error) const;
    bool undo(const QList<Step> &steps, QString *error);
    QString inFolder(const QString &relative) const;
    QString inBackup(const QString &relative) const;
    QString journalPath() const;

    static QByteArray journalText(const QList<Step> &steps);
    static bool parseJournal(const QByteArray &text, QList<Step> *steps);

    QString m_programFolder;
    FileSystem m_defaultFileSystem;
    FileSystem *m_fs;
};
