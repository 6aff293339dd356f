#include "controls/MorphListBox.h"

#include <QTest>

namespace {

QWidget *host = nullptr;

QWidget *hostWidget()
{
    if (!host) {
        host = new QWidget;
        host->resize(600, 1100);
        host->show();
    }
    return host;
}

// A list of 200 x 120 (border 1) over a vertical ramp: 120 steps from black
// at the bottom row to blue 119 at the top, so the background's blue at y is
// 119 - y.
struct Box : MorphListBox
{
    explicit Box(QSize size = QSize(200, 120))
        : MorphListBox(hostWidget())
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        setListFont(font);
        setBackAngle(90);
        setBackMiddleOut(false);
        setBackColor1(0x000000);
        setBackColor2(0x770000);
        setBorderColor(0x0000FF);
        setSorted(false);
        resize(size);
        show();
    }
    void addItems(int count)
    {
        for (int i = 0; i < count; ++i)
            AddItem(QStringLiteral("i"));
    }
    void designMode(const std::function<void()> &write)
    {
        setUserMode(false);
        write();
        setUserMode(true);
    }
    QRgb at(int x, int y) const { return hdc().pixel(x, y) & 0xFFFFFF; }
    int rowTop(int row) const { return const_cast<Box *>(this)->model().RowTops[row]; }
    int rowHeight() const { return const_cast<Box *>(this)->surface().RowHeight; }
};

constexpr QRgb Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, Yellow = 0xFFFF00;

bool near(QRgb actual, QRgb expected, int tolerance = 40)
{
    const QColor a = QColor::fromRgb(actual), e = QColor::fromRgb(expected);
    return std::abs(a.red() - e.red()) <= tolerance && std::abs(a.green() - e.green()) <= tolerance
           && std::abs(a.blue() - e.blue()) <= tolerance;
}

} // namespace

class TstMorphListBoxPainting : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() { delete host; }
    void emptyListShowsBackgroundOnly();
    void unselectedRowsAreShiftedUp();
    void selectedRowColours();
    void checkBoxMarks_data();
    void checkBoxMarks();
    void checkBoxCaretRowLooksSelected();
    void firstPaintMakesACaret();
    void focusFrame_data();
    void focusFrame();
    void scrollBarPieces();
    void pressedLooks();
    void thumbFromTheWidget();
    void pictureTiled();
    void pictureStretched();
    void picturePlain();
    void cornerMask();
    void squareBorderRing();
    void growAndShrink();
    void shrinkAtTheEndStaysPinned();
    void tinyListsAreSafe();
    void staleWindowAfterRemovals();
    void backgroundChangeReachesTheRows();
    void redrawFlagStopsOnlyRedraw();
    void mouseOverIndexUsesThePointer();
    void trackClickColourWithoutScrollBar();
    void clearKeepsTheRoundedRing_data();
    void clearKeepsTheRoundedRing();
    void trackClickColourKeepsTheThumb_data();
    void trackClickColourKeepsTheThumb();
    void shortTrackParksTheThumb();
    void reloadKeepsTheItemsShown();
};

void TstMorphListBoxPainting::emptyListShowsBackgroundOnly()
{
    Box box;
    QCOMPARE(box.at(100, 60), QRgb(119 - 60));
    QCOMPARE(box.at(190, 30), QRgb(119 - 30)); // where a scroll bar would be
    QCOMPARE(box.at(0, 0), Red);               // the border ring
    QCOMPARE(box.at(199, 119), Red);
    QCOMPARE(box.TopIndex(), -1);
}

void TstMorphListBoxPainting::unselectedRowsAreShiftedUp()
{
    Box box;
    box.addItems(3);
    const int top = box.rowTop(0);
    QCOMPARE(top, 6);
    // The strip comes from one pixel higher: one step more blue.
    QCOMPARE(box.at(180, top + 2), QRgb(119 - (top + 2) + 1));
    // Below the three rows the background is in place.
    const int below = box.rowTop(2) + box.rowHeight() + 3;
    QCOMPARE(box.at(180, below), QRgb(119 - below));
}

