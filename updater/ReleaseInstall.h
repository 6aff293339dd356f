#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// Puts an unpacked release in place whole or not at all.
//
// The release is unpacked into stagingFolder() inside the program folder, so
// that every move is a rename on one file system. commit() first writes a
// journal of every file it is about to place, then keeps each replaced file in
// the backup folder (a second link to it, or a copy where there are no links,
// so that its name never goes missing) and renames the new one over it. The client's own executable goes last, so
// that a client that starts while an install was cut short is still the old
// one. Removing the journal is the moment the new release counts as
// installed. A move that fails puts everything back at once; a run that is
// killed half way is put back by recover(), which the updater and the client
// both run at their start (under UpdateLock). Either way the folder holds the
// old release or the new one, never a mix.
//
// A rollback removes only what the install itself added: an added file is
// recorded with its size and modification time, and a file at that path that
// differs (the player's, made since) stays; an added folder that is no longer
// empty stays with what is in it. Each such case is told in notes().
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
        // Keeps the file `from` at `to` as well, `from` staying where it is:
        // a second name for it (link()) where the file system has them, else
        // a whole copy, with its permissions and times, that shows under
        // `to` only once it is complete.
        virtual bool keepCopy(const QString &from, const QString &to);
        // A hard link; false where the file system has none.
        virtual bool link(const QString &from, const QString &to);
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
    static constexpr char LockName[] = "update.lock";
    static constexpr char DefaultClientName[] = "Zorbel1";

    explicit ReleaseInstall(QString programFolder, FileSystem *fileSystem = nullptr);

    QString stagingFolder() const;

    // The client's executable, relative to the program folder: moved last.
    void setClientName(const QString &relative) { m_clientName = relative; }
    // Asked before every step of commit(); true stops the move and puts the
    // earlier files back (the updater's window was closed).
    void setStopRequest(std::function<bool()> stop) { m_stop = std::move(stop); }
    // True when the last commit() ended because of the stop request.
    bool stopped() const { return m_stopped; }
    // True when the last recover() found a journal and put its files back.
    bool undidInterruptedRun() const { return m_undid; }
    // What a rollback left in place and why, one line each.
    const QStringList &notes() const { return m_notes; }

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
        // 'F' replaces a file, 'A' adds a file (with its size and time),
        // 'D' adds a folder; 'N' (a file added, nothing known of it but that
        // it is older than the journal) is read from journals of earlier
        // builds only.
        char kind;
        QString path; // relative to the program folder, '/' separated
        qint64 size = -1;
        qint64 mtimeNs = -1;
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
    QString m_clientName = QLatin1String(DefaultClientName);
    std::function<bool()> m_stop;
    bool m_stopped = false;
    bool m_undid = false;
    qint64 m_journalTimeNs = -1; // of the journal recover() replays
    QStringList m_notes;
};
