#include "packs/GameResolution.h"

#include "core/api/ChatOutput.h"
#include "core/util/AtomicFile.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"

#include <QDir>
#include <QFileInfo>

namespace {

struct PatchRun
{
    qint64 offset;
    const char *bytes;
    int length;
};

const PatchRun Runs[] = {
    {0x1039A, "\xA0\xF0\x9C\x74\x00\x38\x05\x90\x45\x98", 10},
    {0x103A5,
     "\x74\x27\x33\xC9\x8A\xC8\x8D\x0C\x49\xC1\xE1\x02\x8B\x81\x24\xCF\x89\x00\x8B\x91\x20\xCF"
     "\x89\x00\x50\x8B\x89\x1C\xCF\x89\x00\x52\x51",
     33},
    {0x57160, "\x33\xC0\xA0\xF0\x9C\x74", 6},
    {0x57167,
     "\x8D\x14\x40\x8B\x04\x95\x24\xCF\x89\x00\x8D\x0C\x95\x00\x00\x00\x00\x50\x8B\x91\x20\xCF"
     "\x89\x00\x52\x8B\x89\x1C\xCF\x89\x00\x51",
     32},
};

QByteArray cannotBeWritten(const QString &executable)
{
    return "Game executable not patched: " + CodePage::fromUnicode(QFileInfo(executable).fileName())
        + " cannot be written";
}

} // namespace

bool PatchGameResolution(const QString &executable, const QString &programFolder, ChatOutput &chat)
{
    bool ok = false;
    const QByteArray original = QFileInfo(executable).isFile() ? Files::ReadAll(executable, &ok)
                                                                : QByteArray();
    if (!ok || original.size() != GameResolution::RequiredSize) {
        chat.AddSystemMessage("Game executable file size error, possibly not patched to 1.01 / 1.03");
        return false;
    }
    QByteArray patched = original;
    for (const PatchRun &run : Runs)
        patched.replace(run.offset, run.length, QByteArray(run.bytes, run.length));
    if (patched == original)
        return true; // patched before

    // A file the user may not write stays as it is, and so does backup/.
    if (!AtomicFile::mayReplace(executable)) {
        chat.AddSystemMessage(cannotBeWritten(executable));
        return false;
    }
    const QString backups = WinPath::join(programFolder, QStringLiteral("backup"));
    const QString backup = WinPath::join(backups, QFileInfo(executable).fileName());
    QDir().mkpath(backups);
    if (!Files::FileExists(backup) && !AtomicFile::copy(executable, backup)) {
        chat.AddSystemMessage("Game executable not patched: no backup copy could be made of "
                              + CodePage::fromUnicode(QFileInfo(executable).fileName()));
        return false;
    }
    if (!AtomicFile::write(executable, patched)) {
        chat.AddSystemMessage(cannotBeWritten(executable));
        return false;
    }
    return true;
}