void TstMorphListBoxPainting::selectedRowColours()
{
    Box box;
    box.setSelColor1(0x0000FF);
    box.setSelColor2(0x00FF00);
    box.setSelTextColor(0xFF0000);
    box.AddItem(QStringLiteral("a"));
    box.AddItem(QStringLiteral("IIIIIIII"));
    box.setListIndex(1);
    const int t = box.rowTop(1), rh = box.rowHeight();
    QCOMPARE(box.at(150, t + rh - 1), Red);    // bottom row: exactly colour 1
    QVERIFY(near(box.at(150, t), Red));        // top row: next to it
    QVERIFY(near(box.at(150, t + rh / 2), Green, 60)); // middle: colour 2
    QCOMPARE(box.at(2, t + rh - 1), Red);
    QVERIFY(box.at(1, t + rh - 1) != Red); // the first inner column is left alone
    bool textSeen = false;
    for (int x = box.surface().TextLeft; x < 80 && !textSeen; ++x)
        for (int y = t; y < t + rh; ++y)
            textSeen = textSeen || near(box.at(x, y), Blue, 70);
    QVERIFY(textSeen);
}

void TstMorphListBoxPainting::checkBoxMarks_data()
{
    QTest::addColumn<int>("checkStyle");
    QTest::addColumn<QList<QPoint>>("marked"); // relative to (BW, box top)
    QTest::newRow("arrow") << 0 << QList<QPoint>{{8, 2}, {8, 11}, {9, 2}, {13, 6}, {13, 7}};
    QTest::newRow("tick") << 1 << QList<QPoint>{{14, 3}, {17, 3}, {6, 6}, {9, 11}, {12, 7}};
    QTest::newRow("cross") << 2 << QList<QPoint>{{8, 4}, {14, 4}, {11, 7}, {8, 10}, {14, 10}};
    QTest::newRow("no mark") << 7 << QList<QPoint>{};
}

void TstMorphListBoxPainting::checkBoxMarks()
{
    QFETCH(int, checkStyle);
    QFETCH(QList<QPoint>, marked);
    Box box;
    box.designMode([&] { QVERIFY(box.setStyle(1)); });
    box.setCheckStyle(checkStyle);
    box.setCheckBoxColor(0x00FF00);
    box.setCheckboxArrowColor(0x0000FF);
    box.addItems(4);
    box.setSelected(1, true);
    box.setListIndex(2); // caret elsewhere: row 1 shows its check only
    const int rh = box.rowHeight();
    auto boxTop = [&](int row) {
        const int t = box.rowTop(row);
        return rh < 14 ? t : int(std::nearbyint(t + (rh - 13) / 2.0));
    };
    const int bw = 1, y = boxTop(1);
    QCOMPARE(box.at(bw + 4, y), Green);
    QCOMPARE(box.at(bw + 17, y + 13), Green);
    QCOMPARE(box.at(bw + 10, y), Green);
    QVERIFY(box.at(bw + 5, y + 1) != Green);
    for (const QPoint &p : marked)
        QVERIFY2(box.at(bw + p.x(), y + p.y()) == Red,
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    // An unchecked row: a frame, no mark.
    const int y3 = boxTop(3);
    QCOMPARE(box.at(bw + 4, y3), Green);
    for (int dx = 5; dx < 17; ++dx)
        for (int dy = 1; dy < 13; ++dy)
            QVERIFY(box.at(bw + dx, y3 + dy) != Red);
    // Row 1 keeps the unselected look beside its box.
    QCOMPARE(box.at(150, box.rowTop(1) + 2), QRgb(119 - (box.rowTop(1) + 2) + 1));
}

void TstMorphListBoxPainting::checkBoxCaretRowLooksSelected()
{
    Box box;
    box.designMode([&] { box.setStyle(1); });
    box.setSelColor1(0x00FF00);
    box.setSelColor2(0x00FF00);
    box.addItems(3);
    box.setSelected(2, true); // caret and checked
    const int t = box.rowTop(2);
    QCOMPARE(box.at(150, t + 2), Green);
    QCOMPARE(box.at(1 + 21, t + 2), Green); // the bar starts after the box column
    QVERIFY(box.at(1 + 20, t + 2) != Green);
}

void TstMorphListBoxPainting::firstPaintMakesACaret()
{
    Box box;
    box.designMode([&] { box.setStyle(1); });
    box.addItems(3);
    QCOMPARE(box.model().CaretIndex, 0);
    QCOMPARE(box.model().FocusIndex, 0);
    QCOMPARE(box.ListIndex(), 0);
    box.Clear();
    box.PaintList();
    QCOMPARE(box.model().CaretIndex, -1); // an empty list gets no caret
}

void TstMorphListBoxPainting::focusFrame_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("focus");
    QTest::newRow("focused") << 3 << true;
    QTest::newRow("focused, with a scroll bar") << 40 << true;
    QTest::newRow("without focus") << 3 << false;
}

