#include "updater/UpdaterRun.h"

#include "core/util/AtomicFile.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/Text.h"
#include "core/util/WinPath.h"
#include "platform/Dialogs.h"
#include "platform/UrlDownload.h"
#include "updater/StartRecovery.h"
#include "updater/unzip/CGUnzipFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>

#include <csignal>

namespace {

// Lets the window catch up between the steps; the run itself holds the thread.
void showProgress()
{
    QCoreApplication::processEvents();
}

constexpr char NotInstalledText[] = "\n\nThe update was not installed; the current version starts again.";

// Passes every step on and kills the process right after the n-th (none when
// 0), and refuses hard links if asked: the updater's own hook for tests that
// cut a real install short.
class KillAfterSteps : public ReleaseInstall::FileSystem
{
public:
    KillAfterSteps(int steps, bool refuseLinks) : m_left(steps), m_refuseLinks(refuseLinks) {}
    bool link(const QString &from, const QString &to) override
    {
        return !m_refuseLinks && FileSystem::link(from, to);
    }
    bool rename(const QString &from, const QString &to) override { return step(FileSystem::rename(from, to)); }
    bool keepCopy(const QString &from, const QString &to) override
    {
        return step(FileSystem::keepCopy(from, to));
    }
    bool makeFolder(const QString &path) override { return step(FileSystem::makeFolder(path)); }
    bool removeFile(const QString &path) override { return step(FileSystem::removeFile(path)); }
    bool removeEmptyFolder(const QString &path) override { return step(FileSystem::removeEmptyFolder(path)); }
    bool removeTree(const QString &path) override { return step(FileSystem::removeTree(path)); }
    bool writeJournal(const QString &path, const QByteArray &text) override
    {
        return step(FileSystem::writeJournal(path, text));
    }

private:
    bool step(bool result)
    {
        if (--m_left == 0)
            ::raise(SIGKILL);
        return result;
    }
    int m_left;
    bool m_refuseLinks;
};

} // namespace

UpdaterRun::UpdaterRun(Dialogs &dialogs, QString programFolder, QObject *parent)
    : QObject(parent)
    , m_dialogs(dialogs)
    , m_programFolder(std::move(programFolder))
    , m_starter([](const QString &program) {
        QProcess process;
        process.setProgram(program);
        process.setWorkingDirectory(QFileInfo(program).absolutePath());
        // The client started here gives way to one the player started meanwhile.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(StartRecovery::AfterUpdateVariable), QStringLiteral("1"));
        process.setProcessEnvironment(environment);
        return process.startDetached();
    })
{
}

QString UpdaterRun::file(const char *name) const
{
    return WinPath::join(m_programFolder, QByteArray(name));
}

QString UpdaterRun::captionText() const
{
    return QStringLiteral("Updating to ") + CodePage::toUnicode(m_config.UpdateName)
        + QStringLiteral(" version ") + CodePage::toUnicode(m_config.UpdateVersion);
}

