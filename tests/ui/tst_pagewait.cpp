// What the player sees while the client waits for a page of the web host:
// the window keeps repainting, and the wait ends at the page bound counted
// from the start, however the host dribbles its answer.
#include "packs/PackCatalog.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/WebHost.h"
#include "tests/packs/InstallFixture.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <QtTest>

namespace {

class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

} // namespace

class tst_PageWait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { UrlDownload::setDefaultTimeout(0); }

    void windowRepaintsWhileAPageIsAwaited()
    {
        WebHost web;
        QVERIFY(web.listen());
        web.stall("/qx_mappacks.php");
        PaintCounter window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int before = -1;
        int during = -1;
        QTimer::singleShot(100, &window, [&] {
            before = window.paints;
            window.update();
        });
        QTimer::singleShot(400, &window, [&] { during = window.paints; });
        QByteArray body;
        const UrlDownload::Result r = UrlDownload::fetch(web.url("/qx_mappacks.php"), &body, 800);
        QVERIFY(!r.ok && r.timedOut);
        QVERIFY(before >= 0 && during >= 0);
        QVERIFY2(during > before, "the window must repaint while the page is awaited");
    }

    // The catalogue page sent a byte a time: the list is empty after the
    // page bound, counted from the opener's click, not from the last byte.
    void slowCatalogueEndsAtTheBound_data()
    {
        QTest::addColumn<QByteArray>("route");
        QTest::newRow("a byte a time") << QByteArray("trickle body");
        QTest::newRow("a header line at a time") << QByteArray("trickle head");
        QTest::newRow("nothing") << QByteArray("stall");
    }
    void slowCatalogueEndsAtTheBound()
    {
        QFETCH(QByteArray, route);
        InstallTest::Fixture files;
        WebHost web;
        QVERIFY(web.listen());
        Ini::WriteIni(files.client(QStringLiteral("qx.ini")), "general", "webhost", web.hostAndPort());
        web.serve("/qx_mappacks.php",
                  WebHost::hostile(route, "A<br>a.zip<br>00000001<br>a pack<br>END<br>", 100));
        UrlDownload::setDefaultTimeout(1000);
        PackCatalog catalog(PackCatalog::Kind::Mappacks, files.setup, files.packs);
        QElapsedTimer clock;
        clock.start();
        catalog.Fetch();
        QVERIFY(clock.elapsed() >= 900);
        QVERIFY2(clock.elapsed() < 2500, "the page bound counts from the start");
        QCOMPARE(catalog.Count(), 0);
    }
};

QTEST_MAIN(tst_PageWait)
#include "tst_pagewait.moc"
