#include "core/ui/ClientApp.h"

#include "core/ClientExit.h"
#include "core/LobbyConnection.h"
#include "core/LobbyProtocol.h"
#include "core/ServerList.h"
#include "core/Settings.h"
#include "core/StartupSequence.h"
#include "core/VersionCheck.h"
#include "core/api/ChatOutput.h"
#include "core/ui/LoginForm.h"
#include "core/ui/frmError.h"
#include "core/ui/frmStartup.h"
#include "core/util/Files.h"
#include "platform/ClosingDialogs.h"

#include "core/FindGamePath.h"
#include "lobby/BlockList.h"
#include "core/UserStateHandlers.h"
#include "lobby/Chat.h"
#include "lobby/ui/ChatWidgets.h"
#include "lobby/ui/LobbyForm.h"

#include "core/Huts.h"
#include "lobby/ui/HutWidgets.h"
#include "packs/InstalledPacks.h"
#include "packs/PackInstaller.h"

#include "core/GameLaunch.h"
#include "core/GameWatch.h"
#include "core/PointsLink.h"
#include "core/util/WinPath.h"
#include "packs/GameResolution.h"
#include "packs/TribePalettes.h"

#include "lobby/Rankings.h"
#include "lobby/ui/RanksView.h"
#include "packs/ui/MapPackPanel.h"
#include "packs/ui/ModPackPanel.h"

#include <QBoxLayout>
#include "lobby/ui/HutPackPanel.h"
#include "lobby/ui/PanelScroll.h"
#include "packs/download/PackDownloads.h"
#include "platform/PageFetch.h"
#include "platform/UrlDownload.h"
#include "packs/ui/PackDownloadWidgets.h"
#include "lobby/OptionsPanel.h"
#include "lobby/ui/OptionsView.h"
#include "platform/ui/WindowLooks.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <utility>

namespace {

// Status lines written before the lobby's chat is on screen would be lost
// (the log is cleared as the lobby opens); these wait for it.
class HeldStatus : public ChatOutput
{
public:
    explicit HeldStatus(std::function<void(const QByteArray &)> keep) : m_keep(std::move(keep)) {}
    void AddSystemMessage(const QByteArray &text) override { m_keep(text); }
    void AddLogRTF(const QByteArray &text, qint16, qint32, const QByteArray &, qint32, bool, bool) override
    {
        m_keep(text.trimmed());
    }
    qint16 RoomFocus() const override { return 0; }

private:
    std::function<void(const QByteArray &)> m_keep;
};

// The pack restores and installs: before the lobby is first on screen (the
// start-up restores) their lines wait with the other start-up lines, later
// ones go to the chat as they are.
class ChatOnceShown : public ChatOutput
{
public:
    ChatOnceShown(ChatOutput &chat, ChatOutput &held, const QWidget &lobby)
        : m_chat(chat), m_held(held), m_lobby(lobby)
    {
    }
    void AddSystemMessage(const QByteArray &text) override { out().AddSystemMessage(text); }
    void AddLogRTF(const QByteArray &text, qint16 room, qint32 colour, const QByteArray &font, qint32 size,
                   bool bold, bool italic) override
    {
        out().AddLogRTF(text, room, colour, font, size, bold, italic);
    }
    qint16 RoomFocus() const override { return m_chat.RoomFocus(); }

private:
    ChatOutput &out() const { return m_lobby.isVisible() ? m_chat : m_held; }

