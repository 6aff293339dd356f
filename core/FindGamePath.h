#pragma once
#include <QByteArray>
#include <QString>

class Dialogs;
class Registry;
struct GameSetup;

// Finds the game's installation through its registry key. When the key, its
// "installpath" value or a host folder for that path is missing, the user is
// told once that hosting and joining will not work, and the game counts as
// not installed.
struct GameInstallation
{
    bool GameInstalled = false;
    QByteArray InstallPath; // the registry's Windows path, without a trailing '\'
    QByteArray Version;     // the registry's "version" (a number as decimal text)
    QString HostPath;       // where that folder lies on this machine
};

namespace GamePathKeys {
inline constexpr char GameKey[] = "software\\bullfrog productions ltd\\populous: the beginning";
inline constexpr char HWSWSelectKey[] =
    "software\\bullfrog productions ltd\\populous: the beginning\\HWSWSelect";
}

GameInstallation FindGamePath(const Registry &registry, Dialogs &dialogs);

// The same, into start-up's GameSetup (GamePath, GamePathWindows, GameInstalled).
void FindGamePath(const Registry &registry, Dialogs &dialogs, GameSetup &setup,
                  QByteArray *version = nullptr);

// "Populous: The Beginning not installed or install path not found." CR LF
// "You wont be able to host or join games."
QString GameNotInstalledMessage();
