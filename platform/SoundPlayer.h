#pragma once
#include <QString>

// Plays a skin's wave file once.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // False, with the reason in `error`, when the file cannot be played: it
    // is missing, unreadable or not a wave file. A machine without a sound
    // device plays nothing, and that is not a failure.
    virtual bool play(const QString &waveFile, QString *error = nullptr) = 0;
};
