#include "platform/PageFetch.h"

#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// The body length the head announced, as it comes over the wire; -1 when
// none was given or the body is encoded (then the network layer decodes it).
qint64 announcedLength(QNetworkReply *reply)
{
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return -1;
    bool ok = false;
    const qint64 length = reply->rawHeader("Content-Length").trimmed().toLongLong(&ok);
    return ok && length >= 0 ? length : -1;
}

QList<PageFetch *> &live()
{
    static QList<PageFetch *> list;
    return list;
}

} // namespace

PageFetch::PageFetch(QObject *parent)
    : QObject(parent)
{
    live().append(this);
    m_limit.setSingleShot(true);
    m_limit.setTimerType(Qt::PreciseTimer);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        if (m_transfer)
            stopWith(QStringLiteral("no answer head within ") + UrlDownload::durationText(m_bounds.headMs), true,
                     false);
        else
            stopWith(QStringLiteral("no whole answer within ") + UrlDownload::durationText(m_limit.interval()),
                     true, false);
    });
    connect(&m_floor, &RateFloor::tooSlow, this, [this] {
        stopWith(QStringLiteral("less than %1 bytes arrived in %2")
                     .arg(m_bounds.floorBytes)
                     .arg(UrlDownload::durationText(m_bounds.windowMs)),
                 true, false);
    });
}

PageFetch::~PageFetch()
{
    live().removeOne(this);
    abort();
}

void PageFetch::abortAll()
{
    for (PageFetch *fetch : std::as_const(live()))
        fetch->abort();
}

void PageFetch::start(const QUrl &url, int timeoutMs, qint64 maxBytes)
{
    abort();
    m_transfer = false;
    m_sink = nullptr;
    // The bound counts from the start and is never restarted: a server that
    // sends a byte now and then cannot stretch it.
    m_limit.setInterval(timeoutMs > 0 ? timeoutMs : UrlDownload::defaultTimeout());
    begin(url, maxBytes);
}

void PageFetch::startTransfer(const QUrl &url, QIODevice *sink, const UrlDownload::TransferBounds &bounds,
                              qint64 maxBytes)
{
    abort();
    m_transfer = true;
    m_sink = sink;
    m_bounds = bounds;
    m_limit.setInterval(qMax(1, bounds.headMs));
    begin(url, maxBytes);
}

void PageFetch::begin(const QUrl &url, qint64 maxBytes)
{
    m_data.clear();
    m_received = 0;
    m_stopReason.clear();
    m_timedOut = false;
    m_cancelled = false;
    m_tooLarge = false;
    m_sinkFailed = false;
    m_maxBytes = maxBytes;
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
    if (m_transfer) {
        connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
            if (!m_reply || !m_limit.isActive())
                return;
            const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (status >= 300 && status <= 399)
                return;   // a redirect: the head that counts is still to come
            m_limit.stop();
            m_floor.start(m_bounds.floorBytes, m_bounds.windowMs);
        });
    }
    connect(m_reply, &QNetworkReply::readyRead, this, &PageFetch::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PageFetch::onFinished);
    m_limit.start();
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
    m_limit.stop();
    m_floor.stop();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void PageFetch::cancel()
{
    if (m_refusal) {
        m_refusal = false;
        ++m_generation;
        UrlDownload::Result r;
        r.cancelled = true;
        r.error = QStringLiteral("cancelled");
        finish(r, QByteArray());
        return;
    }
    stopWith(QStringLiteral("cancelled"), false, true);
}

void PageFetch::stopWith(const QString &why, bool timedOut, bool cancelled)
{
    if (!m_reply)
        return;
    m_stopReason = why;
    m_timedOut = timedOut;
    m_cancelled = cancelled;
    m_reply->abort();   // finished() follows at once
}

void PageFetch::onReadyRead()
{
    if (!m_reply || !m_reply->isOpen())
        return;
    if (m_transfer && m_limit.isActive()) {
        // Body bytes mean the head has ended, also where no head signal came.
        m_limit.stop();
        m_floor.start(m_bounds.floorBytes, m_bounds.windowMs);
    }
    const QByteArray chunk = m_reply->readAll();
    m_received += chunk.size();
    if (m_received > m_maxBytes) {
        m_tooLarge = true;
        m_reply->abort();
        return;
    }
    if (m_sink) {
        // A short write is no failure yet; the one after it says why (a full disk).
        qint64 written = 0;
        for (qint64 n = 0; !m_sinkFailed && written < chunk.size(); written += n) {
            n = m_sink->write(chunk.constData() + written, chunk.size() - written);
            if (n <= 0)
                break;
        }
        if (!m_sinkFailed && written != chunk.size()) {
            m_sinkFailed = true;
            m_sinkError = m_sink->errorString();
            m_reply->abort();
            return;
        }
    } else {
        m_data += chunk;
    }
    m_floor.arrived(chunk.size());
}

void PageFetch::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_limit.stop();
    m_floor.stop();
    if (m_stopReason.isEmpty() && !m_tooLarge && !m_sinkFailed && reply->isOpen() && reply->bytesAvailable() > 0)
        onReadyRead();
    m_reply = nullptr;

    UrlDownload::Result result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.timedOut = m_timedOut;
    result.cancelled = m_cancelled;
    const bool twoXx = result.status >= 200 && result.status <= 299;
    if (!m_stopReason.isEmpty()) {
        result.error = m_stopReason;
    } else if (m_tooLarge) {
        result.error = QStringLiteral("the answer is too large");
    } else if (m_sinkFailed) {
        result.error = QStringLiteral("the file cannot be written: ") + m_sinkError;
    } else if (reply->error() != QNetworkReply::NoError && !twoXx) {
        result.error = result.status ? QStringLiteral("HTTP status %1").arg(result.status)
                                     : reply->errorString();
    } else if (reply->error() != QNetworkReply::NoError) {
        // A 2xx whose body broke off (or any other transfer failure).
        result.error = reply->errorString();
    } else if (!twoXx) {
        result.error = QStringLiteral("HTTP status %1").arg(result.status);
    } else if (const qint64 length = announcedLength(reply); length >= 0 && m_received < length) {
        // The network layer may take a connection closed early for the end
        // of the answer; a body shorter than announced is never whole.
        result.error = QStringLiteral("the answer ended after %1 of %2 bytes").arg(m_received).arg(length);
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
