#pragma once
#include "platform/SoundPlayer.h"

#include <QObject>

class QSoundEffect;

// Plays wave files with QSoundEffect. A file that is missing, unreadable or
// not a playable wave file is a failure; a machine without a sound device
// plays nothing and reports nothing.
class QtSoundPlayer : public QObject, public SoundPlayer
{
    Q_OBJECT
public:
    using QObject::QObject;
    bool play(const QString &waveFile, QString *error = nullptr) override;

    int playing() const; // sounds not finished yet
};
