#pragma once
#include <QColor>

// Colour settings and skin files store a colour as 0x00BBGGRR.
namespace ColourValue {

inline QColor toColor(qint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

} // namespace ColourValue
