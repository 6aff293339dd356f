// The dispatcher on its own: what a hold let go does, and its end. A look-up
// keeps the rest of a message's handling in a functor that owns the
// message's hold (as a page fetch's connection does); destroying the owner
// lets go of the hold inside a destructor, where no handler may run.
#include "core/Dispatcher.h"
#include "core/LobbyMessage.h"

#include <QtTest>

#include <functional>
#include <memory>

namespace {

// A pending look-up: its continuation owns the hold and goes with it.
class LookUp : public QObject
{
public:
    std::function<void()> continuation;
};

struct Rig
{
    Dispatcher dispatcher;
    std::unique_ptr<LookUp> lookUp = std::make_unique<LookUp>();
    QByteArrayList handled;

    Rig()
    {
        // MAPPACK waits for a page: the messages after it wait for its hold.
        dispatcher.on("MAPPACK", [this](const LobbyMessage &m) {
            handled.append(m.text());
            lookUp->continuation = [hold = dispatcher.hold()] {};
        });
        for (const char *word : {"MODPACK", "MSG"}) {
            dispatcher.on(QByteArray(word), [this](const LobbyMessage &m) { handled.append(m.text()); });
        }
        dispatcher.dispatchAll({LobbyMessage("MAPPACK 1 DEADBEEF"), LobbyMessage("MODPACK 1 CAFEBABE"),
                                LobbyMessage("MSG a b c 0")});
    }
};

} // namespace

class tst_Dispatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The owner of a held continuation destroyed: nothing runs inside its
    // destructor. A client that goes on handles the rest from the event
    // loop; a client that is ending (shut first) drops it.
    void holdLetGoInADestructor_data()
    {
        QTest::addColumn<bool>("ending");
        QTest::newRow("the client goes on") << false;
        QTest::newRow("the client's teardown") << true;
    }
    void holdLetGoInADestructor()
    {
        QFETCH(bool, ending);
        Rig rig;
        QCOMPARE(rig.handled, QByteArrayList{"MAPPACK 1 DEADBEEF"});
        QVERIFY(rig.dispatcher.isHeld());
        QCOMPARE(rig.dispatcher.pending(), qsizetype(2));
        if (ending)
            rig.dispatcher.shut();

        // Handlers run in there would meet the look-up's owner half destroyed.
        rig.lookUp.reset();
        QCOMPARE(rig.handled, QByteArrayList{"MAPPACK 1 DEADBEEF"});
        QVERIFY(!rig.dispatcher.isHeld());

        if (ending) {
            QCOMPARE(rig.dispatcher.pending(), qsizetype(0));
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents();
            QCOMPARE(rig.handled, QByteArrayList{"MAPPACK 1 DEADBEEF"});
        } else {
            QTRY_COMPARE(rig.handled, (QByteArrayList{"MAPPACK 1 DEADBEEF", "MODPACK 1 CAFEBABE", "MSG a b c 0"}));
            QCOMPARE(rig.dispatcher.pending(), qsizetype(0));
        }
    }

    // A hold let go from the event loop (the page answered): the rest
    // follows at the loop's next turn, in order.
    void holdLetGoGoesOnFromTheEventLoop()
    {
        Rig rig;
        rig.lookUp->continuation = {};
        QCOMPARE(rig.handled, QByteArrayList{"MAPPACK 1 DEADBEEF"});
        QTRY_COMPARE(rig.handled, (QByteArrayList{"MAPPACK 1 DEADBEEF", "MODPACK 1 CAFEBABE", "MSG a b c 0"}));
    }

    // Once shut, nothing is handled again: not what arrives, not what is
    // posted, not the after-arrival hook, not the rest of a running queue.
    void shutRunsNothingAgain()
    {
        Dispatcher dispatcher;
        QByteArrayList handled;
        int refreshes = 0;
        dispatcher.setAfterArrival([&] { ++refreshes; });
        dispatcher.on("A", [&](const LobbyMessage &m) { handled.append(m.text()); });
        dispatcher.on("END", [&](const LobbyMessage &m) {
            handled.append(m.text());
            dispatcher.shut();
        });
        dispatcher.dispatchAll({LobbyMessage("A 1"), LobbyMessage("END"), LobbyMessage("A 2")});
        dispatcher.arrivalDone();
        dispatcher.dispatch(LobbyMessage("A 3"));
        bool posted = false;
        dispatcher.post([&] { posted = true; });
        QVERIFY(dispatcher.isShut());
        QCOMPARE(dispatcher.pending(), qsizetype(0));
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(handled, (QByteArrayList{"A 1", "END"}));
        QCOMPARE(refreshes, 0);
        QVERIFY(!posted);
    }

    // A step left in the queue may own a hold: dropping it as the
    // dispatcher goes (or is shut) lets go of the hold safely.
    void droppedStepOwningAHold()
    {
        auto dispatcher = std::make_unique<Dispatcher>();
        Dispatcher::Hold outside;
        dispatcher->on("HOLD", [&](const LobbyMessage &) {
            outside = dispatcher->hold();
            dispatcher->post([hold = dispatcher->hold()] {});
        });
        dispatcher->dispatch(LobbyMessage("HOLD"));
        QCOMPARE(dispatcher->pending(), qsizetype(1));
        dispatcher->shut();
        QCOMPARE(dispatcher->pending(), qsizetype(0));
        dispatcher.reset();
        outside.reset();
    }
};

QTEST_GUILESS_MAIN(tst_Dispatcher)
#include "tst_dispatcher.moc"
