// A lobby server and lobby web host on this machine for trying the client:
//   devlobby --home <folder> [--port <lobby port>] [--release <folder>]
// serves servers.txt pointing at itself, answers the version page, accepts any
// login, announces a few made-up users, relays chat and runs huts (hosting,
// joining, the hut options, pack answers and colours, launch; Bram hosts a hut
// whose map and mod packs a new client lacks), serves a rankings
// page and puts a few map and mod packs into the folder. Once it listens and
// everything is ready (the release it offers packed) it writes
// <folder>/qx.ini with the web host set to itself, so that a client started
// with ZORBEL_HOME=<folder> finds it. With --release the version page
// offers the given folder as a newer release, until the client has fetched it.
#include "core/VersionCheck.h"
#include "core/util/Ini.h"
#include "tests/fixtures/ChatLobby.h"
#include "tests/fixtures/DevPreviewContent.h"
#include "tests/fixtures/HutLobby.h"
#include "tests/fixtures/LobbyServer.h"
#include "tests/fixtures/ReleaseHost.h"
#include "tests/fixtures/PackShop.h"
#include "tests/fixtures/WebHost.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("devlobby"));

    QCommandLineParser args;
    args.setApplicationDescription(QStringLiteral("A local lobby server and web host for Zorbel1."));
    args.addHelpOption();
    const QCommandLineOption home(QStringLiteral("home"),
                                  QStringLiteral("The client's program folder (ZORBEL_HOME)."),
                                  QStringLiteral("folder"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The lobby port (default: any free one)."),
                                  QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption release(QStringLiteral("release"),
                                     QStringLiteral("Offer this folder as a newer release of the client."),
                                     QStringLiteral("folder"));
    args.addOption(home);
    args.addOption(port);
    args.addOption(release);
    args.process(app);
    QTextStream err(stderr);
    if (!args.isSet(home)) {
        err << "devlobby: --home <folder> is required\n";
        return 2;
    }

    LobbyServer lobby;
    if (!lobby.listen(quint16(args.value(port).toUInt()))) {
        err << "devlobby: cannot listen for the lobby\n";
        return 1;
    }
    lobby.actAsSimpleLobby();
    actAsChatLobby(lobby);
    for (const char *user : {"USER 101 Ava_Stone 10.1.0.1 admin 501 00-16-3E-00-01-01",
                             "USER 102 Bram 10.1.0.2 mod 502 00-16-3E-00-01-02",
                             "USER 103 Cleo 10.1.0.3 user 503 00-16-3E-00-01-03",
                             "USER 104 Dara_K 10.1.0.4 user 504 00-16-3E-00-01-04",
                             "USERSTATUS 103 away",
                             "GAME 104 Tournament"})
        lobby.addSimpleLobbyUserMessage(user);

    WebHost web;
    if (!web.listen()) {
        err << "devlobby: cannot listen for the web host\n";
        return 1;
    }
    const QByteArray lobbyPort = QByteArray::number(lobby.port());
    web.serve("/qxserver/list.php",
              "newserver\nZorbel development lobby\n127.0.0.1\n" + lobbyPort + "\n");
    web.serve("/updates/version.php", "gatherhall\r\n1.0.0\r\nhttp://" + web.hostAndPort()
                                          + "/updates/none.zip\r\n");
    if (args.isSet(release)) {
        QString why;
        if (!serveRelease(web, args.value(release), VersionCheck::OwnVersion, &why)) {
            err << "devlobby: cannot offer the release: " << why << "\n";
            return 1;
        }
        QTextStream(stdout) << "devlobby: offering " << args.value(release) << " as version "
                            << nextVersion(VersionCheck::OwnVersion) << Qt::endl;
    }
    web.serve("/ranksqx.php", DevPreviewContent::ranksPage());

    const QString folder = QDir(args.value(home)).absolutePath();
    QDir().mkpath(folder);
    // Pack catalogues and downloadable packs; their archives stay beside the home.
    const QString shop = QDir(folder).filePath(QStringLiteral("devlobby-packs"));
    const QList<ShopPack> offered = openPackShop(web, shop);
    // Bram's hut plays with a map pack and a mod pack of the shop, which a new
    // client lacks: joining it shows both download areas.
    MadeUpHut bram{102, 4, "OFF", "OFF", true};
    for (const ShopPack &p : offered) {
        if (p.map && p.file == "twinrivers")
            bram.mappack = p.crc;
        if (!p.map && p.file == "nightsky")
            bram.modpack = p.crc;
    }
    actAsHutLobby(lobby, {bram});
    if (!DevPreviewContent::writePacks(folder)) {
        err << "devlobby: cannot write the map and mod packs in " << folder << "\n";
        return 1;
    }
    // Last, and in one rename: once qx.ini is there everything a client
    // needs is ready (scripts/run.sh waits for it).
    if (!Ini::WriteIni(QDir(folder).filePath(QStringLiteral("qx.ini")), "general", "webhost",
                       web.hostAndPort())) {
        err << "devlobby: cannot write qx.ini in " << folder << "\n";
        return 1;
    }
    QTextStream(stdout) << "devlobby: lobby on 127.0.0.1:" << lobby.port() << ", web host on "
                        << web.hostAndPort() << ", home " << folder << ", packs " << shop << Qt::endl;
    return app.exec();
}
