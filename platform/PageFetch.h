#pragma once
#include "platform/UrlDownload.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;

// An HTTP GET that runs beside the event loop: start() returns at once and
// finished() comes exactly once per started request, after it ended, under
// the rules of UrlDownload (only 2xx is success, the idle timeout, the size
// cap, http and https only). A new start() or abort() drops the request in
// flight: its answer is never reported, so a late answer cannot overtake a
// newer one.
class PageFetch : public QObject
{
    Q_OBJECT
public:
    explicit PageFetch(QObject *parent = nullptr);
    ~PageFetch() override;

    void start(const QUrl &url, int timeoutMs = -1, qint64 maxBytes = UrlDownload::MaxBodyBytes);
    void abort();
    bool isRunning() const { return m_reply != nullptr || m_refusal; }

    // Why `url` cannot be fetched (not http or https, not valid); empty when it can.
    static QString refusal(const QUrl &url);

Q_SIGNALS:
    // `body` holds the answer only when result.ok.
    void finished(const UrlDownload::Result &result, const QByteArray &body);

private:
    void onReadyRead();
    void onFinished();
    void finish(UrlDownload::Result result, const QByteArray &body);

    QNetworkAccessManager *m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_idle;
    QByteArray m_data;
    qint64 m_maxBytes = UrlDownload::MaxBodyBytes;
    int m_wait = 0;
    bool m_timedOut = false;
    bool m_tooLarge = false;
    bool m_refusal = false;   // a refused address, reported from the event loop
    quint64 m_generation = 0;
};
