#pragma once
#include "platform/SoundPlayer.h"

#include <QObject>

class QSoundEffect;

// Plays wave files with QSoundEffect. A missing file, an unreadable file or a
// machine without a sound device plays nothing and reports nothing.
class QtSoundPlayer : public QObject, public SoundPlayer
{
    Q_OBJECT
public:
    using QObject::QObject;
    void play(const QString &waveFile) override;

    int playing() const; // sounds not finished yet
};
