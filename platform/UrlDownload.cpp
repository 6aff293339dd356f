#include "platform/UrlDownload.h"

#include "core/util/AtomicFile.h"

#include "platform/PageFetch.h"

#include <QEventLoop>
#include <QList>

namespace {

int g_defaultTimeoutMs = 5000;

// The fetches running now, innermost last; cancelAll() ends each.
struct Running
{
    QEventLoop *loop = nullptr;
    bool cancelled = false;
};
QList<Running *> g_running;

UrlDownload::Result get(const QUrl &url, QByteArray *body, int timeoutMs, qint64 maxBytes)
{
    UrlDownload::Result result;
    body->clear();
    if (const QString why = PageFetch::refusal(url); !why.isEmpty()) {
        result.error = why;
        return result;
    }
    bool done = false;
    PageFetch fetch;
    QEventLoop loop;
    QObject::connect(&fetch, &PageFetch::finished, &loop,
                     [&](const UrlDownload::Result &r, const QByteArray &answer) {
                         result = r;
                         *body = answer;
                         done = true;
                         loop.quit();
                     });
    Running running{&loop};
    g_running.append(&running);
    fetch.start(url, timeoutMs, maxBytes);
    if (!done && !running.cancelled)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    g_running.removeOne(&running);
    if (running.cancelled) {
        result = UrlDownload::Result();
        result.cancelled = true;
        result.error = QStringLiteral("The transfer was cancelled.");
        body->clear();
    }
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

void cancelAll()
{
    for (Running *running : std::as_const(g_running)) {
        running->cancelled = true;
        running->loop->quit();
    }
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
