#pragma once
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

// The lobby web host every web request goes to (server list, version file,
// pack information, catalogues, rankings, account pages). qx.ini names it in
// section "general", key "webhost", as "host" or "host:port"; when that is
// empty the compiled-in host is used.
namespace LobbyWebHost {

QByteArray defaultHost();

// The web host of the qx.ini at `qxIni` (a full path).
QByteArray fromSettings(const QString &qxIni);
// The web host of <program folder>\qx.ini.
QByteArray current();

using Query = QList<QPair<QByteArray, QByteArray>>;

// "http://<host>/<page>?random=<random>&key=value...": `page` may hold a folder
// ("updates/version.php"); values are percent-encoded. The random number is
// what keeps caches from answering; draw it with randomNumber.
QUrl pageUrl(const QByteArray &host, const QByteArray &page, quint32 random,
             const Query &more = {});
// The same without the random key (account pages opened in the browser).
QUrl plainUrl(const QByteArray &host, const QByteArray &page, const Query &query = {});

// A number in [0, below): the query's random value.
quint32 randomNumber(quint32 below);

} // namespace LobbyWebHost
