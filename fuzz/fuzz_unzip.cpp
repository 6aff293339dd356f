// The unzip engine over any archive, in each of its option sets (chosen by
// the first byte), extracting into the work folder itself: beside the
// archive lie a link to a folder outside and a link to a file outside.
// Nothing outside may change, and every file written lies inside.
#include "fuzz/FuzzSupport.h"
#include "updater/unzip/CGUnzipFiles.h"
#include "updater/unzip/CodeModule.h"
#include "updater/unzip/ConfinedName.h"

#include <QDirIterator>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::coreApp();
    if (size < 2)
        return 0;
    const quint16 options = quint16(data[0] | (data[1] << 8));
    const QByteArray zip(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    Fuzz::Sandbox box;
    const QString archive = box.work() + QStringLiteral("/a.zip");
    Fuzz::Sandbox::writeFile(archive, zip);
    Fuzz::Sandbox::writeFile(box.work() + QStringLiteral("/old.txt"), "old");

    Fuzz::AnswerDialogs dialogs(quint8(options >> 12));
    CGUnzipFiles z(&dialogs);
    z.setOverWriteFiles(options & 0x1);
    z.setHonorDirectories(options & 0x2);
    z.setExtractNewer(options & 0x4);
    z.setExtractOnlyNewer(options & 0x8);
    z.setPromptOverwrite(options & 0x10);
    z.setSpaceToUnderScore(options & 0x20);
    z.setCaseSensitive(options & 0x40);
    z.setConvertCRtoCRLF(options & 0x80);
    switch ((options >> 8) & 0x7) {
    case 1: z.setTestZip(true); break;
    case 2: z.setExtractList(1); break;
    case 3: z.setWriteToStdOut(true); break;
    case 4: z.setDisplayComment(true); z.setVerbose(true); break;
    default: break;
    }
    z.setMessageLevel((options >> 11) & 1 ? 0 : 2);
    CodeModule::UnzipLimits limits;
    limits.MaxEntries = 200;
    limits.MaxTotalSize = 8 << 20;
    z.setLimits(limits);
    z.Unzip(archive, box.work());
    z.GetLastMessage();

    // Everything in the work folder is a real file or folder inside it (the
    // planted links may have been replaced by files, never followed).
    const QString root = QFileInfo(box.work()).canonicalFilePath();
    QDirIterator it(box.work(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileInfo().isSymLink())
            continue;
        const QString real = it.fileInfo().canonicalFilePath();
        Fuzz::check(real.startsWith(root + QLatin1Char('/')), "written inside", real.toUtf8());
    }
    return 0;
}
