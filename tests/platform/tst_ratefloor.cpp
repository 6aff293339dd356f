#include "platform/RateFloor.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

// The least a transfer must bring in every window: a floor on the amount,
// not a bound on the silence.
class tst_RateFloor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void floor_data()
    {
        QTest::addColumn<int>("everyMs");    // an arrival this often (0: none)
        QTest::addColumn<int>("bytes");      // of this many bytes
        QTest::addColumn<bool>("tooSlow");   // within three windows of 300 ms, floor 100 bytes
        QTest::newRow("nothing arrives") << 0 << 0 << true;
        QTest::newRow("a byte every 20 ms") << 20 << 1 << true;
        QTest::newRow("steady above the floor") << 20 << 20 << false;
        QTest::newRow("the floor in one piece each window") << 150 << 100 << false;
    }
    void floor()
    {
        QFETCH(int, everyMs);
        QFETCH(int, bytes);
        RateFloor watch;
        QSignalSpy slow(&watch, &RateFloor::tooSlow);
        QTimer sender;
        sender.setInterval(everyMs);
        connect(&sender, &QTimer::timeout, &watch, [&] { watch.arrived(bytes); });
        QElapsedTimer clock;
        clock.start();
        watch.start(100, 300);
        if (everyMs > 0)
            sender.start();
        QTRY_VERIFY_WITH_TIMEOUT(!slow.isEmpty() || clock.elapsed() > 900, 3000);
        QTEST(!slow.isEmpty(), "tooSlow");
        if (!slow.isEmpty()) {
            QVERIFY(clock.elapsed() >= 290);   // never before a whole window
            QCOMPARE(slow.size(), 1);
            QVERIFY(!watch.running());
        }
    }

    void silenceAfterTheFloorEndsOneWindowLater()
    {
        RateFloor watch;
        QSignalSpy slow(&watch, &RateFloor::tooSlow);
        QElapsedTimer clock;
        clock.start();
        watch.start(100, 300);
        QTimer::singleShot(200, &watch, [&] { watch.arrived(500); });
        QVERIFY(slow.wait(2000));
        // The 500 bytes count until they leave the window that holds them.
        QVERIFY(clock.elapsed() >= 490);
    }

    void stopAndNoFloorWatchNothing()
    {
        RateFloor watch;
        QSignalSpy slow(&watch, &RateFloor::tooSlow);
        watch.start(100, 100);
        watch.stop();
        QVERIFY(!slow.wait(300));
        watch.start(0, 100);
        QVERIFY(!watch.running());
        QVERIFY(!slow.wait(300));
    }
};

QTEST_GUILESS_MAIN(tst_RateFloor)
#include "tst_ratefloor.moc"
