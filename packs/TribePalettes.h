#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class ChatOutput;
class GameFileOperations;

// Custom tribe colours reach the game through the band of palette entries
// 216 to 247 of each palette file in its data folder. Before patching, every
// palette file is copied into the client's palbackup folder and the marker
// pal.dat is written; after the game (or at the next start, when the client
// ended mid-game) the copies go back.
struct TribePaletteSetup
{
    QString ProgramFolder;   // holds pal.dat and palbackup/
    QString GamePath;        // the game folder (host path)
    // The colour of box `shade` (0 darkest to 7) of `tribe` (0 blue, 1 red,
    // 2 yellow, 3 green), 0x00BBGGRR.
    std::function<qint32(int tribe, int shade)> BoxColour;
};

// The palette files of the game: the pal0-*.dat files that exist in its data
// folder (any letter case), sorted by name, at most 36. Names only.
QStringList PaletteFileNames(const QString &gamePath);

// 0x00BBGGRR to its components.
void SplitColour(qint32 colour, qint16 &red, qint16 &green, qint16 &blue);

// Writes pal.dat, then PatchPaletteFiles. False when a file could not be
// saved or patched (a status line says which; what was patched is restored
// by RestorePaletteFiles like the rest). An entry of palbackup that is not a
// plain file (a link, a pipe) refuses the set-up before anything changes.
// Every change goes through `ops`, so a kill leaves nothing that the next
// restore does not remove; nothing is written through a link.
bool InstallTribePalettes(const TribePaletteSetup &setup, ChatOutput &chat);
bool InstallTribePalettes(const TribePaletteSetup &setup, ChatOutput &chat, GameFileOperations &ops);
bool PatchPaletteFiles(const TribePaletteSetup &setup, ChatOutput &chat);
bool PatchPaletteFiles(const TribePaletteSetup &setup, ChatOutput &chat, GameFileOperations &ops);

// Copies every saved palette file back and removes it from palbackup; deletes
// pal.dat once nothing is left to restore. A copy that fails keeps its backup
// and the marker for the next try. False when something is left; `why` then
// names the first file that could not go back and the reason. An entry that
// is not a plain file is not a saved copy: it holds the restore ("... is not
// a plain file") and is left as it is. A game file keeps its permissions.
// Every change goes through `ops`; the temporaries a kill left beside the
// palettes, their copies and the marker go first.
bool RestorePaletteFiles(const QString &programFolder, const QString &gamePath);
bool RestorePaletteFiles(const QString &programFolder, const QString &gamePath,
                         GameFileOperations &ops, QString *why);

// Restores the palettes when pal.dat shows that a game with custom colours
// did not get to restore them: at start-up and before every replay of the
// pack journals. False when a saved palette file is left.
bool CheckPaletteRestore(const QString &programFolder, const QString &gamePath);
bool CheckPaletteRestore(const QString &programFolder, const QString &gamePath,
                         GameFileOperations &ops, QString *why);

// True while pal.dat is there: saved palette files have not gone back yet.
bool PaletteMarkerPresent(const QString &programFolder);
