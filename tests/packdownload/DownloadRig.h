#pragma once
// A client folder with installed packs, the lobby web host, and pack zips
// built the way the web host offers them (mappacks/<name>.kaf inside).
#include "core/ClientState.h"
#include "core/HutMessages.h"
#include "core/HutPanels.h"
#include "core/LobbyEvents.h"
#include "core/LobbyMessage.h"
#include "packs/download/DownloadedPack.h"
#include "platform/UrlDownload.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/WebHost.h"
#include "tests/fixtures/ZipBuilder.h"
#include "tests/packs/InstallFixture.h"

struct DownloadRig
{
    InstallTest::Fixture files;
    WebHost web;
    FakeDialogs dialogs;

    DownloadRig()
    {
        if (!web.listen())
            qFatal("no port for the web host");
        UrlDownload::setDefaultTimeout(3000);
        Ini::WriteIni(files.client(QStringLiteral("qx.ini")), "general", "webhost", web.hostAndPort());
    }

    // A pack archive's bytes and crc8, built outside the client folder.
    std::pair<QByteArray, QByteArray> kaf(const QByteArray &seed)
    {
        const QString folder = WinPath::join(files.root.path(), QByteArray("built"));
        QDir().mkpath(folder);
        const QByteArray crc = files.buildPack(folder, QStringLiteral("p.kaf"),
                                               {{"mappack.txt", "PACKCREATOR:" + seed + "\r\n"}, {"l.dat", seed}});
        return {readFile(WinPath::join(folder, QByteArray("p.kaf"))), crc};
    }

    // Serves a zip at `path` holding `entries`; returns the zip's bytes.
    QByteArray serveZip(const QByteArray &path, const QList<ZipEntry> &entries)
    {
        const QString file = WinPath::join(files.root.path(), QByteArray("served.zip"));
        QString why;
        if (!buildZip(file, entries, &why))
            qFatal("cannot build a zip: %s", qPrintable(why));
        const QByteArray bytes = readFile(file);
        web.serve(path, bytes);
        return bytes;
    }

    DownloadedPack pack(bool map)
    {
        DownloadedPack p;
        p.programFolder = files.setup.ProgramFolder;
        p.packFolder = map ? files.setup.MappacksFolder : files.setup.ModpacksFolder;
        p.rebuild = [this, map] {
            if (map)
                files.packs.BuildMappackCrcList();
            else
                files.packs.BuildModpackCrcList();
        };
        p.dialogs = &dialogs;
        return p;
    }
};
