// The pack catalogues (qx_mappacks.php / qx_modpacks.php) and the rankings
// page, as the web host answers them: input "<catalogue>\0<ranks page>".
#include "fuzz/FuzzSupport.h"
#include "lobby/Rankings.h"
#include "packs/PackCatalog.h"

namespace {

// At least as many lines as the text holds, however its lines end.
qsizetype mostLines(const QByteArray &text)
{
    return text.count('\r') + text.count('\n') + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> parts = Fuzz::pieces(input, '\0', 2);

    const QByteArray root = "http://127.0.0.1:8080/";
    const QByteArray catalogue = NormalizeCatalogText(parts.value(0));
    const QList<PackCatalogEntry> packs = ParsePackCatalog(catalogue, root);
    Fuzz::check(packs.size() * 4 <= mostLines(catalogue), "a pack is four lines", catalogue.left(200));
    for (const PackCatalogEntry &pack : packs) {
        Fuzz::check(pack.Url.startsWith(root), "a pack's address is on the web host", pack.Url);
        Fuzz::check(pack.Name != "END", "the end marker is no pack", pack.Name);
    }

    const QByteArray page = parts.value(1);
    const QList<RankRow> rows = Ranks::ParseRanks(page);
    // A player is eight lines; only the last one may be cut short.
    Fuzz::check((rows.size() - 1) * Ranks::LinesPerRecord < mostLines(page), "a player is eight lines",
                page.left(200));
    for (const RankRow &row : rows) {
        Fuzz::check(Ranks::SameUserId(row.UserId, row.Place) == Ranks::SameUserId(row.Place, row.UserId),
                    "user ids compare both ways alike", row.UserId + ' ' + row.Place);
        Fuzz::check(!row.Name.contains('\n'), "a name is one line", row.Name);
    }
    return 0;
}