UpdaterRun::Outcome UpdaterRun::run()
{
    const QString cfg = file("updater.cfg");
    if (!Files::FileExists(cfg)) {
        m_dialogs.message(QStringLiteral("This program can only be run by the Vellumar Gatherhall!"));
        return Outcome::NotHandedOver;
    }
    // The extraction engine is part of this program, so there is no separate
    // unzip program whose presence would need checking.

    bool read = false;
    const QByteArray text = Files::ReadAll(cfg, &read);
    const std::optional<UpdaterConfig> config = read ? UpdaterConfig::parse(text) : std::nullopt;
    if (!config) {
        m_dialogs.message(QStringLiteral("The update information (updater.cfg) cannot be read or is "
                                         "incomplete! Can not update!"));
        return Outcome::BadConfig;
    }
    m_config = *config;

    Q_EMIT started(captionText());
    showProgress();

    // Nothing in the folder is touched before it is held.
    const bool failedBefore = QFileInfo::exists(file(FailedMarkerName));
    QString why;
    m_folder = std::make_unique<FolderLock>(m_programFolder);
    // Let go of the folder whichever way the run ends.
    struct LetGo
    {
        UpdaterRun *run;
        ~LetGo() { run->m_folder.reset(); }
    } letGo{this};
    bool waited = false;
    if (!takeFolder(&waited, &why)) {
        if (m_cancelRequested)
            return Outcome::Cancelled; // another run has the folder and starts the client itself
        m_dialogs.message(why + QStringLiteral(" The update was not started."));
        return Outcome::Busy;
    }
    // The run we waited for installed the release, or gave up on it; either
    // way it started the client, and one more try would only start another.
    if (waited && (!Files::FileExists(cfg) || (!failedBefore && QFileInfo::exists(file(FailedMarkerName)))))
        return Outcome::AlreadyDone;
    m_running = true;

    // Whatever an interrupted earlier run left is put back first, so that the
    // folder holds one whole release before this one starts.
    if (!ReleaseInstall(m_programFolder, m_fileSystem).recover(&why)) {
        m_running = false;
        giveUp(why + QLatin1String(NotInstalledText));
        return Outcome::InstallFailed;
    }
    StartRecovery::removeWriteLeftovers(m_programFolder);

    const bool gotIt = keepGoing(Phase::Downloading) && DownloadUpdate(&why);
    if (m_cancelRequested) {
        m_running = false;
        QFile::remove(file("install.zip"));
        releaseFolder();
        startClient();
        return Outcome::Cancelled;
    }
    if (!gotIt) {
        m_running = false;
        giveUp(QStringLiteral("You don't have internet access or the update file doesn't "
                              "exist. Please mail this to ")
               + QLatin1String(SupportAddress) + QStringLiteral("!\n\nThe download failed: ") + why
               + QLatin1Char('.'));
        return Outcome::DownloadFailed;
    }
    Q_EMIT downloaded();
    showProgress();

    const bool installedNow = InstallUpdate(&why);
    m_running = false;
    if (!installedNow && m_cancelRequested) {
        releaseFolder();
        startClient();
        return Outcome::Cancelled;
    }
    if (!installedNow) {
        giveUp(why + QLatin1String(NotInstalledText));
        return Outcome::InstallFailed;
    }
    Q_EMIT installed();
    showProgress();
    QFile::remove(file(FailedMarkerName));

    if (!startClient()) {
        // updater.cfg stays: the update is in place, the user starts the client.
        return Outcome::StartFailed;
    }
    const bool removed = QFile::remove(cfg) || !QFileInfo::exists(cfg);
    // The client just started waits for the folder; it must not wait on this box.
    releaseFolder();
    if (!removed)
        m_dialogs.message(QStringLiteral("updater.cfg could not be deleted!"));
    return Outcome::Done;
}

void UpdaterRun::cancel()
{
    if (m_cancelRequested)
        return;
    m_cancelRequested = true;
    if (m_running && m_phase == Phase::Downloading)
        UrlDownload::cancelAll();
}

bool UpdaterRun::keepGoing(Phase phase)
{
    m_phase = phase;
    Q_EMIT working(phase);
    // The run holds the thread; a close of the window arrives only here.
    showProgress();
    return !m_cancelRequested;
}

bool UpdaterRun::startClient()
{
    const QString program = CodePage::toUnicode(m_config.RestartCommand);
    if (m_starter(program))
        return true;
    // The player is asked to start the client by hand: it must find the folder free.
    releaseFolder();
    m_dialogs.message(program + QStringLiteral(" could not be started! Please start it yourself."));
    return false;
}

void UpdaterRun::releaseFolder()
{
    if (m_folder)
        m_folder->release();
}

bool UpdaterRun::takeFolder(bool *waited, QString *why)
{
    const auto keepWaiting = [this] {
        showProgress();
        return !m_cancelRequested;
    };
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // The gate is held for a moment only, by a client taking its hold.
        UpdateLock gate(m_programFolder);
        if (!gate.acquire(std::max(0, m_lockWaitMs - int(clock.elapsed())), keepWaiting, why))
            return false;
        if (gate.waited())
            *waited = true;
        if (m_folder->tryExclusive(why))
            return true;
        if (!why->isEmpty())
            return false;
        // Shared: clients run (the one that handed over may still be ending).
        const bool clients = m_folder->tryShared();
        m_folder->release();
        gate.release();
        *waited = true;
        if (clock.elapsed() >= m_lockWaitMs) {
            *why = clients ? QStringLiteral("Zorbel is running from this folder; close it and start the updater "
                                            "again. Nothing was changed.")
                           : QStringLiteral("Another update of this folder has been running for %1; "
                                            "nothing was changed.")
                                 .arg(UrlDownload::durationText(m_lockWaitMs));
            return false;
        }
        if (!keepWaiting()) {
            *why = QStringLiteral("The wait for the folder was stopped.");
            return false;
        }
        QThread::msleep(20);
    }
}

