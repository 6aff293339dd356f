// The whole hand-over: the client's version check finds a newer release and
// starts the updater, which installs it and starts the new program; and a
// broken release, after which the old client starts and its version check goes
// on to the login with a status line.
#include "core/VersionCheck.h"
#include "core/util/Ini.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/RecordingChatOutput.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/fixtures/ZipBuilder.h"
#include "updater/UpdaterRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A stand-in for a build of the client: a script that writes which build it
// is and the folder it runs in.
QByteArray clientScript(const QByteArray &build, const QString &marker)
{
    const QByteArray m = QFile::encodeName(marker);
    return "#!/bin/sh\necho " + build + " \"$(pwd)\" > '" + m + ".part' && mv '" + m + ".part' '" + m
        + "'\n";
}

void writeProgram(const QString &path, const QByteArray &text)
{
    writeFile(path, text);
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
}

// The client's folder with the old build, the real updater beside it and the
// lobby web host announcing 1.1.0.
struct Installation
{
    QTemporaryDir dir;
    QString home = dir.filePath(QStringLiteral("home"));
    QString marker = dir.filePath(QStringLiteral("started"));
    WebHost host;
    FakeDialogs dialogs;

    QString file(const QString &name) const { return home + QLatin1Char('/') + name; }
    QString client() const { return file(QStringLiteral("Zorbel1")); }

    bool prepare(const QList<ZipEntry> &release)
    {
        if (!host.listen())
            return false;
        QDir().mkpath(home);
        writeProgram(client(), clientScript("old", marker));
        if (!QFile::copy(QStringLiteral(ZORBEL_UPDATER_PATH), file(VersionCheck::updaterFileName())))
            return false;
        Ini::WriteIni(file(QStringLiteral("qx.ini")), "general", "webhost", host.hostAndPort());
        host.serve("/updates/version.php",
                   "gatherhall\r\n1.1.0\r\n" + host.url("/updates/gatherhall-1.1.0.zip").toEncoded() + "\r\n");
        const QString zip = dir.filePath(QStringLiteral("release.zip"));
        if (!buildZip(zip, release))
            return false;
        host.serve("/updates/gatherhall-1.1.0.zip", readFile(zip));
        return true;
    }
};

} // namespace

class TestUpdateHandOver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The updater finds its folder from where it lies, as in a real install.
        qunsetenv("ZORBEL_HOME");
        UrlDownload::setDefaultTimeout(5000);
    }

    void newerReleaseIsInstalledAndRuns()
    {
        Installation in;
        QVERIFY(in.prepare({ZipEntry("Zorbel1", clientScript("new", in.marker)).mode(0755),
                            ZipEntry("docs/").dir(), ZipEntry("docs/changes.txt", "what is new")}));

        VersionCheck check(in.dialogs, in.home);
        check.setClientPath(in.client());
        in.dialogs.answers = {Dialogs::Answer::Yes};
        QCOMPARE(check.CheckVersion("gatherhall"), VersionCheck::Result::Exit);
        QCOMPARE(in.dialogs.questions.size(), 1);

        // The updater runs on its own; the web host answers from this event loop.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(in.marker), 60000);
        QCOMPARE(readFile(in.marker).trimmed(), "new " + QFile::encodeName(in.home));
        QCOMPARE(readFile(in.file(QStringLiteral("docs/changes.txt"))), QByteArray("what is new"));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(in.file(QStringLiteral("updater.cfg"))), 10000);
        QCOMPARE(fileTree(in.home),
                 (QStringList{QStringLiteral("Zorbel1"), QStringLiteral("docs"),
                              QStringLiteral("docs/changes.txt"), QStringLiteral("qx.ini"),
                              VersionCheck::updaterFileName()}));
    }

    void brokenReleaseStartsTheOldClientWhichGoesOn()
    {
        Installation in;
        QVERIFY(in.prepare({ZipEntry("Zorbel1", "new"), ZipEntry("../outside.txt", "hostile")}));

        VersionCheck check(in.dialogs, in.home);
        check.setClientPath(in.client());
        // The updater program is started as the client would start it; here
        // its run is driven in this process, so that its message is answered.
        check.setProgramStarter([](const QString &, const QString &) { return true; });
        in.dialogs.answers = {Dialogs::Answer::Yes};
        QCOMPARE(check.CheckVersion("gatherhall"), VersionCheck::Result::Exit);

        FakeDialogs updaterDialogs;
        UpdaterRun run(updaterDialogs, in.home);
        QCOMPARE(run.run(), UpdaterRun::Outcome::InstallFailed);
        QCOMPARE(updaterDialogs.messages().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(in.marker), 10000);
        QCOMPARE(readFile(in.marker).trimmed(), "old " + QFile::encodeName(in.home));
        QVERIFY(QFileInfo::exists(in.file(QStringLiteral("update-failed.txt"))));

        // The old client's version check: no question, a status line, the login.
        FakeDialogs clientDialogs;
        RecordingChatOutput status;
        VersionCheck again(clientDialogs, in.home);
        again.setStatusOutput(&status);
        QCOMPARE(again.CheckVersion("gatherhall"), VersionCheck::Result::Continue);
        QVERIFY(clientDialogs.questions.isEmpty());
        QVERIFY(status.hasSystemMessage("The update to version 1.1.0 could not be installed"));
        QVERIFY(!QFileInfo::exists(in.file(QStringLiteral("update-failed.txt"))));
        QCOMPARE(readFile(in.client()), clientScript("old", in.marker));
    }
};

QTEST_GUILESS_MAIN(TestUpdateHandOver)
#include "tst_updatehandover.moc"
