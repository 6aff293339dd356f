#include "controls/DownLoadTransport.h"

#include <QTcpSocket>
#if QT_CONFIG(ssl)
#include <QSslSocket>
#endif

namespace {

constexpr qsizetype MaxHead = 64 * 1024;

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

DownLoadTransport::DownLoadTransport(QObject *parent)
    : QObject(parent)
    , m_bounds(UrlDownload::defaultTransferBounds())
{
    m_headLimit.setSingleShot(true);
    m_headLimit.setTimerType(Qt::PreciseTimer);
    connect(&m_headLimit, &QTimer::timeout, this, &DownLoadTransport::onHeadLimit);
    connect(&m_floor, &RateFloor::tooSlow, this, &DownLoadTransport::onTooSlow);
}

DownLoadTransport::~DownLoadTransport()
{
    finishConnection();
}

void DownLoadTransport::holdFloor(bool hold)
{
    m_floorHeld = hold;
    if (hold)
        m_floor.stop();
    else if (m_headDone && !m_ended)
        m_floor.start(m_bounds.floorBytes, m_bounds.windowMs);
}

void DownLoadTransport::finishConnection()
{
    m_headLimit.stop();
    m_floor.stop();
    if (QTcpSocket *s = m_socket.data()) {
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
    m_socket.clear();
}

void DownLoadTransport::start(const QUrl &url, const QByteArray &extraHeader)
{
    finishConnection();
    m_url = url;
    m_extra = extraHeader;
    m_redirects = 0;
    m_error.clear();
    m_ended = false;
    m_bodyRead = 0;
    connectTo(url);
    // Counted from the request, across redirects: a head sent a line at a
    // time cannot stretch it.
    if (!m_ended)
        m_headLimit.start(qMax(1, m_bounds.headMs));
}

void DownLoadTransport::abort()
{
    if (m_executing) {
        failBeforeHead(QStringLiteral("cancelled"));
        return;
    }
    const bool wasOpen = !m_ended;
    finishConnection();
    m_ended = true;
    if (wasOpen)
        Q_EMIT connectionEnded();
}

void DownLoadTransport::connectTo(const QUrl &url)
{
    m_executing = true;
    m_headDone = false;
    m_buffer.clear();
    m_head.clear();
    m_version.clear();
    m_status = 0;
    m_length = -1;
    m_url = url;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        // Reported once the caller waits for the head.
        QMetaObject::invokeMethod(this, [this] { failBeforeHead(QStringLiteral("not a web address")); },
                                  Qt::QueuedConnection);
        return;
    }
    QTcpSocket *socket = nullptr;
    if (scheme == QLatin1String("https")) {
#if QT_CONFIG(ssl)
        if (QSslSocket::supportsSsl())
            socket = new QSslSocket(this);
#endif
        if (!socket) {
            QMetaObject::invokeMethod(this, [this] { failBeforeHead(QStringLiteral("no TLS support")); },
                                      Qt::QueuedConnection);
            return;
        }
    } else {
        socket = new QTcpSocket(this);
    }
    m_socket = socket;
    socket->setReadBufferSize(SocketBuffer);
    connect(socket, &QTcpSocket::readyRead, this, &DownLoadTransport::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &DownLoadTransport::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError)
            return;   // the end of a "Connection: close" answer
        if (!m_headDone)
            failBeforeHead(m_socket ? m_socket->errorString() : QStringLiteral("connection failed"));
        else
            onDisconnected();
    });
    const quint16 port = quint16(url.port(scheme == QLatin1String("https") ? 443 : 80));
#if QT_CONFIG(ssl)
    if (auto *ssl = qobject_cast<QSslSocket *>(socket)) {
        connect(ssl, &QSslSocket::encrypted, this, &DownLoadTransport::onConnected);
        ssl->connectToHostEncrypted(url.host(), port);
    } else
#endif
    {
        connect(socket, &QTcpSocket::connected, this, &DownLoadTransport::onConnected);
        socket->connectToHost(url.host(), port);
    }
}

void DownLoadTransport::onConnected()
{
    QByteArray target = m_url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (m_url.hasQuery())
        target += '?' + m_url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = m_url.host(QUrl::FullyEncoded).toLatin1();
    if (m_url.port() > 0)
        host += ':' + QByteArray::number(m_url.port());
    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + host
        + "\r\nUser-Agent: Zorbel\r\nAccept: */*\r\nAccept-Encoding: identity\r\nConnection: close\r\n";
    if (!m_extra.isEmpty())
        request += m_extra + "\r\n";
    request += "\r\n";
    m_socket->write(request);
}

