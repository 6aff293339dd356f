#pragma once
#include "core/GameServices.h"

#include <QByteArray>
#include <QObject>

class ChatOutput;
class CommandSink;
class Dispatcher;
class GameStarter;
class GameWatch;
class LobbyMessage;
class PointsLink;
struct ClientState;

// The game launch: on the server's launch message every member of a hut
// tells the server each step, installs the hut's packs and tribe colours into
// the game folder, opens the points listener and its log, builds the game's
// command line, starts the game and arms the game watch.
//
// A game that cannot be started sends no "POPULOUS ON": a status line names
// the executable, the game's files are restored and "BEIDLE" is sent. A launch
// message that arrives while a game is being launched or runs is ignored;
// "EAEXECHOSTWARP" starts no game and always goes through.
class GameLaunch : public QObject
{
    Q_OBJECT
public:
    GameLaunch(ClientState &state, CommandSink &commands, ChatOutput &chat, GameStarter &starter,
               PointsLink &points, GameWatch &watch, QObject *parent = nullptr);

    // "EAEXECHOST", "EAEXECJOIN", "EAEXECHOSTWARP".
    void registerHandlers(Dispatcher &dispatcher);

    void EAEXECHOST(const LobbyMessage &message);
    void EAEXECJOIN(const LobbyMessage &message);
    void EAEXECHOSTWARP(const LobbyMessage &message);

    // The game's command line. `pointsPort` is 7589; tests running two
    // clients on one machine give each its own.
    struct CommandLineParts
    {
        QByteArray exePath;     // GameExePath, as stored (Windows form)
        bool host = true;
        QByteArray word1;
        QByteArray word2;       // join only: the host's address
        QByteArray localIP;     // of the lobby connection
        QByteArray externalIP;  // the own record's
        quint16 pointsPort = 7589;
    };
    static QByteArray GameCommandLine(const CommandLineParts &parts);

    // GameExePath as the server sees it: as stored, else the game folder's
    // Windows form, "\" and the executable's name.
    QByteArray GameExePath() const;

    // Opens points.txt and the points listener; clears CheatDetected.
    bool StartPointsLog(quint16 port);

    // The points port for tests; 7589 otherwise.
    void setPointsPort(quint16 port) { m_pointsPort = port; }
    quint16 pointsPort() const { return m_pointsPort; }

    bool isLaunching() const { return m_launching; }
    // The services are the game watch's (one set for the launch and the watch).
    GameServices &services();

Q_SIGNALS:
    void gameStarted(qint64 pid);
    void startFailed(const QString &executable);

private:
    void launch(const LobbyMessage &message, bool host);
    bool refuseSecondLaunch();
    bool startGame(const QByteArray &commandLine);
    void processEvents();

    ClientState &m_state;
    CommandSink &m_commands;
    ChatOutput &m_chat;
    GameStarter &m_starter;
    PointsLink &m_points;
    GameWatch &m_watch;
    quint16 m_pointsPort = 7589;
    bool m_launching = false;
};
