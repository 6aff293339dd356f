#include "controls/MorphListBoxModel.h"
#include "controls/MorphListBoxProperties.h"
#include "controls/MorphListBoxScrollBar.h"
#include "controls/MorphListBoxSurface.h"

#include <QGuiApplication>
#include <QTest>

namespace {

// A drawing surface without a window.
struct Rig
{
    MorphListBoxProperties props;
    MorphListBoxModel model{props};
    MorphListBoxInput input;
    MorphListBoxSurface surface{props, model, input};

    explicit Rig(QSize size, int borderWidth = 1, int style = 0)
    {
        props.BorderWidth = qint16(borderWidth);
        props.Style = style;
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        props.ListFont = font;
        surface.InitialiseDrawing(size);
    }
};

} // namespace

class TstMorphListBoxGeometry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layout_data();
    void layout();
    void thumbHeight_data();
    void thumbHeight();
    void thumbPosition_data();
    void thumbPosition();
    void scrollBarRects();
    void shapeWithoutCorners();
    void roundedCorner();
    void allFourCorners();
    void rowHeightFromTheFont();
};

void TstMorphListBoxGeometry::layout_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("borderWidth");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("visibleRows");
    QTest::addColumn<int>("pitch");
    QTest::addColumn<int>("textLeft");
    QTest::newRow("plain") << 100 << 1 << 13 << 0 << 6 << 13 << 4;
    QTest::newRow("check boxes, small font") << 100 << 1 << 11 << 1 << 5 << 15 << 24;
    QTest::newRow("check boxes, large font") << 100 << 1 << 20 << 1 << 4 << 22 << 24;
    // 2.0222 + 26 - 9.5 = 18.52 -> 19; with BW 4 the centres are
    // nearest(29.5) = 30 and nearest(204.5) = 204.
    QTest::newRow("thick border") << 100 << 5 << 13 << 0 << 6 << 13 << 8;
    QTest::newRow("too short for a row") << 20 << 1 << 13 << 0 << 0 << 13 << 4;
    QTest::newRow("shorter than its border") << 5 << 1 << 13 << 0 << 0 << 13 << 4;
    QTest::newRow("capped at 100 rows") << 3000 << 1 << 13 << 0 << 100 << 13 << 4;
}

void TstMorphListBoxGeometry::layout()
{
    QFETCH(int, height);
    QFETCH(int, borderWidth);
    QFETCH(int, rowHeight);
    QFETCH(int, style);
    QFETCH(int, visibleRows);
    QFETCH(int, pitch);
    QFETCH(int, textLeft);
    Rig rig(QSize(120, height), borderWidth, style);
    rig.surface.RowHeight = rowHeight;
    rig.surface.ComputeLayout();
    QCOMPARE(rig.model.VisibleRows, visibleRows);
    QCOMPARE(rig.surface.TextLeft, textLeft);
    if (visibleRows > 0)
        QCOMPARE(rig.model.RowTops[0], borderWidth + 5);
    if (visibleRows > 1)
        QCOMPARE(rig.model.RowTops[1] - rig.model.RowTops[0], pitch);
}

void TstMorphListBoxGeometry::thumbHeight_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("track");
    QTest::addColumn<int>("height");
    QTest::newRow("even is made odd") << 100 << 10 << 200 << 19;
    QTest::newRow("odd stays") << 100 << 15 << 200 << 29;
    QTest::newRow("raised to 9") << 1000 << 10 << 200 << 9;
    QTest::newRow("all fit") << 10 << 10 << 200 << -1;
    QTest::newRow("track shorter than a thumb") << 1000 << 10 << 6 << 6;
    QTest::newRow("no track at all") << 1000 << 1 << -4 << 0;
    QTest::newRow("no visible rows") << 5 << 0 << 100 << 9;
}

void TstMorphListBoxGeometry::thumbHeight()
{
    QFETCH(int, count);
    QFETCH(int, rows);
    QFETCH(int, track);
    QFETCH(int, height);
    QCOMPARE(MorphListBoxThumbHeight(count, rows, track), height);
}

void TstMorphListBoxGeometry::thumbPosition_data()
{
    QTest::addColumn<int>("H");
    QTest::addColumn<int>("BW");
    QTest::addColumn<int>("thumb");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("thumbTop");
    QTest::addColumn<int>("travelTop");
    QTest::addColumn<int>("travelBottom");
    // H 232, BW 1: track 200; travel centres nearest(26.5) = 26 and
    // nearest(232 - 1 - 15 - 9.5 + 1) = nearest(207.5) = 208.
    QTest::newRow("at the start") << 232 << 1 << 19 << 0 << 9 << 100 << 10 << 16 << 26 << 208;
    QTest::newRow("last item in view") << 232 << 1 << 19 << 90 << 99 << 100 << 10 << 197 << 26 << 208;
    // step = 182 / 90 in single precision; 45 steps: 91 + 26 - 9.5 = 107.5 -> 108.
    QTest::newRow("middle") << 232 << 1 << 19 << 45 << 54 << 100 << 10 << 108 << 26 << 208;
    QTest::newRow("one row down") << 232 << 1 << 19 << 1 << 10 << 100 << 10 << 19 << 26 << 208;
    // 2.0222 + 26 - 9.5 = 18.52 -> 19; with BW 4 the centres are
    // nearest(29.5) = 30 and nearest(204.5) = 204.
    QTest::newRow("thick border") << 232 << 4 << 19 << 0 << 9 << 100 << 10 << 19 << 30 << 204;
}

