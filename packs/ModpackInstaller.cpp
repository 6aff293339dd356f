#include "packs/ModpackInstaller.h"

#include "core/api/ChatOutput.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"
#include "packs/BackupJournal.h"
#include "packs/CRC32.h"
#include "packs/GameFileOperations.h"
#include "packs/GameFileRestore.h"
#include "packs/InstalledPacks.h"
#include "packs/KAFHandler.h"
#include "packs/LobbyLevels.h"
#include "packs/PackInstallSteps.h"
#include "packs/PackManifest.h"

#include <QFileInfo>

ModpackInstaller::ModpackInstaller(const GameSetup &setup, const InstalledPacks &packs,
                                   CommandSink &commands, ChatOutput &chat,
                                   GameFileOperations &ops, GameFileRestore &restore)
    : Setup(setup)
    , Packs(packs)
    , Commands(commands)
    , Chat(chat)
    , Ops(ops)
    , Restore(restore)
{
}

bool ModpackInstaller::InstallModpack(const QByteArray &crc)
{
    // No replay here: the mod journal is replayed at game end, at start-up
    // and before every map install (and below, when saved palette files go
    // back only now).
    if (IsNoPack(crc))
        return false;
    const InstalledPack *pack = Packs.findModpack(crc);
    Chat.AddSystemMessage("Installing Modpack "
                          + (pack ? CodePage::fromUnicode(pack->FileName) : QByteArray()));
    if (!pack) {
        Chat.AddSystemMessage("Modpack " + crc
                              + " is not installed here; the game starts without it.");
        return false;
    }
    if (Setup.GamePath.isEmpty() || !QFileInfo(Setup.GamePath).isDir()) {
        Chat.AddSystemMessage("The game folder was not found; the game starts without the modpack.");
        return false;
    }
    QString why;
    if (Restore.JournalsWait(&why)) {
        PackInstallSteps::ReportJournalsWait("modpack", why, Chat);
        return false;
    }
    QString error;
    qsizetype firstRecord = -1;
    if (!install(*pack, &firstRecord, &error)) {
        Chat.AddSystemMessage("Could not install the modpack: " + CodePage::fromUnicode(error));
        if (firstRecord >= 0)
            Restore.UndoModInstall(firstRecord);
        Chat.AddSystemMessage("The game starts without the modpack.");
        return false;
    }
    return true;
}

bool ModpackInstaller::install(const InstalledPack &pack, qsizetype *firstRecord, QString *error)
{
    KAFHandler kaf;
    QByteArray manifestBytes;
    if (!PackInstallSteps::OpenPack(kaf, Setup.ModpacksFolder, pack.FileName, "modpack.txt",
                                    &manifestBytes, error))
        return false;
    const ModpackManifest manifest = ReadModpackManifest(manifestBytes);
    if (!manifest.Valid)
        return failWith(error, QStringLiteral("modpack.txt: ") + CodePage::toUnicode(manifest.Error));

    QList<PackInstallSteps::FileCopy> pairs;
    for (const ModpackFile &file : manifest.Files) {
        // A file the pack lacks is not installed.
        if (!kaf.Contains(file.Source))
            continue;
        const QString target =
            GameFolder::resolve(Setup.GamePath, file.DestinationParts.join(QLatin1Char('\\')));
        if (!PackInstallSteps::LocateGameFile(Setup.GamePath, target, error))
            return false;
        pairs.append({file.Source, target});
    }

    BackupJournal journal(Setup.ProgramFolder, GameFileRestore::ModBackupFolder, Ops);
    if (!journal.Load())
        return failWith(error, journal.JournalPath() + QStringLiteral(": cannot be read"));
    *firstRecord = journal.Records().size();

    if (!PackInstallSteps::BackupAndCopyFiles(kaf, pairs, journal, nullptr, Commands, "MODBACKUP",
                                              "MODINSTALL", Ops, error))
        return false;
    return SetupHdrFiles(journal, error);
}

bool ModpackInstaller::SetupHdrFiles(BackupJournal &journal, QString *error)
{
    Chat.AddSystemMessage("Setting UP HDR Files...");
    for (const QByteArray &slot : LobbyLevels::Load(Setup.ProgramFolder)) {
        const QString header =
            GameFolder::resolve(Setup.GamePath, LobbyLevels::SlotFileName(slot, ".hdr"));
        if (!PackInstallSteps::LocateGameFile(Setup.GamePath, header, error))
            return false;
        const bool existed = QFileInfo(header).exists() || QFileInfo(header).isSymLink();
        bool ok = true;
        const QByteArray old = existed ? Files::ReadAll(header, &ok) : QByteArray();
        if (!ok)
            return failWith(error, header + QStringLiteral(": cannot be read"));
        const QByteArray cleared = LevelHeader::WithLandTextureCleared(old);
        if (existed && cleared == old)
            continue;
        // Backed up here, before the change: the launch's own header backup
        // runs only after the installs, when it would copy changed headers.
        if (!journal.BackupFile(header, error) || !Ops.writeFile(header, cleared, error))
            return false;
    }
    return true;
}
