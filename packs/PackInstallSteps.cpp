#include "packs/PackInstallSteps.h"

#include "core/api/ChatOutput.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "core/util/WinPath.h"
#include "packs/BackupJournal.h"
#include "packs/ConfinedPath.h"
#include "packs/GameFileOperations.h"
#include "packs/KAFHandler.h"
#include "packs/PackFileReader.h"

namespace PackInstallSteps {

namespace {

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool OpenPack(KAFHandler &kaf, const QString &folder, const QString &fileName,
              const QByteArray &manifestName, QByteArray *manifest, QString *error)
{
    if (!kaf.OpenFile(WinPath::join(folder, fileName)))
        return fail(error, fileName + QStringLiteral(": ") + kaf.lastError());
    return ReadPackFile(kaf, manifestName, manifest, error);
}

bool LocateGameFile(const QString &gamePath, const QString &path, QString *error)
{
    switch (ConfinedPath::locate(gamePath, path)) {
    case ConfinedPath::Where::Inside:
        return true;
    case ConfinedPath::Where::Unreachable:
        return fail(error, path + QStringLiteral(": its folder is missing"));
    case ConfinedPath::Where::Outside:
        break;
    }
    return fail(error, path + QStringLiteral(": lies outside the game folder"));
}

bool BackupAndCopyFiles(const KAFHandler &kaf, const QList<FileCopy> &copies,
                        BackupJournal &journal, const BackupJournal *alsoCovering,
                        CommandSink &commands, const QByteArray &backupWord,
                        const QByteArray &installWord, GameFileOperations &ops, QString *error)
{
    commands.SendCommand(backupWord);
    for (const FileCopy &copy : copies) {
        if (!journal.BackupFile(copy.target, error, alsoCovering))
            return false;
    }

    commands.SendCommand(installWord);
    for (const FileCopy &copy : copies) {
        QByteArray bytes;
        if (!ReadPackFile(kaf, copy.member, &bytes, error) || !ops.writeFile(copy.target, bytes, error))
            return false;
    }
    return true;
}

void ReportJournalsWait(const QByteArray &kind, const QString &why, ChatOutput &chat)
{
    chat.AddSystemMessage("The " + kind + " is not installed: the saved palette files could not be put back ("
                          + CodePage::fromUnicode(why) + "), and the game's files wait for them.");
    chat.AddSystemMessage("Make the palette files in palbackup readable and the game's data folder writable; "
                          "they go back after the next game or at the next start, and packs install again then.");
    chat.AddSystemMessage("The game starts without the " + kind + ".");
}

} // namespace PackInstallSteps
