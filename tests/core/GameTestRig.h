#pragma once
// The game launch and watch with recorders around them, for the core and
// end-to-end tests. Header only.
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/GameLaunch.h"
#include "core/GameWatch.h"
#include "core/PointsLink.h"
#include "tests/fixtures/FakeErrorReporter.h"
#include "tests/fixtures/FakeGameStarter.h"
#include "tests/fixtures/FakeProcessMemory.h"
#include "tests/fixtures/RecordingChatOutput.h"
#include "tests/fixtures/RecordingCommandSink.h"

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <memory>

// A port that was free a moment ago, for the points listener (the fixed 7589
// may be taken by another test running at the same time).
inline quint16 freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct GameTestRig
{
    static constexpr qint32 HostSlot = 1;
    static constexpr qint32 ClientSlot = 2;

    QTemporaryDir dir;
    ClientState state;
    RecordingCommandSink commands;
    RecordingChatOutput chat;
    FakeErrorReporter errors;
    FakeGameStarter fakeStarter;
    FakeProcessMemory fakeMemory;
    PointsLink points;
    Dispatcher dispatcher;
    std::unique_ptr<GameWatch> watch;
    std::unique_ptr<GameLaunch> launch;
    // Commands and service calls in the order they happened; service calls
    // are written "<Name argument>".
    QList<QByteArray> log;
    QByteArray localIP = "192.0.2.5";

    explicit GameTestRig(GameStarter *starter = nullptr, ProcessMemory *memory = nullptr)
    {
        QDir().mkpath(clientFolder());
        QDir().mkpath(gameFolder());
        state.Setup.ProgramFolder = clientFolder();
        state.Setup.GamePath = gameFolder();
        state.Setup.GamePathWindows = "C:\\Games\\Populous";
        state.Setup.GameExeName = "poptb.exe";
        state.Setup.GameInstalled = true;
        state.Options.CustomRes = false;

        QObject::connect(&commands, &RecordingCommandSink::commandSent,
                         [this](const QByteArray &c) { log.append(c); });
        watch = std::make_unique<GameWatch>(state, commands, chat, errors,
                                            starter ? *starter : fakeStarter,
                                            memory ? *memory : fakeMemory, points, services());
        watch->setIntervals(3600000, 3600000, 3600000); // tests tick by hand
        launch = std::make_unique<GameLaunch>(state, commands, chat,
                                              starter ? *starter : fakeStarter, points, *watch);
        launch->setPointsPort(freeLoopbackPort());
        launch->registerHandlers(dispatcher);
    }

    QString clientFolder() const { return dir.filePath(QStringLiteral("client")); }
    QString gameFolder() const { return dir.filePath(QStringLiteral("game")); }
    QString pointsFile() const { return watch->pointsFile(); }

    GameServices services()
    {
        GameServices s;
        auto note = [this](const char *name) { return [this, name]() { log.append('<' + QByteArray(name) + '>'); }; };
        s.InstallMappack = [this](const QByteArray &crc) { log.append("<InstallMappack " + crc + '>'); };
        s.InstallModpack = [this](const QByteArray &crc) { log.append("<InstallModpack " + crc + '>'); };
        s.BackupPackLevelHeaders = note("BackupPackLevelHeaders");
        s.InstallTribePalettes = [this]() { log.append("<InstallTribePalettes>"); return true; };
        s.RestorePaletteFiles = note("RestorePaletteFiles");
        s.RestoreLevelHeaderFiles = note("RestoreLevelHeaderFiles");
        s.RestoreMapBackup = note("RestoreMapBackup");
        s.RestoreModBackup = note("RestoreModBackup");
        s.RestoreConstants = note("RestoreConstants");
        s.PatchGameResolution = note("PatchGameResolution");
        s.ClosePingHost = note("ClosePingHost");
        s.ClosePingProbe = note("ClosePingProbe");
        s.HideGamePanel = note("HideGamePanel");
        s.LocalIP = [this]() { return localIP; };
        s.ProcessEvents = note("events");
        return s;
    }

    // The own user as host (slot 1) or as client (slot 2) of host slot 1.
    UserRecord &setUpHut(bool asHost)
    {
        UserRecord *host = state.Users.growTo(HostSlot);
        UserRecord *client = state.Users.growTo(ClientSlot);
        host = state.Users.at(HostSlot);
        host->Name = "hosting_hal";
        host->State = "HOST";
        host->HostSlot = HostSlot;
        host->ExternalIP = "203.0.113.9";
        host->Mappack = "1234ABCD";
        host->Modpack = "OFF";
        client->Name = "joining_jo";
        client->State = "CLIENT";
        client->HostSlot = HostSlot;
        client->ExternalIP = "198.51.100.4";
        client->Mappack = "00000000";
        client->Modpack = "00000000";
        state.CurrentUser.OwnSlot = asHost ? HostSlot : ClientSlot;
        if (asHost)
            host->ExternalIP = "198.51.100.4";
        return *state.own();
    }

    QByteArray portText() const { return QByteArray::number(launch->pointsPort()); }
};
