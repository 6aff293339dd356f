#pragma once
#include <QString>
#include <functional>

class Dialogs;

// The exit guard both main windows call on a close request, and the error
// report's Cancel. While the game watch runs, leaving would count the game as
// a loss, so the exit is refused with a message and nothing changes.
class ClientExit
{
public:
    struct Hooks
    {
        std::function<bool()> gameWatchRunning;   // tmrGaming enabled
        // First once the exit is taken: no lobby handler, queued step or box
        // runs any more, and every wait ends.
        std::function<void()> stopEverything;
        std::function<void()> saveBadWordList;    // langlist.dat from FrmLanguageList
        std::function<void()> unloadWindows;      // lobby, login, smileys, error, splash, word list
        std::function<void()> quit;               // ends the event loop
    };

    static constexpr char RunningMessage[]
        = "Populous is running! Can't exit the client! Don't try to close the qx in any other "
          "way or the current game will count as a loss!";

    ClientExit(Dialogs &dialogs, Hooks hooks);

    // False when refused (the close request is to be cancelled); true when the
    // program is ending. A second call after a successful one does nothing.
    // It may come at any moment, start-up included: whatever waits then
    // (a page, a box) ends, and the caller goes no further.
    bool ExitClient();
    // The same exit asked from outside the windows (a termination signal,
    // handled as an event): a refusal's message is shown without waiting for
    // its OK.
    bool endRequested();
    bool exiting() const { return m_exiting; }

private:
    bool exit(bool waitForOk);

    Dialogs &m_dialogs;
    Hooks m_hooks;
    bool m_exiting = false;
};
