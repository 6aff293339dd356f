#pragma once
#include "core/LobbyMessage.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <functional>

// The table from a message's word 0 to its handler. Words are compared exactly,
// letter case included; a message whose word 0 has no handler is ignored.
//
// Messages are handled strictly in stream order. A handler may run a local
// event loop (a web request, a process start); messages that arrive meanwhile
// are queued and handled after it returns, never inside it.
class Dispatcher
{
public:
    using Handler = std::function<void(const LobbyMessage &)>;

    // Registers the handler of one message word. A word has one handler; a
    // second registration replaces the first.
    void on(const QByteArray &word, Handler handler);
    bool handles(const QByteArray &word) const { return m_handlers.contains(word); }
    // True while a handler runs (nothing it does may wait for the user).
    bool isHandling() const { return m_running; }

    // Queues the message and, unless a handler is already running further up
    // the stack, handles every queued message in order.
    void dispatch(const LobbyMessage &message);
    // Queues every message of one arrival before handling any of them, so that
    // a handler that waits cannot let a later arrival overtake the rest of
    // this one.
    void dispatchAll(const QList<LobbyMessage> &messages);

    // Runs after each batch of arrived data once the queue is drained
    // (the own-state refresh).
    void setAfterArrival(std::function<void()> hook) { m_afterArrival = std::move(hook); }
    void arrivalDone();

private:
    void drain();

    QHash<QByteArray, Handler> m_handlers;
    QList<LobbyMessage> m_queue;
    std::function<void()> m_afterArrival;
    bool m_running = false;
    bool m_arrivalPending = false;
};