void TstMorphListBoxPainting::focusFrame()
{
    QFETCH(int, count);
    QFETCH(bool, focus);
    Box box;
    box.setFocusRectColor(0x00FFFF);
    box.addItems(count);
    box.input().HasFocus = focus;
    box.setListIndex(1);
    const int t = box.rowTop(1), rh = box.rowHeight();
    const int right = count > box.model().VisibleRows ? 200 - 1 - 15 - 1 : 200 - 1 - 1;
    QCOMPARE(box.at(2, t + 3) == Yellow, focus);
    QCOMPARE(box.at(right, t + 3) == Yellow, focus);
    QCOMPARE(box.at(100, t) == Yellow, focus);
    QCOMPARE(box.at(100, t + rh - 1) == Yellow, focus);
    QVERIFY(box.at(right + 1, t + 3) != Yellow);
    QVERIFY(box.at(100, t + rh) != Yellow);
}

void TstMorphListBoxPainting::scrollBarPieces()
{
    Box box;
    box.setTrackBarColor1(0x0000FF);
    box.setTrackBarColor2(0x00FF00);
    box.setArrowUpColor(0xFF0000);
    box.setThumbBorderColor(0x00FFFF);
    box.addItems(30);
    QVERIFY(box.model().ScrollBarVisible);
    const int W = 200, H = 120, BW = 1, x = W - 15 - BW;
    // The track mirrors its colours across the strip.
    QVERIFY(near(box.at(x + 7, H - BW - 20), Green, 20));
    QVERIFY(near(box.at(x, H - BW - 20), Red, 60));
    // Up arrow: five strokes, 9 pixels wide at the bottom, 1 at the top.
    const int x0 = x + 3, y0 = BW + 9;
    for (int i = 0; i < 9; ++i)
        QCOMPARE(box.at(x0 + i, y0), Blue);
    QCOMPARE(box.at(x0 + 4, y0 - 4), Blue);
    QVERIFY(box.at(x0 + 3, y0 - 4) != Blue);
    // Down arrow.
    const int y1 = H - BW - 15 + 6;
    QCOMPARE(box.at(x0 + 4, y1 + 4), Blue);
    QCOMPARE(box.at(x0, y1), Blue);
    // The thumb at the top of the track, framed from its second column.
    const MorphListBoxRect thumb = box.surface().ThumbRect;
    QCOMPARE(thumb.top, BW + 15);
    QCOMPARE(thumb.left, x);
    QCOMPARE(box.at(thumb.left + 1, thumb.top), Yellow);
    QCOMPARE(box.at(thumb.right - 1, thumb.bottom - 1), Yellow);
    QVERIFY(box.at(thumb.left, thumb.top + 3) != Yellow);
}

