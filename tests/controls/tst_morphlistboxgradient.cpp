#include "controls/MorphListBoxGradient.h"

#include <QGuiApplication>
#include <QTest>

namespace {

// Pixel (x, j) counted from the bottom row, as 0xRRGGBB.
quint32 fromBottom(const QImage &img, int x, int j)
{
    return img.pixel(x, img.height() - 1 - j) & 0xFFFFFF;
}

// Within a few steps of a colour: a ramp ends exactly at colour 1, but the
// far end of a line can stop one entry short of it.
bool near(quint32 actual, quint32 expected, int tolerance = 40)
{
    const QColor a = QColor::fromRgb(actual), e = QColor::fromRgb(expected);
    return std::abs(a.red() - e.red()) <= tolerance && std::abs(a.green() - e.green()) <= tolerance
           && std::abs(a.blue() - e.blue()) <= tolerance;
}

} // namespace

class TstMorphListBoxGradient : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void angle90RunsUpwards();
    void angle0RunsByColumn();
    void directions_data();
    void directions();
    void halfDegreeRoundsToEven();
    void middleOutLine();
    void middleOutMirror_data();
    void middleOutMirror();
    void singlePixelAveragesHalves();
    void untranslatableColourIsWhite();
    void tooSmallKeepsTheBitmap();
    void diagonalStaysInsideTheLine();
    void translateColour_data();
    void translateColour();
};

void TstMorphListBoxGradient::angle90RunsUpwards()
{
    // 100 x 40 at 90 degrees: 40 steps, row j from the bottom has line(j).
    // Blue going from 0 to 39 makes every ramp entry its own index.
    QImage img;
    BuildMorphListBoxGradient(img, 100, 40, 0x000000, 0x270000, 90, false);
    QCOMPARE(img.size(), QSize(100, 40));
    for (int j = 0; j < 40; ++j)
        for (int x : {0, 50, 99})
            QCOMPARE(fromBottom(img, x, j), quint32(j));
}

void TstMorphListBoxGradient::angle0RunsByColumn()
{
    QImage img;
    BuildMorphListBoxGradient(img, 100, 40, 0x000000, 0x630000, 0, false); // blue 0..99
    for (int x = 0; x < 100; ++x)
        for (int j : {0, 20, 39})
            QCOMPARE(fromBottom(img, x, j), quint32(x));
}

void TstMorphListBoxGradient::directions_data()
{
    QTest::addColumn<float>("angle");
    QTest::addColumn<QPoint>("colour1At"); // picture coordinates, top-left origin
    QTest::addColumn<QPoint>("colour2At");
    QTest::newRow("0: left to right") << 0.0f << QPoint(0, 20) << QPoint(99, 20);
    QTest::newRow("90: bottom to top") << 90.0f << QPoint(50, 39) << QPoint(50, 0);
    QTest::newRow("180: right to left") << 180.0f << QPoint(99, 20) << QPoint(0, 20);
    QTest::newRow("270: top to bottom") << 270.0f << QPoint(50, 0) << QPoint(50, 39);
    QTest::newRow("45: corner to corner") << 45.0f << QPoint(0, 39) << QPoint(99, 0);
}

void TstMorphListBoxGradient::directions()
{
    QFETCH(float, angle);
    QFETCH(QPoint, colour1At);
    QFETCH(QPoint, colour2At);
    QImage img;
    BuildMorphListBoxGradient(img, 100, 40, 0x0000FF, 0xFF0000, angle, false); // red to blue
    QCOMPARE(img.pixel(colour1At) & 0xFFFFFF, 0xFF0000u);
    QVERIFY(near(img.pixel(colour2At), 0x0000FF, 8));
}

void TstMorphListBoxGradient::halfDegreeRoundsToEven()
{
    QImage a, b;
    BuildMorphListBoxGradient(a, 60, 30, 0x0000FF, 0xFF0000, 90, true);
    BuildMorphListBoxGradient(b, 60, 30, 0x0000FF, 0xFF0000, 90.5f, true);
    QCOMPARE(a, b);
}

void TstMorphListBoxGradient::middleOutLine()
{
    // Four steps mirrored: ramp entries 0, 2, 3, 1 from the bottom.
    QImage img;
    BuildMorphListBoxGradient(img, 1, 4, 0x000000, 0x030000, 90, true);
    QList<quint32> line;
    for (int j = 0; j < 4; ++j)
        line << fromBottom(img, 0, j);
    QCOMPARE(line, (QList<quint32>{0, 2, 3, 1}));
}

