#pragma once
#include <QByteArray>
#include <QtGlobal>

class ChatOutput;
class ProcessMemory;

// Fair-play watch and patch of the running game's memory. Both act only for
// the two game executables whose addresses are known ("poptb.exe",
// "d3dpoptb.exe", any letter case); for any other name they do nothing. Each
// call makes one attempt and returns: the anti-cheat timer tries again on its
// next tick.
namespace GameMemory {

// Where the watched 16-bit value lies, and the code runs that are patched.
struct Run
{
    quint64 address;
    int length;
};
bool isKnownExecutable(const QByteArray &exeName);
bool isHardwareExecutable(const QByteArray &exeName);
quint64 watchAddress(const QByteArray &exeName);
QList<Run> patchRuns(const QByteArray &exeName);

} // namespace GameMemory

// Reads the watched value; when it holds the cheat value (0x80 0x00) it writes
// it back to zero and sets `cheatDetected`. A failed read changes nothing; a
// failed reset is reported in the chat of the room on screen.
void CheckGameMemory(ProcessMemory &memory, qint64 pid, const QByteArray &exeName,
                     bool &cheatDetected, ChatOutput &chat);

// Writes 0x90 over the patch runs. True only when every write succeeded (the
// caller then sets GamePatched); an unknown executable is never patched.
bool PatchGameMemory(ProcessMemory &memory, qint64 pid, const QByteArray &exeName);
