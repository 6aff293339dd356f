#pragma once
#include "platform/LobbyWebHost.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>

class QObject;

// The blocking "URL download": an HTTP GET that holds the caller until it
// ends. It runs a local event loop that leaves user input queued (the window
// repaints, the player's clicks are handled once the download has ended;
// other events and timers go on). Only a 2xx answer is success. Redirects are
// followed.
//
// Two kinds of download, each with a bound that no server can stretch:
// - a page (server list, version, catalogues, pack look-ups) ends within
//   PageLimitMs of its start, however slowly or steadily the server sends;
// - a file transfer (a release archive) fails when its head has not ended
//   within HeadLimitMs, or when less than FloorBytes arrive in any
//   FloorWindowMs; it is written to a temporary file beside the target and
//   renamed into place only when whole.
namespace UrlDownload {

struct Result
{
    bool ok = false;        // a 2xx answer arrived in full
    int status = 0;         // the HTTP status; 0 when none arrived
    bool timedOut = false;  // a bound ended it
    bool cancelled = false; // cancelAll() ended it
    QString error;          // why it failed; empty on success
};

constexpr int PageLimitMs = 15000;

struct TransferBounds
{
    static constexpr int HeadLimitMs = 15000;
    static constexpr qint64 FloorBytes = 4 * 1024;
    static constexpr int FloorWindowMs = 30000;

    int headMs = HeadLimitMs;
    qint64 floorBytes = FloorBytes;
    int windowMs = FloorWindowMs;

    // A window of `windowMs` (the real one when 0 or less) and a head bound
    // no longer than it; tests shorten both this way.
    static TransferBounds within(int windowMs);
    bool operator==(const TransferBounds &) const = default;
};

// Bodies larger than this are refused: every page fetched this way is a small
// text. A release archive (the updater's download) passes a larger limit.
constexpr qint64 MaxBodyBytes = 32 * 1024 * 1024;

// The page bound used when a call passes none; tests shorten it. 0 or less
// resets it to PageLimitMs.
int defaultTimeout();
void setDefaultTimeout(int timeoutMs);

// The transfer bounds a DownLoad control starts with; tests shorten them
// before the client is made.
TransferBounds defaultTransferBounds();
void setDefaultTransferBounds(const TransferBounds &bounds);

// A page to memory. `body` is filled only on success (it is emptied otherwise).
Result fetch(const QUrl &url, QByteArray *body, int timeoutMs = -1);

// A page to a file, written atomically: on any failure, a file that was there
// before is left exactly as it was.
Result toFile(const QUrl &url, const QString &file, int timeoutMs = -1,
              qint64 maxBytes = MaxBodyBytes);

// A file transfer to `file`, under `bounds`. On any failure (a cancel too)
// nothing is left of it and a file that was there before is as it was.
Result toFile(const QUrl &url, const QString &file, const TransferBounds &bounds,
              qint64 maxBytes = MaxBodyBytes);

// Ends every blocking fetch and toFile running now, at once, as failures with
// `cancelled` set; none leaves a partial file. For a window that closes while
// one of them waits.
void cancelAll();

// True while a blocking fetch or toFile waits for its answer.
bool isWaiting();
// Runs `step` from the event loop once no blocking fetch or toFile waits any
// more: at the loop's next turn when none waits now, else at the next turn
// after the outermost wait has ended. Nothing runs when `context` is gone by then.
void afterWaiting(QObject *context, std::function<void()> step);

// Seconds when whole, else milliseconds: "15 s", "300 ms".
QString durationText(int ms);

} // namespace UrlDownload
