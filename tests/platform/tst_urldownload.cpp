#include "core/util/Files.h"
#include "core/util/Ini.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// The web host fixture and the blocking download against it.
class TstUrlDownload : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void onlyTwoXxIsSuccess_data();
    void onlyTwoXxIsSuccess();
    void failureKeepsOldFile();
    void stallTimesOut();
    void closeMidBodyIsFailure();
    void pageBoundCountsFromTheStart();
    void pagesEndWithinTheirBound_data();
    void pagesEndWithinTheirBound();
    void transfersUnderTheirBounds_data();
    void transfersUnderTheirBounds();
    void cancelAllEndsEveryWait();
    void realPageBound();
    void servesFilesAndFolders();
    void rangeHonouredOrIgnored();
    void logsRequestLinesAndHeaders();
    void refusesOtherSchemes();
    void webHostFromSettings_data();
    void webHostFromSettings();
    void pageUrls();

private:
    WebHost *m_host = nullptr;
    QTemporaryDir m_dir;
};

void TstUrlDownload::init()
{
    m_host = new WebHost(this);
    QVERIFY(m_host->listen());
    QVERIFY(m_host->port() != 0);
    UrlDownload::setDefaultTimeout(3000);
}

void TstUrlDownload::cleanup()
{
    delete m_host;
    m_host = nullptr;
}

void TstUrlDownload::onlyTwoXxIsSuccess_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("ok");
    QTest::newRow("200") << 200 << true;
    QTest::newRow("204") << 204 << true;
    QTest::newRow("299") << 299 << true;
    QTest::newRow("404") << 404 << false;
    QTest::newRow("500") << 500 << false;
    QTest::newRow("304") << 304 << false;
    QTest::newRow("403") << 403 << false;
}

void TstUrlDownload::onlyTwoXxIsSuccess()
{
    QFETCH(int, status);
    QFETCH(bool, ok);
    const QByteArray body = status == 204 || status == 304 ? QByteArray() : QByteArray("line one\nline two\n");
    m_host->serve("/servers.php", body, status);
    QByteArray got = "stale";
    const UrlDownload::Result r = UrlDownload::fetch(m_host->url("/servers.php?random=5"), &got);
    QCOMPARE(r.ok, ok);
    QCOMPARE(r.status, status);
    QCOMPARE(r.error.isEmpty(), ok);
    QCOMPARE(got, ok ? body : QByteArray());

    const QString file = m_dir.filePath(QStringLiteral("servers.txt"));
    QFile::remove(file);
    QCOMPARE(UrlDownload::toFile(m_host->url("/servers.php"), file).ok, ok);
    QCOMPARE(Files::FileExists(file), ok);
    if (ok)
        QCOMPARE(Files::ReadAll(file), body);
}

