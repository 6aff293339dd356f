#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

class BackupJournal;
class ChatOutput;
class CommandSink;
class GameFileOperations;
class KAFHandler;

// The steps the map and the mod pack install share. Each returns false, with
// the reason in `error`, when it fails.
namespace PackInstallSteps {

// Opens the pack `fileName` in `folder` and reads the manifest it stores
// under `manifestName` ("mappack.txt", "modpack.txt").
bool OpenPack(KAFHandler &kaf, const QString &folder, const QString &fileName,
              const QByteArray &manifestName, QByteArray *manifest, QString *error);

// `path` lies inside the game folder, also after following symbolic links,
// and its folder exists.
bool LocateGameFile(const QString &gamePath, const QString &path, QString *error);

// One stored file of the pack and the game file it replaces.
struct FileCopy
{
    QByteArray member;
    QString target;
};

// Journals every target (after sending `backupWord`), then writes the pack's
// files over them (after sending `installWord`). A target that `alsoCovering`
// already covers keeps that journal's copy.
bool BackupAndCopyFiles(const KAFHandler &kaf, const QList<FileCopy> &copies,
                        BackupJournal &journal, const BackupJournal *alsoCovering,
                        CommandSink &commands, const QByteArray &backupWord,
                        const QByteArray &installWord, GameFileOperations &ops, QString *error);

// The status lines of an install refused because the journals wait for saved
// palette files (`why`: which could not be put back, and the reason).
// `kind` is "mappack" or "modpack".
void ReportJournalsWait(const QByteArray &kind, const QString &why, ChatOutput &chat);

} // namespace PackInstallSteps