void TstMorphListBoxPainting::pressedLooks()
{
    Box box;
    box.setArrowUpColor(0xFF0000);
    box.setArrowDownColor(0x00FF00);
    box.setTrackClickColor1(0x00FF00);
    box.setTrackClickColor2(0x00FF00);
    box.addItems(30);
    const int x0 = 200 - 15 - 1 + 3;
    box.input().PressAction = MorphListBoxInput::UpButtonHeld;
    box.PaintList();
    QCOMPARE(box.at(x0, 1 + 9), Green);
    QCOMPARE(box.at(x0, 120 - 1 - 15 + 6), Blue); // the other button is not held
    box.input().PressAction = MorphListBoxInput::PagingDown;
    box.PaintList();
    const MorphListBoxSurface &s = box.surface();
    QCOMPARE(box.at(200 - 1 - 8, s.ThumbTop + s.ThumbHeight + 2), Green);
    box.DisplayFrom(10);
    box.input().PressAction = MorphListBoxInput::PagingUp;
    box.PaintList();
    QVERIFY(s.ThumbTop > 1 + 15);
    QCOMPARE(box.at(200 - 1 - 8, 1 + 15), Green);
    QCOMPARE(box.at(200 - 1 - 8, s.ThumbTop - 1), Green); // fills up to the thumb
}

void TstMorphListBoxPainting::thumbFromTheWidget()
{
    Box box(QSize(200, 232));
    box.addItems(100);
    const int rows = box.model().VisibleRows;
    const MorphListBoxSurface &s = box.surface();
    QCOMPARE(s.TrackHeight, 232 - 30 - 2);
    QCOMPARE(s.ThumbHeight, MorphListBoxThumbHeight(100, rows, 200));
    QCOMPARE(s.ThumbHeight % 2, 1);
    box.DisplayFrom(99);
    QCOMPARE(box.BottomIndex(), 99);
    QCOMPARE(s.ThumbRect.top, 232 - 1 - s.ThumbHeight - 15);
    QCOMPARE(s.ThumbRect.bottom, s.DownButtonRect.top - 1);
    // Dragged above the track the thumb stops under the up button.
    box.input().MouseY = -50;
    box.PaintList(5);
    QCOMPARE(box.surface().ThumbRect.top, 1 + 15);
    box.input().MouseY = 500;
    box.PaintList(5);
    QCOMPARE(box.surface().ThumbRect.top, s.DownButtonRect.top - s.ThumbHeight);
}

void TstMorphListBoxPainting::pictureTiled()
{
    Box box;
    QImage picture(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            picture.setPixel(x, y, qRgb(x * 30, y * 40, 100));
    box.designMode([&] { box.setPictureMode(2); });
    box.setPicture(picture);
    QCOMPARE(box.at(1 + 7 * 2 + 3, 1 + 5 * 3 + 2), picture.pixel(3, 2) & 0xFFFFFF);
    QCOMPARE(box.at(1, 1), picture.pixel(0, 0) & 0xFFFFFF); // tiles start inside the border
    QCOMPARE(box.at(0, 0), Red);
    box.addItems(2); // unselected rows come from the back buffer, one pixel up
    const int t = box.rowTop(0);
    QCOMPARE(box.at(150, t + 1), picture.pixel((150 - 1) % 7, (t - 1) % 5) & 0xFFFFFF);
}

void TstMorphListBoxPainting::pictureStretched()
{
    Box box;
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 255, 0));
    picture.setPixel(0, 1, qRgb(0, 0, 255));
    picture.setPixel(1, 1, qRgb(255, 255, 255));
    box.designMode([&] { box.setPictureMode(1); });
    box.setPicture(picture);
    QCOMPARE(box.at(20, 20), Red);
    QCOMPARE(box.at(180, 20), Green);
    QCOMPARE(box.at(20, 100), Blue);
    QCOMPARE(box.at(180, 100), QRgb(0xFFFFFF));
    QCOMPARE(box.at(199, 60), Red); // the border is painted over the picture
}