    ChatOutput &m_chat;
    ChatOutput &m_held;
    const QWidget &m_lobby;
};

// A picture of a skin; null when the file is missing or holds no picture.
QPixmap skinPicture(const QString &file)
{
    QPixmap pixmap;
    if (Files::FileExists(file))
        pixmap.load(file);
    return pixmap;
}

void centreOnScreen(QWidget *window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace

// Every capability of the client, one block each, in dependency order. A
// block holds what its owner needs to keep alive; its wiring lives in the
// block of the same name in createCapabilities().
struct ClientApp::Capabilities
{
    // --- chat: the chat logs (the client's ChatOutput), bad words, rooms, input
    std::unique_ptr<Chat> chat;
    std::unique_ptr<ChatWidgets> chatWidgets;   // placed on the lobby window below

    // --- lobby window, user and room tables, huts tree
    std::unique_ptr<LobbyForm> lobbyForm;
    std::unique_ptr<UserStateHandlers> userState;

    // --- hosting, huts, hut ping, tribe colours
    // The installed pack lists are read here and built by the packs block.
    std::unique_ptr<InstalledPacks> installedPacks;
    std::unique_ptr<Huts> huts;
    std::unique_ptr<HutWidgets> hutWidgets;

    // --- game launch, game watch, points link
    std::function<bool()> gameWatchRunning;   // tmrGaming enabled: the exit is refused
    std::unique_ptr<PointsLink> points;
    std::unique_ptr<GameWatch> gameWatch;     // owns the GameServices the launch uses too
    std::unique_ptr<GameLaunch> gameLaunch;

    // --- packs: crc lists, restores, installs
    std::unique_ptr<PackInstaller> packInstaller;

    // --- rankings, map pack and mod pack previews
    std::unique_ptr<Rankings> rankings;
    std::unique_ptr<RanksView> ranksView;
    MapPackPanel *mapPackPanel = nullptr;   // owned by the lobby window's maps tab
    ModPackPanel *modPackPanel = nullptr;   // owned by its mods tab
    // --- getting packs: catalogues, catalogue and hut downloads
    std::unique_ptr<PackDownloads> packDownloads;
    std::unique_ptr<PackDownloadWidgets> packDownloadWidgets;
    // --- options tab: option boxes, translucency, skins, executable choice
    std::unique_ptr<OptionsPanel> options;
    std::unique_ptr<OptionsView> optionsView;
};

ClientApp::ClientApp(const Platform &platform, QObject *parent)
    : ClientApp(platform, TestPorts{}, parent)
{
}

ClientApp::ClientApp(const Platform &platform, const TestPorts &ports, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_testPorts(ports)
    , m_dialogs(std::make_unique<ClosingDialogs>(*platform.dialogs))
    , m_caps(std::make_unique<Capabilities>())
{
    Q_ASSERT(platform.dialogs && platform.registry && platform.mac && platform.browser
             && platform.sound && platform.gameStarter && platform.memory);
    m_platform.dialogs = m_dialogs.get();
    m_state.Setup.ProgramFolder = Files::ProgramFolder();
    createConnection();
    createWindows();
    createCapabilities();
    wireStartup();
}

ClientApp::~ClientApp()
{
    // Nothing is handled on a client being torn down, whatever a capability
    // lets go of as it goes.
    m_dispatcher.shut();
    m_dialogs->close();
    // Capabilities first: they hold references to the windows and the connection.
    m_caps.reset();
    m_connection->closeQuietly();
}

ErrorReporter &ClientApp::errors()
{
    return *m_frmError;
}

LobbyForm &ClientApp::lobbyForm()
{
    return *m_caps->lobbyForm;
}

bool ClientApp::exiting() const
{
    return m_exit->exiting();
}

bool ClientApp::ExitClient()
{
    return m_exit->ExitClient();
}

void ClientApp::endRequested()
{
    m_exit->endRequested();
}

void ClientApp::addStartupStatus(const QByteArray &line)
{
    m_startupStatus.append(line);
}

bool ClientApp::Main()
{
    const bool ran = m_startup->Main() && !exiting();
    // From here on failures come from lobby messages and timers too.
    m_frmError->setWaitForAnswer(false);
    return ran;
}

void ClientApp::createConnection()
{
    m_connection = std::make_unique<LobbyConnection>(m_state, m_dispatcher);
    m_protocol = std::make_unique<LobbyProtocol>(m_state, *m_connection, *m_platform.mac);
    m_protocol->registerHandlers(m_dispatcher);
    m_servers = std::make_unique<ServerList>();
}

void ClientApp::createWindows()
{
    ClientExit::Hooks exitHooks;
    exitHooks.gameWatchRunning = [this] {
        return m_caps->gameWatchRunning && m_caps->gameWatchRunning();
    };
    // The exit may come inside a start-up step, a page wait or a box: the
    // page awaited ends now and leaves nothing half-written (the pack
    // transfers remove theirs as they are destroyed), the boxes close, a
    // look-up's answer never comes, and whatever the lobby still sends or a
    // look-up lets go of is dropped.
    exitHooks.stopEverything = [this] {
        m_dispatcher.shut();
        m_dialogs->close();
        UrlDownload::cancelAll();
        PageFetch::abortAll();
    };
    exitHooks.saveBadWordList = [this] {
        if (m_caps->chat)
            m_caps->chat->SaveBadWordList(m_state.Setup.ProgramFolder);
    };
    exitHooks.unloadWindows = [this] {
        if (m_caps->lobbyForm)
            m_caps->lobbyForm->hide();
        m_loginForm->hide();
        m_frmError->hide();
        m_frmStartup->hide();
    };
    // Before the main event loop runs this does nothing: start-up stops
    // after its step, and the program ends without the loop.
    exitHooks.quit = [] { QCoreApplication::quit(); };
    m_exit = std::make_unique<ClientExit>(*m_platform.dialogs, std::move(exitHooks));

    m_frmError = std::make_unique<frmError>(*m_platform.dialogs, [this] { ExitClient(); });
    m_frmStartup = std::make_unique<frmStartup>();
    m_loginForm = std::make_unique<LoginForm>(m_state, *m_connection, *m_servers, *m_platform.dialogs,
                                              *m_platform.browser, *m_frmError);
    m_loginForm->setExitClient([this] { return ExitClient(); });
    m_versionCheck = std::make_unique<VersionCheck>(*m_platform.dialogs, m_state.Setup.ProgramFolder);

    LoginForm *login = m_loginForm.get();
    connect(m_connection.get(), &LobbyConnection::status, login, &LoginForm::setStatus);
    connect(m_protocol.get(), &LobbyProtocol::status, login, &LoginForm::setStatus);
    connect(m_connection.get(), &LobbyConnection::closed, login, [login] {
        login->show();
        login->Loginme->setEnabled(true);
    });
}

void ClientApp::createCapabilities()
{
    Capabilities &caps = *m_caps;
    CommandSink &commands = *m_connection;
    Dialogs &dialogs = *m_platform.dialogs;

    // --- chat
    caps.chat = std::make_unique<Chat>(m_state, commands, dialogs, m_events);
    caps.chat->registerHandlers(m_dispatcher);
    m_chat = &caps.chat->logs();
    m_heldStatus = std::make_unique<HeldStatus>([this](const QByteArray &line) { addStartupStatus(line); });
    m_versionCheck->setStatusOutput(m_heldStatus.get());

    // --- lobby window, user and room tables, huts tree
    caps.lobbyForm = std::make_unique<LobbyForm>(m_state, m_events, commands);
    LobbyForm *lobby = caps.lobbyForm.get();
    caps.lobbyForm->setHooks({
        .OptionsFormData = [this] { m_caps->options->OptionsFormData(); },
        .LoadBadWordList = [this] { m_caps->chat->LoadBadWordList(m_state.Setup.ProgramFolder); },
        .ExitClient = [this] { return ExitClient(); },
        .ResetRoomList = [this] { m_caps->chat->rooms().ResetRoomList(); },
        .FillMapPackList = [this] { if (m_caps->mapPackPanel) m_caps->mapPackPanel->FillMapPackList(); },
        .GetRanks = [this] { if (m_caps->rankings) m_caps->rankings->GetRanks(); },
    });
    caps.userState = std::make_unique<UserStateHandlers>(m_state, commands, m_events);
    caps.userState->registerHandlers(m_dispatcher);
    connect(m_protocol.get(), &LobbyProtocol::loginAccepted, lobby, [lobby] {
        lobby->ShowLobby();
        lobby->show();
    });
    connect(m_connection.get(), &LobbyConnection::closed, lobby, &QWidget::hide);
    caps.chat->handlers().setHooks({
        .showLobbyWindow = [this, lobby] {
            lobby->show();
            for (const QByteArray &line : std::exchange(m_startupStatus, {}))
                m_chat->AddSystemMessage(line);
        },
        .hideLoginWindow = [this] {
            m_loginForm->hide();
            m_loginForm->setStatus(QByteArray());
        },
    });
    caps.chatWidgets = std::make_unique<ChatWidgets>(*caps.chat, m_state);
    caps.chatWidgets->placeInto(*lobby);

    // --- hosting, huts, hut ping, tribe colours
    if (!caps.installedPacks)
        caps.installedPacks = std::make_unique<InstalledPacks>(m_state.Setup, *m_chat);
    caps.huts = std::make_unique<Huts>(m_state, *caps.installedPacks, commands, dialogs, *m_chat, m_events,
                                       m_testPorts.hutPing ? m_testPorts.hutPing : HutPing::DefaultPort);
    caps.huts->registerHandlers(m_dispatcher);
    {
        UserStateHandlers::Hooks hutHooks;
        caps.huts->fillUserStateHooks(hutHooks);
        caps.userState->setHooks(std::move(hutHooks));
    }
    caps.hutWidgets = std::make_unique<HutWidgets>(*lobby, *caps.huts, *caps.installedPacks);
    connect(m_connection.get(), &LobbyConnection::ownStateRefreshed, &caps.huts->panels,
            &HutPanels::ownStateRefreshed);
    connect(caps.chatWidgets.get(), &ChatWidgets::lblmainClicked, &caps.huts->panels, &HutPanels::lblmain_Click);
    connect(m_connection.get(), &LobbyConnection::closed, &caps.huts->panels,
            [huts = caps.huts.get()] { huts->connectionLost(); });

    // --- game launch, game watch, points link
    caps.points = std::make_unique<PointsLink>();
    {
        Huts &huts = *caps.huts;
        GameServices s;
        s.InstallTribePalettes = [this, &huts] {
            return InstallTribePalettes({m_state.Setup.ProgramFolder, m_state.Setup.GamePath,
                                         [&huts](int tribe, int shade) { return huts.colours.colour(tribe, shade); }},
                                        *m_chat);
        };
        s.RestorePaletteFiles = [this] { RestorePaletteFiles(m_state.Setup.ProgramFolder, m_state.Setup.GamePath); };
        s.FlushTribeColours = [&huts] { huts.editor.flushPendingColours(); };
        s.PatchGameResolution = [this] {
            PatchGameResolution(GameFolder::resolve(m_state.Setup.GamePath, QStringLiteral("d3dpoptb.exe")),
                                m_state.Setup.ProgramFolder, *m_chat);
        };
        s.ClosePingHost = [&huts] { huts.ping.ClosePingHost(); };
        s.ClosePingProbe = [&huts] { huts.ping.ClosePingProbe(); };
        s.HideGamePanel = [&huts] { huts.panels.update([](HutPanels::State &p) { p.frmGameVisible = false; }); };
        s.LocalIP = [this] { return m_connection->LocalIP(); };
        // The pack installs and restores (InstallMappack ... RestoreModBackup)
        // are filled by the packs block through gameWatch->services().
        caps.gameWatch = std::make_unique<GameWatch>(m_state, commands, *m_chat, *m_frmError,
                                                     *m_platform.gameStarter, *m_platform.memory,
                                                     *caps.points, std::move(s));
        caps.gameWatch->setProcessTable(m_platform.processes);
    }
    caps.gameLaunch = std::make_unique<GameLaunch>(m_state, commands, *m_chat, *m_platform.gameStarter,
                                                   *caps.points, *caps.gameWatch);
    caps.gameLaunch->registerHandlers(m_dispatcher);
    caps.gameWatchRunning = [watch = caps.gameWatch.get()] { return watch->isWatching(); };
    // Test only: two clients on one machine cannot both hold 127.0.0.1:7589.
    if (const quint16 port = qEnvironmentVariableIntValue("ZORBEL_TEST_POINTS_PORT"); port != 0)
        caps.gameLaunch->setPointsPort(port);
    if (m_testPorts.points != 0)
        caps.gameLaunch->setPointsPort(m_testPorts.points);

    // --- packs: crc lists, restores, installs
    m_packChat = std::make_unique<ChatOnceShown>(*m_chat, *m_heldStatus, *caps.lobbyForm);
    caps.packInstaller = std::make_unique<PackInstaller>(m_state.Setup, *caps.installedPacks,
                                                         commands, *m_packChat);
    {
        PackInstaller &packs = *caps.packInstaller;
        GameServices &s = caps.gameWatch->services();
        s.InstallMappack = [&packs](const QByteArray &crc) { packs.InstallMappack(crc); };
        s.InstallModpack = [&packs](const QByteArray &crc) { packs.InstallModpack(crc); };
        s.BackupPackLevelHeaders = [&packs] { packs.BackupPackLevelHeaders(); };
        s.RestoreLevelHeaderFiles = [&packs] { packs.RestoreLevelHeaderFiles(); };
        s.RestoreMapBackup = [&packs] { packs.RestoreMapBackup(); };
        s.RestoreModBackup = [&packs] { packs.RestoreModBackup(); };
        s.RestoreConstants = [&packs] { packs.RestoreConstants(); };
    }

    // --- rankings, map pack and mod pack previews
    caps.rankings = std::make_unique<Rankings>(m_state);
    caps.ranksView = std::make_unique<RanksView>(*caps.rankings, m_state.Options, lobby->lstRanks(),
                                                 lobby->lblYourRank());
    caps.mapPackPanel = new MapPackPanel(m_state.Setup, *caps.installedPacks);
    caps.modPackPanel = new ModPackPanel(m_state.Setup, *caps.installedPacks, [this] {
        // The hut's mod pack box keeps its pack, wherever the rescan puts it.
        HostOptions &options = m_caps->huts->options;
        const QByteArray chosen = options.selectedModpackCrc();
        options.modPackListRebuilt(chosen,
                                   m_caps->installedPacks->BuildModpackCrcList(options.boxes().cmbModPackIndex));
    });
    // The window's layout takes the panels' controls onto the tabs.
    for (auto [frame, panel] : {std::pair<QWidget *, QWidget *>{lobby->FrameMaps(), caps.mapPackPanel},
                                {lobby->FrameMods(), caps.modPackPanel}}) {
        panel->setParent(frame);
        panel->hide();
    }
    lobby->layoutPass();

    // --- getting packs: catalogues, catalogue and hut downloads
    {
        // A rebuild keeps the host's pack boxes on the pack they showed; the
        // hut hears of it only when that pack is gone.
        HostOptions *options = &caps.huts->options;
        InstalledPacks *installed = caps.installedPacks.get();
        PackDownloads::Rebuild rebuild;
        rebuild.mappacks = [options, installed] {
            const QByteArray chosen = options->selectedMappackCrc();
            options->mapPackListRebuilt(chosen, installed->BuildMappackCrcList(options->boxes().cmbMapPackIndex));
        };
        rebuild.modpacks = [options, installed] {
            const QByteArray chosen = options->selectedModpackCrc();
            options->modPackListRebuilt(chosen, installed->BuildModpackCrcList(options->boxes().cmbModPackIndex));
        };
        caps.packDownloads = std::make_unique<PackDownloads>(m_state, *installed, caps.huts->panels,
                                                             caps.huts->messages, commands, *m_chat, dialogs,
                                                             std::move(rebuild));
        caps.packDownloads->follow(m_events);
        connect(m_connection.get(), &LobbyConnection::closed, lobby,
                [downloads = caps.packDownloads.get()] { downloads->connectionLost(); });
        caps.packDownloadWidgets = std::make_unique<PackDownloadWidgets>(
            *lobby, *caps.packDownloads, caps.huts->panels, caps.hutWidgets->mapDownload,
            caps.hutWidgets->modDownload, &dialogs);
        // With their download rows in them, the hut's pack areas scroll what
        // they hold in a chat area too small for it.
        for (HutPackPanel *area : {caps.hutWidgets->mapDownload, caps.hutWidgets->modDownload})
            scrollContents(area);
        connect(&m_events, &LobbyEvents::lobbyShown, lobby, [this] {
            m_caps->packDownloadWidgets->setSkinPictures(
                Settings::skinFile(m_state.Setup.ProgramFolder, m_state.Options.SkinPath, QByteArray()));
        });
    }

    // --- options tab: option boxes, translucency, skins, executable choice
    {
        OptionsPanel::Hooks h;
        h.SetWindowAlpha = [lobby](int opacity) { SetWindowAlpha(lobby, qint16(opacity)); };
        // A new skin's colours reach the option controls at once, not at
        // the next size change.
        h.LoadSettings = [this, lobby] {
            m_startup->LoadSettings();
            lobby->Form_Resize();
        };
        h.screenFonts = [] { return QFontDatabase::families(); };
        caps.options = std::make_unique<OptionsPanel>(m_state, *m_chat, std::move(h));
        caps.optionsView = std::make_unique<OptionsView>(*lobby, *caps.options);
        connect(caps.optionsView.get(), &OptionsView::editFilterRequested, caps.chatWidgets.get(),
                &ChatWidgets::showLanguageList);
    }
}

void ClientApp::wireStartup()
{
    StartupSequence::Hooks h;
    h.exiting = [this] { return exiting(); };

    // Windows.
    h.showSplash = [this] {
        centreOnScreen(m_frmStartup.get());
        m_frmStartup->show();
        QCoreApplication::processEvents();
    };
    h.caption = [this](const QByteArray &text) {
        m_frmStartup->setCaption(text);
        QCoreApplication::processEvents();
    };
    h.loadSkinPictures = [this] {
        // The windows are loaded (not shown) here, so their load handlers run now.
        if (m_caps->lobbyForm)
            m_caps->lobbyForm->Form_Load();
        if (!m_loginLoaded) {
            m_loginLoaded = true;
            m_loginForm->Form_Load();
        }
        const QString folder = m_state.Setup.ProgramFolder;
        for (const Settings::SkinPicture &picture : Settings::skinPictures()) {
            const QString file = Settings::skinFile(folder, m_state.Options.SkinPath, picture.file);
            const QPixmap pixmap = skinPicture(file);
            if (pixmap.isNull()) {
                m_frmError->ShowError({481, QStringLiteral("Invalid picture: ") + file,
                                       QStringLiteral("Zorbel1")},
                                      QStringLiteral("Failure to load skin resources!"));
                return;
            }
            // Each picture goes to its control as it loads: a later failure
            // keeps the ones already set.
            if (QByteArray(picture.role) == "RefreshList")
                m_loginForm->setRefreshPicture(pixmap);
            if (m_caps->lobbyForm)
                m_caps->lobbyForm->setTabPicture(picture.role, pixmap);
        }
        if (m_caps->optionsView)
            m_caps->optionsView->colourSoundBoxes(m_state.Options.ColorForeground, m_state.Options.OptionsForeColor);
    };
    h.skinFault = [this](const QByteArray &skinPath) -> QByteArray {
        const QString folder = m_state.Setup.ProgramFolder;
        if (!Files::DirExists(Settings::skinFile(folder, skinPath, QByteArray())))
            return "there is no such skin folder";
        for (const Settings::SkinPicture &picture : Settings::skinPictures()) {
            if (skinPicture(Settings::skinFile(folder, skinPath, picture.file)).isNull())
                return "the picture " + QByteArray(picture.file).mid(1) + " cannot be read";
        }
        return {};
    };
    h.status = [this](const QByteArray &line) { addStartupStatus(line); };
    h.skinListLoaded = [this] {
        if (m_caps->optionsView)
            m_caps->optionsView->refresh();
    };
    h.showLogin = [this] {
        if (!m_loginLoaded) {
            m_loginLoaded = true;
            m_loginForm->Form_Load();
        }
        m_loginForm->DownloadServerList();
        m_frmStartup->Animate.stop();
        m_frmStartup->hide();
        if (!exiting()) {
            centreOnScreen(m_loginForm.get());
            m_loginForm->show();
        }
    };

    // Game folder and version.
    h.InitTribeShades = [this] { m_caps->huts->colours.InitTribeShades(); };
    h.SetDefaultTribeColours = [this] { m_caps->huts->colours.SetDefaultTribeColours(); };

    h.FindGamePath = [this] { FindGamePath(*m_platform.registry, *m_platform.dialogs, m_state.Setup); };
    h.LoadBlockList = [this] { BlockList::LoadBlockList(m_state); };
    h.RestoreMapBackup = [this] { m_caps->packInstaller->RestoreMapBackup(); };
    h.RestoreModBackup = [this] { m_caps->packInstaller->RestoreModBackup(); };
    h.CheckHeaderRestore = [this] { m_caps->packInstaller->CheckHeaderRestore(); };
    h.CheckConstantRestore = [this] { m_caps->packInstaller->CheckConstantRestore(); };
    h.BuildMappackCrcList = [this] { m_caps->installedPacks->BuildMappackCrcList(); };
    h.BuildModpackCrcList = [this] { m_caps->installedPacks->BuildModpackCrcList(); };
    h.CheckVersion = [this](const QByteArray &product) { return m_versionCheck->CheckVersion(product); };

    // Palettes that a game with custom colours left patched go back before
    // the pack journals are replayed.
    h.CheckPaletteRestore = [this] { CheckPaletteRestore(m_state.Setup.ProgramFolder, m_state.Setup.GamePath); };

    m_startup = std::make_unique<StartupSequence>(m_state, *m_platform.registry, *m_platform.sound,
                                                  *m_frmError, std::move(h));
}
