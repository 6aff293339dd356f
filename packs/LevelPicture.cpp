#include "packs/LevelPicture.h"

#include <QtGlobal>
#include <array>

namespace LevelPicture {
namespace {

constexpr QRgb Sea = qRgb(28, 72, 140);

struct Stop
{
    double at;
    int r, g, b;
};

// Lowland green, then olive and brown rock, snow on the highest land.
constexpr std::array<Stop, 4> Ramp{{{0.0, 52, 120, 44},
                                    {0.45, 150, 140, 72},
                                    {0.75, 120, 96, 70},
                                    {1.0, 245, 245, 245}}};

int clampByte(double v)
{
    return qBound(0, int(v + 0.5), 255);
}

} // namespace

QRgb heightColour(int height)
{
    if (height <= 0)
        return Sea;
    const double t = double(qMin(height, HighestLand)) / HighestLand;
    for (size_t i = 1; i < Ramp.size(); ++i) {
        const Stop &a = Ramp[i - 1];
        const Stop &b = Ramp[i];
        if (t <= b.at) {
            const double f = (t - a.at) / (b.at - a.at);
            return qRgb(clampByte(a.r + (b.r - a.r) * f), clampByte(a.g + (b.g - a.g) * f),
                        clampByte(a.b + (b.b - a.b) * f));
        }
    }
    return qRgb(Ramp.back().r, Ramp.back().g, Ramp.back().b);
}

int heightAt(const QByteArray &map, int x, int y)
{
    x = (x % Side + Side) % Side;
    y = (y % Side + Side) % Side;
    const int i = (y * Side + x) * 2;
    return int(uchar(map.at(i))) | (int(uchar(map.at(i + 1))) << 8);
}

QImage render(const QByteArray &levelData)
{
    if (levelData.size() < Bytes)
        return QImage();
    QImage image(Side, Side, QImage::Format_RGB32);
    for (int y = 0; y < Side; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < Side; ++x) {
            const int h = heightAt(levelData, x, y);
            const QRgb flat = heightColour(h);
            if (h <= 0) {
                line[x] = flat;
                continue;
            }
            // Ground rising from its north-western neighbour faces the light.
            const int rise = h - heightAt(levelData, x - 1, y - 1);
            const double light = 1.0 + 0.6 * qBound(-0.5, rise / 48.0, 0.5);
            line[x] = qRgb(clampByte(qRed(flat) * light), clampByte(qGreen(flat) * light),
                           clampByte(qBlue(flat) * light));
        }
    }
    return image;
}

} // namespace LevelPicture
