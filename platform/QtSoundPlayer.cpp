#include "platform/QtSoundPlayer.h"

#include "core/util/Files.h"
#include "platform/WaveFile.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace {

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// Enough of a wave file to find its format and the start of its sound.
constexpr qint64 HeaderBytes = 64 * 1024;

} // namespace

bool QtSoundPlayer::play(const QString &waveFile, QString *error)
{
    if (!Files::FileExists(waveFile))
        return fail(error, QStringLiteral("File not found: ") + waveFile);
    QFile file(waveFile);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, waveFile + QStringLiteral(": ") + file.errorString());
    const QString problem = WaveFile::problem(file.read(HeaderBytes));
    if (!problem.isEmpty())
        return fail(error, waveFile + QStringLiteral(": ") + problem);
    if (QMediaDevices::defaultAudioOutput().isNull())
        return true; // no sound device: silence is all there is
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
    return true;
}

int QtSoundPlayer::playing() const
{
    return static_cast<int>(findChildren<QSoundEffect *>().size());
}
