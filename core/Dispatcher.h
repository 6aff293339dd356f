#pragma once
#include "core/LobbyMessage.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <functional>
#include <memory>

// The table from a message's word 0 to its handler. Words are compared exactly,
// letter case included; a message whose word 0 has no handler is ignored.
//
// Messages are handled strictly in stream order, each once:
// - A handler may run a local event loop (a process start); messages that
//   arrive meanwhile are queued and handled after it returns, never inside it.
// - A handler that goes on after an answer from outside (a web page) takes a
//   hold(): the messages after it wait until the hold is let go, while the
//   window and the player's input go on as usual.
// - While the client waits for a web page (UrlDownload), no message is
//   handled: the queue goes on from the event loop once no page is awaited,
//   so that no wait ever runs inside another.
// - A long queue (thousands of chat lines in one arrival) is handled in
//   slices of SliceMs; between two slices the event loop runs, the player's
//   input included. Whatever arrives meanwhile queues behind the rest.
// - A hold let go goes on with the queue from the event loop, never there and
//   then: the last copy may go inside a destructor (a page fetch destroyed
//   with its owner), where no handler may run.
// - shut() ends it all: at the start of the client's exit the queue is
//   emptied, and nothing is handled any more, whatever arrives or is let go.
class Dispatcher
{
public:
    using Handler = std::function<void(const LobbyMessage &)>;
    // Kept by whoever finishes a message's handling later; the queue goes on
    // once the last copy is gone.
    using Hold = std::shared_ptr<void>;

    static constexpr int SliceMs = 8;

    Dispatcher();
    ~Dispatcher();
    Dispatcher(const Dispatcher &) = delete;
    Dispatcher &operator=(const Dispatcher &) = delete;

    // Registers the handler of one message word. A word has one handler; a
    // second registration replaces the first.
    void on(const QByteArray &word, Handler handler);
    bool handles(const QByteArray &word) const { return m_handlers.contains(word); }
    // True while a handler runs (nothing it does may wait for the user).
    bool isHandling() const { return m_running; }
    // Messages (and posted steps) not yet handled.
    qsizetype pending() const { return m_queue.size(); }

    // Queues the message and handles the queue in order, as far as nothing
    // holds it (a handler further up the stack, a hold, an awaited page) and
    // within one slice; the rest follows from the event loop.
    void dispatch(const LobbyMessage &message);
    // Queues every message of one arrival before handling any of them, so that
    // a handler that waits cannot let a later arrival overtake the rest of
    // this one.
    void dispatchAll(const QList<LobbyMessage> &messages);
    // Runs `step` once every message queued before it has been handled (the
    // end of a connection comes after its last messages).
    void post(std::function<void()> step);

    // Called by the running handler: the messages after it wait until the
    // returned hold (and every copy of it) is gone.
    Hold hold();
    bool isHeld() const { return m_holds > 0; }

    // The exit has begun: the queue is dropped, and no handler, posted step
    // or after-arrival hook runs again. A handler running now ends as it is.
    void shut();
    bool isShut() const { return m_shut; }

    // Runs after each batch of arrived data once the messages before it are
    // handled (the own-state refresh). Arrivals that queue up behind a wait
    // share one run.
    void setAfterArrival(std::function<void()> hook) { m_afterArrival = std::move(hook); }
    void arrivalDone();

    // Tests: a shorter or longer slice (0 or less: SliceMs).
    void setSliceMs(int ms) { m_sliceMs = ms > 0 ? ms : SliceMs; }

private:
    struct Item
    {
        LobbyMessage message;
        std::function<void()> step; // set for a posted step
        bool arrival = false;       // the after-arrival hook
    };

    void drain();
    void drainLater();
    void release();

    QHash<QByteArray, Handler> m_handlers;
    QList<Item> m_queue;
    std::function<void()> m_afterArrival;
    QObject m_context;                 // the queue's continuations from the event loop
    std::shared_ptr<Dispatcher *> m_self; // lets a hold outlive the dispatcher safely
    int m_sliceMs = SliceMs;
    int m_holds = 0;
    bool m_running = false;
    bool m_drainQueued = false;
    bool m_waitingForPages = false;
    bool m_shut = false;
};
