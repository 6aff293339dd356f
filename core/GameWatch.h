#pragma once
#include "core/GameServices.h"

#include <QObject>
#include <memory>
#include <QString>
#include <QTimer>

class ChatOutput;
class CommandSink;
class ErrorReporter;
class GameStarter;
class PointsLink;
class GameProcessFinder;
class ProcessMemory;
class ProcessTable;
struct ClientState;
struct UserRecord;

// Watches the game the launch started: tmrGaming polls the process and runs
// the end of the game (the result report to the server and the restores of
// the game's files), tmrJoinSuccess reads the join status from the game's
// memory, tmrAntiCheat runs the memory watch and patch while the user plays.
// The game's memory is read only while the starter says the process it
// started still runs, and only in the process that maps the game's executable
// (the started one, or the one a launcher handed the game to); the end of the
// game is watched on the started process.
class GameWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int GamingInterval = 1000;
    static constexpr int JoinInterval = 5000;
    static constexpr int AntiCheatInterval = 100;
    static constexpr int JoinTicks = 5;   // the sixth tick reports a failed join

    // The join status: two bytes that turn non-zero once the game has joined.
    static quint64 joinStatusAddress(const QByteArray &exeName);

    GameWatch(ClientState &state, CommandSink &commands, ChatOutput &chat, ErrorReporter &errors,
              GameStarter &starter, ProcessMemory &memory, PointsLink &points,
              GameServices services, QObject *parent = nullptr);
    ~GameWatch() override;

    // Where the game's process is looked for. Without a table the started
    // process is taken as the game (a test's fake game).
    void setProcessTable(const ProcessTable *table);
    // The process whose memory is read and patched; 0 while none is known.
    qint64 gameMemoryPid();

    // The launch arms the watch once the game runs.
    void armGaming(qint64 taskId);
    void armJoinCheck();

    // The task id of the game being watched (0 when none).
    qint64 GameTaskId() const { return m_taskId; }
    // The exit guard asks this: the client refuses to close while true.
    bool isWatching() const { return tmrGaming.isActive(); }

    // The points.txt of the client's folder.
    QString pointsFile() const;

    // Undoes the changes made to the game's files for this game: the palette
    // files (any still saved), the level headers (when the hut's map pack was
    // not installed), constants, then the mod-pack and map-pack journals
    // (reverse order of the installs).
    void RestoreGameFiles();

    // The composition root wires services that arrive late.
    GameServices &services() { return m_services; }

    // Tests shorten the timers and the search for the game's process.
    void setIntervals(int gamingMs, int joinMs, int antiCheatMs);
    void setSearchInterval(int ms);
    const QTimer &gamingTimer() const { return tmrGaming; }
    const QTimer &joinTimer() const { return tmrJoinSuccess; }
    const QTimer &antiCheatTimer() const { return tmrAntiCheat; }

    void tmrGaming_Timer();
    void tmrJoinSuccess_Timer();
    void tmrAntiCheat_Timer();

Q_SIGNALS:
    void gameEnded();   // after the end-of-game sequence or its failure path

private:
    enum class Report { Sent, Failed };
    void endOfGame();
    Report pointReport();
    void failurePath(const QString &description);
    void sendAutoMessage(const QByteArray &text);
    void processEvents();
    void stopTimers();
    void undoCustomSettings(UserRecord *own);

    ClientState &m_state;
    CommandSink &m_commands;
    ChatOutput &m_chat;
    ErrorReporter &m_errors;
    GameStarter &m_starter;
    ProcessMemory &m_memory;
    PointsLink &m_points;
    GameServices m_services;

    QTimer tmrGaming;
    QTimer tmrJoinSuccess;
    QTimer tmrAntiCheat;
    std::unique_ptr<GameProcessFinder> m_finder;
    int m_searchInterval = -1;
    qint64 m_taskId = 0;
    bool m_ending = false;
};
