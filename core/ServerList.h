#pragma once
#include <QByteArray>
#include <QList>

// One lobby server of the server list.
struct ServerEntry
{
    QByteArray Name;
    QByteArray Host;
    QByteArray Port;   // decimal text, 1 to 65535
};

// The lobby servers read from servers.txt, in file order; entry k (from 1)
// belongs to line k - 1 of the login window's server list.
class ServerList
{
public:
    struct Parsed
    {
        QList<ServerEntry> entries;
        // The text ended inside a record (fewer than three lines after the
        // last "newserver" line); the records before it are in `entries`.
        bool endedInsideRecord = false;
    };

    // servers.txt: records of a line starting with "newserver" (any case, only
    // the first nine characters count), then name, host and port lines.
    // Lines end in LF or CR LF; lines outside a record are skipped, and so
    // are records with no host or a port outside 1 to 65535.
    static Parsed parse(const QByteArray &text);

    void replace(const QList<ServerEntry> &entries) { m_entries = entries; }
    qint32 ServerCount() const { return qint32(m_entries.size()); }
    const QList<ServerEntry> &entries() const { return m_entries; }
    // Entry `index` counted from 1; nullptr outside 1 to ServerCount.
    const ServerEntry *entry(qint32 index) const;

    // The server of the last login attempt.
    QByteArray ServerHost;
    QByteArray ServerPort;

private:
    QList<ServerEntry> m_entries;
};
