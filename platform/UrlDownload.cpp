#include "platform/UrlDownload.h"

#include "core/util/AtomicFile.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

int g_defaultTimeoutMs = 5000;

UrlDownload::Result get(const QUrl &url, QByteArray *body, int timeoutMs, qint64 maxBytes)
{
    UrlDownload::Result result;
    body->clear();
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        result.error = QStringLiteral("not a web address: ") + url.toDisplayString();
        return result;
    }
    const int wait = timeoutMs > 0 ? timeoutMs : UrlDownload::defaultTimeout();

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Zorbel"));
    QNetworkReply *reply = manager.get(request);

    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(wait);
    bool timedOut = false;
    bool tooLarge = false;
    QByteArray data;

    QObject::connect(&idle, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] { idle.start(); });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        idle.start();
        if (reply->isOpen())
            data += reply->readAll();
        if (data.size() > maxBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    idle.start();
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    idle.stop();
    if (!tooLarge && reply->isOpen())
        data += reply->readAll();

    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.timedOut = timedOut;
    if (timedOut) {
        result.error = QStringLiteral("no answer within %1 ms").arg(wait);
    } else if (tooLarge) {
        result.error = QStringLiteral("the answer is too large");
    } else if (reply->error() != QNetworkReply::NoError && (result.status < 200 || result.status > 299)) {
        result.error = result.status ? QStringLiteral("HTTP status %1").arg(result.status)
                                     : reply->errorString();
    } else if (reply->error() != QNetworkReply::NoError) {
        // A 2xx whose body broke off (or any other transfer failure).
        result.error = reply->errorString();
    } else if (result.status < 200 || result.status > 299) {
        result.error = QStringLiteral("HTTP status %1").arg(result.status);
    } else {
        result.ok = true;
        *body = data;
    }
    delete reply;
    return result;
}

} // namespace

namespace UrlDownload {

int defaultTimeout()
{
    return g_defaultTimeoutMs;
}

void setDefaultTimeout(int timeoutMs)
{
    g_defaultTimeoutMs = timeoutMs > 0 ? timeoutMs : 5000;
}

Result fetch(const QUrl &url, QByteArray *body, int timeoutMs)
{
    QByteArray scratch;
    QByteArray *out = body ? body : &scratch;
    return get(url, out, timeoutMs, MaxBodyBytes);
}

Result toFile(const QUrl &url, const QString &file, int timeoutMs, qint64 maxBytes)
{
    QByteArray body;
    Result r = get(url, &body, timeoutMs, maxBytes);
    if (!r.ok)
        return r;
    QString why;
    if (!AtomicFile::write(file, body, &why)) {
        r.ok = false;
        r.error = why;
    }
    return r;
}

} // namespace UrlDownload
