#include "platform/LobbyWebHost.h"

#include "core/util/Files.h"
#include "core/util/SettingsKeys.h"
#include "core/util/WinPath.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#ifndef ZORBEL_DEFAULT_WEBHOST
#define ZORBEL_DEFAULT_WEBHOST "lobby.zorbel.net"
#endif

namespace {

// A host name or IPv4 address, optionally ":port". Anything else (a path, a
// query, blanks) would change what the URL means, so it is not taken.
bool isHostText(const QByteArray &text)
{
    static const QRegularExpression re(
        QStringLiteral("^[A-Za-z0-9](?:[A-Za-z0-9.-]*[A-Za-z0-9])?(?::([0-9]{1,5}))?$"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(text));
    if (!m.hasMatch())
        return false;
    if (m.hasCaptured(1)) {
        const int port = m.captured(1).toInt();
        return port >= 1 && port <= 65535;
    }
    return true;
}

QByteArray encodedQuery(const LobbyWebHost::Query &query)
{
    QByteArray out;
    for (const auto &kv : query) {
        if (!out.isEmpty())
            out += '&';
        out += QUrl::toPercentEncoding(QString::fromLatin1(kv.first)) + '='
               + QUrl::toPercentEncoding(QString::fromLatin1(kv.second));
    }
    return out;
}

} // namespace

namespace LobbyWebHost {

QByteArray defaultHost()
{
    return QByteArrayLiteral(ZORBEL_DEFAULT_WEBHOST);
}

QByteArray fromSettings(const QString &qxIni)
{
    const QByteArray host = SettingsKeys::read(qxIni, SettingsKeys::WebHost).trimmed();
    return isHostText(host) ? host : defaultHost();
}

QByteArray current()
{
    return fromSettings(WinPath::join(Files::ProgramFolder(), QByteArray(SettingsKeys::QxIni)));
}

QUrl plainUrl(const QByteArray &host, const QByteArray &page, const Query &query)
{
    QByteArray path = page;
    while (path.startsWith('/'))
        path.remove(0, 1);
    QByteArray text = "http://" + host + '/' + path;
    if (!query.isEmpty())
        text += '?' + encodedQuery(query);
    return QUrl::fromEncoded(text, QUrl::StrictMode);
}

QUrl pageUrl(const QByteArray &host, const QByteArray &page, quint32 random, const Query &more)
{
    Query query;
    query.append({"random", QByteArray::number(random)});
    query.append(more);
    return plainUrl(host, page, query);
}

quint32 randomNumber(quint32 below)
{
    return below == 0 ? 0 : QRandomGenerator::global()->bounded(below);
}

} // namespace LobbyWebHost
