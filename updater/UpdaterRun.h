#pragma once
#include "updater/FolderLock.h"
#include "updater/ReleaseInstall.h"
#include "updater/UpdateLock.h"
#include "updater/UpdaterConfig.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class Dialogs;

// One run of the updater: reads updater.cfg from its folder, downloads the
// release archive to install.zip, unpacks it beside the program and puts it in
// place whole (ReleaseInstall), starts the client again and removes the
// hand-over file. When the release cannot be installed the old client's files
// stay as they were, update-failed.txt names the version for the client's
// version check, and the old client is started again. Messages go through
// Dialogs; the window only follows the signals.
//
// The whole run, from before the earlier run's leftovers are cleared up to the
// start of the client, holds the folder exclusively (FolderLock): it installs
// only while no client of the folder runs, and a second updater (or a client
// starting) waits for it. A run that cannot get the folder within its wait,
// because a client runs or another run goes on, gives up without touching
// anything and says so. cancel() (the window was closed) stops the download or
// the unpack, or puts back the files of a move in progress, and the old client
// starts again; updater.cfg stays for a later try.
class UpdaterRun : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        NotHandedOver,  // no updater.cfg: nothing was touched
        BadConfig,      // updater.cfg unreadable or incomplete; it stays
        DownloadFailed, // nothing installed; the old client was started again
        InstallFailed,  // unpack or move failed; the old client's files are as they were
        StartFailed,    // the update is in place, the client could not be started
        Done,           // the client was started and updater.cfg deleted
        Busy,           // a client or another run held the folder too long: nothing was touched
        AlreadyDone,    // another run finished (or gave up on) this update while this one waited
        Cancelled,      // stopped by cancel(): the old files are whole, the old client started
    };

    enum class Phase { Downloading, Unpacking, Moving };

    // Starts a program without arguments and without waiting; true when it started.
    using ProgramStarter = std::function<bool(const QString &program)>;

    static constexpr char SupportAddress[] = "support@zorbel.net";
    // Tells the client's version check which version could not be installed.
    static constexpr char FailedMarkerName[] = "update-failed.txt";
    // The largest release archive taken; far above any release.
    static constexpr qint64 MaxReleaseBytes = qint64(512) * 1024 * 1024;
    // The window of the download's floor of bytes (the transfer fails when
    // less than UrlDownload's floor arrives in it); its head may take at most
    // this long too, and never longer than UrlDownload's head bound.
    static constexpr int DefaultDownloadTimeoutMs = 30000;

    // For tests of the real program: after this many disk steps of the move
    // the updater kills itself, as a power cut or a kill would.
    static constexpr char KillAfterStepVariable[] = "ZORBEL_UPDATER_KILL_AFTER_STEP";
    // For tests of the real program: the move goes on as on a file system
    // without hard links.
    static constexpr char RefuseLinksVariable[] = "ZORBEL_UPDATER_REFUSE_LINKS";

    UpdaterRun(Dialogs &dialogs, QString programFolder, QObject *parent = nullptr);

    Outcome run();

    // Stops the run as soon as it can (see above). Once the new release is
    // in place it is too late, and the run ends as it would have.
    void cancel();
    bool cancelRequested() const { return m_cancelRequested; }

    void setProgramStarter(ProgramStarter starter) { m_starter = std::move(starter); }
    void setDownloadTimeout(int timeoutMs) { m_downloadTimeoutMs = timeoutMs; }
    void setLockWait(int waitMs) { m_lockWaitMs = waitMs; }
    // For tests: the disk operations of putting the release in place.
    void setFileSystem(ReleaseInstall::FileSystem *fileSystem) { m_fileSystem = fileSystem; }

    const UpdaterConfig &config() const { return m_config; }
    // "Updating to <product> version <version>".
    QString captionText() const;

Q_SIGNALS:
    void started(const QString &caption); // updater.cfg read: the window shows
    void downloaded();                    // install.zip is here
    void installed();                     // the release is in place, install.zip removed
    // Before the download, before each entry is unpacked and before each
    // step of the move: the moments at which cancel() takes effect.
    void working(UpdaterRun::Phase phase);

private:
    // Waits within the lock wait for the folder; false, with the reason, when
    // it was not got. `waited` tells whether someone else held it meanwhile.
    bool takeFolder(bool *waited, QString *why);
    bool DownloadUpdate(QString *why);
    bool InstallUpdate(QString *why);
    // Shows why the update failed, leaves the marker for the client and
    // starts the old client again.
    void giveUp(const QString &message);
    bool startClient();
    QString file(const char *name) const;
    // Lets the window's events (a close among them) in; false once cancelled.
    bool keepGoing(Phase phase);
    // Lets go of the folder's lock early, once the folder is settled.
    void releaseFolder();

    Dialogs &m_dialogs;
    QString m_programFolder;
    ProgramStarter m_starter;
    int m_downloadTimeoutMs = DefaultDownloadTimeoutMs;
    int m_lockWaitMs = UpdateLock::waitMs();
    ReleaseInstall::FileSystem *m_fileSystem = nullptr;
    UpdaterConfig m_config;
    Phase m_phase = Phase::Downloading;
    bool m_cancelRequested = false;
    bool m_running = false;   // between the lock and the new release in place
    std::unique_ptr<FolderLock> m_folder; // held for the run
};
