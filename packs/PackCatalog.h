#pragma once
#include "core/api/GameSetup.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class InstalledPacks;

// One downloadable pack of a catalogue. Map catalogue rows also show Extra,
// which no catalogue fills.
struct PackCatalogEntry
{
    QByteArray Name;
    QByteArray Crc;
    QByteArray Info;
    QByteArray Url;
    QByteArray Extra;
};

// The catalogue text: records of four lines (name, zip path on the web host,
// crc8, description), lines ended by CR LF or written as "<br>"; a record
// whose first line is exactly "END" ends it. A record cut short by the end of
// the text is dropped. `rootUrl` ("http://host/") goes before every zip path.
QByteArray NormalizeCatalogText(const QByteArray &page);
QList<PackCatalogEntry> ParsePackCatalog(const QByteArray &text, const QByteArray &rootUrl);

// A map pack or mod pack catalogue as the lobby lists it: fetched from the
// lobby web host (qx_mappacks.php / qx_modpacks.php, with a random query
// value), saved as mappacks.txt / modpacks.txt, and every pack not installed
// here listed; entry i is row i (both 0-based).
class PackCatalog : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Mappacks, Modpacks };

    PackCatalog(Kind kind, const GameSetup &setup, const InstalledPacks &installed, QObject *parent = nullptr);

    Kind kind() const { return m_kind; }
    // GetAvailableMapList (map packs) or GetAvailableList (mod packs). Blocks
    // with a bounded local event loop while the page downloads.
    void Fetch();
    // Lists `text` (a catalogue page) as a fetch would, without the web host.
    void List(const QByteArray &page);

    const QList<PackCatalogEntry> &entries() const { return m_entries; }
    qint32 Count() const { return qint32(m_entries.size()); }
    const QList<QByteArray> &rows() const { return m_rows; }

Q_SIGNALS:
    void listChanged();

private:
    void clear();

    Kind m_kind;
    const GameSetup &m_setup;
    const InstalledPacks &m_installed;
    QList<PackCatalogEntry> m_entries;
    QList<QByteArray> m_rows;
};
