#include "packs/TribeFigure.h"

#include "packs/TribeColours.h"

#include <cstdlib>

namespace {

constexpr int Size = 64;
const QRgb Outline = qRgb(4, 4, 4);
const QRgb Skin = qRgb(228, 184, 146);
const QRgb Feet = qRgb(96, 64, 40);

bool inEllipse(int x, int y, int cx, int cy, int rx, int ry)
{
    const long dx = x - cx, dy = y - cy;
    return dx * dx * ry * ry + dy * dy * rx * rx <= long(rx) * rx * ry * ry;
}

// The robe widens from the shoulders (row 24) to the hem (row 54).
bool inRobe(int x, int y)
{
    if (y < 24 || y > 54)
        return false;
    const int half = 7 + (y - 24) * 11 / 30;
    return std::abs(x - 32) <= half;
}

bool inArm(int x, int y)
{
    return y >= 26 && y <= 42 && ((x >= 18 && x <= 22) || (x >= 42 && x <= 46));
}

} // namespace

namespace TribeFigure {

QRgb toRgb(qint32 colour)
{
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

qint32 fromRgb(QRgb rgb)
{
    return qRed(rgb) + 256 * qGreen(rgb) + 65536 * qBlue(rgb);
}

QImage draw(int tribe)
{
    QImage image(Size, Size, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 0));
    auto shade = [&](int s) { return toRgb(TribeColours::ReferenceShade(tribe, qBound(0, s, 7))); };

    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x) {
            QRgb c = 0;
            bool set = false;
            if (inEllipse(x, y, 32, 15, 7, 8)) {
                // headband across the brow, face below
                c = (y >= 10 && y <= 12) ? shade(6) : Skin;
                set = true;
            } else if (inArm(x, y)) {
                c = y >= 40 ? Skin : shade(2 + (y - 26) / 6);
                set = true;
            } else if (inRobe(x, y)) {
                // light from the upper left: lighter towards the left edge and the top
                const int fromLeft = x - (32 - (7 + (y - 24) * 11 / 30));
                const int s = 7 - fromLeft / 3 - (y - 24) / 12;
                c = shade(s);
                set = true;
            } else if (y >= 55 && y <= 58 && ((x >= 24 && x <= 29) || (x >= 35 && x <= 40))) {
                c = Feet;
                set = true;
            }
            if (set)
                image.setPixel(x, y, c);
        }
    }
    // A one-pixel outline around the figure.
    const QImage body = image;
    for (int y = 1; y < Size - 1; ++y) {
        for (int x = 1; x < Size - 1; ++x) {
            if (body.pixel(x, y) != qRgb(0, 0, 0))
                continue;
            const bool edge = body.pixel(x - 1, y) != qRgb(0, 0, 0) || body.pixel(x + 1, y) != qRgb(0, 0, 0)
                || body.pixel(x, y - 1) != qRgb(0, 0, 0) || body.pixel(x, y + 1) != qRgb(0, 0, 0);
            if (edge)
                image.setPixel(x, y, Outline);
        }
    }
    return image;
}

} // namespace TribeFigure