void TstUrlDownload::failureKeepsOldFile()
{
    const QString file = m_dir.filePath(QStringLiteral("version.txt"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("old");
    f.close();
    m_host->serve("/updates/version.php", "gone", 404);
    QVERIFY(!UrlDownload::toFile(m_host->url("/updates/version.php?random=1"), file).ok);
    QCOMPARE(Files::ReadAll(file), QByteArray("old"));
    m_host->serve("/updates/version.php", "1.0.1\n");
    QVERIFY(UrlDownload::toFile(m_host->url("/updates/version.php?random=2"), file).ok);
    QCOMPARE(Files::ReadAll(file), QByteArray("1.0.1\n"));
}

void TstUrlDownload::stallTimesOut()
{
    m_host->stall("/slow.php");
    QElapsedTimer clock;
    clock.start();
    QByteArray body;
    const UrlDownload::Result r = UrlDownload::fetch(m_host->url("/slow.php"), &body, 300);
    QVERIFY(!r.ok);
    QVERIFY(r.timedOut);
    QCOMPARE(r.status, 0);
    QVERIFY2(clock.elapsed() < 2500, "the timeout must end the wait");
    QCOMPARE(m_host->requestCount("/slow.php"), 1);
}

void TstUrlDownload::closeMidBodyIsFailure()
{
    WebHost::Answer a;
    a.body = QByteArray(10000, 'x');
    a.mode = WebHost::Answer::Mode::CloseMidBody;
    a.closeAfter = 100;
    m_host->serve("/cut.php", a);
    const QString file = m_dir.filePath(QStringLiteral("cut.txt"));
    QFile::remove(file);
    const UrlDownload::Result r = UrlDownload::toFile(m_host->url("/cut.php"), file);
    QVERIFY(!r.ok);
    QVERIFY(!Files::FileExists(file));
}

void TstUrlDownload::pageBoundCountsFromTheStart()
{
    WebHost::Answer a;
    a.body = QByteArray(4000, 'y');
    a.chunkBytes = 1000;
    a.chunkIntervalMs = 40;
    m_host->serve("/trickle", a);
    QByteArray body;
    const UrlDownload::Result r = UrlDownload::fetch(m_host->url("/trickle"), &body, 2000);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(body, a.body);
    // Each chunk comes well within 100 ms, the whole does not: the bound is
    // one of the whole answer, not of the silence between chunks.
    QElapsedTimer clock;
    clock.start();
    const UrlDownload::Result late = UrlDownload::fetch(m_host->url("/trickle"), &body, 100);
    QVERIFY(!late.ok);
    QVERIFY(late.timedOut);
    QCOMPARE(late.error, QStringLiteral("no whole answer within 100 ms"));
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(body.isEmpty());
}

void TstUrlDownload::pagesEndWithinTheirBound_data()
{
    QTest::addColumn<QByteArray>("route");
    QTest::addColumn<bool>("ok");
    for (const WebHost::Route &r : WebHost::hostileRoutes(QByteArray(3000, 'p'), 50)) {
        const QByteArray name = r.name;
        const bool fails = name.startsWith("trickle") || name == "stall" || name == "cut body"
            || name == "length above body";
        QTest::newRow(r.name) << name << !fails;
    }
}

void TstUrlDownload::pagesEndWithinTheirBound()
{
    QFETCH(QByteArray, route);
    const QByteArray page(3000, 'p');
    m_host->serve("/page.php", WebHost::hostile(route, page, 50));
    const QString file = m_dir.filePath(QStringLiteral("page.txt"));
    writeFile(file, "old");
    QElapsedTimer clock;
    clock.start();
    const UrlDownload::Result r = UrlDownload::toFile(m_host->url("/page.php"), file, 600);
    QVERIFY2(clock.elapsed() < 2000, "the page bound must end it");
    QTEST(r.ok, "ok");
    if (r.ok) {
        QVERIFY(page.startsWith(readFile(file)));
    } else {
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(readFile(file), QByteArray("old"));
    }
}

void TstUrlDownload::transfersUnderTheirBounds_data()
{
    QTest::addColumn<QByteArray>("route");   // empty: steady, and longer than a window in all
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("reason");
    QTest::newRow("steady") << QByteArray() << true << QString();
    QTest::newRow("trickle body") << QByteArray("trickle body") << false
                                  << QStringLiteral("less than 4096 bytes arrived in 1 s");
    QTest::newRow("trickle head") << QByteArray("trickle head") << false
                                  << QStringLiteral("no answer head within 1 s");
    QTest::newRow("stall") << QByteArray("stall") << false << QStringLiteral("no answer head within 1 s");
    QTest::newRow("cut body") << QByteArray("cut body") << false << QString();
    QTest::newRow("length above body") << QByteArray("length above body") << false << QString();
}

void TstUrlDownload::transfersUnderTheirBounds()
{
    QFETCH(QByteArray, route);
    QFETCH(QString, reason);
    const QByteArray release(160000, 'r');
    WebHost::Answer steady;
    steady.body = release;
    steady.chunkBytes = 2000;
    steady.chunkIntervalMs = 20;
    m_host->serve("/release.zip", route.isEmpty() ? steady : WebHost::hostile(route, release, 50));
    const QString file = m_dir.filePath(QStringLiteral("install.zip"));
    writeFile(file, "old");
    QElapsedTimer clock;
    clock.start();
    const UrlDownload::Result r = UrlDownload::toFile(m_host->url("/release.zip"), file,
                                                      UrlDownload::TransferBounds::within(1000), qint64(1) << 30);
    QVERIFY(clock.elapsed() < 8000);
    QTEST(r.ok, "ok");
    if (r.ok)
        QVERIFY(clock.elapsed() > 1000);   // longer than a window: the floor is no total bound
    if (!reason.isEmpty()) {
        QCOMPARE(r.error, reason);
        QVERIFY(r.timedOut);
    }
    QCOMPARE(readFile(file), r.ok ? release : QByteArray("old"));
    // Nothing half-written beside it either.
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("install.zip*")}, QDir::Files),
             QStringList{QStringLiteral("install.zip")});
}