void TstMorphListBoxGeometry::thumbPosition()
{
    QFETCH(int, H);
    QFETCH(int, BW);
    QFETCH(int, thumb);
    QFETCH(int, top);
    QFETCH(int, bottom);
    QFETCH(int, count);
    QFETCH(int, rows);
    QFETCH(int, thumbTop);
    QFETCH(int, travelTop);
    QFETCH(int, travelBottom);
    const MorphListBoxThumbPlace place = MorphListBoxThumbPosition(H, BW, thumb, top, bottom, count, rows);
    QCOMPARE(place.top, thumbTop);
    QCOMPARE(place.travelTop, travelTop);
    QCOMPARE(place.travelBottom, travelBottom);
}

void TstMorphListBoxGeometry::scrollBarRects()
{
    const MorphListBoxScrollRects r = MorphListBoxScrollBarRects(100, 50, 2);
    QCOMPARE(r.up, (MorphListBoxRect{85, 2, 99, 16}));
    QCOMPARE(r.down, (MorphListBoxRect{85, 33, 99, 47}));
    QCOMPARE(r.track, (MorphListBoxRect{83, 17, 97, 32}));
    // A press at W - 2 lies on the up button's rectangle, though the drawn
    // button ends at W - 3.
    QVERIFY(r.up.contains(98, 5));
}

void TstMorphListBoxGeometry::shapeWithoutCorners()
{
    const QRegion shape = MorphListBoxShapeRegion(0, 0, 100, 50, 0, 0, 0, 0);
    QCOMPARE(shape, QRegion(0, 0, 100, 50));
    const QRegion ring = shape - MorphListBoxShapeRegion(3, 3, 97, 47, 0, 0, 0, 0);
    QCOMPARE(ring, QRegion(0, 0, 100, 50) - QRegion(3, 3, 94, 44));
}

void TstMorphListBoxGeometry::roundedCorner()
{
    // CurveTopLeft 10 on 100 x 50: the corner follows the ellipse of the
    // box (0, 0)-(20, 20).
    const QRegion shape = MorphListBoxShapeRegion(0, 0, 100, 50, 10, 0, 0, 0);
    for (QPoint out : {QPoint(0, 0), QPoint(2, 2), QPoint(3, 0), QPoint(0, 3)})
        QVERIFY2(!shape.contains(out), qPrintable(QStringLiteral("%1,%2").arg(out.x()).arg(out.y())));
    for (QPoint in : {QPoint(5, 5), QPoint(9, 0), QPoint(0, 9), QPoint(10, 0), QPoint(99, 0), QPoint(0, 49),
                      QPoint(99, 49)})
        QVERIFY2(shape.contains(in), qPrintable(QStringLiteral("%1,%2").arg(in.x()).arg(in.y())));
    // The inner shape uses the same radius, moved by the border.
    const QRegion inner = MorphListBoxShapeRegion(1, 1, 99, 49, 10, 0, 0, 0);
    QVERIFY(!inner.contains(QPoint(3, 1)));
    QVERIFY(inner.contains(QPoint(6, 6)));
}

void TstMorphListBoxGeometry::allFourCorners()
{
    const QRegion shape = MorphListBoxShapeRegion(0, 0, 60, 40, 8, 8, 8, 8);
    for (QPoint corner : {QPoint(0, 0), QPoint(59, 0), QPoint(0, 39), QPoint(59, 39)})
        QVERIFY(!shape.contains(corner));
    for (QPoint edge : {QPoint(30, 0), QPoint(30, 39), QPoint(0, 20), QPoint(59, 20)})
        QVERIFY(shape.contains(edge));
}

void TstMorphListBoxGeometry::rowHeightFromTheFont()
{
    Rig rig(QSize(150, 100));
    QVERIFY(rig.surface.RowHeight >= 11 && rig.surface.RowHeight <= 16);
    const int before = rig.surface.RowHeight;
    QFont bigger = rig.props.ListFont;
    bigger.setPixelSize(22);
    rig.props.ListFont = bigger;
    rig.surface.Rebuild(QSize(150, 100), true);
    QVERIFY(rig.surface.RowHeight > before);
    QCOMPARE(rig.surface.SelectionGradient.height(), rig.surface.RowHeight); // rebuilt with it
}

QTEST_MAIN(TstMorphListBoxGeometry)
#include "tst_morphlistboxgeometry.moc"
