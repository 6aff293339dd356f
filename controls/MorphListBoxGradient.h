#pragma once
#include <QImage>
#include <QPalette>

// Fills a w x h gradient bitmap from colour 1 to colour 2 (0xBBGGRR values,
// -1 reading as white) along an angle in degrees: 0 runs from left to right,
// 90 from bottom to top. Middle-out mirrors the ramp so that colour 1 lies at
// both edges and colour 2 in the middle. The arithmetic is the control's own
// whole-number scheme with single-precision constants, so every size and
// angle gives the same pixels on every machine. A width or height below 1
// leaves the bitmap as it was.
void BuildMorphListBoxGradient(QImage &bitmap, int w, int h, qint32 colour1, qint32 colour2,
                               float angle, bool middleOut);

// The RGB value (0xBBGGRR) of a colour property: plain colours as they are,
// values with the top bit set as the system colour of that index (taken
// from the palette); -1 when the value names no colour.
qint32 TranslateMorphListBoxColour(qint32 colour, const QPalette &palette);

// A translated colour as Qt's colour; -1 gives white.
QColor MorphListBoxQColor(qint32 rgb);
