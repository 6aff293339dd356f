#include "packs/TribePalettes.h"

#include "core/api/ChatOutput.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"
#include "packs/GameFileOperations.h"
#include "packs/PalFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int MaxPaletteFiles = 36;

// First palette entry of each tribe's eight shades, by tribe number.
constexpr int BandStart[4] = {216, 240, 232, 224};

constexpr char PaletteNames[] = "pal0-*.dat";

QString dataFolder(const QString &gamePath)
{
    return GameFolder::resolve(gamePath, QStringLiteral("data"));
}

QString backupFolder(const QString &programFolder)
{
    return WinPath::join(programFolder, QStringLiteral("palbackup"));
}

QString markerFile(const QString &programFolder)
{
    return WinPath::join(programFolder, QStringLiteral("pal.dat"));
}

bool isPlainFile(const QFileInfo &info)
{
    return info.isFile() && !info.isSymLink();
}

// The palette files of `folder`, sorted; `all` adds every other entry of a
// palette's name (links, pipes, folders).
QStringList paletteEntriesIn(const QString &folder, bool all)
{
    QDir dir(folder);
    dir.setFilter(all ? QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot
                      : QDir::Files | QDir::NoSymLinks);
    dir.setNameFilters({QLatin1String(PaletteNames)});
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

// Why palbackup is not a folder of its own (a link to one elsewhere), or empty.
QString foreignFolder(const QString &backups)
{
    const QFileInfo folder(backups);
    if (folder.isSymLink() || (folder.exists() && !folder.isDir()))
        return backups + QStringLiteral(" is not a plain folder");
    return {};
}

// Copies are plain files in a plain folder, never written or read through a
// link: a link or a special file in palbackup is not the copy the client
// saved. Empty when palbackup holds only plain files, else why not.
QString foreignBackup(const QString &backups)
{
    if (const QString folder = foreignFolder(backups); !folder.isEmpty())
        return folder;
    for (const QString &name : paletteEntriesIn(backups, true)) {
        const QString path = QDir(backups).filePath(name);
        if (!isPlainFile(QFileInfo(path)))
            return path + QStringLiteral(" is not a plain file");
    }
    return {};
}

// A kill between writing a file's new bytes and renaming them into place
// leaves them beside it under the one temporary name.
void removeLeftoverTemp(const QString &path, GameFileOperations &ops)
{
    const QString temp = GameFileOperations::TempNameFor(path);
    if (isPlainFile(QFileInfo(temp)))
        ops.remove(temp, nullptr);
}

void sweepPaletteTemps(const QString &programFolder, const QString &gamePath, GameFileOperations &ops)
{
    removeLeftoverTemp(markerFile(programFolder), ops);
    QDir backups(backupFolder(programFolder));
    backups.setFilter(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    backups.setNameFilters({GameFileOperations::TempNameFor(QLatin1String(PaletteNames))});
    for (const QString &name : backups.entryList())
        ops.remove(backups.filePath(name), nullptr);
    if (gamePath.isEmpty() || !Files::DirExists(gamePath))
        return;
    const QString data = dataFolder(gamePath);
    for (const QString &name : PaletteFileNames(gamePath))
        removeLeftoverTemp(QDir(data).filePath(name), ops);
}

// The game file replaced by `bytes` with the permissions it has, so that the
// copy back leaves it exactly as it was.
bool patchInPlace(GameFileOperations &ops, const QString &gameFile, const QByteArray &bytes)
{
    const QString temp = GameFileOperations::TempNameFor(gameFile);
    if (!ops.writeNew(temp, bytes, QFile::permissions(gameFile), nullptr))
        return false;
    if (ops.replace(temp, gameFile, nullptr))
        return true;
    ops.remove(temp, nullptr);
    return false;
}

bool setUpFailed(ChatOutput &chat, const QString &what)
{
    chat.AddSystemMessage("Tribe colours could not be set up: " + CodePage::fromUnicode(what));
    return false;
}

} // namespace

QStringList PaletteFileNames(const QString &gamePath)
{
    return paletteEntriesIn(dataFolder(gamePath), false).mid(0, MaxPaletteFiles);
}

void SplitColour(qint32 colour, qint16 &red, qint16 &green, qint16 &blue)
{
    const quint32 value = quint32(colour);
    red = qint16(value % 256);
    green = qint16((value / 256) % 256);
    blue = qint16((value / 65536) % 256);
}

bool InstallTribePalettes(const TribePaletteSetup &setup, ChatOutput &chat)
{
    GameFileOperations ops;
    return InstallTribePalettes(setup, chat, ops);
}

bool InstallTribePalettes(const TribePaletteSetup &setup, ChatOutput &chat, GameFileOperations &ops)
{
    // Refused before the marker, so that a refusal changes nothing.
    if (const QString foreign = foreignBackup(backupFolder(setup.ProgramFolder)); !foreign.isEmpty())
        return setUpFailed(chat, foreign);
    if (!ops.writeFile(markerFile(setup.ProgramFolder), "True\r\n")) {
        // Without the marker a crash would leave the palettes patched for good.
        return setUpFailed(chat, QStringLiteral("pal.dat cannot be written"));
    }
    return PatchPaletteFiles(setup, chat, ops);
}

bool PatchPaletteFiles(const TribePaletteSetup &setup, ChatOutput &chat)
{
    GameFileOperations ops;
    return PatchPaletteFiles(setup, chat, ops);
}

bool PatchPaletteFiles(const TribePaletteSetup &setup, ChatOutput &chat, GameFileOperations &ops)
{
    if (setup.GamePath.isEmpty() || !Files::DirExists(setup.GamePath))
        return setUpFailed(chat, QStringLiteral("the game folder is not known"));
    const QString data = dataFolder(setup.GamePath);
    const QString backups = backupFolder(setup.ProgramFolder);
    if (const QString foreign = foreignBackup(backups); !foreign.isEmpty())
        return setUpFailed(chat, foreign);
    if (!ops.makeFolder(setup.ProgramFolder, nullptr) || !ops.makeFolder(backups, nullptr))
        return setUpFailed(chat, backups);
    // Backups already in palbackup are originals still waiting to go back
    // (the marker was there before this install); they are never overwritten.
    const QStringList pending = paletteEntriesIn(backups, false);

    clsPalFile palette;
    for (const QString &name : PaletteFileNames(setup.GamePath)) {
        const QString gameFile = QDir(data).filePath(name);
        QByteArray bytes;
        if (!ops.readFile(gameFile, &bytes, nullptr)
            || (!pending.contains(name) && !ops.writeFile(QDir(backups).filePath(name), bytes, nullptr)))
            return setUpFailed(chat, name);
        palette.setImage(bytes);
        for (int shade = 0; shade < 8; ++shade) {
            for (int tribe = 0; tribe < 4; ++tribe) {
                qint16 red = 0, green = 0, blue = 0;
                SplitColour(setup.BoxColour ? setup.BoxColour(tribe, shade) : 0, red, green, blue);
                const qint16 entry = qint16(BandStart[tribe] + shade);
                palette.SetRed(entry, quint8(red));
                palette.SetGreen(entry, quint8(green));
                palette.SetBlue(entry, quint8(blue));
            }
        }
        if (!patchInPlace(ops, gameFile, palette.patched(bytes)))
            return setUpFailed(chat, name);
    }
    chat.AddSystemMessage("Tribe Colors Successfully Setup!");
    return true;
}

bool RestorePaletteFiles(const QString &programFolder, const QString &gamePath)
{
    GameFileOperations ops;
    return RestorePaletteFiles(programFolder, gamePath, ops, nullptr);
}

bool RestorePaletteFiles(const QString &programFolder, const QString &gamePath,
                         GameFileOperations &ops, QString *why)
{
    sweepPaletteTemps(programFolder, gamePath, ops);
    // Without a game folder there is nowhere to put them; they wait.
    if (gamePath.isEmpty() || !Files::DirExists(gamePath))
        return failWith(why, QStringLiteral("the game folder is not known"));
    const QString data = dataFolder(gamePath);
    const QString backups = backupFolder(programFolder);
    if (const QString folder = foreignFolder(backups); !folder.isEmpty())
        return failWith(why, folder);
    QString first;
    for (const QString &name : paletteEntriesIn(backups, true)) {
        const QString backup = QDir(backups).filePath(name);
        const QString gameFile = GameFolder::resolve(data, name);
        QString error;
        if (!isPlainFile(QFileInfo(backup))) {
            // Not the copy that was saved: the game file waits for it with
            // the rest, and nothing is read through it.
            error = backup + QStringLiteral(" is not a plain file");
        } else {
            removeLeftoverTemp(gameFile, ops);
            if (ops.copyOver(backup, gameFile, &error))
                ops.remove(backup, nullptr);
        }
        if (!error.isEmpty() && first.isEmpty())
            first = error;
    }
    if (!first.isEmpty())
        return failWith(why, first);
    const QString marker = markerFile(programFolder);
    if (QFileInfo::exists(marker))
        ops.remove(marker, nullptr);
    return true;
}

bool CheckPaletteRestore(const QString &programFolder, const QString &gamePath)
{
    GameFileOperations ops;
    return CheckPaletteRestore(programFolder, gamePath, ops, nullptr);
}

bool CheckPaletteRestore(const QString &programFolder, const QString &gamePath,
                         GameFileOperations &ops, QString *why)
{
    if (PaletteMarkerPresent(programFolder))
        return RestorePaletteFiles(programFolder, gamePath, ops, why);
    // A kill while the marker was being written leaves only its new bytes.
    removeLeftoverTemp(markerFile(programFolder), ops);
    return true;
}

bool PaletteMarkerPresent(const QString &programFolder)
{
    return Files::FileExists(markerFile(programFolder));
}
