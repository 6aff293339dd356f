#include "core/VersionCheck.h"

#include "core/api/ChatOutput.h"
#include "core/util/AtomicFile.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/Text.h"
#include "core/util/WinPath.h"
#include "platform/Dialogs.h"
#include "platform/LobbyWebHost.h"
#include "platform/UrlDownload.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

QList<QByteArray> textLines(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

qint64 leadingNumber(const QByteArray &part)
{
    qint64 value = 0;
    for (char c : part) {
        if (c < '0' || c > '9')
            break;
        value = qMin<qint64>(value * 10 + (c - '0'), 1'000'000'000'000LL);
    }
    return value;
}

} // namespace

VersionCheck::VersionCheck(Dialogs &dialogs, QString programFolder)
    : m_dialogs(dialogs)
    , m_programFolder(std::move(programFolder))
    , m_starter([](const QString &program, const QString &folder) {
        return QProcess::startDetached(program, {}, folder);
    })
    , m_clientPath(Files::ProgramFile())
{
}

QString VersionCheck::updaterFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("updater.exe");
#else
    return QStringLiteral("updater");
#endif
}

int VersionCheck::compareVersions(const QByteArray &a, const QByteArray &b)
{
    const QList<QByteArray> pa = a.trimmed().split('.');
    const QList<QByteArray> pb = b.trimmed().split('.');
    for (qsizetype i = 0; i < qMax(pa.size(), pb.size()); ++i) {
        const qint64 x = leadingNumber(pa.value(i));
        const qint64 y = leadingNumber(pb.value(i));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

bool VersionCheck::findRelease(const QByteArray &text, const QByteArray &product, Release *release)
{
    const QList<QByteArray> lines = textLines(text);
    for (qsizetype i = 0; i + 2 < lines.size(); i += 3) {
        if (lines[i] != product)
            continue;
        if (release)
            *release = Release{lines[i], lines[i + 1], lines[i + 2]};
        return true;
    }
    return false;
}

QByteArray VersionCheck::updaterConfig(const Release &release, const QString &clientPath)
{
    const QByteArray crlf = Text::NewLine();
    return "Gatherhall" + crlf + release.version + crlf + release.archiveUrl + crlf
        + CodePage::fromUnicode(clientPath) + crlf;
}

VersionCheck::Result VersionCheck::CheckVersion(const QByteArray &productKey)
{
    // The updater's word on a release it could not install counts for this
    // start only: the next start offers the release again.
    const QString failedMarker = WinPath::join(m_programFolder, QByteArray("update-failed.txt"));
    const QByteArray failedVersion = Files::ReadAll(failedMarker).trimmed();
    QFile::remove(failedMarker);

    const QString versionFile = WinPath::join(m_programFolder, QByteArray("version.txt"));
    QFile::remove(versionFile);

    const QByteArray host
        = LobbyWebHost::fromSettings(WinPath::join(m_programFolder, QByteArray("\\qx.ini")));
    const QUrl url = LobbyWebHost::pageUrl(host, "updates/version.php",
                                           LobbyWebHost::randomNumber(1000));
    const UrlDownload::Result fetched = UrlDownload::toFile(url, versionFile);
    if (fetched.cancelled)
        return Result::Continue; // the client is ending; nothing failed
    if (!fetched.ok) {
        m_dialogs.message(QStringLiteral("Error while connecting! Update failed! Check if your "
                                         "internet connection works!"));
        return Result::Continue;
    }
    if (!Files::FileExists(versionFile)) {
        m_dialogs.message(QStringLiteral("Info file was not downloaded correctly! Try again or "
                                         "check if you have internet access at the moment!"));
        return Result::Exit;
    }

    Release release;
    if (!findRelease(Files::ReadAll(versionFile), productKey, &release))
        return Result::Continue;
    if (compareVersions(release.version, m_ownVersion) <= 0) {
        QFile::remove(versionFile);
        return Result::Continue;
    }

    if (!failedVersion.isEmpty() && failedVersion == release.version.trimmed()) {
        if (m_status)
            m_status->AddSystemMessage("The update to version " + release.version
                                       + " could not be installed; version " + m_ownVersion
                                       + " goes on. The next start tries again.");
        QFile::remove(versionFile);
        return Result::Continue;
    }

    const QString question = QStringLiteral("Your version is: ") + QString::fromLatin1(m_ownVersion)
        + QStringLiteral("\r\nThe version at the site is: ") + CodePage::toUnicode(release.version)
        + QStringLiteral("\r\n\r\nDo you want to download the new version (the gatherhall will "
                         "quit without saving and start the update utility)?");
    if (m_dialogs.message(question, QStringLiteral("New Version Found!"), Dialogs::Buttons::YesNo)
        != Dialogs::Answer::Yes)
        return Result::Continue;

    const QString updater = WinPath::join(m_programFolder, updaterFileName());
    if (!Files::FileExists(updater)) {
        m_dialogs.message(QStringLiteral("The update utility (updater.exe) is not available! "
                                         "Please reinstall the gatherhall! The program is NOT updated!"));
        return Result::Exit;
    }
    const QString config = WinPath::join(m_programFolder, QByteArray("updater.cfg"));
    if (!AtomicFile::write(config, updaterConfig(release, m_clientPath))) {
        // Without the hand-over file the updater would refuse to run.
        m_dialogs.message(QStringLiteral("The update utility could not be prepared (updater.cfg "
                                         "cannot be written). The program is NOT updated!"));
        return Result::Continue;
    }
    m_starter(updater, m_programFolder);
    QFile::remove(versionFile);
    return Result::Exit;
}
