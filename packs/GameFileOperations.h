#pragma once
#include <QByteArray>
#include <QFileDevice>
#include <QString>

// Every change that a pack install or a restore makes to a file on disk goes
// through these few primitives, so that nothing else in those procedures
// touches the disk for writing (the crash tests stop the process after any one
// of them and then check that the start-up restores give everything back).
//
// Whole-file writes and copies never change a file in place: the bytes go to
// TempNameFor(target) beside it, are flushed to disk and renamed over the
// target. The temporary name is fixed, so a restore knows the one file that a
// crash can have left next to any file it journaled.
// Stores `text` as the reason of a failed step (when the caller asked for one)
// and gives false, so that a step can end with `return failWith(error, ...)`.
inline bool failWith(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

class GameFileOperations
{
public:
    explicit GameFileOperations(bool syncToDisk = true) : SyncToDisk(syncToDisk) {}
    virtual ~GameFileOperations() = default;

    // Primitives. Each does one thing to the disk and reports why it failed.
    // Creates `path` anew (an old file of that name is removed first) with
    // exactly these bytes and permissions, flushed to disk.
    virtual bool writeNew(const QString &path, const QByteArray &bytes,
                          QFileDevice::Permissions permissions, QString *error);
    // Renames `from` over `to`, replacing a file at `to`.
    virtual bool replace(const QString &from, const QString &to, QString *error);
    // Deletes one file (never a folder).
    virtual bool remove(const QString &path, QString *error);
    // Makes one folder; an existing folder is no error and no change.
    virtual bool makeFolder(const QString &path, QString *error);
    // Reads a whole file (changes nothing on disk).
    virtual bool readFile(const QString &path, QByteArray *bytes, QString *error);

    // `path` replaced by `bytes`. An existing file keeps its permissions, made
    // writable for the owner (a replaced read-only game file must be writable
    // afterwards, as the game expects); a new file is readable by all.
    bool writeFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);
    // `to` replaced by a copy of `from`, with the permissions of `from`, so a
    // backup copied back gives the game file its old permissions too.
    bool copyFile(const QString &from, const QString &to, QString *error = nullptr);
    // `to` replaced by a copy of `from`, keeping the permissions `to` has (a
    // new file is readable by all): for a file that was saved without its
    // permissions, as the palette files are.
    bool copyOver(const QString &from, const QString &to, QString *error = nullptr);

    // The temporary file that writeFile and copyFile use for `path`.
    static QString TempNameFor(const QString &path);
    // True for a name that TempNameFor produces.
    static bool IsTempName(const QString &fileName);

private:
    bool writeThroughTemp(const QString &path, const QByteArray &bytes,
                          QFileDevice::Permissions permissions, QString *error);

    bool SyncToDisk;
};
