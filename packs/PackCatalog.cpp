#include "packs/PackCatalog.h"

#include "core/util/AtomicFile.h"
#include "core/util/SettingsKeys.h"
#include "core/util/WinPath.h"
#include "packs/InstalledPacks.h"
#include "platform/LobbyWebHost.h"
#include "platform/UrlDownload.h"

QByteArray NormalizeCatalogText(const QByteArray &page)
{
    QByteArray text = page;
    text.replace("<br>", "\r\n");
    return text + "\r\n";
}

QList<PackCatalogEntry> ParsePackCatalog(const QByteArray &text, const QByteArray &rootUrl)
{
    // Lines as a line reader gives them: CR LF, LF or a lone CR end a line,
    // and a last line without an end still counts.
    QList<QByteArray> lines;
    QByteArray line;
    bool open = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.append(line);
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
            open = true;
        }
    }
    if (open)
        lines.append(line);

    QList<PackCatalogEntry> entries;
    for (qsizetype at = 0; at < lines.size() && lines[at] != "END"; at += 4) {
        if (at + 3 >= lines.size())
            break;   // a record cut short
        entries.append({lines[at], lines[at + 2], lines[at + 3], rootUrl + lines[at + 1], QByteArray()});
    }
    return entries;
}

PackCatalog::PackCatalog(Kind kind, const GameSetup &setup, const InstalledPacks &installed, QObject *parent)
    : QObject(parent)
    , m_kind(kind)
    , m_setup(setup)
    , m_installed(installed)
{
}

void PackCatalog::clear()
{
    m_entries.clear();
    m_rows.clear();
}

void PackCatalog::Fetch()
{
    const bool maps = m_kind == Kind::Mappacks;
    clear();
    Q_EMIT listChanged();
    const QByteArray host = LobbyWebHost::fromSettings(SettingsKeys::QxIniPath(m_setup.ProgramFolder));
    const QUrl url = LobbyWebHost::pageUrl(host, maps ? "qx_mappacks.php" : "qx_modpacks.php",
                                           LobbyWebHost::randomNumber(20000));
    QByteArray page;
    if (!UrlDownload::fetch(url, &page).ok)
        return;   // an empty list, no message
    const QByteArray text = NormalizeCatalogText(page);
    // The saved copy is the one the lobby shows; it is replaced whole.
    AtomicFile::write(WinPath::join(m_setup.ProgramFolder, QByteArray(maps ? "\\mappacks.txt" : "\\modpacks.txt")),
                      text);
    List(text);
}

void PackCatalog::List(const QByteArray &page)
{
    const bool maps = m_kind == Kind::Mappacks;
    clear();
    const QByteArray host = LobbyWebHost::fromSettings(SettingsKeys::QxIniPath(m_setup.ProgramFolder));
    for (const PackCatalogEntry &e : ParsePackCatalog(page, "http://" + host + '/')) {
        const bool installed = maps ? m_installed.findMappack(e.Crc) : m_installed.findModpack(e.Crc);
        if (installed)
            continue;   // rows and entries stay aligned
        m_entries.append(e);
        m_rows.append(maps ? e.Name + " - " + e.Info + "   " + e.Extra : e.Name + " - " + e.Info);
    }
    Q_EMIT listChanged();
}
