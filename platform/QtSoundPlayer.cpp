#include "platform/QtSoundPlayer.h"

#include "core/util/Files.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

void QtSoundPlayer::play(const QString &waveFile)
{
    if (!Files::FileExists(waveFile) || QMediaDevices::defaultAudioOutput().isNull())
        return;
    // One effect per sound, so that sounds may overlap; each goes once it
    // has played or failed to load.
    auto *effect = new QSoundEffect(this);
    connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Error)
            effect->deleteLater();
    });
    connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
        if (!effect->isPlaying())
            effect->deleteLater();
    });
    effect->setLoopCount(1);
    effect->setSource(QUrl::fromLocalFile(waveFile));
    effect->play(); // queued until the file is loaded
}

int QtSoundPlayer::playing() const
{
    return static_cast<int>(findChildren<QSoundEffect *>().size());
}
