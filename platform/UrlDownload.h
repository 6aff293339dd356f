#pragma once
#include "platform/LobbyWebHost.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

// The blocking "URL download": an HTTP GET that holds the caller until it
// ends. It runs a local event loop (user input is held back meanwhile, other
// events and timers go on) and gives up after `timeoutMs` without any data
// arriving. Only a 2xx answer is success. Redirects are followed.
namespace UrlDownload {

struct Result
{
    bool ok = false;       // a 2xx answer arrived in full
    int status = 0;        // the HTTP status; 0 when none arrived
    bool timedOut = false; // nothing arrived for timeoutMs
    bool cancelled = false; // ended by cancelAll()
    QString error;         // why it failed; empty on success
};

// Bodies larger than this are refused: every page fetched this way is a small
// text. A release archive (the updater's download) passes a larger limit.
constexpr qint64 MaxBodyBytes = 32 * 1024 * 1024;

// The default wait is a few seconds; tests shorten it. 0 or less resets it.
int defaultTimeout();
void setDefaultTimeout(int timeoutMs);

// To memory. `body` is filled only on success (it is emptied otherwise).
Result fetch(const QUrl &url, QByteArray *body, int timeoutMs = -1);

// To a file, written atomically: on any failure, a file that was there
// before is left exactly as it was.
Result toFile(const QUrl &url, const QString &file, int timeoutMs = -1,
              qint64 maxBytes = MaxBodyBytes);

// Ends every fetch and toFile running now at once, as a failure with
// `cancelled` set; toFile then leaves no file behind.
void cancelAll();

} // namespace UrlDownload
