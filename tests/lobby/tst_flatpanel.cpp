// The framed caption panel's drawing steps.
#include "lobby/FlatPanelDrawing.h"

#include <QTest>

using namespace FlatPanelDrawing;

class tst_FlatPanel : public QObject
{
    Q_OBJECT

    static QList<Step> ofKind(const QList<Step> &steps, Step::Kind kind)
    {
        QList<Step> out;
        for (const Step &s : steps)
            if (s.kind == kind)
                out << s;
        return out;
    }

private Q_SLOTS:
    void rings();
    void captionTab_data();
    void captionTab();
};

void tst_FlatPanel::rings()
{
    const auto steps = DrawFlatPanel(3000.4, 2000.6, "X", {1, 2, 3, 4});
    const auto boxes = ofKind(steps, Step::Box);
    QCOMPARE(boxes.size(), 7);
    // W = 2999, H = 2000 (nearest whole numbers).
    QCOMPARE(boxes[0].x2, 2999);
    QCOMPARE(boxes[0].y2, 2000);
    QCOMPARE(boxes[0].colour, rgb(99, 107, 115));
    QCOMPARE(boxes[1].x2, 2984);
    QCOMPARE(boxes[2].colour, 1);
    QCOMPARE(boxes[3].colour, 2);
    QCOMPARE(boxes[4].x2, 2999 - 45);
    QCOMPARE(boxes[5].x1, 45);
    QCOMPARE(boxes[5].x2, 2999 - 45);
    QCOMPARE(boxes[5].colour, 4);
}

void tst_FlatPanel::captionTab_data()
{
    QTest::addColumn<QByteArray>("caption");
    QTest::addColumn<int>("right");
    QTest::newRow("general options") << QByteArray("General Options  ") << 1605;
    QTest::newRow("empty") << QByteArray() << 75;
    QTest::newRow("graphic mode") << QByteArray("Graphic Mode ") << 1245;
}

void tst_FlatPanel::captionTab()
{
    QFETCH(QByteArray, caption);
    QFETCH(int, right);
    QCOMPARE(captionRight(caption), right);
    const auto steps = DrawFlatPanel(4000, 3000, caption, {0, 0, 0, 0});
    const auto boxes = ofKind(steps, Step::Box);
    QCOMPARE(boxes.last().x1, 45);
    QCOMPARE(boxes.last().y1, 45);
    QCOMPARE(boxes.last().x2, right - 15);
    QCOMPARE(boxes.last().y2, 210);
    const auto texts = ofKind(steps, Step::Text);
    QCOMPARE(texts.size(), 1);
    QCOMPARE(texts[0].text, caption);
    QCOMPARE(texts[0].x1, 60);
    QCOMPARE(texts[0].y1, 30);
    // The slope: eleven black columns from R to R + 150, down from 195 to 45.
    QList<Step> slope;
    for (const Step &s : ofKind(steps, Step::Line))
        if (s.colour == 0 && s.x1 == s.x2)
            slope << s;
    QCOMPARE(slope.size(), 11);
    QCOMPARE(slope.first().x1, right);
    QCOMPARE(slope.first().y2, 195);
    QCOMPARE(slope.last().x1, right + 150);
    QCOMPARE(slope.last().y2, 45);
}

QTEST_GUILESS_MAIN(tst_FlatPanel)
#include "tst_flatpanel.moc"
