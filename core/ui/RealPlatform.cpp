#include "core/ui/RealPlatform.h"

#include "core/util/SettingsKeys.h"
#include "core/util/WinPath.h"
#include "platform/DesktopWebBrowser.h"
#include "platform/LinuxGameStarter.h"
#include "platform/LinuxMacAddress.h"
#include "platform/LinuxProcessMemory.h"
#include "platform/LinuxProcessTable.h"
#include "platform/QtSoundPlayer.h"
#include "platform/WineRegistry.h"
#include "platform/ui/WidgetDialogs.h"

RealPlatform::RealPlatform(const QString &programFolder)
    : m_dialogs(std::make_unique<WidgetDialogs>())
    , m_registry(std::make_unique<WineRegistry>())
    , m_mac(std::make_unique<LinuxMacAddress>())
    , m_browser(std::make_unique<DesktopWebBrowser>())
    , m_sound(std::make_unique<QtSoundPlayer>())
    , m_gameStarter(std::make_unique<LinuxGameStarter>(LinuxGameStarter::launcherFromSettings(
          WinPath::join(programFolder, QByteArray(SettingsKeys::QxIni)))))
    , m_memory(std::make_unique<LinuxProcessMemory>())
    , m_processes(std::make_unique<LinuxProcessTable>())
{
}

RealPlatform::~RealPlatform() = default;

ClientApp::Platform RealPlatform::services() const
{
    ClientApp::Platform p;
    p.dialogs = m_dialogs.get();
    p.registry = m_registry.get();
    p.mac = m_mac.get();
    p.browser = m_browser.get();
    p.sound = m_sound.get();
    p.gameStarter = m_gameStarter.get();
    p.memory = m_memory.get();
    p.processes = m_processes.get();
    return p;
}
