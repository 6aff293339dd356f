#pragma once
#include "updater/ReleaseInstall.h"
#include "updater/UpdaterConfig.h"

#include <QObject>
#include <QString>
#include <functional>

class Dialogs;

// One run of the updater: reads updater.cfg from its folder, downloads the
// release archive to install.zip, unpacks it beside the program and puts it in
// place whole (ReleaseInstall), starts the client again and removes the
// hand-over file. When the release cannot be installed the old client's files
// stay as they were, update-failed.txt names the version for the client's
// version check, and the old client is started again. Messages go through
// Dialogs; the window only follows the signals.
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
    };

    // Starts a program without arguments and without waiting; true when it started.
    using ProgramStarter = std::function<bool(const QString &program)>;

    static constexpr char SupportAddress[] = "support@zorbel.net";
    // Tells the client's version check which version could not be installed.
    static constexpr char FailedMarkerName[] = "update-failed.txt";
    // A release archive is held in memory while it downloads; far above any release.
    static constexpr qint64 MaxReleaseBytes = qint64(512) * 1024 * 1024;
    // How long the download may go without any data arriving.
    static constexpr int DefaultDownloadTimeoutMs = 30000;

    UpdaterRun(Dialogs &dialogs, QString programFolder, QObject *parent = nullptr);

    Outcome run();

    void setProgramStarter(ProgramStarter starter) { m_starter = std::move(starter); }
    void setDownloadTimeout(int timeoutMs) { m_downloadTimeoutMs = timeoutMs; }
    // For tests: the disk operations of putting the release in place.
    void setFileSystem(ReleaseInstall::FileSystem *fileSystem) { m_fileSystem = fileSystem; }

    const UpdaterConfig &config() const { return m_config; }
    // "Updating to <product> version <version>".
    QString captionText() const;

Q_SIGNALS:
    void started(const QString &caption); // updater.cfg read: the window shows
    void downloaded();                    // install.zip is here
    void installed();                     // the release is in place, install.zip removed

private:
    bool DownloadUpdate();
    bool InstallUpdate(QString *why);
    // Shows why the update failed, leaves the marker for the client and
    // starts the old client again.
    void giveUp(const QString &message);
    bool startClient();
    QString file(const char *name) const;

    Dialogs &m_dialogs;
    QString m_programFolder;
    ProgramStarter m_starter;
    int m_downloadTimeoutMs = DefaultDownloadTimeoutMs;
    ReleaseInstall::FileSystem *m_fileSystem = nullptr;
    UpdaterConfig m_config;
};