void TstUrlDownload::cancelAllEndsEveryWait()
{
    m_host->stall("/release.zip");
    m_host->stall("/page.php");
    const QString file = m_dir.filePath(QStringLiteral("release.zip"));
    QFile::remove(file);
    UrlDownload::Result inner;
    // A page awaited inside the transfer's wait (a timer fires meanwhile).
    QTimer::singleShot(50, this, [&] {
        QByteArray body;
        QTimer::singleShot(100, this, [] { UrlDownload::cancelAll(); });
        inner = UrlDownload::fetch(m_host->url("/page.php"), &body, 60000);
    });
    QElapsedTimer clock;
    clock.start();
    const UrlDownload::Result outer = UrlDownload::toFile(m_host->url("/release.zip"), file,
                                                          UrlDownload::TransferBounds::within(60000));
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(!outer.ok && outer.cancelled);
    QVERIFY(!inner.ok && inner.cancelled);
    QVERIFY(!QFile::exists(file));
    QVERIFY(QDir(m_dir.path()).entryList({QStringLiteral("release.zip*")}, QDir::Files).isEmpty());
    // Nothing is left to cancel afterwards, and a new fetch works.
    UrlDownload::cancelAll();
    m_host->serve("/page.php", "fine");
    QByteArray body;
    QVERIFY(UrlDownload::fetch(m_host->url("/page.php"), &body).ok);
}

void TstUrlDownload::realPageBound()
{
    QCOMPARE(UrlDownload::PageLimitMs, 15000);
    UrlDownload::setDefaultTimeout(0);
    QCOMPARE(UrlDownload::defaultTimeout(), 15000);
    UrlDownload::setDefaultTimeout(3000);
}

