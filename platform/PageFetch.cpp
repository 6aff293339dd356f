#include "platform/PageFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

PageFetch::PageFetch(QObject *parent)
    : QObject(parent)
{
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        if (m_reply)
            m_reply->abort();
    });
}

PageFetch::~PageFetch()
{
    abort();
}

void PageFetch::start(const QUrl &url, int timeoutMs, qint64 maxBytes)
{
    abort();
    m_data.clear();
    m_timedOut = false;
    m_tooLarge = false;
    m_maxBytes = maxBytes;
    m_wait = timeoutMs > 0 ? timeoutMs : UrlDownload::defaultTimeout();
    if (const QString why = refusal(url); !why.isEmpty()) {
        // Reported from the event loop, as every other answer is.
        m_refusal = true;
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(this, [this, generation, why] {
            if (generation != m_generation || !m_refusal)
                return;
            m_refusal = false;
            UrlDownload::Result r;
            r.error = why;
            finish(r, QByteArray());
        }, Qt::QueuedConnection);
        return;
    }
    if (!m_manager)
        m_manager = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Zorbel"));
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] { m_idle.start(); });
    connect(m_reply, &QNetworkReply::readyRead, this, &PageFetch::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PageFetch::onFinished);
    m_idle.start(m_wait);
}

QString PageFetch::refusal(const QUrl &url)
{
    if (url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")))
        return QString();
    return QStringLiteral("not a web address: ") + url.toDisplayString();
}

void PageFetch::abort()
{
    ++m_generation;
    m_refusal = false;
    m_idle.stop();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void PageFetch::onReadyRead()
{
    m_idle.start();
    if (!m_reply || !m_reply->isOpen())
        return;
    m_data += m_reply->readAll();
    if (m_data.size() > m_maxBytes) {
        m_tooLarge = true;
        m_reply->abort();
    }
}

void PageFetch::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    m_idle.stop();
    if (!m_tooLarge && reply->isOpen())
        m_data += reply->readAll();

    UrlDownload::Result result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.timedOut = m_timedOut;
    const bool twoXx = result.status >= 200 && result.status <= 299;
    if (m_timedOut) {
        result.error = QStringLiteral("no answer within %1 ms").arg(m_wait);
    } else if (m_tooLarge || m_data.size() > m_maxBytes) {
        result.error = QStringLiteral("the answer is too large");
    } else if (reply->error() != QNetworkReply::NoError && !twoXx) {
        result.error = result.status ? QStringLiteral("HTTP status %1").arg(result.status)
                                     : reply->errorString();
    } else if (reply->error() != QNetworkReply::NoError) {
        // A 2xx whose body broke off (or any other transfer failure).
        result.error = reply->errorString();
    } else if (!twoXx) {
        result.error = QStringLiteral("HTTP status %1").arg(result.status);
    } else {
        result.ok = true;
    }
    reply->disconnect(this);
    reply->deleteLater();
    const QByteArray body = result.ok ? m_data : QByteArray();
    m_data.clear();
    finish(result, body);
}

void PageFetch::finish(UrlDownload::Result result, const QByteArray &body)
{
    Q_EMIT finished(result, body);
}
