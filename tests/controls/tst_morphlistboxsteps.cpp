#include "controls/MorphListBoxModel.h"
#include "controls/MorphListBoxProperties.h"
#include "controls/MorphListBoxSteps.h"

#include <QTest>
#include <memory>

namespace Steps = MorphListBoxSteps;

namespace {

// A model of count items in a window of rows rows, showing top onwards.
struct Window
{
    MorphListBoxProperties props;
    MorphListBoxModel m{props};
    Window(int count, int rows, int top)
    {
        props.Sorted = false;
        for (int i = 0; i < count; ++i)
            m.AddItem(QStringLiteral("x"));
        m.VisibleRows = rows;
        m.TopIndex = top;
        m.BottomIndex = std::min(top + rows - 1, count - 1);
    }
};

} // namespace

class TstMorphListBoxSteps : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mouseSteps_data();
    void mouseSteps();
    void keyboardWindows_data();
    void keyboardWindows();
    void ensureFocusVisible_data();
    void ensureFocusVisible();
    void repeatStep_data();
    void repeatStep();
    void thumbRows_data();
    void thumbRows();
    void thumbMoveAndJumps();
    void shortListsNeverStartAboveTheFirstItem_data();
    void shortListsNeverStartAboveTheFirstItem();
};

void TstMorphListBoxSteps::mouseSteps_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("top");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<int>("newTop");
    QTest::addColumn<int>("newBottom");

    QTest::newRow("line down") << "LineDown" << 100 << 0 << true << 1 << 10;
    QTest::newRow("line down at the end") << "LineDown" << 100 << 90 << false << 90 << 99;
    QTest::newRow("line up") << "LineUp" << 100 << 5 << true << 4 << 13;
    QTest::newRow("line up at the start") << "LineUp" << 100 << 0 << false << 0 << 9;
    QTest::newRow("page down keeps a row") << "PageDown" << 100 << 0 << true << 9 << 19;
    QTest::newRow("page down near the end") << "PageDown" << 100 << 85 << true << 91 << 99;
    QTest::newRow("page down at the end") << "PageDown" << 100 << 90 << false << 90 << 99;
    QTest::newRow("page up keeps a row") << "PageUp" << 100 << 30 << true << 21 << 30;
    QTest::newRow("page up near the start") << "PageUp" << 100 << 4 << true << 0 << 9;
    QTest::newRow("page up at the start") << "PageUp" << 100 << 0 << false << 0 << 9;
    QTest::newRow("line down, short list") << "LineDown" << 5 << 0 << false << 0 << 4;
    QTest::newRow("line down, empty list") << "LineDown" << 0 << -1 << false << -1 << -1;
    QTest::newRow("page down, empty list") << "PageDown" << 0 << -1 << false << -1 << -1;
}

void TstMorphListBoxSteps::mouseSteps()
{
    QFETCH(QString, step);
    QFETCH(int, count);
    QFETCH(int, top);
    Window w(count, 10, top);
    bool moved = false;
    if (step == QLatin1String("LineDown"))
        moved = Steps::LineDown(w.m);
    else if (step == QLatin1String("LineUp"))
        moved = Steps::LineUp(w.m);
    else if (step == QLatin1String("PageDown"))
        moved = Steps::PageDownByTrack(w.m);
    else
        moved = Steps::PageUpByTrack(w.m);
    QTEST(moved, "moved");
    QTEST(w.m.TopIndex, "newTop");
    QTEST(w.m.BottomIndex, "newBottom");
}

void TstMorphListBoxSteps::keyboardWindows_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("focus");
    QTest::addColumn<int>("newTop");
    QTest::addColumn<int>("newBottom");

    QTest::newRow("end of 25") << "End" << 25 << 0 << 15 << 24;
    QTest::newRow("end of 6") << "End" << 6 << 0 << 0 << 5;
    QTest::newRow("home of 25") << "Home" << 25 << 20 << 0 << 9;
    QTest::newRow("home of 6") << "Home" << 6 << 5 << 0 << 5;
    QTest::newRow("page down from 3") << "PageDown" << 100 << 3 << 3 << 12;
    QTest::newRow("page down near the end") << "PageDown" << 100 << 95 << 90 << 99;
    QTest::newRow("page down, short list") << "PageDown" << 6 << 2 << 0 << 5;
    QTest::newRow("page up from 50") << "PageUp" << 100 << 50 << 41 << 50;
    QTest::newRow("page up near the start") << "PageUp" << 100 << 4 << 0 << 9;
    QTest::newRow("page up, short list") << "PageUp" << 6 << 5 << 0 << 5;
}

void TstMorphListBoxSteps::keyboardWindows()
{
    QFETCH(QString, window);
    QFETCH(int, count);
    QFETCH(int, focus);
    Window w(count, 10, 0);
    w.m.FocusIndex = focus;
    if (window == QLatin1String("End"))
        Steps::EndWindow(w.m);
    else if (window == QLatin1String("Home"))
        Steps::HomeWindow(w.m);
    else if (window == QLatin1String("PageDown"))
        Steps::PageWindowDown(w.m);
    else
        Steps::PageWindowUp(w.m);
    QTEST(w.m.TopIndex, "newTop");
    QTEST(w.m.BottomIndex, "newBottom");
}

