// The page fetch beside the event loop: one answer per request, under the
// rules of the blocking download, and a dropped request never answers.
#include "platform/PageFetch.h"
#include "tests/fixtures/WebHost.h"

#include <QSignalSpy>
#include <QTest>

class tst_PageFetch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data();
    void answers();
    void refusedAddressAnswersLater();
    void stallTimesOut();
    void tooLargeIsFailure();
    void newStartDropsOldRequest();
    void abortDropsRequest();
};

void tst_PageFetch::answers_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("ok");
    QTest::newRow("200") << 200 << true;
    QTest::newRow("204") << 204 << true;
    QTest::newRow("404") << 404 << false;
    QTest::newRow("500") << 500 << false;
}

void tst_PageFetch::answers()
{
    QFETCH(int, status);
    QFETCH(bool, ok);
    WebHost web;
    QVERIFY(web.listen());
    web.serve("/page", status == 204 ? QByteArray() : QByteArray("body"), status);
    PageFetch fetch;
    QSignalSpy done(&fetch, &PageFetch::finished);
    fetch.start(web.url("/page?x=1"), 3000);
    QVERIFY(fetch.isRunning());
    QVERIFY(done.wait(5000));
    QCOMPARE(done.count(), 1);
    const auto result = done.at(0).at(0).value<UrlDownload::Result>();
    QCOMPARE(result.ok, ok);
    QCOMPARE(result.status, status);
    QCOMPARE(done.at(0).at(1).toByteArray(), ok && status == 200 ? QByteArray("body") : QByteArray());
    QVERIFY(!fetch.isRunning());
}

void tst_PageFetch::refusedAddressAnswersLater()
{
    PageFetch fetch;
    QSignalSpy done(&fetch, &PageFetch::finished);
    fetch.start(QUrl(QStringLiteral("file:///etc/passwd")));
    // Never from inside start(): callers may not expect it there.
    QCOMPARE(done.count(), 0);
    QVERIFY(fetch.isRunning());
    QVERIFY(done.wait(2000));
    const auto result = done.at(0).at(0).value<UrlDownload::Result>();
    QVERIFY(!result.ok);
    QVERIFY(result.error.startsWith(QStringLiteral("not a web address")));
    QVERIFY(!fetch.isRunning());
}

void tst_PageFetch::stallTimesOut()
{
    WebHost web;
    QVERIFY(web.listen());
    web.stall("/page");
    PageFetch fetch;
    QSignalSpy done(&fetch, &PageFetch::finished);
    fetch.start(web.url("/page"), 300);
    QVERIFY(done.wait(5000));
    const auto result = done.at(0).at(0).value<UrlDownload::Result>();
    QVERIFY(!result.ok);
    QVERIFY(result.timedOut);
}

void tst_PageFetch::tooLargeIsFailure()
{
    WebHost web;
    QVERIFY(web.listen());
    web.serve("/page", QByteArray(5000, 'x'));
    PageFetch fetch;
    QSignalSpy done(&fetch, &PageFetch::finished);
    fetch.start(web.url("/page"), 3000, 4096);
    QVERIFY(done.wait(5000));
    QVERIFY(!done.at(0).at(0).value<UrlDownload::Result>().ok);
    QVERIFY(done.at(0).at(1).toByteArray().isEmpty());
}

void tst_PageFetch::newStartDropsOldRequest()
{
    WebHost web;
    QVERIFY(web.listen());
    WebHost::Answer slow;
    slow.body = QByteArray(200, 'o');
    slow.chunkBytes = 10;
    slow.chunkIntervalMs = 20;
    web.serve("/old", slow);
    web.serve("/new", "new");
    PageFetch fetch;
    QSignalSpy done(&fetch, &PageFetch::finished);
    fetch.start(web.url("/old"), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(web.requestCount("/old"), 1, 5000);
    fetch.start(web.url("/new"), 3000);
    QVERIFY(done.wait(5000));
    QCOMPARE(done.at(0).at(1).toByteArray(), QByteArray("new"));
    // The old answer would be whole after 400 ms: it never comes.
    QVERIFY(!done.wait(800));
    QCOMPARE(done.count(), 1);
}

void tst_PageFetch::abortDropsRequest()
{
    WebHost web;
    QVERIFY(web.listen());
    web.serve("/page", "body");
    PageFetch fetch;
    QSignalSpy done(&fetch, &PageFetch::finished);
    fetch.start(web.url("/page"), 3000);
    fetch.abort();
    QVERIFY(!fetch.isRunning());
    fetch.start(QUrl(QStringLiteral("ftp://x/")));
    fetch.abort();
    QVERIFY(!done.wait(500));
}

QTEST_GUILESS_MAIN(tst_PageFetch)
#include "tst_pagefetch.moc"