void TstUrlDownload::servesFilesAndFolders()
{
    const QString file = m_dir.filePath(QStringLiteral("pack.zip"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("PK\x03\x04 zip bytes");
    f.close();
    m_host->serveFile("/packs/one.zip", file);
    QByteArray body;
    QVERIFY(UrlDownload::fetch(m_host->url("/packs/one.zip"), &body).ok);
    QCOMPARE(body, QByteArray("PK\x03\x04 zip bytes"));

    m_host->serveFolder(m_dir.path());
    QVERIFY(UrlDownload::fetch(m_host->url("/pack.zip"), &body).ok);
    QCOMPARE(body, QByteArray("PK\x03\x04 zip bytes"));
    const UrlDownload::Result missing = UrlDownload::fetch(m_host->url("/nothing.zip"), &body);
    QVERIFY(!missing.ok);
    QCOMPARE(missing.status, 404);
}

void TstUrlDownload::rangeHonouredOrIgnored()
{
    // Raw sockets: the download call never sends Range, the DownLoad control does.
    auto ask = [this](const QByteArray &path, const QByteArray &range) {
        QTcpSocket s;
        QByteArray all;
        connect(&s, &QTcpSocket::connected, &s, [&] {
            s.write("GET " + path + " HTTP/1.1\r\nHost: x\r\nRange: " + range + "\r\n\r\n");
        });
        connect(&s, &QTcpSocket::readyRead, &s, [&] { all += s.readAll(); });
        QSignalSpy closed(&s, &QTcpSocket::disconnected);
        s.connectToHost(QHostAddress::LocalHost, m_host->port());
        closed.wait(3000);
        return all + s.readAll();
    };
    m_host->serve("/f", "0123456789");
    QByteArray answer = ask("/f", "bytes=4-");
    QVERIFY(answer.startsWith("HTTP/1.1 206 "));
    QVERIFY(answer.contains("\r\nContent-Range: bytes 4-9/10\r\n"));
    QVERIFY(answer.endsWith("\r\n\r\n456789"));

    answer = ask("/f", "bytes=2-3");
    QVERIFY(answer.contains("Content-Range: bytes 2-3/10"));
    QVERIFY(answer.endsWith("\r\n\r\n23"));

    answer = ask("/f", "bytes=10-");
    QVERIFY(answer.startsWith("HTTP/1.1 416 "));

    WebHost::Answer ignore;
    ignore.body = "0123456789";
    ignore.honourRange = false;
    m_host->serve("/g", ignore);
    answer = ask("/g", "bytes=4-");
    QVERIFY(answer.startsWith("HTTP/1.1 200 "));
    QVERIFY(answer.endsWith("\r\n\r\n0123456789"));

    // A host that answers 206 from the wrong place, for resume tests.
    WebHost::Answer wrong;
    wrong.status = 206;
    wrong.body = "56789";
    wrong.honourRange = false;
    wrong.headers = {{"Content-Range", "bytes 5-9/10"}};
    m_host->serve("/h", wrong);
    answer = ask("/h", "bytes=4-");
    QVERIFY(answer.startsWith("HTTP/1.1 206 "));
    QVERIFY(answer.contains("Content-Range: bytes 5-9/10"));
    QCOMPARE(m_host->lastRequest().header("range"), QByteArray("bytes=4-"));
}

void TstUrlDownload::logsRequestLinesAndHeaders()
{
    m_host->serve("/getmappack.php", "http://x/y.zip\n");
    QByteArray body;
    QVERIFY(UrlDownload::fetch(m_host->url("/getmappack.php?random=17&crc=0A1B2C3D"), &body).ok);
    QCOMPARE(m_host->requests.size(), 1);
    const WebHost::Request r = m_host->lastRequest();
    QCOMPARE(r.line, QByteArray("GET /getmappack.php?random=17&crc=0A1B2C3D HTTP/1.1"));
    QCOMPARE(r.method, QByteArray("GET"));
    QCOMPARE(r.path, QByteArray("/getmappack.php"));
    QCOMPARE(r.queryValue("crc"), QByteArray("0A1B2C3D"));
    QCOMPARE(r.queryValue("random"), QByteArray("17"));
    QCOMPARE(r.header("host"), m_host->hostAndPort());
}

void TstUrlDownload::refusesOtherSchemes()
{
    QByteArray body;
    const UrlDownload::Result r = UrlDownload::fetch(QUrl(QStringLiteral("file:///etc/passwd")), &body);
    QVERIFY(!r.ok);
    QVERIFY(body.isEmpty());
}

void TstUrlDownload::webHostFromSettings_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("host");
    QTest::newRow("empty: compiled-in") << QByteArray() << LobbyWebHost::defaultHost();
    QTest::newRow("host") << QByteArray("web.example.org") << QByteArray("web.example.org");
    QTest::newRow("host:port") << QByteArray("127.0.0.1:8080") << QByteArray("127.0.0.1:8080");
    QTest::newRow("path is refused") << QByteArray("evil.org/x?y") << LobbyWebHost::defaultHost();
    QTest::newRow("bad port is refused") << QByteArray("a.org:99999") << LobbyWebHost::defaultHost();
}

void TstUrlDownload::webHostFromSettings()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, host);
    const QString ini = m_dir.filePath(QStringLiteral("qx.ini"));
    QFile::remove(ini);
    if (!value.isEmpty())
        QVERIFY(Ini::WriteIni(ini, "general", "webhost", value));
    QCOMPARE(LobbyWebHost::fromSettings(ini), host);
}

void TstUrlDownload::pageUrls()
{
    QCOMPARE(LobbyWebHost::pageUrl("h:81", "updates/version.php", 42).toEncoded(),
             QByteArray("http://h:81/updates/version.php?random=42"));
    QCOMPARE(LobbyWebHost::pageUrl("h", "getmappack.php", 7, {{"crc", "00AB12CD"}}).toEncoded(),
             QByteArray("http://h/getmappack.php?random=7&crc=00AB12CD"));
    QCOMPARE(LobbyWebHost::plainUrl("h", "/register.php", {{"name", "a b&c"}}).toEncoded(),
             QByteArray("http://h/register.php?name=a%20b%26c"));
    for (int i = 0; i < 50; ++i)
        QVERIFY(LobbyWebHost::randomNumber(1000) < 1000);

    // The whole way: settings, URL, web host.
    const QString ini = m_dir.filePath(QStringLiteral("qx.ini"));
    QVERIFY(Ini::WriteIni(ini, "general", "webhost", m_host->hostAndPort()));
    m_host->serve("/ranksqx.php", "ranks\n");
    QByteArray body;
    const QUrl url = LobbyWebHost::pageUrl(LobbyWebHost::fromSettings(ini), "ranksqx.php",
                                           LobbyWebHost::randomNumber(99999999));
    QVERIFY(UrlDownload::fetch(url, &body).ok);
    QCOMPARE(body, QByteArray("ranks\n"));
}

QTEST_GUILESS_MAIN(TstUrlDownload)
#include "tst_urldownload.moc"
