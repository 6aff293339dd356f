#pragma once
// The set-up the tests of the real updater program share: a release pair's
// archive served on the test's web host, and the names an install keeps for
// itself, none of which may be left in the folder after a run.
#include "tests/fixtures/ReleaseHost.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"

#include <QString>
#include <QUrl>

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
