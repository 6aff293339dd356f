#include "core/GameWatch.h"

#include "core/ClientState.h"
#include "core/GameProcessFinder.h"
#include "core/PointsLink.h"
#include "core/api/ChatOutput.h"
#include "core/api/CommandSink.h"
#include "core/api/ErrorReporter.h"
#include "core/util/Files.h"
#include "core/util/Text.h"
#include "core/util/WinPath.h"
#include "packs/GameMemory.h"
#include "platform/GameProcess.h"
#include "platform/ProcessMemory.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {
// A point report of this size or less holds no game result.
constexpr qint64 ReportThreshold = 200;
}

quint64 GameWatch::joinStatusAddress(const QByteArray &exeName)
{
    return GameMemory::isHardwareExecutable(exeName) ? 0x894D04 : 0x87D29C;
}

GameWatch::GameWatch(ClientState &state, CommandSink &commands, ChatOutput &chat,
                     ErrorReporter &errors, GameStarter &starter, ProcessMemory &memory,
                     PointsLink &points, GameServices services, QObject *parent)
    : QObject(parent), m_state(state), m_commands(commands), m_chat(chat), m_errors(errors),
      m_starter(starter), m_memory(memory), m_points(points), m_services(std::move(services))
{
    tmrGaming.setInterval(GamingInterval);
    tmrJoinSuccess.setInterval(JoinInterval);
    tmrAntiCheat.setInterval(AntiCheatInterval);
    connect(&tmrGaming, &QTimer::timeout, this, &GameWatch::tmrGaming_Timer);
    connect(&tmrJoinSuccess, &QTimer::timeout, this, &GameWatch::tmrJoinSuccess_Timer);
    connect(&tmrAntiCheat, &QTimer::timeout, this, &GameWatch::tmrAntiCheat_Timer);
}

GameWatch::~GameWatch() = default;

void GameWatch::setProcessTable(const ProcessTable *table)
{
    m_finder = table ? std::make_unique<GameProcessFinder>(*table) : nullptr;
    if (m_finder && m_searchInterval >= 0)
        m_finder->setSearchInterval(m_searchInterval);
}

void GameWatch::setSearchInterval(int ms)
{
    m_searchInterval = ms;
    if (m_finder)
        m_finder->setSearchInterval(ms);
}

qint64 GameWatch::gameMemoryPid()
{
    const qint64 held = m_state.Game.GamePid;
    if (!m_starter.isRunning(held))
        return 0;
    if (!m_finder)
        return held;
    return m_finder->find(GameFolder::resolve(m_state.Setup.GamePath, m_state.Setup.GameExeName),
                          GameMemory::ImageBase);
}

void GameWatch::setIntervals(int gamingMs, int joinMs, int antiCheatMs)
{
    tmrGaming.setInterval(gamingMs);
    tmrJoinSuccess.setInterval(joinMs);
    tmrAntiCheat.setInterval(antiCheatMs);
}

void GameWatch::armGaming(qint64 taskId)
{
    m_taskId = taskId;
    if (m_finder)
        m_finder->start(m_state.Game.GamePid);
    tmrGaming.start();
}

void GameWatch::armJoinCheck()
{
    tmrJoinSuccess.start();
}

QString GameWatch::pointsFile() const
{
    return WinPath::join(m_state.Setup.ProgramFolder, QStringLiteral("points.txt"));
}

void GameWatch::processEvents()
{
    if (m_services.ProcessEvents)
        m_services.ProcessEvents();
    else
        QCoreApplication::processEvents();
}

void GameWatch::stopTimers()
{
    tmrGaming.stop();
    tmrJoinSuccess.stop();
    tmrAntiCheat.stop();
}

void GameWatch::tmrGaming_Timer()
{
    if (m_ending || m_taskId == 0 || m_taskId == -1)
        return;
    if (m_starter.isRunning(m_state.Game.GamePid)) {
        if (!tmrAntiCheat.isActive())
            tmrAntiCheat.start();
        return;
    }
    endOfGame();
}

void GameWatch::endOfGame()
{
    m_ending = true;
    UserRecord *own = m_state.own();
    const bool friendly = own && own->Friendly;

    m_commands.SendCommand("BEIDLE");
    m_chat.AddSystemMessage("Welcome back!");
    tmrAntiCheat.stop();
    tmrJoinSuccess.stop();
    m_state.Game.GamePatched = false;

    m_points.drainPending();
    m_points.appendLine(PointsLink::timeText() + " Stopped playing", true);
    m_points.closeSockets();
    m_points.closeLog();

    if (!friendly && pointReport() == Report::Failed) {
        failurePath(QStringLiteral("points.txt cannot be read"));
        m_ending = false;
        Q_EMIT gameEnded();
        return;
    }

    m_commands.SendCommand("POPULOUS OFF");
    processEvents();
    if (!friendly)
        QFile::remove(pointsFile());

    RestoreGameFiles();
    undoCustomSettings(m_state.own()); // events ran: look the record up again

    m_taskId = 0;
    tmrGaming.stop();
    m_state.Game.GameRunning = false;
    m_ending = false;
    Q_EMIT gameEnded();
}

// The hut's colours are used up with the game; the screen resolution comes back.
void GameWatch::undoCustomSettings(UserRecord *own)
{
    if (own)
        own->CustomPals = false;
    if (m_state.Options.CustomRes && m_services.PatchGameResolution)
        m_services.PatchGameResolution();
}

