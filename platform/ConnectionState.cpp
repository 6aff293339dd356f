#include "platform/ConnectionState.h"

#include <QNetworkInformation>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QUrl>

ConnectionState::Answer SystemConnectionState::query()
{
    Answer a{true, Lan};
    if (QNetworkInformation::instance() || QNetworkInformation::loadDefaultBackend()) {
        const QNetworkInformation *info = QNetworkInformation::instance();
        if (info->supports(QNetworkInformation::Feature::Reachability)) {
            const auto r = info->reachability();
            if (r == QNetworkInformation::Reachability::Disconnected)
                a = {false, 0};
            else if (r == QNetworkInformation::Reachability::Local
                     || r == QNetworkInformation::Reachability::Site)
                a = {false, Lan};
        }
        if (a.connected && info->transportMedium() == QNetworkInformation::TransportMedium::Cellular)
            a.flags = Modem;
    }
    const QList<QNetworkProxy> proxies =
        QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(QUrl(QStringLiteral("http://example.com/"))));
    if (!proxies.isEmpty() && proxies.first().type() != QNetworkProxy::NoProxy)
        a.flags |= Proxy;
    return a;
}
