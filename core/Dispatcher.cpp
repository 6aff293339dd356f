#include "core/Dispatcher.h"

void Dispatcher::on(const QByteArray &word, Handler handler)
{
    m_handlers.insert(word, std::move(handler));
}

void Dispatcher::dispatch(const LobbyMessage &message)
{
    m_queue.append(message);
    drain();
}

void Dispatcher::dispatchAll(const QList<LobbyMessage> &messages)
{
    m_queue.append(messages);
    drain();
}

void Dispatcher::drain()
{
    if (m_running)
        return; // a handler further up is waiting; it drains the queue after it returns
    m_running = true;
    while (!m_queue.isEmpty()) {
        const LobbyMessage next = m_queue.takeFirst();
        // A copy: a handler may register handlers, which can rehash the table.
        const Handler handler = m_handlers.value(next.word(0));
        if (handler)
            handler(next);
    }
    m_running = false;
    if (m_arrivalPending) {
        m_arrivalPending = false;
        arrivalDone();
    }
}

void Dispatcher::arrivalDone()
{
    if (m_running) {
        m_arrivalPending = true;
        return;
    }
    if (m_afterArrival)
        m_afterArrival();
}
