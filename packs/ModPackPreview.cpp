#include "packs/ModPackPreview.h"

#include "core/api/GameSetup.h"
#include "core/util/Files.h"
#include "core/util/Text.h"
#include "core/util/WinPath.h"
#include "packs/KAFHandler.h"
#include "packs/PackFileReader.h"
#include "packs/PackManifest.h"

namespace ModPackReading {

ModPreview Read(const QString &kafPath)
{
    ModPreview p;
    KAFHandler kaf;
    if (!kaf.OpenFile(kafPath))
        return p;
    p.Picture = ReadSmallPackFile(kaf, "modpreview.jpg", MaxPictureBytes);
    const QList<QByteArray> manifest = ManifestLines(ReadSmallPackFile(kaf, "modpack.txt", MaxTextBytes));
    if (manifest.size() > 0)
        p.Creator = manifest.at(0);
    if (manifest.size() > 1)
        p.Title = manifest.at(1);
    for (const QByteArray &line : Text::Lines(ReadSmallPackFile(kaf, "Desc.txt", MaxTextBytes)))
        p.Description += line + "\r\n";
    return p;
}

} // namespace ModPackReading

ModPackPreview::ModPackPreview(const GameSetup &setup, const InstalledPacks &installed)
    : m_setup(setup)
    , m_installed(installed)
{
}

const QList<InstalledPack> &ModPackPreview::fillModList()
{
    m_packs = m_installed.InstalledModpacks;
    return m_packs;
}

std::optional<ModPreview> ModPackPreview::ShowModPreview(int pack) const
{
    if (pack < 0 || pack >= m_packs.size())
        return std::nullopt;
    const QString path = WinPath::join(m_setup.ModpacksFolder, m_packs.at(pack).FileName);
    if (!Files::FileExists(path))
        return std::nullopt;
    return ModPackReading::Read(path);
}
