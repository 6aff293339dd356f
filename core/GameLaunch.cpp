#include "core/GameLaunch.h"

#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/GameWatch.h"
#include "core/LobbyMessage.h"
#include "core/PointsLink.h"
#include "core/api/ChatOutput.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"
#include "platform/GameProcess.h"

#include <QCoreApplication>

GameLaunch::GameLaunch(ClientState &state, CommandSink &commands, ChatOutput &chat,
                       GameStarter &starter, PointsLink &points, GameWatch &watch,
                       QObject *parent)
    : QObject(parent), m_state(state), m_commands(commands), m_chat(chat), m_starter(starter),
      m_points(points), m_watch(watch)
{
}

GameServices &GameLaunch::services()
{
    return m_watch.services();
}

void GameLaunch::registerHandlers(Dispatcher &dispatcher)
{
    dispatcher.on("EAEXECHOST", [this](const LobbyMessage &m) { EAEXECHOST(m); });
    dispatcher.on("EAEXECJOIN", [this](const LobbyMessage &m) { EAEXECJOIN(m); });
    dispatcher.on("EAEXECHOSTWARP", [this](const LobbyMessage &m) { EAEXECHOSTWARP(m); });
}

QByteArray GameLaunch::GameCommandLine(const CommandLineParts &parts)
{
    QByteArray line = parts.exePath;
    if (parts.host) {
        line += " /h tcp /n" + parts.word1;
    } else {
        line += " /j tcp " + parts.word2 + " /n" + parts.word1;
    }
    line += " /dIP127.0.0.1:" + QByteArray::number(parts.pointsPort) + " /boundip ";
    line += parts.localIP;
    line += " /externip ";
    line += parts.externalIP;
    return line;
}

QByteArray GameLaunch::GameExePath() const
{
    if (!m_state.Setup.GameExePath.isEmpty())
        return m_state.Setup.GameExePath;
    QByteArray path = m_state.Setup.GamePathWindows;
    if (!path.endsWith('\\'))
        path += '\\';
    return path + m_state.Setup.GameExeName;
}

void GameLaunch::processEvents()
{
    if (services().ProcessEvents)
        services().ProcessEvents();
    else
        QCoreApplication::processEvents();
}

bool GameLaunch::refuseSecondLaunch()
{
    if (!m_launching && !m_state.Game.GameRunning && !m_watch.isWatching())
        return false;
    m_chat.AddSystemMessage("A game is already running: the new launch message is ignored.");
    return true;
}

bool GameLaunch::StartPointsLog(quint16 port)
{
    m_state.Game.CheatDetected = false;
    m_state.Game.PointsLogFile = m_watch.pointsFile();
    if (m_points.StartPointsLog(m_state.Game.PointsLogFile, port))
        return true;
    m_chat.AddSystemMessage("The game link could not be opened on 127.0.0.1:"
                            + QByteArray::number(port) + ", no point report this game.");
    return false;
}

void GameLaunch::EAEXECHOST(const LobbyMessage &message)
{
    launch(message, true);
}

void GameLaunch::EAEXECJOIN(const LobbyMessage &message)
{
    launch(message, false);
}

void GameLaunch::EAEXECHOSTWARP(const LobbyMessage &)
{
    // A hut becomes a warp hut while its host's game runs: this starts no
    // game, so it is never a second launch. It closes the ping host and tells
    // the server the host is gaming.
    if (services().ClosePingHost)
        services().ClosePingHost();
    processEvents();
    m_commands.SendCommand("BEGAMING");
}

