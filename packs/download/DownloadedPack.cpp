#include "packs/download/DownloadedPack.h"

#include "core/util/WinPath.h"
#include "packs/PackInfo.h"

#include <QFile>
#include <cmath>

QString DownloadedPack::zip(bool map) const
{
    return WinPath::join(programFolder, QByteArray(map ? "\\mappack.zip" : "\\modpack.zip"));
}

QString DownloadedPack::catalogueZip(bool map) const
{
    return WinPath::join(programFolder, QByteArray(map ? "\\catalogue-mappack.zip" : "\\catalogue-modpack.zip"));
}

bool DownloadedPack::install(const QString &zipFile, const QByteArray &url, QString *failure) const
{
    QByteArray address = url;
    QByteArray name = NormalizePath(address);
    name.replace(".zip", ".kaf");
    // Only a plain file name inside the pack folder is ever removed.
    if (!name.isEmpty() && name != "." && name != ".." && !name.contains('\\'))
        QFile::remove(WinPath::join(packFolder, name + ".crc"));
    const bool ok = dialogs && UnzipPack(zipFile, programFolder, *dialogs, failure);
    QFile::remove(zipFile);
    if (rebuild)
        rebuild();
    return ok;
}

qint32 DownloadedPack::barKilobytes(qint64 bytes)
{
    return qint32(qBound<double>(1, std::nearbyint(double(bytes) / 1024.0), 2147483647.0));
}
