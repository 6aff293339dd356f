#include "packs/InstalledPacks.h"

#include "core/api/ChatOutput.h"
#include "core/util/CodePage.h"
#include "packs/CRC32.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

// Milliseconds between two rounds of window events during a scan.
constexpr qint64 EventInterval = 25;

} // namespace

InstalledPacks::InstalledPacks(const GameSetup &setup, ChatOutput &chat, QObject *parent)
    : QObject(parent)
    , Setup(setup)
    , Chat(chat)
{
}

InstalledPacks::~InstalledPacks()
{
    delete CrcCalculator;
}

QList<InstalledPack> InstalledPacks::ScanFolder(const QString &folder, clsCRC32 &calculator,
                                                QList<QString> *unreadable)
{
    const QDir dir(folder);
    // System: a broken link or special file named *.kaf is reported, not skipped silently.
    QStringList names;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (name.endsWith(QLatin1String(".kaf"), Qt::CaseInsensitive))
            names.append(name);
    }
    // Sorted without case; two names that differ only in case keep a fixed
    // order between them.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });

    QList<InstalledPack> out;
    const clsCRC32::FolderScan scan(calculator, folder);
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (const QString &name : names) {
        // The scan may take a while over many packs; keep the window alive,
        // without paying for a round of events on every pack.
        if (sinceEvents.elapsed() >= EventInterval && QCoreApplication::instance()) {
            QCoreApplication::processEvents();
            sinceEvents.restart();
        }
        quint32 crc = 0;
        if (!calculator.Checksum(dir.filePath(name), true, &crc)) {
            if (unreadable)
                unreadable->append(name);
            continue;
        }
        out.append(InstalledPack{name, crc8(crc)});
    }
    return out;
}

int InstalledPacks::rebuild(QList<InstalledPack> &table, const QString &folder, int selectedIndex,
                            const char *kind)
{
    QByteArray remembered;
    if (selectedIndex >= 0 && selectedIndex < table.size())
        remembered = table.at(selectedIndex).Crc;
    Scanning = true;
    if (!CrcCalculator)
        CrcCalculator = new clsCRC32;
    table.clear();
    QList<QString> unreadable;
    table = ScanFolder(folder, *CrcCalculator, &unreadable);
    Scanning = false;
    for (const QString &name : unreadable)
        Chat.AddSystemMessage(QByteArray("Could not read ") + kind + " " + CodePage::fromUnicode(name)
                              + ", it is left out.");
    int selected = -1;
    if (!remembered.isEmpty()) {
        for (int i = 0; i < table.size(); ++i) {
            if (table.at(i).Crc == remembered)
                selected = i; // with duplicates the last one stays selected
        }
    }
    return selected;
}

int InstalledPacks::BuildMappackCrcList(int selectedIndex)
{
    if (Scanning)
        return -1; // a scan is already running further up the stack
    const int selected = rebuild(InstalledMappacks, Setup.MappacksFolder, selectedIndex, "mappack");
    Q_EMIT MappacksChanged();
    return selected;
}

int InstalledPacks::BuildModpackCrcList(int selectedIndex)
{
    if (Scanning)
        return -1; // a scan is already running further up the stack
    const int selected = rebuild(InstalledModpacks, Setup.ModpacksFolder, selectedIndex, "modpack");
    Q_EMIT ModpacksChanged();
    return selected;
}

namespace {

const InstalledPack *findLast(const QList<InstalledPack> &table, const QByteArray &crc)
{
    const InstalledPack *found = nullptr;
    for (const InstalledPack &p : table) {
        if (p.Crc == crc)
            found = &p;
    }
    return found;
}

} // namespace

const InstalledPack *InstalledPacks::findMappack(const QByteArray &crc) const
{
    return findLast(InstalledMappacks, crc);
}

const InstalledPack *InstalledPacks::findModpack(const QByteArray &crc) const
{
    return findLast(InstalledModpacks, crc);
}