void TstMorphListBoxSteps::ensureFocusVisible_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("focus");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<int>("newTop");
    QTest::addColumn<int>("newBottom");

    QTest::newRow("visible") << 10 << 15 << false << 10 << 19;
    QTest::newRow("above") << 10 << 4 << true << 4 << 13;
    QTest::newRow("below") << 10 << 30 << true << 21 << 30;
    QTest::newRow("last item") << 0 << 99 << true << 90 << 99;
}

void TstMorphListBoxSteps::ensureFocusVisible()
{
    QFETCH(int, top);
    QFETCH(int, focus);
    Window w(100, 10, top);
    w.m.FocusIndex = focus;
    QTEST(Steps::EnsureFocusVisible(w.m), "moved");
    QTEST(w.m.TopIndex, "newTop");
    QTEST(w.m.BottomIndex, "newBottom");
}

void TstMorphListBoxSteps::repeatStep_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("newTop");
    QTest::addColumn<int>("newBottom");

    QTest::newRow("one down") << 3 << 1 << 4 << 13;
    QTest::newRow("one up") << 3 << -1 << 2 << 11;
    QTest::newRow("page down") << 20 << 10 << 30 << 39;
    QTest::newRow("page down past the end") << 85 << 10 << 91 << 99;
    QTest::newRow("page up past the start") << 5 << -10 << 0 << 4;
}

void TstMorphListBoxSteps::repeatStep()
{
    QFETCH(int, top);
    QFETCH(int, step);
    Window w(100, 10, top);
    Steps::RepeatStep(w.m, step);
    QTEST(w.m.TopIndex, "newTop");
    QTEST(w.m.BottomIndex, "newBottom");
}

void TstMorphListBoxSteps::thumbRows_data()
{
    QTest::addColumn<float>("dy");
    QTest::addColumn<int>("travel");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rows");

    QTest::newRow("37 of 150 over 300") << 37.0f << 150 << 300 << 74;
    QTest::newRow("upwards") << -37.0f << 150 << 300 << -74;
    QTest::newRow("too small for a row") << 0.4f << 150 << 300 << 0;
    QTest::newRow("a pixel rounds first") << 0.6f << 150 << 300 << 2;
    QTest::newRow("half a row to even (0)") << 1.0f << 4 << 2 << 0;
    QTest::newRow("half a row to even (2)") << 1.0f << 4 << 6 << 2;
    QTest::newRow("no travel") << 10.0f << 0 << 300 << 0;
}

void TstMorphListBoxSteps::thumbRows()
{
    QFETCH(float, dy);
    QFETCH(int, travel);
    QFETCH(int, count);
    QTEST(Steps::ThumbRows(dy, travel, count), "rows");
}

void TstMorphListBoxSteps::thumbMoveAndJumps()
{
    Window w(100, 10, 20);
    Steps::ThumbMove(w.m, 30);
    QCOMPARE(w.m.TopIndex, 50);
    QCOMPARE(w.m.BottomIndex, 59);
    Steps::ThumbMove(w.m, -80);
    QCOMPARE(w.m.TopIndex, 0);
    QCOMPARE(w.m.BottomIndex, 9);
    Steps::ThumbMove(w.m, 500); // one row past the end, as the mouse steps leave it
    QCOMPARE(w.m.TopIndex, 91);
    QCOMPARE(w.m.BottomIndex, 100);
    Steps::JumpToStart(w.m);
    QCOMPARE(w.m.TopIndex, 0);
    QCOMPARE(w.m.BottomIndex, 9);
    Steps::JumpToEnd(w.m);
    QCOMPARE(w.m.TopIndex, 91);
    QCOMPARE(w.m.BottomIndex, 99);
    w.m.settleWindow(); // the next repaint pins it to the end
    QCOMPARE(w.m.TopIndex, 90);
    QCOMPARE(w.m.BottomIndex, 99);
}

void TstMorphListBoxSteps::shortListsNeverStartAboveTheFirstItem_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("count");
    for (const char *step : {"ThumbMove", "JumpToEnd", "PageRepeat", "JumpToStart"})
        for (int count : {0, 1, 8, 9, 10, 11})
            QTest::addRow("%s, %d items", step, count) << QString::fromLatin1(step) << count;
}

// A list that became shorter than its window of ten rows while a button was
// held: the mouse's end of the list (one row past the last item) would be
// -1 or less, the empty list's value, and would blank a list with items.
void TstMorphListBoxSteps::shortListsNeverStartAboveTheFirstItem()
{
    QFETCH(QString, step);
    QFETCH(int, count);
    Window w(count, 10, count > 0 ? 0 : -1);
    if (step == QLatin1String("ThumbMove"))
        Steps::ThumbMove(w.m, 3);
    else if (step == QLatin1String("JumpToEnd"))
        Steps::JumpToEnd(w.m);
    else if (step == QLatin1String("PageRepeat"))
        Steps::RepeatStep(w.m, 10);
    else
        Steps::JumpToStart(w.m);
    if (count == 0) {
        QCOMPARE(w.m.TopIndex, -1);
        QCOMPARE(w.m.BottomIndex, -1);
        return;
    }
    QVERIFY(w.m.TopIndex >= 0);
    QVERIFY(w.m.BottomIndex <= count);
    if (count > 10)
        return; // a list longer than its window scrolls as before
    w.m.settleWindow();
    QCOMPARE(w.m.TopIndex, 0);
    QCOMPARE(w.m.BottomIndex, count - 1);
}

QTEST_GUILESS_MAIN(TstMorphListBoxSteps)
#include "tst_morphlistboxsteps.moc"
