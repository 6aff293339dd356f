#include "core/Dispatcher.h"

void Dispatcher::on(const QByteArray &word, Handler handler)
{
    m_handlers.insert(word, std::move(handler));
}

void Dispatcher::dispatch(const LobbyMessage &message)
{
    m_queue.append(message);
    if (m_running)
        return; // a handler further up is waiting; it drains the queue after it returns
    m_running = true;
    while (!m_queue.isEmpty()) {
        const LobbyMessage next = m_queue.takeFirst();
        const auto it = m_handlers.constFind(next.word(0));
        if (it != m_handlers.cend())
            it.value()(next);
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
