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

// Both executables are linked to load at this address; the memory of the
// game's process maps the executable there.
constexpr quint64 ImageBase = 0x400000;

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

// Makes sure 0x90 lies over every patch run; true when it does (the caller
// keeps that as GamePatched). A run is written only after a read of it
// succeeds, and counts only when a read-back shows the new bytes: a loader
// may hold the code range reserved without access and map the executable
// over it later, and a write into that reservation "succeeds" and is lost.
// A run already patched is not written again, so calling this on every tick
// costs only the reads and patches again what was changed back. An unknown
// executable is never patched.
bool PatchGameMemory(ProcessMemory &memory, qint64 pid, const QByteArray &exeName);
