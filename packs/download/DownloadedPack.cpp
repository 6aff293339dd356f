#include "packs/download/DownloadedPack.h"

#include "core/util/WinPath.h"
#include "packs/PackInfo.h"

#include <QFile>

QString DownloadedPack::zip(bool map) const
{
    return WinPath::join(programFolder, QByteArray(map ? "\\mappack.zip" : "\\modpack.zip"));
}

bool DownloadedPack::install(const QString &zipFile, const QByteArray &url) const
{
    QByteArray address = url;
    QByteArray name = NormalizePath(address);
    name.replace(".zip", ".kaf");
    // Only a plain file name inside the pack folder is ever removed.
    if (!name.isEmpty() && name != "." && name != ".." && !name.contains('\\'))
        QFile::remove(WinPath::join(packFolder, name + ".crc"));
    const bool ok = dialogs && UnzipPack(zipFile, programFolder, *dialogs);
    QFile::remove(zipFile);
    if (rebuild)
        rebuild();
    return ok;
}
