#pragma once
#include <QRect>
#include <QRegion>

// Geometry of the MorphListBox scroll bar (a 15-pixel strip at the right
// edge: two 15 x 15 arrow buttons and the track between them) and of the
// window shape. Rectangles hold inclusive pixel coordinates.
struct MorphListBoxRect
{
    int left = 0, top = 0, right = -1, bottom = -1;
    bool contains(float x, float y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    bool operator==(const MorphListBoxRect &) const = default;
};

struct MorphListBoxScrollRects
{
    MorphListBoxRect up, down, track;
};

// The space between the two buttons.
int MorphListBoxTrackHeight(int H, int BW);
// The thumb's height for a list longer than its window: odd, at least 9,
// and never longer than the track (a track too short for a thumb holds one
// as long as itself, parked at its top). -1 when every item fits.
int MorphListBoxThumbHeight(int listCount, int visibleRows, int trackHeight);

struct MorphListBoxThumbPlace
{
    int top = 0;
    int travelTop = 0;    // highest thumb centre
    int travelBottom = 0; // lowest thumb centre
};
MorphListBoxThumbPlace MorphListBoxThumbPosition(int H, int BW, int thumbHeight, int topIndex,
                                                 int bottomIndex, int listCount, int visibleRows);

MorphListBoxScrollRects MorphListBoxScrollBarRects(int W, int H, int BW);

// A rectangle (right and bottom exclusive) with each corner cut along the
// quarter ellipse of its radius; a radius of 0 or less cuts nothing.
QRegion MorphListBoxShapeRegion(int x1, int y1, int x2, int y2, int topLeft, int topRight,
                                int bottomLeft, int bottomRight);
// The pixels whose centres lie inside the ellipse inscribed in a box (right
// and bottom exclusive; a reversed box is normalised).
QRegion MorphListBoxEllipseRegion(int x1, int y1, int x2, int y2);
