#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/fixtures/ZipBuilder.h"
#include "tests/updater/LockInChild.h"
#include "updater/UpdaterConfig.h"
#include "updater/UpdaterRun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "updater/UpdateLock.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Tree = QMap<QString, QByteArray>;


// Fails the n-th rename of putting the release in place.
class CountingFailure : public ReleaseInstall::FileSystem
{
public:
    explicit CountingFailure(int failAt) : m_failAt(failAt) {}
    bool rename(const QString &from, const QString &to) override
    {
        return ++m_renames != m_failAt && FileSystem::rename(from, to);
    }

private:
    int m_failAt;
    int m_renames = 0;
};

const QString NotHandedOverText = QStringLiteral("This program can only be run by the Vellumar Gatherhall!");
const QString DownloadFailedText = QStringLiteral(
    "You don't have internet access or the update file doesn't exist. Please mail this to "
    "support@zorbel.net!");

// A shell script that records the folder it was started in, written whole
// before it appears under `marker`.
void writeClientScript(const QString &path, const QString &marker)
{
    writeFile(path, "#!/bin/sh\npwd > '" + QFile::encodeName(marker) + ".part' && mv '"
                        + QFile::encodeName(marker) + ".part' '" + QFile::encodeName(marker) + "'\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
}

// One run's world: <base>/home is the updater's folder, so that an escaping
// archive entry has somewhere to land beside it.
struct Sandbox
{
    QTemporaryDir dir;
    QString home;
    FakeDialogs dialogs;
    WebHost host;
    UpdaterRun run;
    QStringList startedPrograms;
    bool starterResult = true;
    QSignalSpy started{&run, &UpdaterRun::started};
    QSignalSpy downloaded{&run, &UpdaterRun::downloaded};
    QSignalSpy installed{&run, &UpdaterRun::installed};

    Sandbox()
        : home(dir.filePath(QStringLiteral("home")))
        , run(dialogs, home)
    {
        QDir().mkpath(home);
        run.setProgramStarter([this](const QString &program) {
            startedPrograms.append(program);
            return starterResult;
        });
        run.setDownloadTimeout(2000);
    }

    QString file(const QString &name) const { return home + QLatin1Char('/') + name; }
    QString clientPath() const { return file(QStringLiteral("Zorbel1")); }

    QByteArray configText(const QByteArray &path = "/updates/gatherhall-1.1.0.zip") const
    {
        return "Gatherhall\r\n1.1.0\r\n" + host.url(path).toEncoded() + "\r\n"
            + QFile::encodeName(clientPath()) + "\r\n";
    }
    void writeConfig(const QByteArray &text) { writeFile(file(QStringLiteral("updater.cfg")), text); }

    void serveZip(const QList<ZipEntry> &entries, const QByteArray &path = "/updates/gatherhall-1.1.0.zip")
    {
        const QString zip = dir.filePath(QStringLiteral("release.zip"));
        QString why;
        QVERIFY2(buildZip(zip, entries, &why), qPrintable(why));
        host.serve(path, readFile(zip));
    }
};

} // namespace

class TestUpdaterRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void absentConfigTouchesNothing()
    {
        Sandbox s;
        QVERIFY(s.host.listen());
        writeFile(s.file(QStringLiteral("Zorbel1")), "old client");
        QCOMPARE(s.run.run(), UpdaterRun::Outcome::NotHandedOver);
        QCOMPARE(s.dialogs.messages().size(), 1);
        QCOMPARE(s.dialogs.messages().first().text, NotHandedOverText);
        QCOMPARE(fileTree(s.home), QStringList{QStringLiteral("Zorbel1")});
        QCOMPARE(s.started.size(), 0);
        QVERIFY(s.host.requests.isEmpty());
        QVERIFY(s.startedPrograms.isEmpty());
    }

    void configLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("version");
        QTest::newRow("four CR LF lines") << QByteArray("G\r\n1.1\r\nhttp://h/u.zip\r\n/p/c\r\n") << true << QByteArray("1.1");
        QTest::newRow("LF lines, no final end") << QByteArray("G\n1.1\nhttp://h/u.zip\n/p/c") << true << QByteArray("1.1");
        QTest::newRow("extra lines ignored") << QByteArray("G\r\n1.1\r\nhttp://h/u.zip\r\n/p/c\r\nmore\r\n") << true << QByteArray("1.1");
        QTest::newRow("empty product and version") << QByteArray("\r\n\r\nhttp://h/u.zip\r\n/p/c\r\n") << true << QByteArray();
        QTest::newRow("empty file") << QByteArray() << false << QByteArray();
        QTest::newRow("three lines") << QByteArray("G\r\n1.1\r\nhttp://h/u.zip\r\n") << false << QByteArray();
        QTest::newRow("three lines, no final end") << QByteArray("G\r\n1.1\r\nhttp://h/u.zip") << false << QByteArray();
        QTest::newRow("empty address") << QByteArray("G\r\n1.1\r\n\r\n/p/c\r\n") << false << QByteArray();
        QTest::newRow("empty program") << QByteArray("G\r\n1.1\r\nhttp://h/u.zip\r\n\r\n") << false << QByteArray();
    }

    void configLines()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(QByteArray, version);
        const std::optional<UpdaterConfig> config = UpdaterConfig::parse(text);
        QCOMPARE(config.has_value(), valid);
        if (valid) {
            QCOMPARE(config->UpdateVersion, version);
            QCOMPARE(config->UpdateUrl, QByteArray("http://h/u.zip"));
            QCOMPARE(config->RestartCommand, QByteArray("/p/c"));
            return;
        }

        // A run on such a file reports it and changes nothing, updater.cfg included.
        Sandbox s;
        QVERIFY(s.host.listen());
        s.writeConfig(text);
        QCOMPARE(s.run.run(), UpdaterRun::Outcome::BadConfig);
        QCOMPARE(s.dialogs.messages().size(), 1);
        QVERIFY(s.dialogs.asked(QStringLiteral("updater.cfg")));
        QCOMPARE(readFile(s.file(QStringLiteral("updater.cfg"))), text);
        QCOMPARE(fileTree(s.home), QStringList{QStringLiteral("updater.cfg")});
        QVERIFY(s.host.requests.isEmpty());
        QVERIFY(s.startedPrograms.isEmpty());
    }

    void successfulRunInstallsAndRestarts()
    {
        Sandbox s;
        QVERIFY(s.host.listen());
        writeFile(s.clientPath(), "old client");
        writeFile(s.file(QStringLiteral("qx.ini")), "[SECTION=general]\r\n[EOS]\r\n");
        s.writeConfig(s.configText() + "a fifth line\r\n");
        s.serveZip({ZipEntry("Zorbel1", "new client"), ZipEntry("skins/").dir(),
                    ZipEntry("skins/Default/qxskin.ini", "skin"), ZipEntry("docs\\readme.txt", "read me")});

        QCOMPARE(s.run.run(), UpdaterRun::Outcome::Done);
        QVERIFY2(s.dialogs.questions.isEmpty(),
                 qPrintable(s.dialogs.questions.value(0).text));
        QCOMPARE(s.host.requestCount("/updates/gatherhall-1.1.0.zip"), 1);
        QCOMPARE(s.started.size(), 1);
        QCOMPARE(s.started.first().first().toString(), QStringLiteral("Updating to Gatherhall version 1.1.0"));
        QCOMPARE(s.downloaded.size(), 1);
        QCOMPARE(s.installed.size(), 1);
        QCOMPARE(s.startedPrograms, QStringList{s.clientPath()});

        QCOMPARE(readFile(s.clientPath()), QByteArray("new client"));
        QCOMPARE(readFile(s.file(QStringLiteral("skins/Default/qxskin.ini"))), QByteArray("skin"));
        QCOMPARE(readFile(s.file(QStringLiteral("docs/readme.txt"))), QByteArray("read me"));
        QCOMPARE(fileTree(s.home),
                 (QStringList{QStringLiteral("Zorbel1"), QStringLiteral("docs"),
                              QStringLiteral("docs/readme.txt"), QStringLiteral("qx.ini"),
                              QStringLiteral("skins"), QStringLiteral("skins/Default"),
                              QStringLiteral("skins/Default/qxskin.ini")}));
    }

    void restartRunsTheProgramOfLineFour()
    {
        Sandbox s;
        QVERIFY(s.host.listen());
        UpdaterRun run(s.dialogs, s.home); // the real starter
        run.setDownloadTimeout(2000);
        // Any program is started, the client or not: nothing checks the path.
        const QString script = s.file(QStringLiteral("bin/other-program"));
        const QString marker = s.dir.filePath(QStringLiteral("started"));
        writeClientScript(script, marker);
        s.writeConfig("Gatherhall\r\n1.1.0\r\n" + s.host.url("/r.zip").toEncoded() + "\r\n"
                      + QFile::encodeName(script) + "\r\n");
        s.serveZip({ZipEntry("new.txt", "new")}, "/r.zip");

        QCOMPARE(run.run(), UpdaterRun::Outcome::Done);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);
        QCOMPARE(readFile(marker).trimmed(), QFile::encodeName(QFileInfo(script).absolutePath()));
        QVERIFY(!QFileInfo::exists(s.file(QStringLiteral("updater.cfg"))));
        QCOMPARE(readFile(s.file(QStringLiteral("new.txt"))), QByteArray("new"));
    }

    // Whatever goes wrong, the old client's files stay exactly as they were,
    // update-failed.txt names the version, updater.cfg stays for a try by hand,
    // and the old client is started again.
    void failedUpdateKeepsTheOldRelease_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        const int download = int(UpdaterRun::Outcome::DownloadFailed);
        const int install = int(UpdaterRun::Outcome::InstallFailed);
        // The download's message ends with its cause.
        QTest::newRow("404") << 0 << download << QStringLiteral("HTTP status 404");
        QTest::newRow("error page, status 500") << 1 << download << QStringLiteral("HTTP status 500");
        QTest::newRow("stall") << 2 << download << QStringLiteral("no answer head within 300 ms");
        QTest::newRow("body cut short") << 3 << download << QStringLiteral("Connection closed");
        QTest::newRow("no web host") << 4 << download << QStringLiteral("Connection refused");
        QTest::newRow("not a zip") << 5 << install << QString();
        QTest::newRow("last entry corrupt") << 6 << install << QString();
        QTest::newRow("move fails part way") << 7 << install << QStringLiteral("could not be put in place");
        QTest::newRow("a name the updater keeps") << 8 << install << QStringLiteral("keeps for itself");
    }

    void failedUpdateKeepsTheOldRelease()
    {
        QFETCH(int, mode);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        Sandbox s;
        QVERIFY(s.host.listen());
        s.run.setDownloadTimeout(300);
        writeFile(s.clientPath(), "old client");
        writeFile(s.file(QStringLiteral("skins/Default/qxskin.ini")), "old skin");
        const QByteArray path = "/updates/gatherhall-1.1.0.zip";
        const QList<ZipEntry> release{ZipEntry("Zorbel1", "new client"),
                                      ZipEntry("skins/Default/qxskin.ini", "new skin"),
                                      ZipEntry("skins/Night/qxskin.ini", "night")};
        QByteArray config = s.configText(path);
        CountingFailure failThirdRename(3);
        switch (mode) {
        case 0: break; // nothing served: 404
        case 1: s.host.serve(path, "<html>Internal error</html>", 500); break;
        case 2: s.host.stall(path); break;
        case 3: {
            WebHost::Answer a;
            a.body = QByteArray(4096, 'z');
            a.mode = WebHost::Answer::Mode::CloseMidBody;
            a.closeAfter = 100;
            s.host.serve(path, a);
            break;
        }
        case 4: {
            WebHost other;
            QVERIFY(other.listen());
            config = "Gatherhall\r\n1.1.0\r\n" + other.url(path).toEncoded() + "\r\n"
                + QFile::encodeName(s.clientPath()) + "\r\n";
            break; // `other` closes: nothing listens on its port any more
        }
        case 5: s.host.serve(path, "this is not a zip archive"); break;
        case 6: {
            // The damage shows only when the last entry is unpacked, after the others.
            QList<ZipEntry> damaged = release;
            damaged.append(ZipEntry("zz-last.dat", QByteArray(4096, 'Q')).stored());
            s.serveZip(damaged, path);
            QByteArray bytes = readFile(s.dir.filePath(QStringLiteral("release.zip")));
            const qsizetype at = bytes.indexOf(QByteArray(64, 'Q'));
            QVERIFY(at > 0);
            bytes[at + 32] = 'R';
            s.host.serve(path, bytes);
            break;
        }
        case 7:
            s.serveZip(release, path);
            s.run.setFileSystem(&failThirdRename);
            break;
        case 8:
            s.serveZip({ZipEntry("Zorbel1", "new client"), ZipEntry("update-backup/Zorbel1", "x")}, path);
            break;
        }
        s.writeConfig(config);
        const Tree before = fileSnapshot(s.home);

        QCOMPARE(int(s.run.run()), outcome);
        QCOMPARE(s.dialogs.messages().size(), 1);
        const QString shown = s.dialogs.messages().first().text;
        if (outcome == int(UpdaterRun::Outcome::DownloadFailed))
            QCOMPARE(shown, DownloadFailedText + QStringLiteral("\n\nThe download failed: ") + message + QLatin1Char('.'));
        else
            QVERIFY2(shown.contains(message) && shown.contains(QLatin1String("was not installed")),
                     qPrintable(shown));
        QCOMPARE(s.started.size(), 1);
        QCOMPARE(s.installed.size(), 0);
        QCOMPARE(s.startedPrograms, QStringList{s.clientPath()});
        Tree expected = before;
        expected.insert(QStringLiteral("update-failed.txt"), "1.1.0\r\n");
        QCOMPARE(fileSnapshot(s.home), expected);
        QCOMPARE(readFile(s.file(QStringLiteral("updater.cfg"))), config);
    }

    void hostileEntryIsRefused_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("link");
        QTest::newRow("parent") << QByteArray("../escaped.txt") << false;
        QTest::newRow("inner parent") << QByteArray("docs/../../escaped.txt") << false;
        QTest::newRow("backslash parent") << QByteArray("..\\escaped.txt") << false;
        QTest::newRow("absolute") << QByteArray("/tmp/escaped.txt") << false;
        QTest::newRow("drive letter") << QByteArray("C:\\escaped.txt") << false;
        QTest::newRow("link") << QByteArray("escape-link") << true;
    }

    void hostileEntryIsRefused()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, link);
        Sandbox s;
        QVERIFY(s.host.listen());
        writeFile(s.clientPath(), "old client");
        s.writeConfig(s.configText());
        ZipEntry hostile(name, link ? QByteArray("../") : QByteArray("evil"));
        if (link)
            hostile.link();
        s.serveZip({ZipEntry("Zorbel1", "new client"), hostile});

        // Reported, and the old client is started again.
        QCOMPARE(s.run.run(), UpdaterRun::Outcome::InstallFailed);
        QCOMPARE(s.dialogs.messages().size(), 1);
        QVERIFY2(s.dialogs.messages().first().text.contains(QLatin1String("refused")),
                 qPrintable(s.dialogs.messages().first().text));
        QCOMPARE(s.startedPrograms, QStringList{s.clientPath()});
        // The whole archive is refused: nothing is written inside or beside the folder.
        QCOMPARE(readFile(s.clientPath()), QByteArray("old client"));
        QCOMPARE(fileTree(s.home), (QStringList{QStringLiteral("Zorbel1"), QStringLiteral("update-failed.txt"),
                                                QStringLiteral("updater.cfg")}));
        QCOMPARE(fileTree(s.dir.path()),
                 (QStringList{QStringLiteral("home"), QStringLiteral("home/Zorbel1"),
                              QStringLiteral("home/update-failed.txt"), QStringLiteral("home/updater.cfg"),
                              QStringLiteral("release.zip")}));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/escaped.txt")));
    }

    // A run that was killed half way through its move left a journal: the next
    // run first puts the old files back, then installs the release whole.
    void interruptedEarlierRunIsPutBackFirst()
    {
        Sandbox s;
        QVERIFY(s.host.listen());
        writeFile(s.clientPath(), "old client");
        writeFile(s.file(QStringLiteral("docs/readme.txt")), "old read me");
        // The state after "Zorbel1" was moved aside and a stray file added.
        writeFile(s.file(QStringLiteral("update-backup/Zorbel1")), "old client");
        writeFile(s.file(QStringLiteral("Zorbel1")), "half-installed client");
        writeFile(s.file(QStringLiteral("stray.txt")), "from the interrupted release");
        writeFile(s.file(QStringLiteral("update-staging/leftover.txt")), "never to be installed");
        writeFile(s.file(QStringLiteral("update-journal.txt")), "F Zorbel1\nN stray.txt\n");
        s.writeConfig(s.configText());
        s.serveZip({ZipEntry("Zorbel1", "new client")});

        QCOMPARE(s.run.run(), UpdaterRun::Outcome::Done);
        QCOMPARE(fileTree(s.home), (QStringList{QStringLiteral("Zorbel1"), QStringLiteral("docs"),
                                                QStringLiteral("docs/readme.txt")}));
        QCOMPARE(readFile(s.clientPath()), QByteArray("new client"));
    }

    // Another run holds the folder, or a client runs from it: this one waits
    // for it, then gives up without touching anything, says so, and starts
    // nothing (the other run starts the client at its end).
    void runThatWaitsTooLongTouchesNothing_data()
    {
        QTest::addColumn<bool>("updater");
        QTest::addColumn<QString>("message");
        QTest::newRow("another updater") << true << QStringLiteral("Another update of this folder");
        QTest::newRow("a client runs") << false << QStringLiteral("Zorbel is running from this folder");
    }

    void runThatWaitsTooLongTouchesNothing()
    {
        QFETCH(bool, updater);
        QFETCH(QString, message);
        Sandbox s;
        QVERIFY(s.host.listen());
        writeFile(s.clientPath(), "old client");
        writeFile(s.file(QStringLiteral("update-staging/theirs.txt")), "the other run's");
        s.writeConfig(s.configText());
        s.serveZip({ZipEntry("Zorbel1", "new client")});
        const pid_t other = holdFolderInChild(s.home, updater);
        QVERIFY(other > 0);
        Tree before = fileSnapshot(s.home);
        before.remove(QLatin1String(UpdateLock::FileName));

        s.run.setLockWait(300);
        QCOMPARE(s.run.run(), UpdaterRun::Outcome::Busy);
        ::kill(other, SIGKILL);
        ::waitpid(other, nullptr, 0);
        QCOMPARE(s.dialogs.messages().size(), 1);
        const QString shown = s.dialogs.messages().first().text;
        QVERIFY2(shown.contains(message) && shown.contains(QLatin1String("othing was changed")), qPrintable(shown));
        QVERIFY(s.startedPrograms.isEmpty());
        QVERIFY(s.host.requests.isEmpty());
        // The other run's lock file is its own to remove.
        Tree after = fileSnapshot(s.home);
        after.remove(QLatin1String(UpdateLock::FileName));
        QCOMPARE(after, before);
    }

    // The run this one waited for finished the same update: installed it
    // (updater.cfg gone) or gave up on it (the failure marker appeared).
    // Either way it started the client; this run ends without a second one.
    void runThatWaitedForAFinishedRunEnds_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::newRow("the other run installed it") << true;
        QTest::newRow("the other run gave up") << false;
    }

    void runThatWaitedForAFinishedRunEnds()
    {
        QFETCH(bool, installed);
        Sandbox s;
        QVERIFY(s.host.listen());
        writeFile(s.clientPath(), "old client");
        s.writeConfig(s.configText());
        s.serveZip({ZipEntry("Zorbel1", "new client")});
        const pid_t other = holdFolderInChild(s.home, true, [&] {
            ::usleep(300 * 1000);
            if (installed) {
                writeFile(s.clientPath(), "new client");
                QFile::remove(s.file(QStringLiteral("updater.cfg")));
            } else {
                writeFile(s.file(QStringLiteral("update-failed.txt")), "1.1.0\r\n");
            }
        });
        QVERIFY(other > 0);

        QCOMPARE(s.run.run(), UpdaterRun::Outcome::AlreadyDone);
        int status = 0;
        ::waitpid(other, &status, 0);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QVERIFY(s.dialogs.messages().isEmpty());
        QVERIFY(s.startedPrograms.isEmpty());
        QVERIFY(s.host.requests.isEmpty());
        QCOMPARE(readFile(s.clientPath()), installed ? QByteArray("new client") : QByteArray("old client"));
        QVERIFY(!QFileInfo::exists(s.file(QLatin1String(UpdateLock::FileName))));
    }

    void clientThatCannotStartKeepsConfig()
    {
        Sandbox s;
        QVERIFY(s.host.listen());
        s.starterResult = false;
        s.writeConfig(s.configText());
        s.serveZip({ZipEntry("Zorbel1", "new client")});

        QCOMPARE(s.run.run(), UpdaterRun::Outcome::StartFailed);
        QCOMPARE(s.dialogs.messages().size(), 1);
        QVERIFY(s.dialogs.asked(s.clientPath()));
        QCOMPARE(readFile(s.clientPath()), QByteArray("new client"));
        QVERIFY(QFileInfo::exists(s.file(QStringLiteral("updater.cfg"))));
        QVERIFY(!QFileInfo::exists(s.file(QStringLiteral("install.zip"))));
    }

    // The real program, as the client starts it: no arguments, its folder from
    // ZORBEL_HOME, no question on the way.
    void updaterProgramEndToEnd()
    {
        Sandbox s;
        QVERIFY(s.host.listen());
        const QString script = s.clientPath();
        const QString marker = s.dir.filePath(QStringLiteral("started"));
        writeClientScript(script, marker);
        s.writeConfig(s.configText());
        s.serveZip({ZipEntry("data/new.txt", "new")});

        QProcess updater;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZORBEL_HOME"), s.home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        updater.setProcessEnvironment(env);
        updater.setProcessChannelMode(QProcess::ForwardedChannels);
        QSignalSpy finished(&updater, &QProcess::finished);
        updater.start(QStringLiteral(ZORBEL_UPDATER_PATH), {});
        QVERIFY(updater.waitForStarted(10000));
        // The web host answers from this event loop while the updater runs.
        QVERIFY(finished.wait(60000));
        QCOMPARE(updater.exitStatus(), QProcess::NormalExit);
        QCOMPARE(updater.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);
        QCOMPARE(readFile(s.file(QStringLiteral("data/new.txt"))), QByteArray("new"));
        QVERIFY(!QFileInfo::exists(s.file(QStringLiteral("updater.cfg"))));
        QVERIFY(!QFileInfo::exists(s.file(QStringLiteral("install.zip"))));
    }
};

QTEST_GUILESS_MAIN(TestUpdaterRun)
#include "tst_updaterrun.moc"
