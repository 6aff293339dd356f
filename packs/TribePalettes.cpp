#include "packs/TribePalettes.h"

#include "core/api/ChatOutput.h"
#include "core/util/AtomicFile.h"
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

QStringList paletteFilesIn(const QString &folder)
{
    QDir dir(folder);
    dir.setFilter(QDir::Files | QDir::NoSymLinks);
    dir.setNameFilters({QStringLiteral("pal0-*.dat")});
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

} // namespace

QStringList PaletteFileNames(const QString &gamePath)
{
    return paletteFilesIn(dataFolder(gamePath)).mid(0, MaxPaletteFiles);
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
    if (!AtomicFile::write(markerFile(setup.ProgramFolder), "True\r\n")) {
        // Without the marker a crash would leave the palettes patched for good.
        chat.AddSystemMessage("Tribe colours could not be set up: pal.dat cannot be written");
        return false;
    }
    return PatchPaletteFiles(setup, chat);
}

bool PatchPaletteFiles(const TribePaletteSetup &setup, ChatOutput &chat)
{
    if (setup.GamePath.isEmpty() || !Files::DirExists(setup.GamePath)) {
        chat.AddSystemMessage("Tribe colours could not be set up: the game folder is not known");
        return false;
    }
    const QString data = dataFolder(setup.GamePath);
    const QString backups = backupFolder(setup.ProgramFolder);
    QDir().mkpath(backups);
    // Backups already in palbackup are originals still waiting to go back
    // (the marker was there before this install); they are never overwritten.
    const QStringList pending = paletteFilesIn(backups);

    clsPalFile palette;
    for (const QString &name : PaletteFileNames(setup.GamePath)) {
        const QString gameFile = QDir(data).filePath(name);
        const QString backup = QDir(backups).filePath(name);
        const bool saved = pending.contains(name) || AtomicFile::copy(gameFile, backup);
        if (!saved || !palette.Load(gameFile)) {
            chat.AddSystemMessage("Tribe colours could not be set up: " + name.toLocal8Bit());
            return false;
        }
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
        if (!palette.Save(gameFile)) {
            chat.AddSystemMessage("Tribe colours could not be set up: " + name.toLocal8Bit());
            return false;
        }
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
    // Without a game folder there is nowhere to put them; they wait.
    if (gamePath.isEmpty() || !Files::DirExists(gamePath))
        return failWith(why, QStringLiteral("the game folder is not known"));
    const QString data = dataFolder(gamePath);
    const QString backups = backupFolder(programFolder);
    QString first;
    for (const QString &name : paletteFilesIn(backups)) {
        const QString backup = QDir(backups).filePath(name);
        const QString gameFile = GameFolder::resolve(data, name);
        // A kill between writing the copy and renaming it leaves this.
        const QString temp = GameFileOperations::TempNameFor(gameFile);
        if (QFileInfo(temp).isFile() && !QFileInfo(temp).isSymLink())
            ops.remove(temp, nullptr);
        QString error;
        if (ops.copyOver(backup, gameFile, &error))
            ops.remove(backup, nullptr);
        else if (first.isEmpty())
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
    return true;
}

bool PaletteMarkerPresent(const QString &programFolder)
{
    return Files::FileExists(markerFile(programFolder));
}
