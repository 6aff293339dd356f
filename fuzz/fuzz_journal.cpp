// Backup journals from disk and the restores that replay them at start-up,
// in a game folder of the work folder where links planted inside point out
// of it. The journal's paths come from the input with "@G" (game folder),
// "@P" (program folder) and "@W" (work folder) filled in. Nothing outside
// may change, and the journal format reads back what it writes.
#include "core/api/GameSetup.h"
#include "fuzz/FuzzSupport.h"
#include "packs/BackupJournal.h"
#include "packs/GameFileOperations.h"
#include "packs/GameFileRestore.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::coreApp();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    const QList<BackupRecord> parsed = BackupJournalFormat::Parse(input);
    Fuzz::check(BackupJournalFormat::Parse(BackupJournalFormat::Serialise(parsed)) == parsed,
                "journal format reads back what it writes");

    Fuzz::Sandbox box;
    GameSetup setup;
    setup.ProgramFolder = box.work() + QStringLiteral("/prog");
    setup.GamePath = box.work() + QStringLiteral("/game");
    for (const char *folder : {"/prog/backup", "/prog/modbackup", "/game/levels", "/game/language"})
        QDir().mkpath(box.work() + QLatin1String(folder));
    box.plantLinks(setup.GamePath);
    box.plantLinks(setup.GamePath + QStringLiteral("/levels"));
    for (const char *file : {"/game/levels/levl2001.dat", "/game/levels/levl2001.hdr", "/game/levels/constant.dat",
                             "/prog/backup/levl2001.dat", "/prog/backup/constant.dat", "/prog/backup/hdr1.hdr",
                             "/prog/modbackup/levl2001.hdr"})
        Fuzz::Sandbox::writeFile(box.work() + QLatin1String(file), QByteArray("file ") + file);

    // Map journal, mod journal and the two start-up markers, split at 0x01.
    const QList<QByteArray> parts = Fuzz::pieces(input, '\x01', 4);
    auto filled = [&](QByteArray text) {
        text.replace("@G", QFile::encodeName(setup.GamePath));
        text.replace("@P", QFile::encodeName(setup.ProgramFolder));
        text.replace("@W", QFile::encodeName(box.work()));
        return text;
    };
    Fuzz::Sandbox::writeFile(setup.ProgramFolder + QStringLiteral("/backup/backup.txt"), filled(parts.value(0)));
    if (parts.size() > 1)
        Fuzz::Sandbox::writeFile(setup.ProgramFolder + QStringLiteral("/modbackup/backup.txt"),
                                 filled(parts.value(1)));
    if (parts.size() > 2)
        Fuzz::Sandbox::writeFile(setup.ProgramFolder + QStringLiteral("/backup/hdrbackup.txt"), parts.value(2));
    if (parts.size() > 3)
        Fuzz::Sandbox::writeFile(setup.ProgramFolder + QStringLiteral("/backup/const.txt"), parts.value(3));

    GameFileOperations ops(false);
    Fuzz::NullChat chat;
    GameFileRestore restore(setup, ops, chat);
    restore.CheckHeaderRestore();
    restore.CheckConstantRestore();
    restore.RestoreMapBackup();
    restore.RestoreModBackup();
    // A second start finds nothing more to do than what the first left.
    restore.RestoreMapBackup();
    return 0;
}
