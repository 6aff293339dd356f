#pragma once
#include "core/ui/ClientApp.h"

#include <memory>

class DesktopWebBrowser;
class LinuxGameStarter;
class LinuxMacAddress;
class LinuxProcessMemory;
class LinuxProcessTable;
class QtSoundPlayer;
class WidgetDialogs;
class WineRegistry;

// The platform services of this machine: widget message boxes, the Wine
// prefix's registry, the interface MAC lookup, the desktop browser, Qt sound,
// the configured game launcher, /proc process memory and the /proc process
// table.
class RealPlatform
{
public:
    explicit RealPlatform(const QString &programFolder);
    ~RealPlatform();

    ClientApp::Platform services() const;

private:
    std::unique_ptr<WidgetDialogs> m_dialogs;
    std::unique_ptr<WineRegistry> m_registry;
    std::unique_ptr<LinuxMacAddress> m_mac;
    std::unique_ptr<DesktopWebBrowser> m_browser;
    std::unique_ptr<QtSoundPlayer> m_sound;
    std::unique_ptr<LinuxGameStarter> m_gameStarter;
    std::unique_ptr<LinuxProcessMemory> m_memory;
    std::unique_ptr<LinuxProcessTable> m_processes;
};