void TstMorphListBoxGradient::middleOutMirror_data()
{
    QTest::addColumn<float>("angle");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("start"); // line(0): exactly colour 1
    QTest::addColumn<QPoint>("end");   // the far edge: close to colour 1
    QTest::addColumn<QPoint>("middle"); // close to colour 2
    QTest::newRow("selection bar, 90") << 90.0f << QSize(120, 15) << QPoint(5, 14) << QPoint(5, 0)
                                       << QPoint(5, 7);
    QTest::newRow("scroll bar, 180") << 180.0f << QSize(85, 40) << QPoint(0, 5) << QPoint(84, 5)
                                     << QPoint(42, 5);
    QTest::newRow("200: both swaps") << 200.0f << QSize(40, 40) << QPoint(0, 39) << QPoint(39, 0)
                                     << QPoint(20, 20);
}

void TstMorphListBoxGradient::middleOutMirror()
{
    QFETCH(float, angle);
    QFETCH(QSize, size);
    QFETCH(QPoint, start);
    QFETCH(QPoint, end);
    QFETCH(QPoint, middle);
    QImage img;
    BuildMorphListBoxGradient(img, size.width(), size.height(), 0x0000FF, 0xFF0000, angle, true);
    const quint32 c1 = 0xFF0000, c2 = 0x0000FF; // as 0xRRGGBB
    QCOMPARE(img.pixel(start) & 0xFFFFFF, c1);
    QVERIFY(near(img.pixel(end), c1));
    QVERIFY(near(img.pixel(middle), c2));
}

void TstMorphListBoxGradient::singlePixelAveragesHalves()
{
    QImage img;
    BuildMorphListBoxGradient(img, 1, 1, 0xFFFFFF, 0xFFFFFF, 45, false);
    QCOMPARE(img.pixel(0, 0) & 0xFFFFFF, 0xFEFEFEu);
}

void TstMorphListBoxGradient::untranslatableColourIsWhite()
{
    QImage img;
    BuildMorphListBoxGradient(img, 10, 10, -1, -1, 45, true);
    QCOMPARE(img.pixel(3, 7) & 0xFFFFFF, 0xFFFFFFu);
}

void TstMorphListBoxGradient::tooSmallKeepsTheBitmap()
{
    QImage img;
    BuildMorphListBoxGradient(img, 5, 5, 0x0000FF, 0x0000FF, 0, false);
    const QImage before = img;
    BuildMorphListBoxGradient(img, 0, 5, 0x00FF00, 0x00FF00, 0, false);
    BuildMorphListBoxGradient(img, 5, -3, 0x00FF00, 0x00FF00, 0, false);
    QCOMPARE(img, before);
}

void TstMorphListBoxGradient::diagonalStaysInsideTheLine()
{
    // Every size and angle: the far corner never reads past the line.
    for (int angle = 0; angle <= 360; angle += 15)
        for (QSize s : {QSize(3, 200), QSize(200, 3), QSize(17, 13), QSize(640, 480)}) {
            QImage img;
            BuildMorphListBoxGradient(img, s.width(), s.height(), 0x000000, 0x0000FF, float(angle), false);
            QCOMPARE(img.size(), s);
        }
}

void TstMorphListBoxGradient::translateColour_data()
{
    QTest::addColumn<qint32>("colour");
    QTest::addColumn<qint32>("expected");
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(0x11, 0x22, 0x33));
    palette.setColor(QPalette::Text, QColor(0x44, 0x55, 0x66));
    QGuiApplication::setPalette(palette);
    QTest::newRow("plain") << 0x123456 << 0x123456;
    QTest::newRow("button face") << qint32(0x8000000F) << 0x332211;
    QTest::newRow("window text") << qint32(0x80000008) << 0x665544;
    QTest::newRow("no such system colour") << qint32(0x80000040) << -1;
    QTest::newRow("palette-relative") << 0x02123456 << 0x123456;
    QTest::newRow("palette index") << 0x01000005 << -1;
}

void TstMorphListBoxGradient::translateColour()
{
    QFETCH(qint32, colour);
    QFETCH(qint32, expected);
    QCOMPARE(TranslateMorphListBoxColour(colour, QGuiApplication::palette()), expected);
}

QTEST_MAIN(TstMorphListBoxGradient)
#include "tst_morphlistboxgradient.moc"
