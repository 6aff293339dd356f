#pragma once
#include <QString>

// Plays a skin's wave file once. A missing sound device is not an error.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString &waveFile) = 0;
};