void TstMorphListBoxPainting::picturePlain()
{
    Box box;
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    box.setPicture(picture); // mode 0
    QCOMPARE(box.at(5, 5), QRgb(0x0AC81E));
    QCOMPARE(box.at(29, 19), QRgb(0x0AC81E));
    const QColor face = box.palette().color(QPalette::Button);
    QCOMPARE(box.at(31, 21), face.rgb() & 0xFFFFFF);
    QCOMPARE(box.at(0, 5), Red);
}

void TstMorphListBoxPainting::cornerMask()
{
    Box box(QSize(100, 50));
    box.setCurveTopLeft(10);
    QVERIFY(!box.mask().contains(QPoint(0, 0)));
    QVERIFY(!box.mask().contains(QPoint(2, 2)));
    QVERIFY(box.mask().contains(QPoint(50, 25)));
    QVERIFY(box.mask().contains(QPoint(99, 0)));
    QCOMPARE(box.at(10, 0), Red); // the border follows the curve
    QCOMPARE(box.at(3, 3), Red);
    QCOMPARE(box.mask(), box.surface().WindowRegion);
}

void TstMorphListBoxPainting::squareBorderRing()
{
    Box box(QSize(100, 50));
    box.setBorderWidth(3);
    QCOMPARE(box.mask(), QRegion(0, 0, 100, 50));
    QCOMPARE(box.at(2, 25), Red);
    QVERIFY(box.at(3, 25) != Red);
    QCOMPARE(box.at(97, 25), Red);
    QVERIFY(box.at(96, 25) != Red);
}

void TstMorphListBoxPainting::growAndShrink()
{
    Box box;
    box.addItems(50);
    box.DisplayFrom(20);
    const int rows = box.model().VisibleRows;
    QCOMPARE(box.TopIndex(), 20);
    box.resize(220, 120 + 4 * box.rowHeight());
    QCOMPARE(box.hdc().size(), QSize(220, 120 + 4 * box.rowHeight()));
    QCOMPARE(box.surface().backBuffer().size(), box.hdc().size());
    QCOMPARE(box.surface().SelectionGradient.width(), 220 - 2);
    QCOMPARE(box.surface().BackGradient.size(), box.hdc().size());
    QCOMPARE(box.model().VisibleRows, rows + 4);
    QCOMPARE(box.TopIndex(), 20);
    QCOMPARE(box.BottomIndex(), 20 + rows + 3);
    // The bottom row of the larger window is a real row of the surface.
    QCOMPARE(box.rowTop(rows + 3), 6 + (rows + 3) * box.rowHeight());
    box.resize(220, 1000); // everything fits
    QCOMPARE(box.TopIndex(), 0);
    QCOMPARE(box.BottomIndex(), 49);
    QVERIFY(!box.model().ScrollBarVisible);
    // Shrunk again while the last item is in view, the window stays pinned
    // to the end.
    box.resize(200, 120);
    QCOMPARE(box.model().VisibleRows, rows);
    QCOMPARE(box.TopIndex(), 50 - rows);
    QCOMPARE(box.BottomIndex(), 49);
}

void TstMorphListBoxPainting::shrinkAtTheEndStaysPinned()
{
    Box box(QSize(200, 200));
    box.addItems(50);
    box.DisplayFrom(49);
    QCOMPARE(box.BottomIndex(), 49);
    box.resize(200, 120);
    QCOMPARE(box.BottomIndex(), 49);
    QCOMPARE(box.TopIndex(), 50 - box.model().VisibleRows);
}

void TstMorphListBoxPainting::tinyListsAreSafe()
{
    Box box(QSize(60, 14)); // too short for one row, shorter than two buttons
    box.addItems(10);
    QCOMPARE(box.model().VisibleRows, 0);
    box.setListIndex(9);
    box.PaintList();
    QVERIFY(box.BottomIndex() < box.ListCount());
    QCOMPARE(box.MouseOverIndex(8), -1);
    box.resize(10, 5);
    box.resize(1, 1);
    box.PaintList();
    box.setBorderWidth(40); // a border wider than the list
    box.PaintList();
    box.Clear();
    box.PaintList();
    QCOMPARE(box.TopIndex(), -1);
}

