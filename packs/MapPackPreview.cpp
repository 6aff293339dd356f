#include "packs/MapPackPreview.h"

#include "core/api/GameSetup.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"
#include "packs/KAFHandler.h"
#include "packs/LevelPicture.h"
#include "packs/PackFileReader.h"

namespace {

QByteArray captioned(const char *caption, int value)
{
    return QByteArray(caption) + (value >= 0 ? QByteArray::number(value) : QByteArray());
}

// The start of a member, or nothing when it is missing.
QByteArray readStart(const KAFHandler &kaf, const QByteArray &name, qint64 length)
{
    QByteArray bytes;
    if (name.isEmpty() || !ReadPackFile(kaf, name, &bytes, nullptr, length))
        return QByteArray();
    return bytes;
}

} // namespace

QByteArray LevelPreview::CreatorText() const
{
    return "Creator: " + Creator;
}

QByteArray LevelPreview::PlayersText() const
{
    return captioned("Players: ", Players);
}

QByteArray LevelPreview::LandTextureText() const
{
    return captioned("Land Texture: ", LandTexture);
}

namespace MapPackReading {

QList<MappackLevel> ReadLevels(const QString &kafPath)
{
    KAFHandler kaf;
    if (!kaf.OpenFile(kafPath))
        return {};
    QList<MappackLevel> levels
        = ReadMappackManifestForPreview(ReadSmallPackFile(kaf, "mappack.txt", MaxManifestBytes)).Levels;
    // A pack holds at most 16 levels; blocks past those name nothing playable.
    if (levels.size() > MappackInstallManifest::MaxLevels)
        levels.resize(MappackInstallManifest::MaxLevels);
    return levels;
}

LevelPreview ReadLevel(const QString &kafPath, const MappackLevel &level)
{
    LevelPreview p;
    p.Creator = level.Creator;
    KAFHandler kaf;
    if (!kaf.OpenFile(kafPath))
        return p;
    // Names were cut to the part after their last separator when the manifest
    // was read: only members of this pack are ever looked up.
    p.LevelData = readStart(kaf, level.DatFile, LevelPicture::Bytes);
    const QByteArray header = readStart(kaf, level.HdrFile, HeaderBytes);
    p.Players = LevelHeader::Players(header);
    p.LandTexture = LevelHeader::LandTexture(header);
    return p;
}

} // namespace MapPackReading

MapPackPreview::MapPackPreview(const GameSetup &setup, const InstalledPacks &installed)
    : m_setup(setup)
    , m_installed(installed)
{
}

const QList<InstalledPack> &MapPackPreview::FillMapPackList()
{
    m_packs = m_installed.InstalledMappacks;
    m_levels.clear();
    m_loadedPack = -1;
    return m_packs;
}

bool MapPackPreview::LoadMapPackInfo(int pack)
{
    m_levels.clear();
    m_loadedPack = -1;
    if (pack < 0 || pack >= m_packs.size())
        return false;
    m_loadedPack = pack;
    m_levels = MapPackReading::ReadLevels(packPath(pack));
    return true;
}

std::optional<LevelPreview> MapPackPreview::ShowMapPreview(int level) const
{
    if (m_loadedPack < 0 || level < 0 || level >= m_levels.size())
        return std::nullopt;
    const QString path = packPath(m_loadedPack);
    if (!Files::FileExists(path))
        return std::nullopt;
    return MapPackReading::ReadLevel(path, m_levels.at(level));
}

QString MapPackPreview::packPath(int pack) const
{
    return WinPath::join(m_setup.MappacksFolder, m_packs.at(pack).FileName);
}
