#pragma once
#include "packs/InstalledPacks.h"
#include "packs/PackFileReader.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct GameSetup;

// What the mods tab shows of one mod pack, read from its archive into
// memory (nothing is extracted or written). A member the pack lacks leaves
// its field empty, so nothing of the pack shown before remains.
struct ModPreview
{
    QByteArray Picture;     // "modpreview.jpg"; empty when missing or too large
    QByteArray Creator;     // line 1 of "modpack.txt", at most PackText::MaxLineChars
    QByteArray Title;       // line 2 of "modpack.txt", likewise
    QByteArray Description; // the first PackText::MaxDescriptionBytes of "Desc.txt",
                            // every line followed by CR LF

    QByteArray CreatorText() const { return "Creator: " + Creator; }
};

namespace ModPackReading {

constexpr qint64 MaxPictureBytes = 8 * 1024 * 1024;
constexpr qint64 MaxTextBytes = 1024 * 1024;

// The preview of the pack at `kafPath`; empty fields for a pack that cannot
// be read.
ModPreview Read(const QString &kafPath);
ModPreview Read(const KAFHandler &openPack);

} // namespace ModPackReading

// The state behind the mods tab: the installed mod packs as LstMods was last
// filled. Rows carry an index into packs() (their item data).
class ModPackPreview
{
public:
    ModPackPreview(const GameSetup &setup, const InstalledPacks &installed);

    // The installed mod packs as they are now (LstMods is filled from these).
    const QList<InstalledPack> &fillModList();
    const QList<InstalledPack> &packs() const { return m_packs; }

    // ShowModPreview: packs()[pack]; nothing for an index outside the list
    // or a pack whose file is gone. The table of the pack last shown is kept
    // while that pack stays as it is on disk.
    std::optional<ModPreview> ShowModPreview(int pack);
    // How many times a pack table was read.
    int tableReads() const { return m_pack.tableReads(); }

private:
    const GameSetup &m_setup;
    const InstalledPacks &m_installed;
    QList<InstalledPack> m_packs;
    KeptPack m_pack;
};
