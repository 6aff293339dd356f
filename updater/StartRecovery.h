#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

#include "updater/UpdateLock.h"

class FolderLock;

// What the client does first at every start, before anything reads its
// folder. It takes the folder's hold (FolderLock) for the client's whole run,
// so that no updater installs under it; while an updater installs, it waits
// for the install to end. When the folder is its alone, an install of a
// release that was cut short (its journal still there) is put back whole,
// exactly as the updater itself would at its start, and what killed writes
// left behind is removed. The status lines say what was done, for the chat
// once the lobby window exists; none when there was nothing to do.
struct StartRecovery
{
    enum class Outcome {
        Run,        // the client goes on, holding the folder shared
        Replaced,   // a release was installed under this program: the new one runs in its place
        ClientRuns, // an install ended while this start waited (or before it first looked), and a client
                    // runs again: this one ends
        Busy,       // an install went on for the whole wait: this start ends with Busy text
    };

    // The updater sets this in the environment of the client it starts, so
    // that it gives way to a client that already runs.
    static constexpr char AfterUpdateVariable[] = "ZORBEL_STARTED_BY_UPDATER";
    static constexpr char BusyText[] = "An update of this folder is being installed. The updater starts Zorbel "
                                       "again when it is done.";
    // A start that cannot tell which folder it runs from (its own executable
    // cannot be read) ends before it touches anything.
    static constexpr char NoFolderText[] = "The folder this program was started from cannot be found, so it "
                                           "ends without changing anything. Start it again from its folder.";

    // The program that runs, as the file it was started from (device and
    // inode); taken before run().
    struct Program
    {
        bool known = false;
        quint64 device = 0;
        quint64 inode = 0;
        static Program running();
    };

    // Who starts: the program that runs and the path it was started from
    // (empty: not looked at), and whether the updater started it.
    struct Start
    {
        Program running;
        QString path;
        bool afterUpdate = false;
    };

    Outcome outcome = Outcome::Run;
    bool ok = true;                 // the folder holds one whole release
    bool putBack = false;           // an interrupted install was undone
    QList<QByteArray> statusLines;  // Windows-1252 texts

    static StartRecovery run(const QString &programFolder, int lockWaitMs, const Start &start);
    static StartRecovery run(const QString &programFolder, int lockWaitMs = UpdateLock::waitMs());

    // Busy's message, in a box that closes itself after `closeAfterMs` (the
    // updater's window is the one that stays), and on the error output.
    static void tellBusy(int closeAfterMs = UpdateLock::waitMs());
    // NoFolderText, the same way.
    static void tellNoFolder(int closeAfterMs = UpdateLock::waitMs());

    // Lets go of the folder before the program runs another in its place.
    void letGo() const;

    // True when `path` no longer names the program that runs: the recovery
    // put the earlier release's client back in its place (this process is the
    // interrupted install's new one, which must not go on with the old
    // release's files), or an install put a new one there.
    static bool replaced(const Program &running, const QString &path);

    // Removes what a write of the folder's own files (the install's journal,
    // the failure marker, the hand-over and settings files) left when it was
    // killed between making its temporary and renaming it into place. Only
    // while nobody else can be writing them: under the folder's exclusive hold.
    static void removeWriteLeftovers(const QString &programFolder);
    // The names of those files.
    static const QStringList &writtenFiles();

private:
    void recoverHeld(const QString &programFolder);

    std::shared_ptr<FolderLock> m_hold;
};
