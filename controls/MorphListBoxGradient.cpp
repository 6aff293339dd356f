#include "controls/MorphListBoxGradient.h"

#include "controls/MorphListBoxModel.h"

#include <QVector>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

constexpr double DegreesPerRadian = 57.2957763671875;   // single-precision 180/pi
constexpr double RadiansPerDegree = 0.01745329238474369; // single-precision pi/180
constexpr float QuarterTurn = 1.5707964f;

struct Rgb
{
    int r, g, b;
};

Rgb components(qint32 colour)
{
    if (colour == -1)
        return {255, 255, 255};
    return {colour & 255, (colour >> 8) & 255, (colour >> 16) & 255};
}

} // namespace

void BuildMorphListBoxGradient(QImage &bitmap, int w, int h, qint32 colour1, qint32 colour2,
                               float angle, bool middleOut)
{
    if (w < 1 || h < 1)
        return;
    qint32 c1 = colour1, c2 = colour2;
    if (middleOut && angle >= 91 && angle <= 270)
        std::swap(c1, c2);
    int a = MorphListBoxNearest(float(90.0f - angle)) % 360;
    if (a < 0)
        a += 360;
    const int q = a / 90;
    const int t = a % 90;
    const double ratio = q % 2 == 0 ? double(w) / h : double(h) / w;
    const float phi = float(std::atan(ratio) * DegreesPerRadian);
    const float beta = float((90.0 - std::abs(t - double(phi))) * RadiansPerDegree);
    const float tr = float(t * RadiansPerDegree);
    const qint64 diagonal = qint64(h) * h + qint64(w) * w;
    // A sliver of a rectangle can measure no step at all; it still has one colour.
    const int n = std::max(1, MorphListBoxNearest(std::sqrt(double(diagonal)) * std::sin(double(beta))));
    if (q > 1)
        std::swap(c1, c2);

    const Rgb x1 = components(c1), x2 = components(c2);
    QVector<quint32> ramp(n);
    if (n != 1) {
        for (int i = 0; i < n; ++i) {
            const int r = x1.r + (x2.r - x1.r) * i / (n - 1);
            const int g = x1.g + (x2.g - x1.g) * i / (n - 1);
            const int b = x1.b + (x2.b - x1.b) * i / (n - 1);
            ramp[i] = quint32(r) << 16 | quint32(g) << 8 | quint32(b);
        }
    } else {
        ramp[0] = quint32(x2.r / 2 + x1.r / 2) << 16 | quint32(x2.g / 2 + x1.g / 2) << 8
                  | quint32(x2.b / 2 + x1.b / 2);
    }
    QVector<quint32> line;
    line.reserve(n);
    if (!middleOut) {
        line = ramp;
    } else {
        for (int i = 0; i <= n - 1; i += 2)
            line.append(ramp[i]);
        for (int i = (n - 1) % 2 == 1 ? n - 1 : n - 2; i >= 1; i -= 2)
            line.append(ramp[i]);
    }
    auto at = [&line, n](qint64 index) { return 0xFF000000u | line[int(std::min<qint64>(index, n - 1))]; };

    bitmap = QImage(w, h, QImage::Format_RGB32);
    // Buffer row j is the picture's row h - 1 - j: the buffer runs bottom-up.
    if (q % 2 == 0) {
        const qint64 S = MorphListBoxNearest(1000 * std::sin(double(tr)));
        const qint64 C = MorphListBoxNearest(1000 * std::cos(double(tr)));
        for (int j = 0; j < h; ++j) {
            auto *row = reinterpret_cast<quint32 *>(bitmap.scanLine(h - 1 - j));
            for (int x = 0; x < w; ++x)
                row[x] = at((x * S + j * C) / 1000);
        }
    } else {
        const float rest = QuarterTurn - tr;
        const qint64 S = MorphListBoxNearest(1000 * std::sin(double(rest)));
        const qint64 C = MorphListBoxNearest(1000 * std::cos(double(rest)));
        for (int k = 0; k < h; ++k) {
            auto *row = reinterpret_cast<quint32 *>(bitmap.scanLine(k));
            for (int x = 0; x < w; ++x)
                row[x] = at((x * S + k * C) / 1000);
        }
    }
}

qint32 TranslateMorphListBoxColour(qint32 colour, const QPalette &palette)
{
    const quint32 value = quint32(colour);
    switch (value >> 24) {
    case 0x00:
        return colour;
    case 0x02: // a palette-relative colour without a palette is its RGB value
        return qint32(value & 0xFFFFFF);
    case 0x80:
        break;
    default:
        return -1;
    }
    const quint32 index = value & 0xFFFFFF;
    using R = QPalette::ColorRole;
    QColor c;
    switch (index) {
    case 0: c = palette.color(R::Mid); break;              // scroll bar
    case 1: c = palette.color(R::Dark); break;             // desktop
    case 2: c = palette.color(QPalette::Active, R::Highlight); break;  // active caption
    case 3: c = palette.color(QPalette::Inactive, R::Highlight); break; // inactive caption
    case 4: c = palette.color(R::Window); break;           // menu
    case 5: c = palette.color(R::Base); break;             // window
    case 6: c = palette.color(R::Shadow); break;           // window frame
    case 7: c = palette.color(R::WindowText); break;       // menu text
    case 8: c = palette.color(R::Text); break;             // window text
    case 9: c = palette.color(R::HighlightedText); break;  // caption text
    case 10: case 11: c = palette.color(R::Window); break; // borders
    case 12: c = palette.color(R::Dark); break;            // application workspace
    case 13: c = palette.color(R::Highlight); break;
    case 14: c = palette.color(R::HighlightedText); break;
    case 15: c = palette.color(R::Button); break;          // button face
    case 16: c = palette.color(R::Dark); break;            // button shadow
    case 17: c = palette.color(QPalette::Disabled, R::Text); break;
    case 18: c = palette.color(R::ButtonText); break;
    case 19: c = palette.color(QPalette::Inactive, R::HighlightedText); break;
    case 20: c = palette.color(R::Light); break;           // button highlight
    case 21: c = palette.color(R::Shadow); break;          // 3-D dark shadow
    case 22: c = palette.color(R::Midlight); break;        // 3-D light
    case 23: c = palette.color(R::ToolTipText); break;
    case 24: c = palette.color(R::ToolTipBase); break;
    case 26: c = palette.color(R::Link); break;            // hot-tracked item
    case 27: case 28: c = palette.color(R::Highlight); break; // caption gradients
    case 29: c = palette.color(R::Highlight); break;       // menu highlight
    case 30: c = palette.color(R::Window); break;          // menu bar
    default: return -1;
    }
    return qint32(quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16);
}

QColor MorphListBoxQColor(qint32 rgb)
{
    if (rgb == -1)
        return QColor(255, 255, 255);
    return QColor(rgb & 255, (rgb >> 8) & 255, (rgb >> 16) & 255);
}
