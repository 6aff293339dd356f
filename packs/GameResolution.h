#pragma once
#include <QString>

class ChatOutput;

// The custom resolution patch of the game's hardware-mode executable: 81
// fixed bytes, written only into the build that is exactly 2,276,864 bytes
// long. Before the first patch the executable is copied once into the
// client's backup folder; the patch is written through a temporary copy that
// replaces the file, so a failure never leaves a half-patched executable.
namespace GameResolution {
constexpr qint64 RequiredSize = 2276864;
}

// True when the file now carries the patch. A wrong length (a missing file
// included) posts the size status line and changes nothing.
bool PatchGameResolution(const QString &executable, const QString &programFolder, ChatOutput &chat);
