// Reading a system.reg whose values go on over many lines ending in '\'
// (long hex values): files of 240 KB and 480 KB of continued lines, and of
// 4 MB and 8 MB for a ratio above the noise of the cache. The reading must
// grow linearly: the ratio of the two larger times at most 2.4.
#include "platform/SystemReg.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray continuedFile(int bytes)
{
    QByteArray out = "WINE REGISTRY Version 2\n\n[Software\\\\A] 1\n\"Blob\"=hex:";
    const QByteArray piece = "00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n  ";
    while (out.size() < bytes)
        out += piece;
    out += "ff\n\"After\"=\"yes\"\n";
    return out;
}

double timeParse(const QByteArray &file)
{
    QElapsedTimer timer;
    timer.start();
    const SystemReg reg = SystemReg::parse(file);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (!reg.value(QStringLiteral("software\\a"), QStringLiteral("after")))
        std::printf("the value after the continued lines was lost\n");
    return ms;
}

} // namespace

int main()
{
    auto median = [](const QByteArray &file) {
        std::vector<double> runs;
        for (int i = 0; i < 9; ++i)
            runs.push_back(timeParse(file));
        // The fastest run: the least disturbed by other work on the machine.
        return *std::min_element(runs.begin(), runs.end());
    };
    timeParse(continuedFile(240 * 1024)); // warm-up
    for (int kb : {240, 480})
        std::printf("system.reg, %d KB of continued lines: %.2f ms\n", kb,
                    median(continuedFile(kb * 1024)));
    const double s = median(continuedFile(4 * 1024 * 1024));
    const double l = median(continuedFile(8 * 1024 * 1024));
    const double ratio = l / s;
    std::printf("system.reg, 4 MB of continued lines: %.2f ms\n", s);
    std::printf("system.reg, 8 MB of continued lines: %.2f ms\n", l);
    std::printf("ratio: %.2f (limit 2.4): %s\n", ratio, ratio <= 2.4 ? "ok" : "TOO SLOW");
    return ratio <= 2.4 ? 0 : 1;
}
