// SIGTERM, SIGINT and SIGHUP reach the event loop as received(); the process
// goes on, and once the object is gone the earlier handlers are back.
#include "platform/TerminationSignals.h"

#include <QSignalSpy>
#include <QtTest>

#include <csignal>

namespace {

volatile sig_atomic_t s_earlier = 0;
extern "C" void earlierHandler(int number)
{
    s_earlier = number;
}

} // namespace

class tst_TerminationSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void arrivesAsAnEvent_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void arrivesAsAnEvent()
    {
        QFETCH(int, number);
        std::signal(number, earlierHandler);
        s_earlier = 0;
        {
            TerminationSignals signals;
            QVERIFY(signals.installed());
            QSignalSpy spy(&signals, &TerminationSignals::received);
            QVERIFY(::raise(number) == 0);
            // Nothing happens inside the handler: the event loop brings it.
            QCOMPARE(spy.count(), 0);
            QVERIFY(spy.wait(5000));
            QCOMPARE(spy.count(), 1);
            QCOMPARE(spy.first().first().toInt(), number);
            QCOMPARE(int(s_earlier), 0);

            // Several before the loop reads them end once.
            ::raise(number);
            ::raise(number);
            QVERIFY(spy.wait(5000));
            QTest::qWait(50);
            QCOMPARE(spy.count(), 2);
        }
        QVERIFY(::raise(number) == 0);
        QCOMPARE(int(s_earlier), number);
        std::signal(number, SIG_DFL);
    }

    // A second object while one lives takes nothing over.
    void oneAtATime()
    {
        TerminationSignals first;
        TerminationSignals second;
        QVERIFY(first.installed());
        QVERIFY(!second.installed());
    }
};

QTEST_MAIN(tst_TerminationSignals)
#include "tst_terminationsignals.moc"
