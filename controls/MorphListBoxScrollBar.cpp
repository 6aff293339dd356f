#include "controls/MorphListBoxScrollBar.h"

#include "controls/MorphListBoxModel.h"

#include <algorithm>
#include <cmath>

int MorphListBoxTrackHeight(int H, int BW)
{
    return H - 30 - 2 * BW;
}

int MorphListBoxThumbHeight(int listCount, int visibleRows, int trackHeight)
{
    if (listCount <= visibleRows)
        return -1;
    const float r = float(visibleRows) / float(listCount);
    int h = int(std::floor(double(r) * trackHeight));
    if (h < 9)
        h = 9;
    else if (h % 2 == 0)
        h -= 1;
    return std::min(h, std::max(trackHeight, 0));
}

MorphListBoxThumbPlace MorphListBoxThumbPosition(int H, int BW, int thumbHeight, int topIndex,
                                                 int bottomIndex, int listCount, int visibleRows)
{
    MorphListBoxThumbPlace place;
    const double half = thumbHeight / 2.0;
    place.travelTop = MorphListBoxNearest(BW + 15 + half + 1);
    place.travelBottom = MorphListBoxNearest(H - BW - 15 - half + 1);
    if (topIndex == 0) {
        place.top = BW + 15;
    } else if (bottomIndex != listCount - 1 && listCount > visibleRows) {
        const float step = float(place.travelBottom - place.travelTop) / float(listCount - visibleRows);
        const float moved = step * float(topIndex);
        place.top = MorphListBoxNearest(double(moved) + place.travelTop - half);
    } else {
        place.top = H - BW - thumbHeight - 15;
    }
    // A stale window never puts the thumb outside its track.
    const int lowest = H - BW - 15 - thumbHeight;
    if (lowest >= BW + 15)
        place.top = std::clamp(place.top, BW + 15, lowest);
    return place;
}

MorphListBoxScrollRects MorphListBoxScrollBarRects(int W, int H, int BW)
{
    MorphListBoxScrollRects r;
    r.up = {W - 15, BW, W - 15 + 14, BW + 14};
    r.down = {W - 15, H - BW - 15, W - 15 + 14, H - BW - 15 + 14};
    r.track = {W - 15 - BW, BW + 15, W - 15 - BW + 14, H - BW - 16};
    return r;
}

QRegion MorphListBoxEllipseRegion(int x1, int y1, int x2, int y2)
{
    const int l = std::min(x1, x2), r = std::max(x1, x2);
    const int t = std::min(y1, y2), b = std::max(y1, y2);
    QRegion region;
    if (r <= l || b <= t)
        return region;
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
    const double rx = (r - l) / 2.0, ry = (b - t) / 2.0;
    for (int y = t; y < b; ++y) {
        const double dy = (y + 0.5 - cy) / ry;
        const double span = 1 - dy * dy;
        if (span < 0)
            continue;
        const double half = rx * std::sqrt(span);
        // Pixels x with |x + 0.5 - cx| <= half.
        const int from = int(std::ceil(cx - half - 0.5));
        const int to = int(std::floor(cx + half - 0.5));
        if (to >= from)
            region += QRect(from, y, to - from + 1, 1);
    }
    return region;
}

namespace {

QRegion box(int x1, int y1, int x2, int y2)
{
    const int l = std::min(x1, x2), r = std::max(x1, x2);
    const int t = std::min(y1, y2), b = std::max(y1, y2);
    return QRegion(l, t, r - l, b - t);
}

void cutCorner(QRegion &shape, const QRegion &square, const QRegion &ellipse)
{
    shape -= square - ellipse;
}

} // namespace

QRegion MorphListBoxShapeRegion(int x1, int y1, int x2, int y2, int c1, int c2, int c3, int c4)
{
    QRegion shape = box(x1, y1, x2, y2);
    if (c1 > 0)
        cutCorner(shape, box(x1, y1, x1 + c1, y1 + c1),
                  MorphListBoxEllipseRegion(x1, y1, x1 + 2 * c1, y1 + 2 * c1));
    if (c2 > 0)
        cutCorner(shape, box(x2 - c2, y1, x2, y1 + c2),
                  MorphListBoxEllipseRegion(x2 + 1 - 2 * c2, y1, x2 + 1, y1 + 2 * c2));
    if (c3 > 0)
        cutCorner(shape, box(x1, y2 - c3, x1 + c3, y2),
                  MorphListBoxEllipseRegion(x1, y2 + 1 - 2 * c3, x1 + 2 * c3, y2 + 1));
    if (c4 > 0)
        cutCorner(shape, box(x2 - c4, y2 - c4, x2, y2),
                  MorphListBoxEllipseRegion(x2 + 1 - 2 * c4, y2 + 1 - 2 * c4, x2 + 1, y2 + 1));
    return shape;
}
