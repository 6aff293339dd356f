#include "updater/UpdaterRun.h"

#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"
#include "platform/Dialogs.h"
#include "platform/UrlDownload.h"
#include "updater/unzip/CGUnzipFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {

// Lets the window catch up between the steps; the run itself holds the thread.
void showProgress()
{
    QCoreApplication::processEvents();
}

} // namespace

UpdaterRun::UpdaterRun(Dialogs &dialogs, QString programFolder, QObject *parent)
    : QObject(parent)
    , m_dialogs(dialogs)
    , m_programFolder(std::move(programFolder))
    , m_starter([](const QString &program) {
        return QProcess::startDetached(program, {}, QFileInfo(program).absolutePath());
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

    if (!DownloadUpdate()) {
        m_dialogs.message(QStringLiteral("You don't have internet access or the update file doesn't "
                                         "exist. Please mail this to ")
                          + QLatin1String(SupportAddress) + QLatin1Char('!'));
        return Outcome::DownloadFailed;
    }
    Q_EMIT downloaded();
    showProgress();

    InstallUpdate();
    Q_EMIT installed();
    showProgress();

    const QString program = CodePage::toUnicode(m_config.RestartCommand);
    if (!m_starter(program)) {
        // updater.cfg stays: the update is in place, the user starts the client.
        m_dialogs.message(program + QStringLiteral(" could not be started! Please start it yourself."));
        return Outcome::StartFailed;
    }
    if (!QFile::remove(cfg) && QFileInfo::exists(cfg))
        m_dialogs.message(QStringLiteral("updater.cfg could not be deleted!"));
    return Outcome::Done;
}

bool UpdaterRun::DownloadUpdate()
{
    const QUrl url(CodePage::toUnicode(m_config.UpdateUrl), QUrl::TolerantMode);
    return UrlDownload::toFile(url, file("install.zip"), m_downloadTimeoutMs, MaxReleaseBytes).ok;
}

void UpdaterRun::InstallUpdate()
{
    const QString archive = file("install.zip");
    {
        CGUnzipFiles unzip(&m_dialogs);
        unzip.setZipFileName(archive);
        unzip.setExtractDir(m_programFolder);
        unzip.setHonorDirectories(true);
        const qint32 result = unzip.Unzip();
        if (result != 0) {
            // Reported, and the run goes on: the client starts in whatever
            // state the folder is (a refused archive wrote nothing).
            QString why = unzip.GetLastMessage();
            if (result == CGUnzipFiles::RaisedFailure)
                why = unzip.LastFailure().description;
            if (why.trimmed().isEmpty())
                why = QStringLiteral("The update could not be unpacked (error %1)!").arg(result);
            m_dialogs.message(why);
        }
    }
    // A leftover archive harms nothing: the next download replaces it whole.
    QFile::remove(archive);
}
