#include "core/ClientExit.h"

#include "platform/Dialogs.h"

ClientExit::ClientExit(Dialogs &dialogs, Hooks hooks)
    : m_dialogs(dialogs)
    , m_hooks(std::move(hooks))
{
}

bool ClientExit::ExitClient()
{
    return exit(true);
}

bool ClientExit::endRequested()
{
    return exit(false);
}

bool ClientExit::exit(bool waitForOk)
{
    if (m_exiting)
        return true;
    if (m_hooks.gameWatchRunning && m_hooks.gameWatchRunning()) {
        if (waitForOk)
            m_dialogs.message(QString::fromLatin1(RunningMessage), QString(), Dialogs::Buttons::Ok);
        else
            m_dialogs.open(QString::fromLatin1(RunningMessage), QString(), Dialogs::Buttons::Ok);
        return false;
    }
    m_exiting = true;
    if (m_hooks.stopEverything)
        m_hooks.stopEverything();
    if (m_hooks.saveBadWordList)
        m_hooks.saveBadWordList();
    if (m_hooks.unloadWindows)
        m_hooks.unloadWindows();
    if (m_hooks.quit)
        m_hooks.quit();
    return true;
}
