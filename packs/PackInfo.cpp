#include "packs/PackInfo.h"

#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/SettingsKeys.h"
#include "core/util/WinPath.h"
#include "packs/CRC32.h"
#include "platform/Dialogs.h"
#include "platform/LobbyWebHost.h"
#include "platform/UrlDownload.h"
#include "updater/unzip/CGUnzipFiles.h"

namespace {

QByteArray fetchPackInfo(const GameSetup &setup, const QByteArray &page, const char *answerFile,
                         const QByteArray &crc, int timeoutMs)
{
    // The identity goes into a URL: nothing but the eight digits may.
    if (!IsCrc8(crc))
        return QByteArray();
    const QByteArray host =
        LobbyWebHost::fromSettings(WinPath::join(setup.ProgramFolder, QByteArray(SettingsKeys::QxIni)));
    const QUrl url = LobbyWebHost::pageUrl(host, page, LobbyWebHost::randomNumber(1000), {{"crc", crc}});
    const QString file = WinPath::join(setup.ProgramFolder, QByteArray(answerFile));
    if (!UrlDownload::toFile(url, file, timeoutMs).ok)
        return QByteArray();
    const QByteArray answer = Files::ReadAll(file);
    QByteArray first = answer.left(answer.indexOf('\n'));
    if (first.endsWith('\r'))
        first.chop(1);
    return first;
}

// "MapPacks" is the same folder as "mappacks" on Windows, where packs were
// zipped; the folder is written in the client's own spelling.
bool takePackFolder(QString &part)
{
    for (const QLatin1String folder : {QLatin1String("mappacks"), QLatin1String("modpacks")}) {
        if (part.compare(folder, Qt::CaseInsensitive) == 0) {
            part = folder;
            return true;
        }
    }
    return false;
}

} // namespace

QByteArray FetchMappackInfo(const GameSetup &setup, const QByteArray &crc, int timeoutMs)
{
    return fetchPackInfo(setup, "getmappack.php", "\\mappack.txt", crc, timeoutMs);
}

QByteArray FetchModpackInfo(const GameSetup &setup, const QByteArray &crc, int timeoutMs)
{
    return fetchPackInfo(setup, "getmodpack.php", "\\modpack.txt", crc, timeoutMs);
}

bool UnzipPack(const QString &zip, const QString &folder, Dialogs &dialogs, QString *failure)
{
    CGUnzipFiles unzip(&dialogs);
    unzip.setZipFileName(zip);
    unzip.setExtractDir(folder);
    unzip.setHonorDirectories(true);
    // A pack zip carries exactly its archive below mappacks\ or modpacks\.
    unzip.setEntryPolicy([](QStringList &parts, bool isDirectory) {
        if (parts.isEmpty() || !takePackFolder(parts.first()))
            return false;
        if (isDirectory)
            return parts.size() == 1;
        return parts.size() == 2 && parts.at(1).size() > 4
            && parts.at(1).endsWith(QLatin1String(".kaf"), Qt::CaseInsensitive);
    });
    const qint32 result = unzip.Unzip();
    if (result == 0)
        return true;
    QString text = unzip.GetLastMessage();
    if (result == CGUnzipFiles::RaisedFailure)
        text = unzip.LastFailure().description;
    if (failure)
        *failure = text;
    else
        dialogs.message(text, QString(), Dialogs::Buttons::Ok);
    return false;
}

QByteArray NormalizePath(QByteArray &path)
{
    path.replace('/', '\\');
    return path.mid(path.lastIndexOf('\\') + 1);
}
