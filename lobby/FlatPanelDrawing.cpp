#include "lobby/FlatPanelDrawing.h"

#include <cmath>

namespace FlatPanelDrawing {

int captionRight(const QByteArray &caption)
{
    return 90 * int(caption.size()) + 75;
}

QList<Step> DrawFlatPanel(double innerWidth, double innerHeight, const QByteArray &caption,
                          const std::array<qint32, 4> &borders)
{
    const int W = int(std::nearbyint(innerWidth - 1));
    const int H = int(std::nearbyint(innerHeight - 1));
    QList<Step> steps;
    auto box = [&](int x1, int y1, int x2, int y2, qint32 c) {
        steps.append(Step{Step::Box, x1, y1, x2, y2, c, {}});
    };
    auto line = [&](int x1, int y1, int x2, int y2, qint32 c) {
        steps.append(Step{Step::Line, x1, y1, x2, y2, c, {}});
    };
    auto point = [&](int x, int y, qint32 c) { steps.append(Step{Step::Point, x, y, x, y, c, {}}); };

    // Bevel and rings, each over the one before.
    box(0, 0, W, H, rgb(99, 107, 115));
    box(0, 0, W - 15, H - 15, rgb(41, 49, 57));
    box(15, 15, W - 15, H - 15, borders[0]);
    box(30, 30, W - 30, H - 30, borders[1]);
    box(30, 30, W - 45, H - 45, borders[2]);
    box(45, 45, W - 45, H - 45, borders[3]);

    // Caption tab.
    const int R = captionRight(caption);
    box(45, 45, R - 15, 210, rgb(0, 0, 0));
    steps.append(Step{Step::Text, 60, 30, 60, 30, rgb(156, 173, 173), caption});
    line(45, 225, R, 225, rgb(82, 90, 99));
    line(30, 30, 30, 225, rgb(57, 74, 74));
    point(30, 225, rgb(107, 115, 115));

    // The slanted right end, a 45-degree slope from the black box's corner.
    int x = R;
    int previous = 210;
    while (previous > 45) {
        const int y = previous - 15;
        line(x, 45, x, y, rgb(0, 0, 0));
        point(x, y, rgb(57, 74, 74));
        point(x, y + 15, rgb(82, 90, 99));
        x += 15;
        previous = y;
    }
    return steps;
}

} // namespace FlatPanelDrawing
