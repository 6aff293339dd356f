#pragma once
// The set-up the tests of the real updater program share: a release pair's
// archive served on the test's web host, and the names an install keeps for
// itself, none of which may be left in the folder after a run.
#include "tests/fixtures/ReleaseHost.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"

#include <QProcess>
#include <QString>
#include <QUrl>
#include <QtTest>

constexpr const char *InstallLeftovers[] = {"update-journal.txt", "update-staging", "update-backup", "update.lock",
                                            "install.zip"};

// Packs the new release of `releases` into `zip` and serves it as the 1.0.1
// release archive; its address goes to `archive`. False, with the reason,
// when it cannot be built.
inline bool serveReleaseArchive(WebHost &host, const ReleasePair &releases, const QString &zip, QUrl *archive,
                                QString *why)
{
    if (!releases.buildArchive(zip, why))
        return false;
    host.serve("/updates/gatherhall-1.0.1.zip", readFile(zip));
    *archive = host.url("/updates/gatherhall-1.0.1.zip");
    return true;
}

// Starts the real client in `env` and lets it run until it asks `host` for
// the version page (it has put its folder in order by then), then stops it.
// False when it ended before it asked.
inline bool clientReachesVersionCheck(WebHost &host, const QProcessEnvironment &env)
{
    const qsizetype asked = host.requests.size();
    const auto versionAsked = [&] {
        for (qsizetype i = asked; i < host.requests.size(); ++i) {
            if (host.requests[i].path == "/updates/version.php")
                return true;
        }
        return false;
    };
    QProcess client;
    client.setProcessEnvironment(env);
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    client.start(QStringLiteral(ZORBEL_CLIENT_PATH), {});
    if (!client.waitForStarted(10000))
        return false;
    (void)QTest::qWaitFor([&] { return versionAsked() || client.state() == QProcess::NotRunning; }, 30000);
    const bool reached = versionAsked();
    client.kill();
    client.waitForFinished(10000);
    return reached;
}
