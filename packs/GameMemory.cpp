#include "packs/GameMemory.h"

#include "core/api/ChatOutput.h"
#include "core/util/CodePage.h"
#include "platform/ProcessMemory.h"

#include <QList>

namespace GameMemory {

bool isHardwareExecutable(const QByteArray &exeName)
{
    return CodePage::toLower(exeName) == "d3dpoptb.exe";
}

bool isKnownExecutable(const QByteArray &exeName)
{
    const QByteArray lower = CodePage::toLower(exeName);
    return lower == "poptb.exe" || lower == "d3dpoptb.exe";
}

quint64 watchAddress(const QByteArray &exeName)
{
    return isHardwareExecutable(exeName) ? 0x89C662 : 0x884BFA;
}

QList<Run> patchRuns(const QByteArray &exeName)
{
    if (!isKnownExecutable(exeName))
        return {};
    if (!isHardwareExecutable(exeName)) // 77 bytes; 0x464CCF stays as it is
        return {{0x464BCE, 1}, {0x464CBF, 16}, {0x464CD0, 2}, {0x464CED, 29}, {0x464D36, 29}};
    return {{0x4AB017, 29}, {0x4AB060, 29}, {0x4AB0A9, 29}}; // 87 bytes
}

} // namespace GameMemory

void CheckGameMemory(ProcessMemory &memory, qint64 pid, const QByteArray &exeName,
                     bool &cheatDetected, ChatOutput &chat)
{
    if (pid <= 0 || !GameMemory::isKnownExecutable(exeName))
        return;
    const quint64 address = GameMemory::watchAddress(exeName);
    QByteArray value;
    if (!memory.read(pid, address, 2, &value))
        return;
    if (quint8(value[0]) != 0x80 || quint8(value[1]) != 0x00)
        return;
    const bool firstFind = !cheatDetected;
    cheatDetected = true;
    // A reset that keeps failing is reported once, not ten times a second.
    if (!memory.write(pid, address, QByteArray(2, '\0')) && firstFind) {
        chat.AddLogRTF("ERROR 34869 : " + QByteArray::number(memory.lastError())
                           + " : PLEASE REPORT TO ADMIN!\r\n",
                       chat.RoomFocus(), ChatOutput::White, "Arial", 10, false, false);
    }
}

bool PatchGameMemory(ProcessMemory &memory, qint64 pid, const QByteArray &exeName)
{
    const QList<GameMemory::Run> runs = GameMemory::patchRuns(exeName);
    if (pid <= 0 || runs.isEmpty())
        return false;
    bool all = true;
    for (const GameMemory::Run &run : runs) {
        const QByteArray patched(run.length, char(0x90));
        QByteArray bytes;
        if (!memory.read(pid, run.address, run.length, &bytes)) {
            all = false;
            continue;
        }
        if (bytes == patched)
            continue;
        // One write per run: the bytes of a run are contiguous.
        if (!memory.write(pid, run.address, patched) || !memory.read(pid, run.address, run.length, &bytes)
            || bytes != patched)
            all = false;
    }
    return all;
}
