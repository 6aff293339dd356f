#include "core/ServerList.h"

#include "core/util/CodePage.h"

namespace {

bool validPort(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    bool ok = false;
    const uint port = text.toUInt(&ok);
    return ok && port >= 1 && port <= 65535;
}

} // namespace

ServerList::Parsed ServerList::parse(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the final line end

    Parsed parsed;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (CodePage::toLower(lines[i].left(9)) != "newserver")
            continue;
        if (i + 3 >= lines.size()) {
            parsed.endedInsideRecord = true;
            break;
        }
        ServerEntry entry{lines[i + 1], lines[i + 2], lines[i + 3].trimmed()};
        i += 3;
        if (entry.Host.trimmed().isEmpty() || !validPort(entry.Port))
            continue;
        parsed.entries.append(entry);
    }
    return parsed;
}

const ServerEntry *ServerList::entry(qint32 index) const
{
    if (index < 1 || index > m_entries.size())
        return nullptr;
    return &m_entries[index - 1];
}
