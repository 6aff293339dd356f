#include "platform/UrlDownload.h"

#include "core/util/AtomicFile.h"

#include "platform/PageFetch.h"

#include <QEventLoop>
#include <QList>
#include <QPointer>
#include <QSaveFile>
#include <functional>
#include <utility>

namespace {

int g_defaultTimeoutMs = UrlDownload::PageLimitMs;
UrlDownload::TransferBounds g_defaultBounds;

// The blocking downloads running now, innermost last.
QList<QPointer<PageFetch>> &running()
{
    static QList<QPointer<PageFetch>> list;
    return list;
}

struct AfterWaiting
{
    QPointer<QObject> context;
    std::function<void()> step;
};

// What runs once the last wait has ended.
QList<AfterWaiting> &afterWaits()
{
    static QList<AfterWaiting> list;
    return list;
}

void queue(const AfterWaiting &after)
{
    if (QObject *context = after.context)
        QMetaObject::invokeMethod(context, after.step, Qt::QueuedConnection);
}

// Runs one request to its end with user input left queued.
UrlDownload::Result wait(PageFetch &fetch, const std::function<void()> &start, QByteArray *body)
{
    UrlDownload::Result result;
    bool done = false;
    QEventLoop loop;
    QObject::connect(&fetch, &PageFetch::finished, &loop,
                     [&](const UrlDownload::Result &r, const QByteArray &answer) {
                         result = r;
                         if (body)
                             *body = answer;
                         done = true;
                         loop.quit();
                     });
    running().append(&fetch);
    start();
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    running().removeAll(&fetch);
    if (running().isEmpty()) {
        const QList<AfterWaiting> after = std::exchange(afterWaits(), {});
        for (const AfterWaiting &a : after)
            queue(a);
    }
    if (!done) {
        // The program is ending (every loop was told to exit).
        fetch.abort();
        result = UrlDownload::Result();
        result.cancelled = true;
        result.error = QStringLiteral("cancelled");
    }
    return result;
}

UrlDownload::Result get(const QUrl &url, QByteArray *body, int timeoutMs, qint64 maxBytes)
{
    UrlDownload::Result result;
    body->clear();
    if (const QString why = PageFetch::refusal(url); !why.isEmpty()) {
        result.error = why;
        return result;
    }
    PageFetch fetch;
    return wait(fetch, [&] { fetch.start(url, timeoutMs, maxBytes); }, body);
}

} // namespace

namespace UrlDownload {

TransferBounds TransferBounds::within(int windowMs)
{
    TransferBounds b;
    if (windowMs > 0) {
        b.windowMs = windowMs;
        b.headMs = qMin(windowMs, HeadLimitMs);
    }
    return b;
}

QString durationText(int ms)
{
    if (ms % 1000 == 0)
        return QString::number(ms / 1000) + QStringLiteral(" s");
    return QString::number(ms) + QStringLiteral(" ms");
}

int defaultTimeout()
{
    return g_defaultTimeoutMs;
}

void setDefaultTimeout(int timeoutMs)
{
    g_defaultTimeoutMs = timeoutMs > 0 ? timeoutMs : PageLimitMs;
}

TransferBounds defaultTransferBounds()
{
    return g_defaultBounds;
}

void setDefaultTransferBounds(const TransferBounds &bounds)
{
    g_defaultBounds = bounds;
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

Result toFile(const QUrl &url, const QString &file, const TransferBounds &bounds, qint64 maxBytes)
{
    Result r;
    if (const QString why = PageFetch::refusal(url); !why.isEmpty()) {
        r.error = why;
        return r;
    }
    // Written beside the target under another name and renamed when whole;
    // dropped unrenamed on any failure, so nothing partial is ever left.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        r.error = out.errorString();
        return r;
    }
    PageFetch fetch;
    r = wait(fetch, [&] { fetch.startTransfer(url, &out, bounds, maxBytes); }, nullptr);
    if (!r.ok) {
        out.cancelWriting();
        return r;
    }
    if (!out.commit()) {
        r.ok = false;
        r.error = out.errorString();
    }
    return r;
}

bool isWaiting()
{
    return !running().isEmpty();
}

void afterWaiting(QObject *context, std::function<void()> step)
{
    AfterWaiting after{context, std::move(step)};
    if (isWaiting())
        afterWaits().append(std::move(after));
    else
        queue(after);
}

void cancelAll()
{
    // Innermost first: each one's loop ends as its own wait returns.
    const QList<QPointer<PageFetch>> now = running();
    for (qsizetype i = now.size() - 1; i >= 0; --i) {
        if (PageFetch *fetch = now[i])
            fetch->cancel();
    }
}

} // namespace UrlDownload
