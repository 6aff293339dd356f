#include "packs/TribeColours.h"

namespace {

using Column = std::array<qint32, TribeColours::ShadeCount>;
constexpr auto rgb = TribeColours::rgb;

// The exact colours of each tribe's shades in its reference figure.
constexpr std::array<Column, TribeColours::TribeCount> ReferenceShades = {{
    { rgb(16, 33, 66), rgb(23, 35, 67), rgb(33, 49, 107), rgb(41, 57, 156),
      rgb(49, 57, 206), rgb(74, 82, 214), rgb(99, 107, 222), rgb(132, 140, 239) },
    { rgb(24, 16, 8), rgb(57, 0, 0), rgb(90, 0, 0), rgb(123, 0, 0),
      rgb(165, 16, 0), rgb(181, 57, 24), rgb(198, 115, 74), rgb(239, 173, 123) },
    { rgb(57, 0, 0), rgb(74, 33, 24), rgb(107, 49, 42), rgb(132, 82, 24),
      rgb(165, 115, 16), rgb(189, 148, 33), rgb(222, 181, 57), rgb(255, 214, 90) },
    { rgb(0, 33, 16), rgb(16, 99, 57), rgb(23, 103, 63), rgb(33, 140, 74),
      rgb(41, 173, 99), rgb(57, 206, 115), rgb(99, 222, 156), rgb(148, 247, 206) },
}};

// The default ramps, one per tribe colour, dark to light.
constexpr std::array<Column, TribeColours::TribeCount> DefaultRamps = {{
    { rgb(15, 15, 59), rgb(23, 35, 67), rgb(35, 51, 111), rgb(43, 59, 155),
      rgb(51, 63, 203), rgb(75, 83, 211), rgb(103, 111, 223), rgb(135, 139, 235) },
    { rgb(19, 7, 7), rgb(63, 7, 7), rgb(95, 7, 7), rgb(127, 7, 7),
      rgb(163, 19, 0), rgb(183, 59, 31), rgb(199, 115, 75), rgb(239, 171, 127) },
    { rgb(51, 23, 23), rgb(79, 35, 27), rgb(107, 55, 31), rgb(135, 83, 27),
      rgb(163, 119, 19), rgb(191, 147, 39), rgb(219, 179, 63), rgb(251, 215, 95) },
    { rgb(7, 39, 19), rgb(15, 71, 43), rgb(23, 103, 63), rgb(35, 139, 79),
      rgb(47, 171, 99), rgb(63, 207, 119), rgb(99, 223, 159), rgb(147, 243, 203) },
}};

bool validShade(int shade) { return shade >= 0 && shade < TribeColours::ShadeCount; }

} // namespace

TribeColours::TribeColours(QObject *parent)
    : QObject(parent)
{
}

void TribeColours::InitTribeShades()
{
    m_shades = ReferenceShades;
}

void TribeColours::SetDefaultTribeColours()
{
    for (int t = 0; t < TribeCount; ++t)
        setRamp(t, t);
}

qint32 TribeColours::colour(int tribe, int shade) const
{
    if (!isTribe(tribe) || !validShade(shade))
        return 0;
    return m_boxes[tribe][shade];
}

QList<qint32> TribeColours::shades(int tribe) const
{
    if (!isTribe(tribe))
        return {};
    return QList<qint32>(m_boxes[tribe].begin(), m_boxes[tribe].end());
}

void TribeColours::setColour(int tribe, int shade, qint32 colour)
{
    if (!isTribe(tribe) || !validShade(shade) || m_boxes[tribe][shade] == colour)
        return;
    m_boxes[tribe][shade] = colour;
    Q_EMIT coloursChanged(tribe);
}

void TribeColours::setRamp(int tribe, int ramp)
{
    if (!isTribe(tribe) || !isTribe(ramp))
        return;
    if (m_boxes[tribe] == DefaultRamps[ramp])
        return;
    m_boxes[tribe] = DefaultRamps[ramp];
    Q_EMIT coloursChanged(tribe);
}

qint32 TribeColours::TribeShade(int tribe, int shade) const
{
    if (!isTribe(tribe) || !validShade(shade))
        return 0;
    return m_shades[tribe][shade];
}

qint32 TribeColours::ReferenceShade(int tribe, int shade)
{
    if (!isTribe(tribe) || !validShade(shade))
        return 0;
    return ReferenceShades[tribe][shade];
}

qint32 TribeColours::DefaultRamp(int ramp, int shade)
{
    if (!isTribe(ramp) || !validShade(shade))
        return 0;
    return DefaultRamps[ramp][shade];
}

QByteArray TribeColours::TribeWord(int tribe)
{
    switch (tribe) {
    case Blue: return "BLUE";
    case Red: return "RED";
    case Yellow: return "YELLOW";
    case Green: return "GREEN";
    default: return {};
    }
}

int TribeColours::tribeOfWord(const QByteArray &word)
{
    for (int t = 0; t < TribeCount; ++t) {
        if (TribeWord(t) == word)
            return t;
    }
    return -1;
}
