#include "platform/WaveFile.h"

#include <QtEndian>

namespace WaveFile {

namespace {

quint32 u32At(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

quint16 u16At(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

} // namespace

QString problem(const QByteArray &bytes)
{
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return QStringLiteral("not a wave file");
    bool format = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = u32At(bytes, at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > bytes.size())
                return QStringLiteral("its format chunk is cut short");
            const quint16 tag = u16At(bytes, body);
            const quint16 channels = u16At(bytes, body + 2);
            const quint32 rate = u32At(bytes, body + 4);
            const quint16 bits = u16At(bytes, body + 14);
            if (tag != 1 && tag != 3 && tag != 0xFFFE)
                return QStringLiteral("its samples are compressed (format %1)").arg(tag);
            if (channels == 0 || rate == 0 || bits == 0 || bits % 8 != 0 || bits > 32)
                return QStringLiteral("its sample format is not usable");
            format = true;
        } else if (id == "data") {
            return format ? QString() : QStringLiteral("its sound comes before its format");
        }
        // Chunks are padded to an even size.
        at = body + qsizetype(size) + qsizetype(size & 1);
        if (at < body)
            break;
    }
    return QStringLiteral("it holds no sound");
}

} // namespace WaveFile
