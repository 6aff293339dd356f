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

QByteArray fetchPackInfo(const GameSetup &setup, bool mappack, const QByteArray &crc, int timeoutMs)
{
    const QUrl url = PackInfoUrl(setup, mappack, crc);
    if (url.isEmpty())
        return QByteArray();
    const QString file = PackInfoFile(setup, mappack);
    if (!UrlDownload::toFile(url, file, timeoutMs).ok)
        return QByteArray();
    return PackInfoAddress(Files::ReadAll(file));
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

QUrl PackInfoUrl(const GameSetup &setup, bool mappack, const QByteArray &crc)
{
    // The identity goes into a URL: nothing but the eight digits may.
    if (!IsCrc8(crc))
        return QUrl();
    const QByteArray host =
        LobbyWebHost::fromSettings(WinPath::join(setup.ProgramFolder, QByteArray(SettingsKeys::QxIni)));
    return LobbyWebHost::pageUrl(host, mappack ? "getmappack.php" : "getmodpack.php",
                                 LobbyWebHost::randomNumber(1000), {{"crc", crc}});
}

QString PackInfoFile(const GameSetup &setup, bool mappack)
{
    return WinPath::join(setup.ProgramFolder, QByteArray(mappack ? "\\mappack.txt" : "\\modpack.txt"));
}

QByteArray PackInfoAddress(const QByteArray &answer)
{
    QByteArray first = answer.left(answer.indexOf('\n'));
    if (first.endsWith('\r'))
        first.chop(1);
    return first;
}

QByteArray FetchMappackInfo(const GameSetup &setup, const QByteArray &crc, int timeoutMs)
{
    return fetchPackInfo(setup, true, crc, timeoutMs);
}

QByteArray FetchModpackInfo(const GameSetup &setup, const QByteArray &crc, int timeoutMs)
{
    return fetchPackInfo(setup, false, crc, timeoutMs);
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
