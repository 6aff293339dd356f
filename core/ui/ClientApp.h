#pragma once
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/LobbyEvents.h"

#include <QObject>
#include <memory>

class ChatOutput;
class Dialogs;
class ErrorReporter;
class GameStarter;
class LobbyConnection;
class LobbyForm;
class LobbyProtocol;
class LoginForm;
class MacAddress;
class ProcessMemory;
class ProcessTable;
class Registry;
class ServerList;
class SoundPlayer;
class StartupSequence;
class VersionCheck;
class WebBrowser;
class ClientExit;
class ClosingDialogs;
class frmError;
class frmStartup;

// The composition root of the client: it creates the process-wide state, the
// lobby connection and its dispatcher, the windows and every capability, and
// wires them together. Nothing else news a capability or a window.
//
// Construction order is dependency order: platform services (given), state,
// connection and protocol, the error window, the lobby window and its chat
// logs, then the capabilities, each in its own block of ClientApp.cpp. A
// capability registers its lobby message handlers on dispatcher() there.
class ClientApp : public QObject
{
    Q_OBJECT
public:
    // The platform services the client uses. RealPlatform (RealPlatform.h)
    // holds the ones of this machine; tests pass fakes. None may be null; each
    // must outlive the ClientApp.
    struct Platform
    {
        Dialogs *dialogs = nullptr;
        Registry *registry = nullptr;
        MacAddress *mac = nullptr;
        WebBrowser *browser = nullptr;
        SoundPlayer *sound = nullptr;
        GameStarter *gameStarter = nullptr;
        ProcessMemory *memory = nullptr;
        // Finds the game when the launcher hands it to another process; null
        // takes the started process as the game.
        const ProcessTable *processes = nullptr;
    };

    // Test only: the client's two fixed local ports, so that two clients can
    // run on one machine. 0 keeps the fixed port (7575 for the hut ping,
    // 127.0.0.1:7589 for the game link).
    struct TestPorts
    {
        quint16 hutPing = 0;
        quint16 points = 0;
    };

    explicit ClientApp(const Platform &platform, QObject *parent = nullptr);
    ClientApp(const Platform &platform, const TestPorts &ports, QObject *parent = nullptr);
    ~ClientApp() override;

    // Runs the start-up sequence (Main). True when the login window is on
    // screen and the event loop should run; false when the program is to end
    // (Cancel in an error report, an update hand-over, a failed version file).
    bool Main();

    // A status line from before the lobby window is on screen (the recovery
    // of an interrupted update, the version check): kept, and written into
    // the chat once the lobby window shows after the login.
    void addStartupStatus(const QByteArray &line);

    // The exit guard: false (refused) while a game runs; otherwise everything
    // is saved and closed, and the event loop is asked to quit.
    bool ExitClient();
    // SIGTERM, SIGINT or SIGHUP: the exit a window's close takes. While a game
    // runs it is refused as a close is, its message shown without waiting.
    void endRequested();
    // True once ExitClient has let the program end.
    bool exiting() const;

    // --- for the windows and for tests
    ClientState &state() { return m_state; }
    Dispatcher &dispatcher() { return m_dispatcher; }
    LobbyEvents &events() { return m_events; }
    LobbyConnection &connection() { return *m_connection; }
    LobbyProtocol &protocol() { return *m_protocol; }
    ServerList &servers() { return *m_servers; }
    LoginForm &loginForm() { return *m_loginForm; }
    LobbyForm &lobbyForm();
    frmError &errorWindow() { return *m_frmError; }
    ErrorReporter &errors();
    ChatOutput &chat() { return *m_chat; }
    StartupSequence &startup() { return *m_startup; }
    const Platform &platform() const { return m_platform; }

private:
    void createConnection();
    void createWindows();
    void createCapabilities();
    void wireStartup();

    Platform m_platform;   // its dialogs are m_dialogs
    TestPorts m_testPorts;
    // The platform's boxes, closed once the exit has begun; goes last.
    std::unique_ptr<ClosingDialogs> m_dialogs;
    ClientState m_state;
    LobbyEvents m_events;
    Dispatcher m_dispatcher;

    std::unique_ptr<LobbyConnection> m_connection;
    std::unique_ptr<LobbyProtocol> m_protocol;
    std::unique_ptr<ServerList> m_servers;
    std::unique_ptr<VersionCheck> m_versionCheck;
    std::unique_ptr<ClientExit> m_exit;
    std::unique_ptr<frmError> m_frmError;
    std::unique_ptr<frmStartup> m_frmStartup;
    std::unique_ptr<LoginForm> m_loginForm;
    std::unique_ptr<StartupSequence> m_startup;
    ChatOutput *m_chat = nullptr;   // owned by the chat block below
    bool m_loginLoaded = false;
    QList<QByteArray> m_startupStatus;
    std::unique_ptr<ChatOutput> m_heldStatus; // the version check's lines go to m_startupStatus
    std::unique_ptr<ChatOutput> m_packChat;   // the pack installer's, held until the lobby shows

    // --- capabilities, one block each (ClientApp.cpp, createCapabilities)
    struct Capabilities;
    std::unique_ptr<Capabilities> m_caps;
};