void TstMorphListBoxPainting::staleWindowAfterRemovals()
{
    Box box;
    box.addItems(60);
    box.DisplayFrom(45);
    box.setListIndex(50);
    while (box.ListCount() > 12)
        box.RemoveItem(box.ListCount() - 1);
    QVERIFY(box.BottomIndex() <= 11);
    QCOMPARE(box.TopIndex(), 12 - box.model().VisibleRows);
    QCOMPARE(box.ListIndex(), -1);
}

void TstMorphListBoxPainting::backgroundChangeReachesTheRows()
{
    Box box;
    box.setBackColor1(0x0000FF);
    box.setBackColor2(0x0000FF);
    box.addItems(2);
    QCOMPARE(box.at(150, box.rowTop(0) + 3), Red);
    box.setBackColor1(0x00FF00);
    box.setBackColor2(0x00FF00);
    box.PaintItem(0, false, false); // a row restored from the back buffer
    QCOMPARE(box.at(150, box.rowTop(0) + 3), Green);
}

void TstMorphListBoxPainting::redrawFlagStopsOnlyRedraw()
{
    Box box;
    box.addItems(3);
    QVERIFY(box.setRedrawFlag(false));
    const QImage before = box.hdc();
    box.setBorderColor(0x00FF00);
    QCOMPARE(box.hdc(), before);
    box.AddItem(QStringLiteral("x")); // no paint of its own accord
    QCOMPARE(box.hdc(), before);
    box.PaintList(); // a direct paint still paints
    QVERIFY(box.hdc() != before);
    box.Clear(); // and Clear turns drawing back on
    QVERIFY(box.RedrawFlag());
}

void TstMorphListBoxPainting::mouseOverIndexUsesThePointer()
{
    Box box;
    box.addItems(30);
    box.DisplayFrom(5);
    const float y = box.rowTop(2) + 3;
    box.input().MouseX = 50;
    box.input().MouseY = y;
    QCOMPARE(box.MouseOverIndex(y), 7);
    box.input().MouseX = 200 - 8; // on the scroll bar
    QCOMPARE(box.MouseOverIndex(y), -1);
    box.input().EdgeScrolling = true;
    QCOMPARE(box.MouseOverIndex(y), 7);
}

void TstMorphListBoxPainting::trackClickColourWithoutScrollBar()
{
    Box box;
    box.addItems(2);
    const QImage before = box.hdc();
    box.setTrackClickColor1(0x00FF00); // no scroll bar: nothing is drawn over the rows
    QCOMPARE(box.hdc(), before);
}

void TstMorphListBoxPainting::shortTrackParksTheThumb()
{
    Box box(QSize(80, 40)); // a track of 8 pixels: shorter than the least thumb
    box.addItems(40);
    box.DisplayFrom(10);
    const MorphListBoxSurface &s = box.surface();
    QCOMPARE(s.TrackHeight, 8);
    QCOMPARE(s.ThumbHeight, 8);
    QCOMPARE(s.ThumbRect.top, s.TrackRect.top);
    QCOMPARE(s.ThumbRect.bottom, s.TrackRect.bottom);
    box.DisplayFrom(39);
    QCOMPARE(s.ThumbRect.top, s.TrackRect.top);
}

void TstMorphListBoxPainting::reloadKeepsTheItemsShown()
{
    Box box;
    box.setTextColor(0x00FF00);
    box.addItems(3);
    box.ReadProperties(MorphListBoxStore());
    QCOMPARE(box.TopIndex(), 0);
    box.PaintList();
    QCOMPARE(box.BottomIndex(), 2);
}

