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
    return ReadLevels(kaf);
}

QList<MappackLevel> ReadLevels(const KAFHandler &openPack)
{
    QList<MappackLevel> levels
        = ReadMappackManifestForPreview(ReadSmallPackFile(openPack, "mappack.txt", MaxManifestBytes)).Levels;
    // A pack holds at most 16 levels; blocks past those name nothing playable.
    if (levels.size() > MappackInstallManifest::MaxLevels)
        levels.resize(MappackInstallManifest::MaxLevels);
    for (MappackLevel &level : levels) {
        level.Name = PackText::cutLine(level.Name);
        level.Creator = PackText::cutLine(level.Creator);
    }
    return levels;
}

LevelPreview ReadLevel(const QString &kafPath, const MappackLevel &level)
{
    KAFHandler kaf;
    if (!kaf.OpenFile(kafPath)) {
        LevelPreview p;
        p.Creator = PackText::cutLine(level.Creator);
        return p;
    }
    return ReadLevel(kaf, level);
}

LevelPreview ReadLevel(const KAFHandler &openPack, const MappackLevel &level)
{
    LevelPreview p;
    p.Creator = PackText::cutLine(level.Creator);
    // Names were cut to the part after their last separator when the manifest
    // was read: only members of this pack are ever looked up.
    p.LevelData = readStart(openPack, level.DatFile, LevelPicture::Bytes);
    const QByteArray header = readStart(openPack, level.HdrFile, HeaderBytes);
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
    m_pack.forget();
    return m_packs;
}

bool MapPackPreview::LoadMapPackInfo(int pack)
{
    m_levels.clear();
    m_loadedPack = -1;
    if (pack < 0 || pack >= m_packs.size())
        return false;
    m_loadedPack = pack;
    // The table is read when another pack is chosen or the file changed on
    // disk; a click on the pack already chosen, and every level click, keep it.
    if (const KAFHandler *kaf = m_pack.open(packPath(pack)))
        m_levels = MapPackReading::ReadLevels(*kaf);
    return true;
}

std::optional<LevelPreview> MapPackPreview::ShowMapPreview(int level)
{
    if (m_loadedPack < 0 || level < 0 || level >= m_levels.size())
        return std::nullopt;
    const QString path = packPath(m_loadedPack);
    if (!Files::FileExists(path))
        return std::nullopt;
    // Changed on disk since its levels were read: the pack as it is now.
    const KAFHandler *kaf = m_pack.open(path);
    if (!kaf) {
        LevelPreview p;
        p.Creator = m_levels.at(level).Creator;
        return p;
    }
    return MapPackReading::ReadLevel(*kaf, m_levels.at(level));
}

QString MapPackPreview::packPath(int pack) const
{
    return WinPath::join(m_setup.MappacksFolder, m_packs.at(pack).FileName);
}