void DownLoadTransport::onReadyRead()
{
    if (m_headDone) {
        Q_EMIT readyRead();
        return;
    }
    m_buffer += m_socket->read(MaxHead + 4 - m_buffer.size());
    qsizetype end = m_buffer.indexOf("\r\n\r\n");
    qsizetype skip = 4;
    if (end < 0) {
        end = m_buffer.indexOf("\n\n");
        skip = 2;
    }
    if (end < 0) {
        if (m_buffer.size() > MaxHead)
            failBeforeHead(QStringLiteral("the answer's head is too large"));
        return;
    }
    const QByteArray head = m_buffer.left(end);
    m_buffer.remove(0, end + skip);
    if (!parseHead(head)) {
        failBeforeHead(QStringLiteral("not an HTTP answer"));
        return;
    }
    const QByteArray location = header("Location");
    if (isRedirect(m_status) && !location.isEmpty() && m_redirects < MaxRedirects) {
        ++m_redirects;
        const QUrl next = m_url.resolved(QUrl::fromEncoded(location));
        // The head bound runs on across the redirect, from the first request.
        const int left = qMax(1, m_headLimit.remainingTime());
        finishConnection();
        connectTo(next);
        m_headLimit.start(left);
        return;
    }
    m_headDone = true;
    m_executing = false;
    m_headLimit.stop();
    if (!m_floorHeld)
        m_floor.start(m_bounds.floorBytes, m_bounds.windowMs);
    Q_EMIT headReady();
    if (bytesAvailable() > 0)
        Q_EMIT readyRead();
}

bool DownLoadTransport::parseHead(const QByteArray &head)
{
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray &l : lines) {
        if (l.endsWith('\r'))
            l.chop(1);
    }
    const QByteArray statusLine = lines.value(0);
    const QList<QByteArray> words = statusLine.split(' ');
    if (words.size() < 2 || !words[0].startsWith("HTTP/"))
        return false;
    bool ok = false;
    m_status = words[1].toInt(&ok);
    if (!ok || m_status < 100 || m_status > 999)
        return false;
    m_version = words[0].mid(5);
    m_head.clear();
    for (const QByteArray &l : lines)
        m_head += l + "\r\n";
    m_length = -1;
    if (header("Transfer-Encoding").trimmed().toLower() != "chunked") {
        const QByteArray value = header("Content-Length").trimmed();
        const qint64 n = value.toLongLong(&ok);
        if (ok && n >= 0)
            m_length = n;
    }
    return true;
}

QByteArray DownLoadTransport::header(const QByteArray &name) const
{
    const QList<QByteArray> lines = m_head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return QByteArray();
}

qint64 DownLoadTransport::bytesAvailable() const
{
    if (!m_headDone)
        return 0;
    qint64 n = m_buffer.size() + (m_socket ? m_socket->bytesAvailable() : 0);
    if (m_length >= 0)
        n = qMin(n, m_length - m_bodyRead);
    return qMax<qint64>(0, n);
}

qint64 DownLoadTransport::read(char *data, qint64 max)
{
    max = qMin(max, bytesAvailable());
    if (max <= 0)
        return 0;
    qint64 n = qMin<qint64>(max, m_buffer.size());
    if (n > 0) {
        memcpy(data, m_buffer.constData(), size_t(n));
        m_buffer.remove(0, n);
    }
    if (n < max && m_socket) {
        const qint64 got = m_socket->read(data + n, max - n);
        if (got > 0)
            n += got;
    }
    m_bodyRead += n;
    m_floor.arrived(n);
    return n;
}

void DownLoadTransport::onDisconnected()
{
    if (m_ended)
        return;
    if (!m_headDone) {
        failBeforeHead(QStringLiteral("the connection closed before an answer"));
        return;
    }
    m_ended = true;
    m_headLimit.stop();
    Q_EMIT connectionEnded();
}

void DownLoadTransport::onHeadLimit()
{
    if (!m_headDone)
        failBeforeHead(QStringLiteral("no answer head within ") + UrlDownload::durationText(m_bounds.headMs));
}

void DownLoadTransport::onTooSlow()
{
    if (m_ended)
        return;
    fail(QStringLiteral("less than %1 bytes arrived in %2")
             .arg(m_bounds.floorBytes)
             .arg(UrlDownload::durationText(m_bounds.windowMs)));
    finishConnection();
    if (!m_ended) {
        m_ended = true;
        Q_EMIT connectionEnded();
    }
}

void DownLoadTransport::fail(const QString &why)
{
    if (m_error.isEmpty())
        m_error = why;
    m_executing = false;
}

void DownLoadTransport::failBeforeHead(const QString &why)
{
    fail(why);
    finishConnection();
    if (!m_ended) {
        m_ended = true;
        Q_EMIT headReady();
        Q_EMIT connectionEnded();
    }
}