void TstMorphListBoxPainting::clearKeepsTheRoundedRing_data()
{
    QTest::addColumn<int>("border");
    QTest::addColumn<bool>("picture");
    QTest::newRow("border 1") << 1 << false;
    QTest::newRow("border 3") << 3 << false;
    QTest::newRow("border 3, picture") << 3 << true;
}

// Every pixel of a rounded border ring keeps the border colour when the
// list is cleared, and the cleared list looks as an empty one painted anew.
void TstMorphListBoxPainting::clearKeepsTheRoundedRing()
{
    QFETCH(int, border);
    QFETCH(bool, picture);
    auto make = [&](Box &box) {
        box.setBorderWidth(border);
        box.setCurveTopLeft(14);
        box.setCurveTopRight(9);
        box.setCurveBottomLeft(20);
        box.setCurveBottomRight(12);
        if (picture) {
            QImage tile(8, 8, QImage::Format_RGB32);
            tile.fill(qRgb(0, 200, 0));
            box.designMode([&] { box.setPictureMode(2); });
            box.setPicture(tile);
        }
    };
    Box box(QSize(160, 110));
    make(box);
    box.addItems(30);
    box.setListIndex(0);
    box.Clear();
    const int W = 160, H = 110;
    const QRegion ring = MorphListBoxShapeRegion(0, 0, W, H, 14, 9, 20, 12)
                         - MorphListBoxShapeRegion(border, border, W - border, H - border, 14, 9, 20, 12);
    int wrong = 0, pixels = 0;
    for (const QRect &r : ring)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x, ++pixels)
                wrong += box.at(x, y) != Red;
    QVERIFY(pixels > 100);
    QCOMPARE(wrong, 0);
    Box fresh(QSize(160, 110));
    make(fresh);
    fresh.PaintList();
    for (const QRect &r : box.surface().WindowRegion)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                QVERIFY2(box.at(x, y) == fresh.at(x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
}

void TstMorphListBoxPainting::trackClickColourKeepsTheThumb_data()
{
    QTest::addColumn<int>("press");
    QTest::addColumn<bool>("dragging");
    QTest::newRow("idle") << int(MorphListBoxInput::NoPress) << false;
    QTest::newRow("paging down") << int(MorphListBoxInput::PagingDown) << false;
    QTest::newRow("paging up") << int(MorphListBoxInput::PagingUp) << false;
    QTest::newRow("thumb dragged") << int(MorphListBoxInput::ThumbPress) << true;
}

// A new track-click colour paints the track again, never over the thumb,
// which stays where it shows (also in the middle of a drag).
void TstMorphListBoxPainting::trackClickColourKeepsTheThumb()
{
    QFETCH(int, press);
    QFETCH(bool, dragging);
    Box box;
    box.addItems(60);
    box.DisplayFrom(25);
    box.input().PressAction = press;
    if (dragging) {
        box.input().ThumbDragging = true;
        box.input().MouseY = 70;
        box.PaintList(6); // the thumb follows the pointer, off its resting place
    } else {
        box.PaintList();
    }
    const MorphListBoxRect thumb = box.surface().ThumbRect;
    const QImage before = box.hdc();
    box.setTrackClickColor1(0x00FF00);
    box.setTrackClickColor2(0x00FF00);
    QCOMPARE(box.surface().ThumbRect, thumb);
    for (int y = thumb.top; y <= thumb.bottom; ++y)
        for (int x = thumb.left; x <= thumb.right; ++x)
            QVERIFY2(box.hdc().pixel(x, y) == before.pixel(x, y),
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    if (press == MorphListBoxInput::NoPress)
        QCOMPARE(box.hdc(), before); // nothing else changes either
    else if (press == MorphListBoxInput::PagingDown)
        QCOMPARE(box.at(200 - 1 - 8, thumb.bottom + 3), Green); // the pressed part takes the colour
}

QTEST_MAIN(TstMorphListBoxPainting)
#include "tst_morphlistboxpainting.moc"
