// How long showing a pack takes on the maps and mods tabs when the pack is
// made the way a careless or hostile author would, next to a small pack:
//   description  a mod pack whose Desc.txt is one line of 1 MiB
//   level name   a map pack whose level is named with 1 MB
//   records      a map pack whose table claims 400,000 records (112 MB)
// and, for comparison, a small description that fills the text box and a
// table at the bound of 100,000 records.
// Each figure is the median of the runs, from the click on the pack (and, on
// the maps tab, the click on its level) until the panel has painted it.
//   bench_packpreview [runs]
// With BENCH_PACKPREVIEW_SHOTS=<prefix> it also saves a picture of each panel.
#include "core/api/ChatOutput.h"
#include "core/api/GameSetup.h"
#include "core/ui/PackListBox.h"
#include "controls/MorphListBox.h"
#include "packs/InstalledPacks.h"
#include "packs/KAFHandler.h"
#include "packs/ui/MapPackPanel.h"
#include "packs/ui/ModPackPanel.h"
#include "tests/fixtures/KafPackBuilder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

class NoChat : public ChatOutput
{
public:
    void AddSystemMessage(const QByteArray &) override {}
    void AddLogRTF(const QByteArray &, qint16, qint32, const QByteArray &, qint32, bool, bool) override {}
    qint16 RoomFocus() const override { return 0; }
};

QByteArray levelManifest(const QByteArray &name)
{
    return "PACKCREATOR: bench\r\nLEVEL:\r\nNAME: " + name + "\r\nDAT: l.dat\r\nHDR: l.hdr\r\nCREATOR: bench\r\n\r\n";
}

QByteArray levelHeader()
{
    QByteArray h(616, '\x11');
    h[88] = 4;
    h[96] = 2;
    return h;
}

QByteArray levelData()
{
    QByteArray d(128 * 128 * 2, '\0');
    for (qsizetype i = 0; i < d.size(); i += 2)
        d[i] = char((i / 2) % 200);
    return d;
}

bool mapPack(const QString &path, const QByteArray &name)
{
    return KafPackBuilder::build(path, {{"mappack.txt", levelManifest(name)}, {"l.dat", levelData()},
                                        {"l.hdr", levelHeader()}});
}

bool modPack(const QString &path, const QByteArray &description)
{
    return KafPackBuilder::build(path, {{"modpack.txt", "bench\r\nA mod\r\n"}, {"Desc.txt", description}});
}

// A table that claims `records` records, empty slots all through (sparse).
bool tablePack(const QString &path, qint32 records)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    char bound[4];
    qToLittleEndian<qint32>(records - 1, bound);
    return f.write(bound, 4) == 4 && f.resize(4 + qint64(records) * KAFHandler::RecordSize + 16);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds of `show` followed by the panel's paint, median of `runs`.
double timed(QWidget &panel, int runs, const std::function<void()> &show)
{
    std::vector<double> ms;
    for (int i = 0; i < runs + 1; ++i) {
        QElapsedTimer clock;
        clock.start();
        show();
        panel.repaint();
        QApplication::processEvents();
        if (i > 0) // the first run warms the caches
            ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 9;

    QTemporaryDir dir;
    GameSetup setup;
    setup.ProgramFolder = dir.path();
    setup.MappacksFolder = dir.filePath(QStringLiteral("mappacks"));
    setup.ModpacksFolder = dir.filePath(QStringLiteral("modpacks"));
    QDir().mkpath(setup.MappacksFolder);
    QDir().mkpath(setup.ModpacksFolder);
    const auto map = [&](const char *file) { return QDir(setup.MappacksFolder).filePath(QLatin1String(file)); };
    const auto mod = [&](const char *file) { return QDir(setup.ModpacksFolder).filePath(QLatin1String(file)); };
    bool ok = mapPack(map("small.kaf"), "A small level") && mapPack(map("longname.kaf"), QByteArray(1000 * 1000, 'n'))
        && tablePack(map("records.kaf"), 400000) && tablePack(map("bound.kaf"), KAFHandler::MaxNumFI + 1)
        && modPack(mod("fullbox.kaf"), QByteArray("A description of forty lines, each of sixty letters.\r\n").repeated(40))
        && modPack(mod("small.kaf"), "A short description.\r\nTwo lines.\r\n")
        && modPack(mod("longdesc.kaf"), QByteArray(1024 * 1024, 'd'));
    if (!ok) {
        std::fprintf(stderr, "bench_packpreview: the packs could not be made\n");
        return 1;
    }

    NoChat chat;
    InstalledPacks packs(setup, chat);
    for (const char *name : {"small.kaf", "longname.kaf", "records.kaf", "bound.kaf"})
        packs.InstalledMappacks.append({QLatin1String(name), "00000000"});
    for (const char *name : {"small.kaf", "longdesc.kaf", "fullbox.kaf"})
        packs.InstalledModpacks.append({QLatin1String(name), "00000000"});

    MapPackPanel maps(setup, packs);
    maps.resize(900, 600);
    maps.show();
    maps.FillMapPackList();
    ModPackPanel mods(setup, packs, [] {});
    mods.resize(900, 600);
    mods.show();
    QApplication::processEvents();

    // The row of a pack in the (sorted) pack list.
    const auto mapRow = [&](const QString &display) {
        for (int r = 0; r < maps.lstPacks->ListCount(); ++r) {
            if (maps.lstPacks->List(r) == display)
                return r;
        }
        return -1;
    };
    const auto showMap = [&](const char *display) {
        return [&, display] {
            maps.lstPacks->setListIndex(mapRow(QLatin1String(display)));
            maps.LoadMapPackInfo();
            if (maps.lstMaps->ListCount() > 0) {
                maps.lstMaps->setListIndex(0);
                maps.ShowMapPreview();
            }
        };
    };
    const auto showMod = [&](int row) {
        return [&, row] {
            mods.LstMods->setListIndex(row);
            mods.ShowModPreview();
        };
    };

    const double smallMod = timed(mods, runs, showMod(0));
    const double longDesc = timed(mods, runs, showMod(1));
    const double fullBox = timed(mods, runs, showMod(2));
    const double smallMap = timed(maps, runs, showMap("small"));
    const double longName = timed(maps, runs, showMap("longname"));
    const double records = timed(maps, runs, showMap("records"));
    const double bound = timed(maps, runs, showMap("bound"));

    // A look at the panels as the huge packs leave them, when asked for.
    if (const QString shots = qEnvironmentVariable("BENCH_PACKPREVIEW_SHOTS"); !shots.isEmpty()) {
        showMod(1)();
        mods.grab().save(shots + QStringLiteral("-mods.png"));
        showMap("longname")();
        maps.grab().save(shots + QStringLiteral("-maps.png"));
    }

    std::printf("description (1 MiB, one line): small %.2f ms, huge %.2f ms, ratio huge/small %.2f\n", smallMod,
                longDesc, longDesc / smallMod);
    std::printf("level name (1 MB):             small %.2f ms, huge %.2f ms, ratio huge/small %.2f\n", smallMap,
                longName, longName / smallMap);
    std::printf("table (400,000 records):       small %.2f ms, huge %.2f ms, ratio huge/small %.2f\n", smallMap,
                records, records / smallMap);
    std::printf("for comparison: a description that fills the box %.2f ms; a table of 100,000 empty records "
                "(the bound, accepted) %.2f ms\n",
                fullBox, bound);
    return 0;
}
