#include "core/Dispatcher.h"

#include "platform/UrlDownload.h"

#include <QElapsedTimer>

#include <utility>

Dispatcher::Dispatcher() : m_self(std::make_shared<Dispatcher *>(this)) {}

Dispatcher::~Dispatcher()
{
    // Holds still kept somewhere find no dispatcher to let go of.
    *m_self = nullptr;
    shut();
}

void Dispatcher::shut()
{
    m_shut = true;
    // Taken out of the queue before they go: a posted step may own a hold,
    // whose release then comes back here.
    const QList<Item> dropped = std::exchange(m_queue, {});
}

void Dispatcher::on(const QByteArray &word, Handler handler)
{
    m_handlers.insert(word, std::move(handler));
}

void Dispatcher::dispatch(const LobbyMessage &message)
{
    if (m_shut)
        return;
    m_queue.append(Item{message, {}, false});
    drain();
}

void Dispatcher::dispatchAll(const QList<LobbyMessage> &messages)
{
    if (m_shut)
        return;
    m_queue.reserve(m_queue.size() + messages.size());
    for (const LobbyMessage &m : messages)
        m_queue.append(Item{m, {}, false});
    drain();
}

void Dispatcher::post(std::function<void()> step)
{
    if (m_shut)
        return;
    m_queue.append(Item{LobbyMessage(), std::move(step), false});
    drain();
}

void Dispatcher::arrivalDone()
{
    if (m_shut || !m_afterArrival)
        return;
    // One run covers every arrival queued since the last one.
    if (m_queue.isEmpty() || !m_queue.last().arrival)
        m_queue.append(Item{LobbyMessage(), {}, true});
    drain();
}

Dispatcher::Hold Dispatcher::hold()
{
    ++m_holds;
    std::weak_ptr<Dispatcher *> self = m_self;
    return Hold(nullptr, [self](void *) {
        if (const std::shared_ptr<Dispatcher *> d = self.lock(); d && *d)
            (*d)->release();
    });
}

void Dispatcher::release()
{
    // From the event loop: the hold may go with an object being destroyed,
    // and a handler running now could meet it half gone. A handler further
    // up that took the hold and let it go goes on with the queue itself.
    if (m_holds > 0 && --m_holds == 0 && !m_running && !m_shut && !m_queue.isEmpty())
        drainLater();
}

void Dispatcher::drainLater()
{
    if (m_drainQueued || m_shut)
        return;
    m_drainQueued = true;
    QMetaObject::invokeMethod(&m_context, [this] {
        m_drainQueued = false;
        drain();
    }, Qt::QueuedConnection);
}

void Dispatcher::drain()
{
    if (m_shut || m_running || m_holds > 0 || m_queue.isEmpty())
        return; // a handler further up, or the hold's owner, goes on with the queue
    if (UrlDownload::isWaiting()) {
        // Nothing runs inside a page wait; the queue goes on after it.
        if (!m_waitingForPages) {
            m_waitingForPages = true;
            UrlDownload::afterWaiting(&m_context, [this] {
                m_waitingForPages = false;
                drain();
            });
        }
        return;
    }
    m_running = true;
    QElapsedTimer slice;
    slice.start();
    while (!m_shut && !m_queue.isEmpty() && m_holds == 0) {
        if (slice.elapsed() >= m_sliceMs) {
            // The rest after the event loop's next turn: the player's input first.
            drainLater();
            break;
        }
        const Item next = m_queue.takeFirst();
        if (next.arrival) {
            if (m_afterArrival)
                m_afterArrival();
        } else if (next.step) {
            next.step();
        } else if (const Handler handler = m_handlers.value(next.message.word(0))) {
            // A copy: a handler may register handlers, which can rehash the table.
            handler(next.message);
        }
    }
    m_running = false;
}
