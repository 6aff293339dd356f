// Two real updaters started together on one release, as two client starts
// that both answered Yes would: one installs, the other waits for the folder
// lock and then finds the work done. Round after round the folder ends whole
// new (or whole old, with one run saying it gave up waiting), never mixed,
// with nothing of either run left behind.
#include "tests/updater/UpdaterTestRig.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestTwoUpdaters : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    WebHost m_host;
    ReleasePair m_releases{200};
    QUrl m_archive;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_host.listen());
        QString why;
        QVERIFY2(serveReleaseArchive(m_host, m_releases, m_dir.filePath(QStringLiteral("release.zip")), &m_archive,
                                     &why),
                 qPrintable(why));
    }

    void twoAtOnceNeverMix()
    {
        int gaveUp = 0;
        for (int round = 0; round < 20; ++round) {
            QTemporaryDir base;
            const QString home = base.filePath(QStringLiteral("home"));
            m_releases.install(home);
            writeFile(home + QStringLiteral("/updater.cfg"), updaterConfigFor(m_archive, home));
            const QProcessEnvironment env = programEnvironment(home, base.filePath(QStringLiteral("prefix")));

            std::unique_ptr<QProcess> runs[2];
            for (auto &run : runs) {
                run = std::make_unique<QProcess>();
                run->setProcessEnvironment(env);
                run->setProcessChannelMode(QProcess::ForwardedChannels);
            }
            for (auto &run : runs)
                run->start(QStringLiteral(ZORBEL_UPDATER_PATH), {});
            for (auto &run : runs)
                QVERIFY(run->waitForStarted(10000));
            // The web host answers from this event loop while both run.
            QTRY_VERIFY_WITH_TIMEOUT(runs[0]->state() == QProcess::NotRunning
                                         && runs[1]->state() == QProcess::NotRunning,
                                     60000);
            QList<int> codes;
            for (auto &run : runs) {
                QCOMPARE(run->exitStatus(), QProcess::NormalExit);
                codes.append(run->exitCode());
            }
            std::sort(codes.begin(), codes.end());
            const QString which = m_releases.whichIn(home);
            const QString what = QStringLiteral("round %1: %2, exit codes %3 %4")
                                     .arg(round)
                                     .arg(which)
                                     .arg(codes[0])
                                     .arg(codes[1]);
            // 0: installed, or found installed by the other; 3: gave up waiting.
            if (which == QLatin1String("new")) {
                QVERIFY2(codes == (QList<int>{0, 0}) || codes == (QList<int>{0, 3}), qPrintable(what));
                QVERIFY2(!QFileInfo::exists(home + QStringLiteral("/updater.cfg")), qPrintable(what));
            } else {
                QVERIFY2(which == QLatin1String("old") && codes.contains(3), qPrintable(what));
                ++gaveUp;
            }
            for (const char *leftover : InstallLeftovers)
                QVERIFY2(!QFileInfo::exists(home + QLatin1Char('/') + QLatin1String(leftover)),
                         qPrintable(what + QLatin1String(": ") + QLatin1String(leftover)));
        }
        QVERIFY(gaveUp < 20);
    }
};

QTEST_GUILESS_MAIN(TestTwoUpdaters)
#include "tst_twoupdaters.moc"
