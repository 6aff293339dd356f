#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

class Dialogs;

// What a downloaded pack zip needs before the pack can be used: the stale
// checksum cache of the archive named after the zip is removed (so the new
// archive's crc8 is computed afresh), the zip is unpacked into the program
// folder with UnzipPack (which writes nothing but mappacks\<name>.kaf or
// modpacks\<name>.kaf), the zip is deleted and the installed list rebuilt.
struct DownloadedPack
{
    QString programFolder;
    QString packFolder;              // MappacksFolder or ModpacksFolder
    std::function<void()> rebuild;   // BuildMappackCrcList or BuildModpackCrcList
    Dialogs *dialogs = nullptr;

    // The hut download's zip in the program folder ("mappack.zip" or "modpack.zip").
    QString zip(bool map) const;
    // A catalogue run's own zip in the program folder, so that a hut download
    // and a catalogue run never write the same file.
    QString catalogueZip(bool map) const;
    // True when the zip unpacked cleanly. A zip that cannot be unpacked is
    // shown in a box, or, when `failure` is given, its reason is put there.
    bool install(const QString &zipFile, const QByteArray &url, QString *failure = nullptr) const;

    // A download's size in kilobytes for a progress bar's top: never below 1,
    // so the bar's range is never empty.
    static qint32 barKilobytes(qint64 bytes);
};
