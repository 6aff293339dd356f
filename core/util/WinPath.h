#pragma once
#include <QByteArray>
#include <QString>

// The client's files are named the way the game names them on Windows:
// "\qx.ini", "backup\backup.txt", "levels\levl2001.dat". These helpers turn
// such a name into a host path below a folder, with '\' (and '/') taken as
// separators. Nothing else in the client pastes separators together.
namespace WinPath {

// Joins a Windows-style relative name onto a host folder: "\skins\Default" and
// "skins\Default" both give <folder>/skins/Default. The name is taken as given
// (no case lookup); use GameFolder::resolve for files inside the game folder.
QString join(const QString &folder, const QByteArray &windowsName);
QString join(const QString &folder, const QString &windowsName);

// Splits a Windows-style name into its parts, dropping empty ones.
QStringList parts(const QString &windowsName);

} // namespace WinPath

// The game folder of an installation that came from Windows: file names in it
// may be spelt in any case ("LEVELS\LEVL2001.DAT" vs "levels/levl2001.dat").
namespace GameFolder {

// Resolves a Windows-style relative name inside `folder`, part by part: an
// existing entry whose name matches without regard to case wins (an exact
// match first); a part that does not exist keeps the spelling given, and so do
// all parts after it. The result always lies inside `folder`.
QString resolve(const QString &folder, const QString &windowsName);
QString resolve(const QString &folder, const QByteArray &windowsName);

} // namespace GameFolder
