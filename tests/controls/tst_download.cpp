#include "controls/DownLoad.h"
#include "tests/fixtures/FakeConnectionState.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/FreePort.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray pattern(int size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 251) & 0xFF);
    return b;
}

// Every event of one control, in order.
struct Events
{
    QStringList status;
    QList<qint32> codes;
    QStringList errors;
    QList<qint64> received;
    int complete = 0;

    explicit Events(DownLoad &dl)
    {
        QObject::connect(&dl, &DownLoad::StatusChange, &dl, [this](const QString &s) { status << s; });
        QObject::connect(&dl, &DownLoad::DLECode, &dl, [this](qint32 c) { codes << c; });
        QObject::connect(&dl, &DownLoad::DLError, &dl, [this](const QString &e) { errors << e; });
        QObject::connect(&dl, &DownLoad::RecievedBytes, &dl, [this](qint64 n) { received << n; });
        QObject::connect(&dl, &DownLoad::DLComplete, &dl, [this] { ++complete; });
    }
};

} // namespace

class tst_DownLoad : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString target() const { return m_dir.filePath(QStringLiteral("pack.zip")); }

private Q_SLOTS:
    void statusTable_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QList<WebHost::Header>>("headers");
        QTest::addColumn<bool>("contentLength");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QList<qint32>>("codes");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("complete");
        const QByteArray body = pattern(3000);
        const QList<WebHost::Header> none;
        const QByteArray old = "old";
        QTest::newRow("200") << 200 << body << none << true << QByteArray("/f") << true << qint64(3000)
                             << QList<qint32>{} << body << true;
        QTest::newRow("206 of the whole file")
            << 206 << body << QList<WebHost::Header>{{"Content-Range", "bytes 0-2999/3000"}} << true
            << QByteArray("/f") << true << qint64(3000) << QList<qint32>{} << body << true;
        QTest::newRow("206 of a part")
            << 206 << body.left(100) << QList<WebHost::Header>{{"Content-Range", "bytes 0-99/3000"}} << true
            << QByteArray("/f") << false << qint64(0) << QList<qint32>{3, 1} << old << false;
        QTest::newRow("404") << 404 << QByteArray("gone") << none << true << QByteArray("/f") << false
                             << qint64(0) << QList<qint32>{2, 1} << old << false;
        QTest::newRow("401") << 401 << QByteArray("who") << none << true << QByteArray("/f") << true
                             << qint64(0) << QList<qint32>{401, 1} << old << false;
        QTest::newRow("403") << 403 << QByteArray("no") << none << true << QByteArray("/f") << true
                             << qint64(0) << QList<qint32>{403, 1} << old << false;
        QTest::newRow("500") << 500 << QByteArray("oops") << none << true << QByteArray("/f") << false
                             << qint64(0) << QList<qint32>{3, 1} << old << false;
        QTest::newRow("redirect to 200") << 302 << QByteArray() << QList<WebHost::Header>{{"Location", "/real"}}
                                         << true << QByteArray("/f") << true << qint64(3000)
                                         << QList<qint32>{} << body << true;
        QTest::newRow("refused connection") << 0 << QByteArray() << none << true << QByteArray("refused")
                                            << false << qint64(0) << QList<qint32>{3, 1} << old << false;
        QTest::newRow("no Content-Length") << 200 << body << none << false << QByteArray("/f") << false
                                           << qint64(0) << QList<qint32>{3, 1} << old << false;
        QTest::newRow("Content-Length 0") << 200 << QByteArray() << none << true << QByteArray("/f") << true
                                          << qint64(0) << QList<qint32>{} << QByteArray() << true;
    }
    void statusTable()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QList<WebHost::Header>, headers);
        QFETCH(bool, contentLength);
        QFETCH(QByteArray, path);
        WebHost web;
        QVERIFY(web.listen());
        WebHost::Answer a;
        a.status = status;
        a.body = body;
        a.headers = headers;
        a.sendContentLength = contentLength;
        web.serve("/f", a);
        web.serve("/real", pattern(3000));
        writeFile(target(), "old");

        DownLoad dl;
        dl.setBounds(UrlDownload::TransferBounds::within(5000));
        Events ev(dl);
        dl.setUrl(path == "refused" ? QStringLiteral("http://127.0.0.1:%1/f").arg(freePort(QHostAddress::LocalHost))
                                    : web.url(path).toString());
        dl.setSaveLocation(target());
        dl.GetFileInformation();
        QTEST(dl.FileExists(), "exists");
        QTEST(dl.FileSize(), "size");
        // A container goes on to DownLoad; one without an answer writes nothing.
        dl.DownLoadFile();
        QTEST(ev.codes, "codes");
        QTEST(readFile(target()), "file");
        QTEST(ev.complete == 1, "complete");
        QVERIFY(!dl.InDL());
        QVERIFY(!dl.busy());
        if (ev.complete) {
            QCOMPARE(ev.status.last(), QStringLiteral("Download Successful!"));
            QCOMPARE(web.lastRequest().header("Accept-Encoding"), QByteArray("identity"));
        }
    }

    void eventTexts()
    {
        WebHost web;
        QVERIFY(web.listen());
        web.serve("/f", pattern(2500));
        DownLoad dl;
        Events ev(dl);
        QSignalSpy percent(&dl, &DownLoad::Percent);
        QSignalSpy rate(&dl, &DownLoad::Rate);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        dl.setCHUNK(1000);
        dl.GetFileInformation();
        dl.DownLoadFile();
        const QString open = QStringLiteral("Opening ") + target() + QStringLiteral(" For DATA Input.");
        const QString recv = QStringLiteral("Recieving File, Inputting DATA to File.");
        QCOMPARE(ev.status, (QStringList{"Initiating Connection.", "Connection Accepted, Retrieving File Information.",
                                         "Retrieving File Information Complete!", open, recv, recv, recv,
                                         "Download Successful!"}));
        QCOMPARE(ev.received, (QList<qint64>{1000, 2000, 2500}));
        QCOMPARE(percent.last().at(0).toInt(), 100);
        QCOMPARE(percent.first().at(0).toInt(), 40);
        QCOMPARE(rate.size(), 3);
        QVERIFY(dl.ResumeSupported());   // an HTTP/1.1 answer
    }

    void bodyCutInHalf()
    {
        WebHost web;
        QVERIFY(web.listen());
        WebHost::Answer a;
        a.body = pattern(10000);
        a.mode = WebHost::Answer::Mode::CloseMidBody;
        a.closeAfter = 5000;
        web.serve("/f", a);
        DownLoad dl;
        Events ev(dl);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        dl.GetFileInformation();
        QCOMPARE(dl.FileSize(), qint64(10000));
        dl.DownLoadFile();
        QCOMPARE(ev.complete, 0);
        QCOMPARE(ev.codes, QList<qint32>{1});
        QCOMPARE(ev.errors, QStringList{QStringLiteral("Error Downloading File from : ") + dl.Url()});
        QCOMPARE(ev.status.last(), QStringLiteral("Download Aborted Due To Error In Download!"));
        QVERIFY(!dl.InDL());
        // The partial file stays (for a resume) and is closed.
        QCOMPARE(readFile(target()), pattern(10000).left(5000));
        QVERIFY(QFile::remove(target()));
    }

    void oneByteSegments()
    {
        WebHost web;
        QVERIFY(web.listen());
        WebHost::Answer a;
        a.body = pattern(40);
        a.chunkBytes = 1;
        a.chunkIntervalMs = 2;
        web.serve("/f", a);
        DownLoad dl;
        Events ev(dl);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        dl.setCHUNK(1);
        dl.GetFileInformation();
        dl.DownLoadFile();
        QCOMPARE(ev.complete, 1);
        QCOMPARE(ev.received.size(), 40);
        QCOMPARE(readFile(target()), pattern(40));
    }

    void resume_data()
    {
        QTest::addColumn<QByteArray>("route");   // empty: a host that behaves
        QTest::addColumn<bool>("honourRange");
        QTest::addColumn<int>("have");
        QTest::addColumn<QByteArray>("contentRange");
        QTest::addColumn<bool>("restarted");     // a second, whole request followed
        QTest::addColumn<QList<qint32>>("codes");
        QTest::addColumn<bool>("whole");   // the file equals the original afterwards
        const QList<qint32> none;
        QTest::newRow("server honours Range") << QByteArray() << true << 4000 << QByteArray() << false << none << true;
        QTest::newRow("server ignores Range") << QByteArray() << false << 4000 << QByteArray() << false << none << true;
        QTest::newRow("416 with everything here") << QByteArray() << true << 9000 << QByteArray() << false << none
                                                  << true;
        QTest::newRow("206 starting elsewhere") << QByteArray() << true << 4000 << QByteArray("bytes 10-8999/9000")
                                                << true << none << true;
        QTest::newRow("206 of 100 bytes") << QByteArray() << true << 4000 << QByteArray("bytes 4000-4099/9000")
                                          << true << none << true;
        // The hostile host's rows: each would splice a wrong file.
        for (const char *route : {"206 wrong start", "206 wrong end", "206 wrong total", "length below body",
                                  "200 to a range"}) {
            const bool plain200 = QByteArray(route) == "200 to a range";
            QTest::newRow(route) << QByteArray(route) << true << 4000 << QByteArray() << !plain200 << none << true;
        }
    }
    void resume()
    {
        QFETCH(QByteArray, route);
        QFETCH(bool, honourRange);
        QFETCH(int, have);
        QFETCH(QByteArray, contentRange);
        QFETCH(bool, restarted);
        const QByteArray original = pattern(9000);
        WebHost web;
        QVERIFY(web.listen());
        WebHost::Answer a;
        a.body = original;
        a.honourRange = honourRange;
        if (!contentRange.isEmpty())
            a.headers.append({"Content-Range", contentRange});
        web.serve("/f", a);
        writeFile(target(), original.left(have));

        DownLoad dl;
        Events ev(dl);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        dl.GetFileInformation();
        QVERIFY(dl.ResumeSupported());
        const qsizetype before = web.requests.size();
        if (!route.isEmpty()) {
            // The file on the host turns hostile after the size was known.
            // What a restart fetches is the file itself.
            web.serveSequence("/f", {WebHost::hostile(route, original), a});
        }
        dl.DLResume();
        QCOMPARE(web.requests.at(before).header("Range"), "bytes=" + QByteArray::number(have) + '-');
        QCOMPARE(web.requests.size() - before, restarted ? 2 : 1);
        if (restarted)
            QVERIFY(web.requests.last().header("Range").isEmpty());
        QTEST(ev.codes, "codes");
        QFETCH(bool, whole);
        QCOMPARE(ev.complete, whole ? 1 : 0);
        QCOMPARE(readFile(target()), whole ? original : original.left(have));
        QVERIFY(!dl.InDL());
    }

    void resumeAfterTheFileChangedStartsAgain()
    {
        // The host's file grew since its size was known: the old head and the
        // new tail must never be joined.
        const QByteArray original = pattern(9000);
        QByteArray changed = pattern(12000);
        changed[0] = char(~changed[0]);
        WebHost web;
        QVERIFY(web.listen());
        web.serve("/f", original);
        writeFile(target(), original.left(4000));
        DownLoad dl;
        Events ev(dl);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        dl.GetFileInformation();
        web.serve("/f", changed);
        dl.DLResume();
        QCOMPARE(ev.complete, 1);
        QCOMPARE(readFile(target()), changed);
        QCOMPARE(dl.FileSize(), qint64(12000));
    }

    void httpVersionDecidesResume()
    {
        // A server that answers in HTTP/1.0; WebHost speaks HTTP/1.1.
        QTcpServer old;
        QVERIFY(old.listen(QHostAddress::LocalHost));
        connect(&old, &QTcpServer::newConnection, &old, [&old] {
            QTcpSocket *s = old.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [s] {
                s->readAll();
                s->write("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc");
                s->disconnectFromHost();
            });
        });
        WebHost web;
        QVERIFY(web.listen());
        web.serve("/f", "abc");
        DownLoad dl;
        dl.setSaveLocation(target());
        dl.setUrl(QStringLiteral("http://127.0.0.1:%1/f").arg(old.serverPort()));
        dl.GetFileInformation();
        QVERIFY(dl.HeadersOk());
        QVERIFY(!dl.ResumeSupported());
        dl.setUrl(web.url("/f").toString());
        dl.GetFileInformation();
        QVERIFY(dl.ResumeSupported());
        QVERIFY(dl.AResume());
        // An HTTP/1.0 answer leaves it as it was.
        dl.setUrl(QStringLiteral("http://127.0.0.1:%1/f").arg(old.serverPort()));
        dl.GetFileInformation();
        QVERIFY(dl.ResumeSupported());
        dl.DownLoadFile();
        QCOMPARE(readFile(target()), QByteArray("abc"));
    }

    void resumeRefusals()
    {
        DownLoad dl;
        Events ev(dl);
        dl.setSaveLocation(m_dir.filePath(QStringLiteral("absent.zip")));
        dl.DLResume();
        QCOMPARE(ev.codes, QList<qint32>{6});
        QCOMPARE(ev.status.last(), QStringLiteral("Resume File Not Found, Aborting Download!"));
        writeFile(target(), "x");
        dl.setSaveLocation(target());
        dl.DLResume();   // no HTTP/1.1 answer seen yet
        QCOMPARE(ev.codes, (QList<qint32>{6, 7}));
        QCOMPARE(ev.errors.last(), QStringLiteral("Resume Not Supported!"));
    }

    void cancelDuringHeaders()
    {
        WebHost web;
        QVERIFY(web.listen());
        web.stall("/f");
        DownLoad dl;
        dl.setBounds(UrlDownload::TransferBounds::within(60000));
        Events ev(dl);
        QSignalSpy requested(&web, &WebHost::requestReceived);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        dl.beginFileInformation();
        QVERIFY(requested.wait(5000));
        QSignalSpy finished(&dl, &DownLoad::StepFinished);
        dl.Cancel();
        QCOMPARE(finished.size(), 1);   // at once, not after the idle time
        QCOMPARE(ev.codes, QList<qint32>{4});
        QCOMPARE(ev.status.last(), QStringLiteral("cancelled."));
        QVERIFY(!dl.CCancel());
        QVERIFY(!dl.FileExists());
    }

    void cancelDuringBody_data()
    {
        QTest::addColumn<bool>("paused");
        QTest::newRow("running") << false;
        QTest::newRow("paused") << true;
    }
    void cancelDuringBody()
    {
        QFETCH(bool, paused);
        WebHost web;
        QVERIFY(web.listen());
        WebHost::Answer a;
        a.body = pattern(200000);
        a.chunkBytes = 1000;
        a.chunkIntervalMs = 20;
        web.serve("/f", a);
        DownLoad dl;
        dl.setBounds(UrlDownload::TransferBounds::within(60000));
        Events ev(dl);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        connect(&dl, &DownLoad::RecievedBytes, &dl, [&dl, paused] {
            if (dl.CPause() || dl.CCancel())
                return;
            if (paused)
                dl.Pause(true);
            else
                dl.Cancel();
        });
        dl.GetFileInformation();
        QSignalSpy finished(&dl, &DownLoad::StepFinished);
        dl.beginDownLoad();
        if (paused) {
            QTRY_VERIFY_WITH_TIMEOUT(dl.CPause(), 5000);
            QVERIFY(dl.InDL());
            QVERIFY(ev.status.contains(QStringLiteral("Paused.")));
            dl.Cancel();
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 2000);
        QCOMPARE(ev.codes, QList<qint32>{4});
        QCOMPARE(ev.status.last(), QStringLiteral("Cancelled."));
        QCOMPARE(ev.complete, 0);
        QVERIFY(!dl.InDL());
        QVERIFY(!dl.CCancel());
        QVERIFY(QFile::remove(target()));   // closed: nothing holds it
    }

    void pauseHoldsTheTransfer()
    {
        WebHost web;
        QVERIFY(web.listen());
        WebHost::Answer a;
        a.body = pattern(30000);
        a.chunkBytes = 1000;
        a.chunkIntervalMs = 2;
        web.serve("/f", a);
        DownLoad dl;
        dl.setBounds(UrlDownload::TransferBounds::within(300));   // a pause longer than this is no failure
        Events ev(dl);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        connect(&dl, &DownLoad::RecievedBytes, &dl, [&dl, &ev] {
            if (ev.received.size() == 1) {
                dl.Pause(true);
                QTimer::singleShot(800, &dl, [&dl] { dl.Pause(false); });
            }
        });
        dl.GetFileInformation();
        dl.DownLoadFile();
        QVERIFY(ev.status.contains(QStringLiteral("Paused.")));
        QVERIFY(ev.status.contains(QStringLiteral("Unpausing")));
        QCOMPARE(ev.codes, QList<qint32>{});
        QCOMPARE(ev.complete, 1);
        QCOMPARE(readFile(target()), pattern(30000));
    }

    void cancelBeforeDownLoad()
    {
        WebHost web;
        QVERIFY(web.listen());
        web.serve("/f", pattern(100));
        DownLoad dl;
        Events ev(dl);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        dl.GetFileInformation();
        const int before = ev.status.size();
        dl.Cancel();
        dl.DownLoadFile();   // returns at once, with no event
        QCOMPARE(ev.status.size(), before + 1);   // only "Cancelling.."
        QVERIFY(dl.CCancel());
        dl.GetFileInformation();
        QVERIFY(!dl.CCancel());
    }

    void stalledServerTimesOut_data()
    {
        QTest::addColumn<bool>("inBody");
        QTest::addColumn<QList<qint32>>("codes");
        QTest::newRow("no head") << false << QList<qint32>{3};
        QTest::newRow("body stops") << true << QList<qint32>{1};
    }
    void stalledServerTimesOut()
    {
        QFETCH(bool, inBody);
        WebHost web;
        QVERIFY(web.listen());
        if (inBody) {
            WebHost::Answer a;
            a.body = pattern(5000);
            a.chunkBytes = 1000;
            a.chunkIntervalMs = 600000;
            web.serve("/f", a);
        } else {
            web.stall("/f");
        }
        DownLoad dl;
        dl.setBounds(UrlDownload::TransferBounds::within(300));
        Events ev(dl);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        QElapsedTimer clock;
        clock.start();
        dl.GetFileInformation();
        if (inBody)
            dl.DownLoadFile();
        QVERIFY(clock.elapsed() < 5000);
        QTEST(ev.codes, "codes");
        QVERIFY(!dl.InDL());
        QCOMPARE(ev.complete, 0);
    }

    void hostileHosts_data()
    {
        QTest::addColumn<QByteArray>("route");
        QTest::addColumn<QList<qint32>>("codes");
        QTest::addColumn<int>("kept");      // bytes of the body in the file; -1: the whole body
        QTest::addColumn<QString>("reason");
        const QList<qint32> none;
        QTest::newRow("trickle body") << QByteArray("trickle body") << QList<qint32>{1} << -2
                                      << QStringLiteral("less than 4096 bytes arrived in 400 ms");
        QTest::newRow("trickle head") << QByteArray("trickle head") << QList<qint32>{3, 1} << -3
                                      << QStringLiteral("no answer head within 400 ms");
        QTest::newRow("stall") << QByteArray("stall") << QList<qint32>{3, 1} << -3
                               << QStringLiteral("no answer head within 400 ms");
        QTest::newRow("redirect to an endless head") << QByteArray("redirect to trickle head") << QList<qint32>{3, 1}
                                                     << -3 << QStringLiteral("no answer head within 400 ms");
        QTest::newRow("cut body") << QByteArray("cut body") << QList<qint32>{1} << -2 << QString();
        QTest::newRow("length above body") << QByteArray("length above body") << QList<qint32>{1} << 3000 << QString();
        QTest::newRow("length below body") << QByteArray("length below body") << none << 2900 << QString();
        QTest::newRow("206 rows need a Range") << QByteArray("206 wrong total") << none << -1 << QString();
    }
    void hostileHosts()
    {
        // -2: a partial file, -3: the old file untouched.
        QFETCH(QByteArray, route);
        QFETCH(int, kept);
        QFETCH(QString, reason);
        const QByteArray body = pattern(3000);
        WebHost web;
        QVERIFY(web.listen());
        if (route.startsWith("redirect to ")) {
            WebHost::Answer moved;
            moved.status = 302;
            moved.headers.append(WebHost::Header("Location", "/g"));
            web.serve("/f", moved);
            web.serve("/g", WebHost::hostile(route.mid(12), body, 50));
        } else {
            web.serve("/f", WebHost::hostile(route, body, 50));
        }
        writeFile(target(), "old");
        DownLoad dl;
        dl.setBounds(UrlDownload::TransferBounds::within(400));
        Events ev(dl);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        QElapsedTimer clock;
        clock.start();
        dl.GetFileInformation();
        dl.DownLoadFile();
        QVERIFY2(clock.elapsed() < 3000, "a bound must end it");
        QTEST(ev.codes, "codes");
        QCOMPARE(ev.complete, ev.codes.isEmpty() ? 1 : 0);
        if (kept == -1)
            QCOMPARE(readFile(target()), body);
        else if (kept == -3)
            QCOMPARE(readFile(target()), QByteArray("old"));
        else if (kept >= 0)
            QCOMPARE(readFile(target()), body.left(kept));
        else
            QVERIFY(readFile(target()).size() < body.size());
        if (!reason.isEmpty())
            QCOMPARE(dl.FailureReason(), reason);
        QVERIFY(!dl.InDL());
    }

    void realBounds()
    {
        const UrlDownload::TransferBounds real;
        QCOMPARE(real.headMs, 15000);
        QCOMPARE(real.floorBytes, qint64(4096));
        QCOMPARE(real.windowMs, 30000);
        DownLoad dl;
        QCOMPARE(dl.bounds(), real);
        QCOMPARE(UrlDownload::defaultTransferBounds(), real);
        UrlDownload::setDefaultTransferBounds(UrlDownload::TransferBounds::within(500));
        DownLoad shorter;
        QCOMPARE(shorter.bounds().windowMs, 500);
        UrlDownload::setDefaultTransferBounds(real);
        QCOMPARE(UrlDownload::TransferBounds::within(0), real);
        // A window longer than the head bound keeps the head at its own.
        QCOMPARE(UrlDownload::TransferBounds::within(30000), real);
        QCOMPARE(UrlDownload::TransferBounds::within(300).headMs, 300);
    }

    void destroyedDuringTheBodyLeavesNoFile()
    {
        WebHost web;
        QVERIFY(web.listen());
        web.serve("/f", WebHost::hostile("trickle body", pattern(3000), 20));
        auto *dl = new DownLoad;
        dl->setUrl(web.url("/f").toString());
        dl->setSaveLocation(target());
        dl->GetFileInformation();
        QSignalSpy received(dl, &DownLoad::RecievedBytes);
        dl->beginDownLoad();
        QVERIFY(received.wait(5000));
        QVERIFY(QFile::exists(target()));
        delete dl;
        QVERIFY(!QFile::exists(target()));
    }

    void onlineCheck()
    {
        WebHost web;
        QVERIFY(web.listen());
        web.serve("/f", pattern(10));
        FakeConnectionState net;
        FakeDialogs dialogs;
        DownLoad dl;
        dl.setConnectionState(&net);
        dl.setDialogs(&dialogs);
        dl.setOnlineCheck(true);
        Events ev(dl);
        QSignalSpy ways(&dl, &DownLoad::ConnectionState);
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        net.answer = {true, ConnectionState::Lan | ConnectionState::Proxy};
        dl.GetFileInformation();
        QVERIFY(dl.Connected());
        QCOMPARE(ways.size(), 2);
        QCOMPARE(ways[0][0].toString(), QStringLiteral("Connected Via LAN."));
        QCOMPARE(ways[1][0].toString(), QStringLiteral("Connected Through A Proxy."));
        dl.DownLoadFile();
        QCOMPARE(ev.complete, 1);

        net.answer = {false, 0};
        dl.GetFileInformation();
        QVERIFY(!dl.Connected());
        QCOMPARE(ev.codes, QList<qint32>{5});
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(dialogs.questions[0].text,
                 QStringLiteral("You are not currently connected to the internet!\nThe download will be aborted!"));
        dl.DownLoadFile();
        QCOMPARE(ev.codes, (QList<qint32>{5, 5}));
    }

    void promptOverwrite()
    {
        WebHost web;
        QVERIFY(web.listen());
        web.serve("/f", pattern(10));
        FakeDialogs dialogs;
        dialogs.answers = {Dialogs::Answer::No};
        const QString other = m_dir.filePath(QStringLiteral("other.zip"));
        dialogs.inputs = {QString(), other};
        DownLoad dl;
        dl.setDialogs(&dialogs);
        dl.setPromptOverwrite(true);
        writeFile(target(), "keep");
        dl.setUrl(web.url("/f").toString());
        dl.setSaveLocation(target());
        dl.GetFileInformation();
        dl.DownLoadFile();
        QCOMPARE(readFile(target()), QByteArray("keep"));
        QCOMPARE(readFile(other), pattern(10));
        QCOMPARE(dialogs.questions.size(), 4);
        QCOMPARE(dialogs.questions[0].title, QStringLiteral("Overwrite?"));
        QCOMPARE(dialogs.questions[2].text, QStringLiteral("You didn't specify a file!"));
    }

    void rateText_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0.0 << "0 Bytes/S";
        QTest::newRow("1023") << 1023.0 << "1023 Bytes/S";
        QTest::newRow("rounded") << 511.6 << "512 Bytes/S";
        QTest::newRow("1023.5") << 1023.5 << "";
        QTest::newRow("1024") << 1024.0 << "1 KB/S";
        QTest::newRow("1536") << 1536.0 << "1.5 KB/S";
        QTest::newRow("two decimals") << 1300.0 << "1.27 KB/S";
        QTest::newRow("1048575") << 1048575.0 << "1024 KB/S";
        QTest::newRow("faster") << 1048576.0 << "";
        QTest::newRow("negative") << -1.0 << "";
    }
    void rateText()
    {
        QFETCH(double, rate);
        QTEST(DownLoad::rateText(rate), "text");
    }

    void timeLeftText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0.0 << "0 sec";
        QTest::newRow("59") << 59.0 << "59 sec";
        QTest::newRow("59.5") << 59.5 << "0 hr 1 min";
        QTest::newRow("60") << 60.0 << "1 min 0 sec";
        QTest::newRow("125") << 125.0 << "2 min 5 sec";
        QTest::newRow("3599") << 3599.0 << "59 min 59 sec";
        QTest::newRow("3600") << 3600.0 << "1 hr 0 min";
        QTest::newRow("7290") << 7290.0 << "2 hr 2 min";
        QTest::newRow("unknown") << qInf() << "";
    }
    void timeLeftText()
    {
        QFETCH(double, seconds);
        QTEST(DownLoad::timeLeftText(seconds), "text");
    }

    void keepTypePath_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("path");
        QTest::newRow("default") << "http://h/pack.zip" << "C:\\File1.tmp" << "C:\\File1.zip";
        QTest::newRow("no dot near the end") << "http://h/packzip" << "C:\\File1.tmp" << "C:\\File1.http://h/packzip";
        QTest::newRow("short address") << "a.zip" << "C:\\File1.tmp" << "";
        QTest::newRow("short save") << "http://h/pack.zip" << "a.tmp" << "";
    }
    void keepTypePath()
    {
        QFETCH(QString, url);
        QFETCH(QString, save);
        QTEST(DownLoad::keepTypePath(url, save), "path");
    }

    void storedProperties()
    {
        DownLoad dl;
        QVERIFY(dl.WriteProperties().isEmpty());
        QCOMPARE(dl.CHUNK(), 1024);
        QCOMPARE(dl.SaveLocation(), QStringLiteral("C:\\File1.tmp"));
        dl.setCHUNK(65536);
        dl.setUrl(QStringLiteral("http://h/x.zip"));
        dl.setKeepType(true);
        DownLoad copy;
        copy.ReadProperties(dl.WriteProperties());
        QCOMPARE(copy.CHUNK(), 65536);
        QCOMPARE(copy.Url(), QStringLiteral("http://h/x.zip"));
        QVERIFY(copy.KeepType());
        QCOMPARE(dl.WriteProperties().size(), 3);
    }
};

QTEST_MAIN(tst_DownLoad)
#include "tst_download.moc"
