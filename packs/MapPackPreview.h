#pragma once
#include "packs/InstalledPacks.h"
#include "packs/PackFileReader.h"
#include "packs/PackManifest.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct GameSetup;

// What the maps tab shows of one level of a map pack.
struct LevelPreview
{
    QByteArray LevelData;  // the start of the level's data file (the picture); empty when missing
    QByteArray Creator;
    int Players = -1;      // header byte 89; -1 when the header is missing or too short
    int LandTexture = -1;  // header byte 97; -1 likewise

    // The label texts: "Creator: ", "Players: ", "Land Texture: " and the value
    // (nothing after the caption when it is not known).
    QByteArray CreatorText() const;
    QByteArray PlayersText() const;
    QByteArray LandTextureText() const;
};

// Reading a map pack for the preview. Every member is read into memory from
// the archive, never extracted: a preview writes nothing, neither into the
// pack nor into the client's or the game's folder. A pack that cannot be
// read, or lacks a member, shows what it has.
namespace MapPackReading {

constexpr qint64 MaxManifestBytes = 1024 * 1024;
constexpr qint64 HeaderBytes = 4096;   // far more than the two bytes read

// The levels of the pack at `kafPath` (its "mappack.txt", as the preview
// reads it), at most 16, names and creators cut to PackText::MaxLineChars;
// empty when the pack or its manifest cannot be read.
QList<MappackLevel> ReadLevels(const QString &kafPath);
QList<MappackLevel> ReadLevels(const KAFHandler &openPack);
// One level's picture data, header bytes and creator.
LevelPreview ReadLevel(const QString &kafPath, const MappackLevel &level);
LevelPreview ReadLevel(const KAFHandler &openPack, const MappackLevel &level);

} // namespace MapPackReading

// The state behind the maps tab: the installed map packs as the pack list
// was last filled, and the levels of the pack last loaded. List rows carry an
// index into packs() and levels() (their item data), so a row always names
// the pack or level it was filled with, whatever order the list shows them in.
//
// The selected pack's table is read once, when its levels are loaded, and
// kept while it stays selected: a level click or key reads only that level's
// two members.
class MapPackPreview
{
public:
    MapPackPreview(const GameSetup &setup, const InstalledPacks &installed);

    // FillMapPackList: takes the installed map packs as they are now; the
    // levels of an earlier pack are forgotten.
    const QList<InstalledPack> &FillMapPackList();
    const QList<InstalledPack> &packs() const { return m_packs; }

    // LoadMapPackInfo: reads the levels of packs()[pack]; false (and no levels)
    // for an index outside the list.
    bool LoadMapPackInfo(int pack);
    const QList<MappackLevel> &levels() const { return m_levels; }
    int MapLevelCount() const { return int(m_levels.size()); }

    // ShowMapPreview: level `level` of the loaded pack, read from the pack its
    // levels came from; nothing when the index is outside the levels or that
    // pack's file is gone.
    std::optional<LevelPreview> ShowMapPreview(int level);
    // How many times a pack table was read.
    int tableReads() const { return m_pack.tableReads(); }

private:
    QString packPath(int pack) const;

    const GameSetup &m_setup;
    const InstalledPacks &m_installed;
    QList<InstalledPack> m_packs;
    QList<MappackLevel> m_levels;
    int m_loadedPack = -1;
    KeptPack m_pack;           // the loaded pack's table
};
