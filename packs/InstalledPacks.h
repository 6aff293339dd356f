#pragma once
#include "core/api/GameSetup.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class ChatOutput;
class clsCRC32;

// One installed pack: the .kaf file name as listed (with extension, without
// folder; a host file name, so that it opens again exactly as listed) and its
// crc8.
struct InstalledPack
{
    QString FileName;
    QByteArray Crc;

    // The name shown in the pack lists: FileName without its ".kaf".
    QString DisplayName() const { return FileName.left(FileName.size() - 4); }
};

// The installed map and mod packs, built at start-up and after downloads.
// Plain data: entry i of InstalledMappacks is row i of the lobby window's map
// pack box (the tables start at 0, not 1). The window refills its lists on
// MappacksChanged/ModpacksChanged.
//
// A scan lists <folder>/*.kaf (any case) sorted by name without regard to
// case, and checksums each file through the .kaf.crc cache. A pack that
// cannot be read is left out, with a status line, rather than listed with a
// made-up identity.
class InstalledPacks : public QObject
{
    Q_OBJECT
public:
    InstalledPacks(const GameSetup &setup, ChatOutput &chat, QObject *parent = nullptr);
    ~InstalledPacks() override;

    QList<InstalledPack> InstalledMappacks;
    QList<InstalledPack> InstalledModpacks;

    qint32 InstalledMappackCount() const { return qint32(InstalledMappacks.size()); }
    qint32 InstalledModpackCount() const { return qint32(InstalledModpacks.size()); }

    // Rescan MappacksFolder / ModpacksFolder. `selectedIndex` is the row the
    // box had selected before (-1 for none); the result is the row to select
    // afterwards: the last entry with the same crc8, or -1.
    int BuildMappackCrcList(int selectedIndex = -1);
    int BuildModpackCrcList(int selectedIndex = -1);

    // The last entry with that crc8 (exact comparison), or nullptr.
    const InstalledPack *findMappack(const QByteArray &crc) const;
    const InstalledPack *findModpack(const QByteArray &crc) const;

    // The scan itself, for a folder (used by both builds and by tests).
    static QList<InstalledPack> ScanFolder(const QString &folder, clsCRC32 &calculator,
                                           QList<QString> *unreadable);

Q_SIGNALS:
    void MappacksChanged();
    void ModpacksChanged();

private:
    int rebuild(QList<InstalledPack> &table, const QString &folder, int selectedIndex,
                const char *kind);

    const GameSetup &Setup;
    ChatOutput &Chat;
    clsCRC32 *CrcCalculator = nullptr;
    bool Scanning = false;
};