void GameWatch::RestoreGameFiles()
{
    // Palettes first, whether or not this game used custom colours: their
    // backups were taken after the pack installs, so a palette file that a
    // mod pack replaced is saved as the pack's copy, and only the journal
    // replay that follows puts the original back over it. Nothing to restore
    // is quick and silent.
    if (m_services.RestorePaletteFiles)
        m_services.RestorePaletteFiles();
    if (!m_state.Hut.HutMappackOn && m_services.RestoreLevelHeaderFiles)
        m_services.RestoreLevelHeaderFiles();
    if (m_state.Game.ConstantsChanged) {
        if (m_services.RestoreConstants)
            m_services.RestoreConstants();
        m_state.Game.ConstantsChanged = false;
    }
    // Reverse order of the installs: a file both packs changed gets its
    // original back last.
    if (m_services.RestoreModBackup)
        m_services.RestoreModBackup();
    if (m_services.RestoreMapBackup)
        m_services.RestoreMapBackup();
}

GameWatch::Report GameWatch::pointReport()
{
    const QString path = pointsFile();
    // Present but unreadable (a folder, a broken link, no access) is a
    // failure of the report, not a missing one.
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        m_chat.AddSystemMessage("Error occured,");
        return Report::Sent;
    }
    bool ok = false;
    QByteArray report = Files::ReadAll(path, &ok);
    if (!ok)
        return Report::Failed;

    const bool cheated = m_state.Game.CheatDetected;
    const bool won = report.size() > ReportThreshold;
    if (won && !cheated) {
        // A NUL would end the lobby message early; the game's bytes go as blanks.
        report.replace('\0', ' ');
        m_commands.SendCommand("POINTREPORT " + report);
        m_chat.AddSystemMessage("You won! Report sent to server!");
        return Report::Sent;
    }
    m_commands.SendCommand("POINTREPORT NO");
    if (won) {
        m_chat.AddSystemMessage("You won, but you were so lame that you cheated. Your point report "
                                "has been ignored and this counts as a loss!");
        sendAutoMessage("Auto message: And remember, kids, only admins can prevent lame cheaters!");
    } else if (cheated) {
        m_chat.AddSystemMessage("You lost, but you cheated as well. If you win while cheating, it "
                                "will count as a loss!");
        sendAutoMessage("Auto message: Sometimes life just sucks for the cheaters who get caught..");
    } else {
        m_chat.AddSystemMessage("You didn't win, better luck next time!");
    }
    return Report::Sent;
}

void GameWatch::sendAutoMessage(const QByteArray &text)
{
    m_commands.SendCommand("SENDMSG " + Text::EncodeText(Text::BlanksToFreeText(text)));
}

void GameWatch::failurePath(const QString &description)
{
    // Stopped first: the error window waits for the user, and no tick may
    // run the end of the game a second time meanwhile.
    stopTimers();
    ErrorReporter::Failure failure;
    failure.description = description;
    failure.source = QStringLiteral("GameWatch");
    m_errors.ShowError(failure, QStringLiteral("In Gaming Timer / Point Report"));

    m_commands.SendCommand("BEIDLE");
    m_chat.AddSystemMessage("Points Server Crashed - Error in Delivery");
    m_points.closeSockets();
    m_points.closeLog();
    m_state.Game.GameRunning = false;

    UserRecord *own = m_state.own();
    const bool friendly = own && own->Friendly;
    RestoreGameFiles();
    if (!friendly)
        QFile::remove(pointsFile());
    undoCustomSettings(own);
    m_state.Game.GamePatched = false;
}

void GameWatch::tmrJoinSuccess_Timer()
{
    m_state.Game.JoinCheckTicks += 1;
    if (m_state.Game.JoinCheckTicks > JoinTicks) {
        m_chat.AddSystemMessage("Join failed (host can not accept connections), notify server about it...");
        m_commands.SendCommand("JOINFAILED");
        tmrJoinSuccess.stop();
        if (m_finder && !m_finder->everFound() && m_starter.isRunning(m_state.Game.GamePid)) {
            m_chat.AddSystemMessage("The game's process (" + m_state.Setup.GameExeName
                                    + ") was not found: its join status and fair play cannot be checked.");
        }
        return;
    }
    m_chat.AddSystemMessage("Trying to check join status...");
    const qint64 pid = gameMemoryPid();
    if (pid == 0)
        return;
    QByteArray status;
    if (!m_memory.read(pid, joinStatusAddress(m_state.Setup.GameExeName), 2, &status))
        return;
    if (status.count('\0') == status.size())
        return;
    m_chat.AddSystemMessage("Join succeeded! notify server for next launch...");
    m_commands.SendCommand("JOINSUCCESS");
    tmrJoinSuccess.stop();
}

void GameWatch::tmrAntiCheat_Timer()
{
    GameState &game = m_state.Game;
    if (const qint64 pid = gameMemoryPid(); pid != 0) {
        CheckGameMemory(m_memory, pid, m_state.Setup.GameExeName, game.CheatDetected, m_chat);
        // One try per tick until the patch holds; a patch the game's loader
        // undid is written again.
        game.GamePatched = PatchGameMemory(m_memory, pid, m_state.Setup.GameExeName);
    }
    const UserRecord *own = m_state.own();
    if (!own || !own->isGaming()) {
        tmrAntiCheat.stop();
        game.GamePatched = false;
    }
}
