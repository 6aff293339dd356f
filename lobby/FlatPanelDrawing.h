#pragma once
#include <QByteArray>
#include <QList>
#include <array>

// The framed caption panel of the options tab (DrawFlatPanel) as a list of
// drawing steps in twips, so that the drawing can be checked without a
// window. Colours are 0x00BBGGRR values.
namespace FlatPanelDrawing {

struct Step
{
    enum Kind { Box, Line, Point, Text };
    Kind kind = Box;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    qint32 colour = 0;
    QByteArray text;   // Text only: the caption, top left at (x1, y1)
};

constexpr qint32 rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

// The caption tab's right end: 90 twips per character plus 75.
int captionRight(const QByteArray &caption);

// `innerWidth`/`innerHeight`: the panel's inner size in twips. `borders`:
// ColorBorder1 to ColorBorder4.
QList<Step> DrawFlatPanel(double innerWidth, double innerHeight, const QByteArray &caption,
                          const std::array<qint32, 4> &borders);

} // namespace FlatPanelDrawing
