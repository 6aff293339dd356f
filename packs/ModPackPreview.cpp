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
    KAFHandler kaf;
    if (!kaf.OpenFile(kafPath))
        return ModPreview();
    return Read(kaf);
}

ModPreview Read(const KAFHandler &openPack)
{
    ModPreview p;
    p.Picture = ReadSmallPackFile(openPack, "modpreview.jpg", MaxPictureBytes);
    const QList<QByteArray> manifest = ManifestLines(ReadSmallPackFile(openPack, "modpack.txt", MaxTextBytes));
    if (manifest.size() > 0)
        p.Creator = PackText::cutLine(manifest.at(0));
    if (manifest.size() > 1)
        p.Title = PackText::cutLine(manifest.at(1));
    // Only the start of a long description is read and shown.
    QByteArray description;
    if (!ReadPackFile(openPack, "Desc.txt", &description, nullptr, PackText::MaxDescriptionBytes))
        description.clear();
    for (const QByteArray &line : Text::Lines(description))
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

std::optional<ModPreview> ModPackPreview::ShowModPreview(int pack)
{
    if (pack < 0 || pack >= m_packs.size())
        return std::nullopt;
    const QString path = WinPath::join(m_setup.ModpacksFolder, m_packs.at(pack).FileName);
    if (!Files::FileExists(path))
        return std::nullopt;
    const KAFHandler *kaf = m_pack.open(path);
    return kaf ? ModPackReading::Read(*kaf) : ModPreview();
}
