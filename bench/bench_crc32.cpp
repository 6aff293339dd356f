// CRC-32 of a 64 MiB buffer: clsCRC32 against zlib's crc32 in the same run.
#include "packs/CRC32.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>
#include <zlib.h>

namespace {

template <typename F>
double bestSeconds(F &&run, int rounds)
{
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        best = qMin(best, double(t.nsecsElapsed()) / 1e9);
    }
    return best;
}

} // namespace

int main()
{
    const qsizetype size = qsizetype(64) << 20;
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator rng(42);
    rng.fillRange(reinterpret_cast<quint32 *>(data.data()), size / 4);

    volatile quint32 sink = 0;
    const double ours = bestSeconds([&] { sink = clsCRC32::ofBytes(data); }, 5);
    const quint32 ourCrc = sink;
    const double theirs = bestSeconds([&] {
        sink = quint32(crc32(0L, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size())));
    }, 5);
    const quint32 zlibCrc = sink;

    const double mib = double(size) / double(1 << 20);
    std::printf("buffer: %.0f MiB, crc %08X (zlib %08X)%s\n", mib, ourCrc, zlibCrc,
                ourCrc == zlibCrc ? "" : "  MISMATCH");
    std::printf("clsCRC32: %8.1f MiB/s\n", mib / ours);
    std::printf("zlib:     %8.1f MiB/s\n", mib / theirs);
    std::printf("ratio (ours / zlib): %.2f\n", theirs / ours);
    return ourCrc == zlibCrc ? 0 : 1;
}