void UpdaterRun::giveUp(const QString &message)
{
    // updater.cfg stays, so that the updater started by hand tries again; the
    // client's next version check reads this marker and goes on to the login
    // instead of handing over for the same version. A run that waited for
    // this one reads it too, and ends.
    const bool marked = AtomicFile::write(file(FailedMarkerName), m_config.UpdateVersion + Text::NewLine());
    // The folder is settled; nobody waits for it while the box is up.
    releaseFolder();
    m_dialogs.message(message);
    if (!marked)
        m_dialogs.message(QStringLiteral("update-failed.txt could not be written!"));
    startClient();
}

bool UpdaterRun::DownloadUpdate(QString *why)
{
    const QUrl url(CodePage::toUnicode(m_config.UpdateUrl), QUrl::TolerantMode);
    // The transfer's own wait holds back the window system's input, a close
    // of the window among it; this lets it in now and then, so that closing
    // the window ends the download at once instead of after it.
    QTimer letWindowIn;
    letWindowIn.setInterval(100);
    QObject::connect(&letWindowIn, &QTimer::timeout, &letWindowIn, [] { showProgress(); });
    letWindowIn.start();
    const UrlDownload::Result result = UrlDownload::toFile(
        url, file("install.zip"), UrlDownload::TransferBounds::within(m_downloadTimeoutMs), MaxReleaseBytes);
    *why = result.error;
    return result.ok;
}

bool UpdaterRun::InstallUpdate(QString *why)
{
    const QString archive = file("install.zip");
    ReleaseInstall::FileSystem *fileSystem = m_fileSystem;
    std::unique_ptr<KillAfterSteps> killing;
    if (!fileSystem) {
        bool number = false;
        const int steps = qEnvironmentVariableIntValue(KillAfterStepVariable, &number);
        const bool refuseLinks = qEnvironmentVariableIsSet(RefuseLinksVariable);
        if ((number && steps > 0) || refuseLinks) {
            killing = std::make_unique<KillAfterSteps>(number ? steps : 0, refuseLinks);
            fileSystem = killing.get();
        }
    }
    ReleaseInstall install(m_programFolder, fileSystem);
    const QFileInfo client(CodePage::toUnicode(m_config.RestartCommand));
    if (QDir(client.absolutePath()) == QDir(m_programFolder))
        install.setClientName(client.fileName());
    install.setStopRequest([this] { return !keepGoing(Phase::Moving); });
    bool unpacked = false;
    if (!QDir().mkpath(install.stagingFolder())) {
        *why = QStringLiteral("The folder ") + install.stagingFolder() + QStringLiteral(" cannot be made!");
    } else {
        CGUnzipFiles unzip(&m_dialogs);
        unzip.setZipFileName(archive);
        unzip.setExtractDir(install.stagingFolder());
        unzip.setHonorDirectories(true);
        unzip.setEntryHook([this] { return keepGoing(Phase::Unpacking); });
        const qint32 result = unzip.Unzip();
        unpacked = result == 0 && !m_cancelRequested;
        if (!unpacked && m_cancelRequested) {
            *why = QStringLiteral("The update was stopped.");
        } else if (!unpacked) {
            *why = unzip.GetLastMessage();
            if (result == CGUnzipFiles::RaisedFailure)
                *why = unzip.LastFailure().description;
            if (why->trimmed().isEmpty())
                *why = QStringLiteral("The update could not be unpacked (error %1)!").arg(result);
        }
    }
    QFile::remove(archive);
    if (!unpacked) {
        install.discardStaging();
        return false;
    }
    if (!install.commit(why)) {
        install.discardStaging();
        return false;
    }
    return true;
}
