#pragma once
// Header only: a client's game side for the end-to-end game tests. The real
// lobby connection, game start, process memory and process table, real pack
// installs and palettes; each client has its own points port (the fixed 7589
// cannot be held twice on one machine).
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/FindGamePath.h"
#include "core/GameLaunch.h"
#include "core/GameWatch.h"
#include "core/LobbyConnection.h"
#include "core/PointsLink.h"
#include "packs/GameResolution.h"
#include "packs/PackInstaller.h"
#include "packs/TribeColours.h"
#include "packs/TribePalettes.h"
#include "platform/LinuxGameStarter.h"
#include "platform/LinuxProcessMemory.h"
#include "platform/LinuxProcessTable.h"
#include "platform/WineRegistry.h"
#include "tests/e2e/PackGameServices.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/FakeErrorReporter.h"
#include "tests/fixtures/FakeGameFolder.h"
#include "tests/fixtures/FreePort.h"
#include "tests/fixtures/ProcessMemoryProbe.h"
#include "tests/fixtures/WinePrefix.h"
#include "tests/packs/InstallFixture.h"

#include <memory>

namespace GameFlow {

using namespace InstallTest;

using GameSettings = QMap<QString, QString>;

// One client: its folders, its connection and its game capabilities. The game
// lives in a Wine prefix and is found through the prefix's registry: a
// prefix made for the test when none is given.
struct Client
{
    Fixture files;
    ClientState state;
    Dispatcher dispatcher;
    LobbyConnection connection{state, dispatcher};
    RecordingChatOutput chat;
    FakeErrorReporter errors;
    LinuxGameStarter starter;
    LinuxProcessMemory memory;
    LinuxProcessTable processes;
    PointsLink points;
    TribeColours colours;
    std::unique_ptr<PackInstaller> installer;
    std::unique_ptr<GameWatch> watch;
    std::unique_ptr<GameLaunch> launch;
    std::unique_ptr<FakeGameFolder> fakeGame;
    FakeGameFolder &game() { return *fakeGame; }

    // `launcher` runs the game ("wine"; empty runs the executable directly).
    explicit Client(const QByteArray &exeName, const QString &launcher = QString(),
                    const QString &prefix = QString())
        : starter(launcher)
    {
        WineRegistry registry(prefix.isEmpty() ? makeWinePrefix(files.root.path(), "\"Version\"=\"1.03\"\n")
                                               : prefix);
        FakeDialogs dialogs;
        FindGamePath(registry, dialogs, files.setup);
        if (!files.setup.GameInstalled || !dialogs.messages().isEmpty())
            qFatal("the game was not found through the registry");
        files.setup.GameExeName = exeName;
        state.Setup = files.setup;
        fakeGame = std::make_unique<FakeGameFolder>(files.setup.GamePath, files.root.path());
        colours.InitTribeShades();
        colours.SetDefaultTribeColours();
        installer = std::make_unique<PackInstaller>(state.Setup, files.packs, connection, chat);

        GameServices s = packGameServices(state, *installer, colours, chat);
        s.InstallMappack = [this](const QByteArray &crc) {
            state.Hut.HutMappackOn = installer->InstallMappack(crc);
        };
        s.PatchGameResolution = [this] {
            PatchGameResolution(GameFolder::resolve(state.Setup.GamePath, QStringLiteral("d3dpoptb.exe")),
                                state.Setup.ProgramFolder, chat);
        };
        s.LocalIP = [this] { return connection.LocalIP(); };
        watch = std::make_unique<GameWatch>(state, connection, chat, errors, starter, memory, points, s);
        watch->setIntervals(100, 400, 20); // six join ticks outlast a slow start
        watch->setProcessTable(&processes);
        launch = std::make_unique<GameLaunch>(state, connection, chat, starter, points, *watch);
        launch->setPointsPort(freePort(QHostAddress(QHostAddress::LocalHost)));
        launch->registerHandlers(dispatcher);
    }
};

// Why the tests that run the fake game cannot run here; empty when they can.
inline QString fakeGameUnavailable()
{
    if (!FakeGameFolder::available())
        return QStringLiteral("the fake game is not built");
    if (memoryAccessDenied())
        return QStringLiteral("the kernel denies access to another process's memory here (ptrace scope)");
    return QString();
}

// The messages of `all` that are in `wanted`, in their order.
inline QList<QByteArray> only(const QList<QByteArray> &all, const QList<QByteArray> &wanted)
{
    QList<QByteArray> out;
    for (const QByteArray &m : all) {
        const QByteArray word = m.left(m.indexOf(' ') < 0 ? m.size() : m.indexOf(' '));
        if (wanted.contains(word) || wanted.contains(m))
            out.append(word == "POINTREPORT" && m != "POINTREPORT NO" ? QByteArray("POINTREPORT <report>")
                       : word == "SENDMSG"                          ? word
                                                                    : m);
    }
    return out;
}

inline const QList<QByteArray> Milestones{"PATH", "APPPATH", "INSTALLING!", "BACKUP", "INSTALL", "LANGUAGE",
                                   "MODBACKUP", "MODINSTALL", "BEGAMING", "EXEFILE", "RUNCOMM",
                                   "POPULOUS ON", "JOINSUCCESS", "JOINFAILED", "BEIDLE", "POINTREPORT",
                                   "SENDMSG", "POPULOUS OFF"};


// The own user as the host of its hut, in the state the server gives it once
// "BEGAMING" is in, with the hut's packs and custom colours.
inline UserRecord &hostOwnHut(Client &client, const HutPacks &packs, bool friendly = false)
{
    UserRecord *own = client.state.Users.growTo(1);
    client.state.CurrentUser.OwnSlot = 1;
    own->Name = "hosting_hal";
    own->State = "GAMING";
    own->HostSlot = 1;
    own->ExternalIP = "127.0.0.1";
    own->Mappack = packs.mappack;
    own->Modpack = packs.modpack;
    own->CustomPals = true;
    own->Friendly = friendly;
    client.colours.setRamp(TribeColours::Blue, TribeColours::Red);
    return *own;
}

// The milestones after "RUNCOMM".
inline QList<QByteArray> afterRunComm(const QList<QByteArray> &milestones)
{
    for (qsizetype i = 0; i < milestones.size(); ++i) {
        if (milestones[i].startsWith("RUNCOMM "))
            return milestones.mid(i + 1);
    }
    return {};
}

} // namespace GameFlow