void GameLaunch::launch(const LobbyMessage &message, bool host)
{
    if (refuseSecondLaunch())
        return;
    m_launching = true;
    // Colours still waiting in the editor go before anything of the launch.
    if (services().FlushTribeColours)
        services().FlushTribeColours();

    // The table may grow while events run; records are looked up afresh.
    const auto own = [this]() { return m_state.own(); };
    const auto hutHost = [this, host]() -> const UserRecord * {
        const UserRecord *self = m_state.own();
        if (host || !self)
            return self;
        return m_state.Users.at(self->HostSlot);
    };
    const auto mappack = [&]() { return hutHost() ? hutHost()->Mappack : QByteArray(); };
    const auto modpack = [&]() { return hutHost() ? hutHost()->Modpack : QByteArray(); };

    if (host) {
        if (services().ClosePingHost)
            services().ClosePingHost();
    } else if (services().ClosePingProbe) {
        services().ClosePingProbe();
    }

    m_commands.SendCommand("PATH " + m_state.Setup.GamePathWindows);
    m_commands.SendCommand("APPPATH " + CodePage::fromUnicode(m_state.Setup.ProgramFolder));
    if (host)
        m_commands.SendCommand("INSTALLING!");

    // A failing install undoes itself and reports; the game starts without it.
    if (services().InstallMappack)
        services().InstallMappack(mappack());
    if (services().InstallModpack)
        services().InstallModpack(modpack());
    if (own() && own()->CustomPals) {
        if (services().InstallTribePalettes)
            services().InstallTribePalettes();
        m_chat.AddSystemMessage("Setting Up Tribe Colors..");
    }
    if (!m_state.Hut.HutMappackOn && services().BackupPackLevelHeaders)
        services().BackupPackLevelHeaders();
    if (host)
        processEvents();

    m_commands.SendCommand("BEGAMING");
    StartPointsLog(m_pointsPort);

    // A missing word or own record leaves the command line empty, and an
    // empty command line starts nothing.
    QByteArray commandLine;
    const bool wordsPresent = host ? message.has(1) : (message.has(1) && message.has(2));
    if (own() && wordsPresent) {
        CommandLineParts parts;
        parts.exePath = GameExePath();
        parts.host = host;
        parts.word1 = message.word(1);
        parts.word2 = message.word(2);
        parts.localIP = services().LocalIP ? services().LocalIP() : QByteArray();
        parts.externalIP = own()->ExternalIP;
        parts.pointsPort = m_pointsPort;
        commandLine = GameCommandLine(parts);
    }
    m_commands.SendCommand("EXEFILE " + GameExePath());
    m_commands.SendCommand("RUNCOMM " + commandLine);

    if (!startGame(commandLine)) {
        m_launching = false;
        return;
    }

    m_commands.SendCommand("POPULOUS ON");
    m_watch.armGaming(m_state.Game.GamePid);
    m_state.Game.GameRunning = true;
    m_state.Game.GameMappack = mappack();
    if (host)
        processEvents();
    m_state.Game.GameModpack = modpack();
    m_state.Game.GameRole = host ? "HOST" : "CLIENT";
    m_state.Game.JoinCheckTicks = 0;
    // A game that ended while events ran above has been seen off already.
    if (m_watch.isWatching())
        m_watch.armJoinCheck();
    if (services().HideGamePanel)
        services().HideGamePanel();
    m_launching = false;
}

bool GameLaunch::startGame(const QByteArray &commandLine)
{
    const GameSetup &setup = m_state.Setup;
    const QString executable = GameFolder::resolve(setup.GamePath, setup.GameExeName);
    GameStarter::Started started;
    if (setup.GamePath.isEmpty() || !Files::DirExists(setup.GamePath)) {
        started.error = QStringLiteral("the game folder is not known");
    } else if (commandLine.isEmpty()) {
        started.error = QStringLiteral("no command line");
    } else {
        // The switches after the executable, as the game reads its command line.
        const QByteArray tail = commandLine.mid(GameExePath().size());
        QStringList arguments;
        for (const QByteArray &word : tail.split(' ')) {
            if (!word.isEmpty())
                arguments.append(CodePage::toUnicode(word));
        }
        started = m_starter.start(executable, arguments, setup.GamePath);
    }
    if (started.ok) {
        m_state.Game.GamePid = started.pid;
        Q_EMIT gameStarted(started.pid);
        return true;
    }

    m_state.Game.GamePid = -1;
    m_chat.AddSystemMessage("The game could not be started: " + CodePage::fromUnicode(executable)
                            + (started.error.isEmpty() ? QByteArray()
                                                       : " (" + CodePage::fromUnicode(started.error) + ")"));
    m_points.closeSockets();
    m_points.closeLog();
    m_watch.RestoreGameFiles();
    if (UserRecord *self = m_state.own())
        self->CustomPals = false;
    m_commands.SendCommand("BEIDLE");
    Q_EMIT startFailed(executable);
    return false;
}
