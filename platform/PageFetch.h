#pragma once
#include "platform/RateFloor.h"
#include "platform/UrlDownload.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QIODevice;
class QNetworkAccessManager;

// An HTTP GET that runs beside the event loop: start() returns at once and
// finished() comes exactly once per started request, after it ended, under
// the rules of UrlDownload (only 2xx is success, the page or transfer bounds,
// the size cap, http and https only). A new start() or abort() drops the
// request in flight: its answer is never reported, so a late answer cannot
// overtake a newer one. cancel() instead ends it now and reports it.
class PageFetch : public QObject
{
    Q_OBJECT
public:
    explicit PageFetch(QObject *parent = nullptr);
    ~PageFetch() override;

    // A page: the whole answer within `timeoutMs` of now (-1: the default).
    void start(const QUrl &url, int timeoutMs = -1, qint64 maxBytes = UrlDownload::MaxBodyBytes);
    // A file transfer: the body goes to `sink` as it comes (finished() then
    // carries no body); the head and the floor of `bounds` apply.
    void startTransfer(const QUrl &url, QIODevice *sink, const UrlDownload::TransferBounds &bounds,
                       qint64 maxBytes = UrlDownload::MaxBodyBytes);
    void abort();
    // Ends the request in flight now, reported as cancelled.
    void cancel();
    // The program is ending: every request in flight of every PageFetch is
    // dropped, never reported, so that nothing waiting for an answer runs
    // on. (UrlDownload::cancelAll first, for the ones a caller waits for.)
    static void abortAll();
    bool isRunning() const { return m_reply != nullptr || m_refusal; }

    // Why `url` cannot be fetched (not http or https, not valid); empty when it can.
    static QString refusal(const QUrl &url);

Q_SIGNALS:
    // `body` holds the answer only when result.ok (and no sink was given).
    void finished(const UrlDownload::Result &result, const QByteArray &body);

private:
    void begin(const QUrl &url, qint64 maxBytes);
    void onReadyRead();
    void onFinished();
    void stopWith(const QString &why, bool timedOut, bool cancelled);
    void finish(UrlDownload::Result result, const QByteArray &body);

    QNetworkAccessManager *m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_limit;            // a page's whole answer, or a transfer's head
    RateFloor m_floor;         // a transfer's body
    QIODevice *m_sink = nullptr;
    UrlDownload::TransferBounds m_bounds;
    bool m_transfer = false;
    QByteArray m_data;
    qint64 m_received = 0;
    qint64 m_maxBytes = UrlDownload::MaxBodyBytes;
    QString m_stopReason;      // set when we ended the request ourselves
    bool m_timedOut = false;
    bool m_cancelled = false;
    bool m_tooLarge = false;
    bool m_sinkFailed = false;
    QString m_sinkError; // the file's own reason
    bool m_refusal = false;    // a refused address, reported from the event loop
    quint64 m_generation = 0;
};
