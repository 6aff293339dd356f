#pragma once
#include <QByteArray>
#include <QString>

// Where the client and the game live, as start-up found them. Host paths are
// used to touch files; the Windows form of the game folder is what goes on the
// wire and into the game's command line.
struct GameSetup
{
    QString ProgramFolder;        // the client's own folder (Files::ProgramFolder)
    QString GamePath;             // host path of the game folder, no trailing separator
    QByteArray GamePathWindows;   // the registry's "installpath", e.g. "C:\Games\Populous"
    QByteArray GameExeName;       // "poptb.exe" (software) or "d3dpoptb.exe" (hardware)
    // The executable as the server is told it: start-up stores folder "\" name;
    // a choice made in the options since is stored in double quotes. Empty:
    // GamePathWindows "\" GameExeName.
    QByteArray GameExePath;
    QByteArray GameVersion;       // the registry's "version" ("" when the game is missing)
    QString MappacksFolder;       // <program folder>/mappacks
    QString ModpacksFolder;       // <program folder>/modpacks
    QByteArray LangFile;          // the game's language file name, e.g. "LANG00.DAT"
    bool GameInstalled = false;
};
