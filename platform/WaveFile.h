#pragma once
#include <QByteArray>
#include <QString>

// The check the sound player makes before it hands a file over: a RIFF
// "WAVE" file with a "fmt " chunk of PCM or floating-point samples and a
// "data" chunk. Empty when the bytes look playable, else why not.
namespace WaveFile {

QString problem(const QByteArray &bytes);

} // namespace WaveFile
