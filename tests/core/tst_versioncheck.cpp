#include "core/VersionCheck.h"
#include "core/util/Files.h"
#include "core/util/Ini.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/RecordingChatOutput.h"
#include "tests/fixtures/WebHost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_VersionCheck : public QObject
{
    Q_OBJECT

    struct Setup
    {
        QTemporaryDir dir;
        WebHost host;
        FakeDialogs dialogs;
        VersionCheck check{dialogs, dir.path()};
        QStringList started;

        Setup()
        {
            host.listen();
            Ini::WriteIni(dir.filePath("qx.ini"), "general", "webhost", host.hostAndPort());
            check.setProgramStarter([this](const QString &program, const QString &folder) {
                started << program << folder;
                return true;
            });
            check.setClientPath("/opt/zorbel/Zorbel1-renamed");
        }
        QString file(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
        void makeUpdater() const
        {
            QFile f(file(VersionCheck::updaterFileName().toLatin1().constData()));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    };

private Q_SLOTS:
    void initTestCase() { UrlDownload::setDefaultTimeout(3000); }

    void compare_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("equal") << QByteArray("1.0.0") << QByteArray("1.0.0") << 0;
        QTest::newRow("10 after 9") << QByteArray("1.0.10") << QByteArray("1.0.9") << 1;
        QTest::newRow("9 before 10") << QByteArray("1.0.9") << QByteArray("1.0.10") << -1;
        QTest::newRow("major wins") << QByteArray("2.0.0") << QByteArray("1.99.99") << 1;
        QTest::newRow("missing part is 0") << QByteArray("1.0") << QByteArray("1.0.0") << 0;
        QTest::newRow("extra part") << QByteArray("1.0.0.1") << QByteArray("1.0.0") << 1;
        QTest::newRow("leading zeros") << QByteArray("1.00.02") << QByteArray("1.0.2") << 0;
        QTest::newRow("junk reads as 0") << QByteArray("1.x.0") << QByteArray("1.0.0") << 0;
        QTest::newRow("digits then junk") << QByteArray("1.2beta") << QByteArray("1.1") << 1;
        QTest::newRow("blanks around") << QByteArray(" 1.0.1 ") << QByteArray("1.0.0") << 1;
        QTest::newRow("empty") << QByteArray() << QByteArray("0.0.1") << -1;
    }

    void compare()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, sign);
        const int got = VersionCheck::compareVersions(a, b);
        QCOMPARE((got > 0) - (got < 0), sign);
    }

    void findRelease_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QByteArray>("version");
        QTest::newRow("first record") << QByteArray("gatherhall\r\n1.0.1\r\nhttp://x/a.zip\r\n") << true
                                      << QByteArray("1.0.1");
        QTest::newRow("second record decides")
            << QByteArray("other\r\n9.9.9\r\nhttp://x/o.zip\r\ngatherhall\r\n1.0.2\r\nhttp://x/g.zip\r\n")
            << true << QByteArray("1.0.2");
        QTest::newRow("LF lines") << QByteArray("gatherhall\n1.0.3\nhttp://x/a.zip\n") << true
                                  << QByteArray("1.0.3");
        QTest::newRow("key is case-sensitive") << QByteArray("Gatherhall\r\n1.0.1\r\nu\r\n") << false
                                               << QByteArray();
        QTest::newRow("key only as a first line")
            << QByteArray("other\r\ngatherhall\r\nu\r\n") << false << QByteArray();
        QTest::newRow("incomplete trailing record")
            << QByteArray("other\r\n1\r\nu\r\ngatherhall\r\n1.0.1\r\n") << false << QByteArray();
        QTest::newRow("empty") << QByteArray() << false << QByteArray();
    }

    void findRelease()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, found);
        QFETCH(QByteArray, version);
        VersionCheck::Release release;
        QCOMPARE(VersionCheck::findRelease(text, "gatherhall", &release), found);
        QCOMPARE(release.version, version);
    }

    void requestAndUpToDate()
    {
        Setup s;
        s.host.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://x/a.zip\r\n");
        QCOMPARE(s.check.CheckVersion("gatherhall"), VersionCheck::Result::Continue);
        QCOMPARE(s.host.requestCount("/updates/version.php"), 1);
        const QByteArray random = s.host.lastRequest().queryValue("random");
        QVERIFY(!random.isEmpty());
        QVERIFY(random.toInt() >= 0 && random.toInt() < 1000);
        QVERIFY(s.dialogs.questions.isEmpty());
        QVERIFY(!Files::FileExists(s.file("version.txt")));
    }

    // "1.0.9" is the greater text, but not the greater version.
    void olderSiteVersionAsksNothing()
    {
        Setup s;
        s.check.setOwnVersion("1.0.10");
        s.host.serve("/updates/version.php", "gatherhall\r\n1.0.9\r\nhttp://x/a.zip\r\n");
        QCOMPARE(s.check.CheckVersion("gatherhall"), VersionCheck::Result::Continue);
        QVERIFY(s.dialogs.questions.isEmpty());
    }

    void noMatchingRecordKeepsFile()
    {
        Setup s;
        s.host.serve("/updates/version.php", "other\r\n9.0.0\r\nhttp://x/a.zip\r\n");
        QCOMPARE(s.check.CheckVersion("gatherhall"), VersionCheck::Result::Continue);
        QVERIFY(s.dialogs.questions.isEmpty());
        QVERIFY(Files::FileExists(s.file("version.txt")));
    }

    void newerDeclined()
    {
        Setup s;
        s.check.setOwnVersion("1.0.9");
        s.host.serve("/updates/version.php", "gatherhall\r\n1.0.10\r\nhttp://x/a.zip\r\n");
        s.dialogs.answers = {Dialogs::Answer::No};
        QCOMPARE(s.check.CheckVersion("gatherhall"), VersionCheck::Result::Continue);
        QCOMPARE(s.dialogs.questions.size(), 1);
        QCOMPARE(s.dialogs.questions[0].title, QStringLiteral("New Version Found!"));
        QCOMPARE(s.dialogs.questions[0].buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(s.dialogs.questions[0].text,
                 QStringLiteral("Your version is: 1.0.9\r\nThe version at the site is: 1.0.10\r\n\r\n"
                                "Do you want to download the new version (the gatherhall will quit "
                                "without saving and start the update utility)?"));
        QVERIFY(Files::FileExists(s.file("version.txt")));
        QVERIFY(!Files::FileExists(s.file("updater.cfg")));
        QVERIFY(s.started.isEmpty());
    }

    void acceptedHandsOver()
    {
        Setup s;
        s.makeUpdater();
        s.host.serve("/updates/version.php",
                     "other\r\n5.0.0\r\nhttp://x/o.zip\r\ngatherhall\r\n1.1.0\r\nhttp://x/g.zip\r\n");
        s.dialogs.answers = {Dialogs::Answer::Yes};
        QCOMPARE(s.check.CheckVersion("gatherhall"), VersionCheck::Result::Exit);
        QCOMPARE(Files::ReadAll(s.file("updater.cfg")),
                 QByteArray("Gatherhall\r\n1.1.0\r\nhttp://x/g.zip\r\n/opt/zorbel/Zorbel1-renamed\r\n"));
        QCOMPARE(s.started, (QStringList{s.file(VersionCheck::updaterFileName().toLatin1().constData()),
                                         s.dir.path()}));
        QVERIFY(!Files::FileExists(s.file("version.txt")));
    }

    // update-failed.txt, left by an updater that could not install a release,
    // is read and deleted by every check; only for that very version does the
    // check go on to the login with a status line instead of asking again.
    void failedUpdateMarker_data()
    {
        QTest::addColumn<QByteArray>("marker");
        QTest::addColumn<bool>("asked");
        QTest::newRow("same version") << QByteArray("1.1.0\r\n") << false;
        QTest::newRow("same version, LF") << QByteArray("1.1.0\n") << false;
        QTest::newRow("an older failure") << QByteArray("1.0.5\r\n") << true;
        QTest::newRow("empty marker") << QByteArray() << true;
    }

    void failedUpdateMarker()
    {
        QFETCH(QByteArray, marker);
        QFETCH(bool, asked);
        Setup s;
        RecordingChatOutput status;
        s.check.setStatusOutput(&status);
        s.makeUpdater();
        QFile f(s.file("update-failed.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(marker);
        f.close();
        s.host.serve("/updates/version.php", "gatherhall\r\n1.1.0\r\nhttp://x/g.zip\r\n");
        s.dialogs.answers = {Dialogs::Answer::No};

        QCOMPARE(s.check.CheckVersion("gatherhall"), VersionCheck::Result::Continue);
        QCOMPARE(s.dialogs.questions.size(), asked ? 1 : 0);
        QCOMPARE(status.systemMessages.size(), asked ? 0 : 1);
        if (!asked)
            QCOMPARE(status.systemMessages.first(),
                     QByteArray("The update to version 1.1.0 could not be installed; version 1.0.0 "
                                "goes on. The next start tries again."));
        QVERIFY(!QFile::exists(s.file("update-failed.txt")));
        QVERIFY(s.started.isEmpty());
        QVERIFY(!Files::FileExists(s.file("updater.cfg")));

        // The next start offers the release again.
        s.dialogs.questions.clear();
        s.dialogs.answers = {Dialogs::Answer::No};
        QCOMPARE(s.check.CheckVersion("gatherhall"), VersionCheck::Result::Continue);
        QCOMPARE(s.dialogs.questions.size(), 1);
    }

    void acceptedWithoutUpdater()
    {
        Setup s;
        s.host.serve("/updates/version.php", "gatherhall\r\n1.1.0\r\nhttp://x/g.zip\r\n");
        s.dialogs.answers = {Dialogs::Answer::Yes};
        QCOMPARE(s.check.CheckVersion("gatherhall"), VersionCheck::Result::Exit);
        QVERIFY(s.dialogs.asked(QStringLiteral("The update utility (updater.exe) is not available!")));
        QVERIFY(!Files::FileExists(s.file("updater.cfg")));
        QVERIFY(s.started.isEmpty());
    }

    void failedRequestGoesOn_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("404") << 404;
        QTest::newRow("500") << 500;
    }

    void failedRequestGoesOn()
    {
        QFETCH(int, status);
        Setup s;
        s.host.serve("/updates/version.php", "gatherhall\r\n9.0.0\r\nu\r\n", status);
        QCOMPARE(s.check.CheckVersion("gatherhall"), VersionCheck::Result::Continue);
        QCOMPARE(s.dialogs.questions.size(), 1);
        QCOMPARE(s.dialogs.questions[0].text,
                 QStringLiteral("Error while connecting! Update failed! Check if your internet "
                                "connection works!"));
    }

    // An old version.txt is never read as the answer.
    void staleFileDeletedFirst()
    {
        Setup s;
        QFile stale(s.file("version.txt"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("gatherhall\r\n9.0.0\r\nu\r\n");
        stale.close();
        s.host.serve("/updates/version.php", "x", 404);
        s.check.CheckVersion("gatherhall");
        QVERIFY(!Files::FileExists(s.file("version.txt")));
        QVERIFY(!s.dialogs.asked(QStringLiteral("New Version")));
    }
};

QTEST_GUILESS_MAIN(tst_VersionCheck)
#include "tst_versioncheck.moc"
