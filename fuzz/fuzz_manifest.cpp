// The pack manifests (mappack.txt as the installer and the preview read it,
// modpack.txt) and the level header fields.
#include "fuzz/FuzzSupport.h"
#include "packs/PackManifest.h"
#include "updater/unzip/ConfinedName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    const MappackInstallManifest install = ReadMappackManifestForInstall(input);
    if (install.Valid) {
        Fuzz::check(install.Levels.size() <= MappackInstallManifest::MaxLevels, "at most 16 levels");
        for (const MappackInstallManifest::LevelFile &f : install.Files) {
            Fuzz::check(f.Level >= 1 && f.Level <= install.Levels.size(), "level file in range");
            Fuzz::check(!f.Member.contains('\\') && !f.Member.contains('/'), "member name without folder",
                        f.Member);
        }
    }
    ReadMappackManifestForPreview(input);

    const ModpackManifest mod = ReadModpackManifest(input);
    if (mod.Valid) {
        for (const ModpackFile &f : mod.Files) {
            Fuzz::check(!f.DestinationParts.isEmpty(), "a destination has parts", f.Destination);
            for (const QString &part : f.DestinationParts)
                Fuzz::check(ConfinedName::isSafePart(part), "destination part is safe", part.toUtf8());
            Fuzz::check(!f.Source.contains('\\') && !f.Source.contains('/'), "source without folder", f.Source);
        }
    }
    ManifestLines(input);
    PackMemberName(input);
    LevelHeader::Players(input);
    LevelHeader::LandTexture(input);
    const QByteArray cleared = LevelHeader::WithLandTextureCleared(input);
    Fuzz::check(cleared.size() >= input.size() && cleared.size() <= std::max<qsizetype>(input.size(), LevelHeader::LandTexturePosition + 1),
                "header keeps its size, short ones padded");
    return 0;
}
