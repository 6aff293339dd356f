#pragma once
#include "updater/UpdaterConfig.h"

#include <QObject>
#include <QString>
#include <functional>

class Dialogs;

// One run of the updater: reads updater.cfg from its folder, downloads the
// release archive to install.zip, unpacks it over the folder, starts the
// client again and removes the hand-over file. Messages go through Dialogs;
// the window only follows the signals.
class UpdaterRun : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        NotHandedOver,  // no updater.cfg: nothing was touched
        BadConfig,      // updater.cfg unreadable or incomplete; it stays
        DownloadFailed, // updater.cfg stays, so a later run tries again
        StartFailed,    // the update is unpacked, the client could not be started
        Done,           // the client was started and updater.cfg deleted
    };

    // Starts a program without arguments and without waiting; true when it started.
    using ProgramStarter = std::function<bool(const QString &program)>;

    static constexpr char SupportAddress[] = "support@zorbel.net";
    // A release archive is held in memory while it downloads; far above any release.
    static constexpr qint64 MaxReleaseBytes = qint64(512) * 1024 * 1024;
    // How long the download may go without any data arriving.
    static constexpr int DefaultDownloadTimeoutMs = 30000;

    UpdaterRun(Dialogs &dialogs, QString programFolder, QObject *parent = nullptr);

    Outcome run();

    void setProgramStarter(ProgramStarter starter) { m_starter = std::move(starter); }
    void setDownloadTimeout(int timeoutMs) { m_downloadTimeoutMs = timeoutMs; }

    const UpdaterConfig &config() const { return m_config; }
    // "Updating to <product> version <version>".
    QString captionText() const;

Q_SIGNALS:
    void started(const QString &caption); // updater.cfg read: the window shows
    void downloaded();                    // install.zip is here
    void installed();                     // install.zip unpacked (or tried) and removed

private:
    bool DownloadUpdate();
    void InstallUpdate();
    QString file(const char *name) const;

    Dialogs &m_dialogs;
    QString m_programFolder;
    ProgramStarter m_starter;
    int m_downloadTimeoutMs = DefaultDownloadTimeoutMs;
    UpdaterConfig m_config;
};
