#pragma once
#include "platform/RateFloor.h"
#include "platform/UrlDownload.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QTcpSocket;

// The HTTP transport of the DownLoad control: one GET on its own connection
// ("Connection: close"), asking for the identity encoding. It reads the
// response head, follows a few redirects, then hands out the body as the
// reader asks for it. Unread body data stays in a bounded socket buffer, so
// a reader that stops reading (a paused download) holds the sender back
// instead of filling memory. The head (status line and headers) must have
// ended within the head bound of the request's start, and the body must bring
// at least the floor's bytes in every window while it is read; either failure
// ends the transfer.
class DownLoadTransport : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxRedirects = 5;
    static constexpr qint64 SocketBuffer = 1024 * 1024;

    explicit DownLoadTransport(QObject *parent = nullptr);
    ~DownLoadTransport() override;

    void setBounds(const UrlDownload::TransferBounds &bounds) { m_bounds = bounds; }
    const UrlDownload::TransferBounds &bounds() const { return m_bounds; }
    // While held, the floor does not count (the reader is not reading); it
    // counts afresh from the release.
    void holdFloor(bool hold);

    // Starts a GET; `extraHeader` is one more request line, e.g. "Range: bytes=10-".
    void start(const QUrl &url, const QByteArray &extraHeader = QByteArray());
    void abort();

    bool executing() const { return m_executing; }   // the head has not arrived yet
    bool headReceived() const { return m_headDone; }
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }

    // The raw head: status line and header lines, CR LF ended.
    QByteArray headers() const { return m_head; }
    QByteArray header(const QByteArray &name) const;
    int status() const { return m_status; }
    QByteArray httpVersion() const { return m_version; }   // "1.1", "1.0"
    qint64 contentLength() const { return m_length; }      // -1 when not given

    // Body bytes ready to read now, and reading them.
    qint64 bytesAvailable() const;
    qint64 read(char *data, qint64 max);
    qint64 bodyRead() const { return m_bodyRead; }
    // The connection has ended (closed, failed or aborted): no more body comes
    // than what bytesAvailable() holds.
    bool ended() const { return m_ended; }

Q_SIGNALS:
    void headReady();     // the final response's head, or a failure before it
    void readyRead();     // more body can be read
    void connectionEnded(); // the connection has ended

private:
    void connectTo(const QUrl &url);
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onHeadLimit();
    void onTooSlow();
    void fail(const QString &why);
    void failBeforeHead(const QString &why);
    bool parseHead(const QByteArray &head);
    void finishConnection();

    QPointer<QTcpSocket> m_socket;
    UrlDownload::TransferBounds m_bounds;
    QTimer m_headLimit;
    RateFloor m_floor;
    bool m_floorHeld = false;
    QUrl m_url;
    QByteArray m_extra;
    int m_redirects = 0;
    bool m_executing = false;
    bool m_headDone = false;
    bool m_ended = true;
    QByteArray m_buffer;   // head bytes, then body bytes that came with the head
    QByteArray m_head;
    QByteArray m_version;
    int m_status = 0;
    qint64 m_length = -1;
    qint64 m_bodyRead = 0;
    QString m_error;
};
