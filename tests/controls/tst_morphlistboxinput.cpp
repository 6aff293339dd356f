#include "controls/MorphListBox.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

QWidget *host = nullptr;

QWidget *hostWidget()
{
    if (!host) {
        host = new QWidget;
        host->resize(400, 400);
        host->show();
    }
    return host;
}

// A list of `count` items in a window of ten rows, driven by synthetic
// events and a clock that only moves when the test moves it.
struct Box : MorphListBox
{
    qint64 now = 0;

    explicit Box(int count = 0, int style = 0, int multiSelect = 0, int rows = 10, QWidget *parent = nullptr)
        : MorphListBox(parent ? parent : hostWidget())
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        setListFont(font);
        setSorted(false);
        setUserMode(false);
        setStyle(style);
        setMultiSelect(multiSelect);
        setUserMode(true);
        setClock([this] { return now; });
        resize(200, 120);
        show();
        const int pitch = model().RowTops[1] - model().RowTops[0];
        resize(200, 10 + 2 * BorderWidth() + rows * pitch + pitch / 2);
        holdDrawing();
        for (int i = 0; i < count; ++i)
            AddItem(QStringLiteral("item %1").arg(i));
        releaseDrawing();
        PaintList(); // as the window's first paint would
    }

    float rowY(int row) { return model().RowTops[row] + surface().RowHeight / 2.0f; }
    QPointF row(int r, float x = 60) { return QPointF(x, rowY(r)); }
    QPointF downButton() { return QPointF(width() - BorderWidth() - 8, height() - BorderWidth() - 8); }
    QPointF upButton() { return QPointF(width() - BorderWidth() - 8, BorderWidth() + 8); }
    QPointF thumb()
    {
        const MorphListBoxRect &t = surface().ThumbRect;
        return QPointF((t.left + t.right) / 2.0, (t.top + t.bottom) / 2.0);
    }
    QPointF track(float y) { return QPointF(width() - BorderWidth() - 8, y); }

    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        if (type == QEvent::MouseMove)
            held = heldButtons;
        QMouseEvent event(type, at, mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button,
                          held, modifiers);
        QCoreApplication::sendEvent(this, &event);
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
            heldButtons = button;
        else if (type == QEvent::MouseButtonRelease)
            heldButtons = Qt::NoButton;
    }
    void press(QPointF at, Qt::MouseButton b = Qt::LeftButton) { mouse(QEvent::MouseButtonPress, at, b); }
    void move(QPointF at) { mouse(QEvent::MouseMove, at); }
    void release(QPointF at, Qt::MouseButton b = Qt::LeftButton) { mouse(QEvent::MouseButtonRelease, at, b); }
    void click(QPointF at, Qt::MouseButton b = Qt::LeftButton)
    {
        move(at);
        press(at, b);
        release(at, b);
    }
    void doubleClick(QPointF at)
    {
        click(at);
        mouse(QEvent::MouseButtonDblClick, at);
        release(at);
    }
    void focus(bool in)
    {
        QFocusEvent event(in ? QEvent::FocusIn : QEvent::FocusOut, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(this, &event);
    }
    void wheel(int delta)
    {
        const QPointF at = row(2);
        QWheelEvent event(at, mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(this, &event);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(this, k, modifiers); }
    // Time passes in 25 ms steps, as the loop timer polls.
    void advance(qint64 ms)
    {
        for (qint64 end = now + ms; now < end;) {
            now = std::min(now + 25, end);
            tickLoops();
        }
    }
    // Counts the surface's refreshes from now on (each paint pass ends in one).
    int *countRefreshes()
    {
        auto count = std::make_shared<int>(0);
        const std::function<void()> refresh = surface().onRefresh;
        surface().onRefresh = [count, refresh] {
            ++*count;
            refresh();
        };
        return count.get(); // kept alive by the surface's callback
    }
    Qt::MouseButtons heldButtons;
};

QList<int> selectedItems(Box &box)
{
    QList<int> out;
    for (int i = 0; i < box.ListCount(); ++i)
        if (box.Selected(i))
            out << i;
    return out;
}

} // namespace

class TstMorphListBoxInput : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() { delete host; }
    void windowOfTenRows();
    void leftClickSelectsAndClicks();
    void rightPressRaisesOnlyMouseDown();
    void pressIsJudgedWherePressed();
    void pressBelowTheLastItem();
    void checkBoxPresses();
    void doubleClick_data();
    void doubleClick();
    void dragBelowLastSelectsLast_data();
    void dragBelowLastSelectsLast();
    void simpleAndExtendedPresses();
    void disabledRaisesOnlyMouseMove();
    void enterAndLeave();
    void wheelStepsOneRow();
    void arrowAndTrackPresses();
    void holdDownArrow();
    void repeatRunsOnTheRealTimer();
    void repeatPausesOffTheBar();
    void focusLossStopsARepeat();
    void grabLossAndDisabledReleaseEndThePress();
    void trackPagingStopsAtThePointer();
    void thumbDrag();
    void edgeScroll();
    void keys_data();
    void keys();
    void extendedKeysWithShift();
    void everyKeyOnAnEmptyList_data();
    void everyKeyOnAnEmptyList();
    void keysWaitWhileAButtonIsHeld();
    void keyEvents();
    void focusFrameFollowsFocus();
    void rowsRepaintAsTheSelectionMoves_data();
    void rowsRepaintAsTheSelectionMoves();
    void extendedEdgeScrollExtendsTheRange();
    void trackPagingUpStopsAtThePointer();
    void itemsChangeUnderAPress_data();
    void itemsChangeUnderAPress();
    void disablingEndsAPress_data();
    void disablingEndsAPress();
    void repeatsKeepTheirDueTimes_data();
    void repeatsKeepTheirDueTimes();
    void aFillDrawsOnce();
};

void TstMorphListBoxInput::windowOfTenRows()
{
    Box box(100);
    QCOMPARE(box.model().VisibleRows, 10);
    QCOMPARE(box.TopIndex(), 0);
    QCOMPARE(box.BottomIndex(), 9);
    QVERIFY(box.model().ScrollBarVisible);
}

void TstMorphListBoxInput::leftClickSelectsAndClicks()
{
    Box box(20);
    QSignalSpy down(&box, &MorphListBox::MouseDown), up(&box, &MorphListBox::MouseUp),
        click(&box, &MorphListBox::Click);
    box.click(box.row(3));
    QCOMPARE(box.ListIndex(), 3);
    QCOMPARE(box.SelCount(), 1);
    QCOMPARE(selectedItems(box), QList<int>{3});
    QCOMPARE(down.count(), 1);
    QCOMPARE(down.at(0).at(0).toInt(), 1);
    QCOMPARE(down.at(0).at(3).toFloat(), box.rowY(3));
    QCOMPARE(up.count(), 1);
    QCOMPARE(click.count(), 1);
    QCOMPARE(box.input().PressAction, 0);

    box.click(box.row(5));
    QCOMPARE(box.ListIndex(), 5);
    QCOMPARE(selectedItems(box), QList<int>{5});
    QCOMPARE(click.count(), 2);
}

void TstMorphListBoxInput::rightPressRaisesOnlyMouseDown()
{
    Box box(20);
    QSignalSpy down(&box, &MorphListBox::MouseDown), click(&box, &MorphListBox::Click);
    box.click(box.row(4), Qt::RightButton);
    QCOMPARE(down.count(), 1);
    QCOMPARE(down.at(0).at(0).toInt(), 2);
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.SelCount(), 0);
    QCOMPARE(click.count(), 0);
    QVERIFY(box.input().RightPressed);
    // Over the down button a right press does not scroll either.
    box.click(box.downButton(), Qt::RightButton);
    QCOMPARE(box.TopIndex(), 0);
}

void TstMorphListBoxInput::pressIsJudgedWherePressed()
{
    Box box(100);
    box.move(box.row(1));
    box.press(box.downButton()); // no move in between
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.TopIndex(), 1);
    box.release(box.downButton());
    box.move(box.downButton());
    box.press(box.row(6));
    box.release(box.row(6));
    QCOMPARE(box.ListIndex(), 7);
}

void TstMorphListBoxInput::pressBelowTheLastItem()
{
    Box box(4);
    QSignalSpy down(&box, &MorphListBox::MouseDown);
    box.click(box.row(8));
    QCOMPARE(down.count(), 1);
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.input().PressAction, 0);
}

void TstMorphListBoxInput::checkBoxPresses()
{
    Box box(10, 1);
    QCOMPARE(box.model().CaretIndex, 0); // the first paint makes a caret
    const int textX = 80, boxX = box.BorderWidth() + 10;
    box.click(box.row(3, textX));
    QCOMPARE(box.model().CaretIndex, 3);
    QCOMPARE(box.ListIndex(), 3);
    QVERIFY(!box.Selected(3));
    QCOMPARE(box.SelCount(), 0);
    box.click(box.row(3, textX)); // the caret row toggles
    QVERIFY(box.Selected(3));
    QCOMPARE(box.SelCount(), 1);
    box.click(box.row(6, boxX)); // a box toggles at once
    QCOMPARE(box.model().CaretIndex, 6);
    QVERIFY(box.Selected(6));
    QCOMPARE(box.SelCount(), 2);
    box.click(box.row(3, boxX));
    QVERIFY(!box.Selected(3));
    QCOMPARE(box.SelCount(), 1);
    QCOMPARE(box.model().CaretIndex, 3);
}

void TstMorphListBoxInput::doubleClick_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<int>("dblClicks");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<int>("clicks");

    QTest::newRow("plain list") << 0 << 0 << 1 << true << 1;
    QTest::newRow("plain list, behaviour 1") << 0 << 1 << 0 << true << 2;
    QTest::newRow("check boxes: toggled twice") << 1 << 0 << 0 << false << 2;
}

void TstMorphListBoxInput::doubleClick()
{
    QFETCH(int, style);
    QFETCH(int, behaviour);
    Box box(10, style);
    box.setUserMode(false);
    box.setDblClickBehavior(behaviour);
    box.setUserMode(true);
    QSignalSpy dbl(&box, &MorphListBox::DblClick), click(&box, &MorphListBox::Click);
    box.doubleClick(box.row(2, box.BorderWidth() + 10));
    QTEST(int(dbl.count()), "dblClicks");
    QTEST(box.Selected(2), "checked");
    QTEST(int(click.count()), "clicks");
    QCOMPARE(box.ListIndex(), 2);
}

void TstMorphListBoxInput::dragBelowLastSelectsLast_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("mode");
    QTest::newRow("single") << 0 << 0;
    QTest::newRow("check boxes") << 1 << 0;
    QTest::newRow("simple") << 0 << 1;
    QTest::newRow("extended") << 0 << 2;
}

void TstMorphListBoxInput::dragBelowLastSelectsLast()
{
    QFETCH(int, style);
    QFETCH(int, mode);
    Box box(6, style, mode);
    box.move(box.row(1));
    box.press(box.row(1));
    box.move(box.row(3));
    QCOMPARE(box.ListIndex(), 3);
    box.move(box.row(8)); // below the last item, still in the list
    box.release(box.row(8));
    QCOMPARE(box.ListIndex(), 5);
    QCOMPARE(box.model().FocusIndex, 5);
    if (style == 0 && mode == 0)
        QCOMPARE(selectedItems(box), QList<int>{5});
    if (mode == 2)
        QCOMPARE(selectedItems(box), (QList<int>{1, 2, 3, 4, 5}));
    if (mode == 1)
        QCOMPARE(selectedItems(box), QList<int>{1}); // only the focus moves
    if (style == 1)
        QCOMPARE(selectedItems(box), QList<int>{}); // no check changes
}

void TstMorphListBoxInput::simpleAndExtendedPresses()
{
    {
        Box simple(10, 0, 1);
        simple.click(simple.row(2));
        simple.click(simple.row(5));
        QCOMPARE(selectedItems(simple), (QList<int>{2, 5}));
        QCOMPARE(simple.SelCount(), 2);
        simple.click(simple.row(2));
        QCOMPARE(selectedItems(simple), QList<int>{5});
        QCOMPARE(simple.SelCount(), 1);
        QCOMPARE(simple.ListIndex(), 2);
    }
    Box ext(10, 0, 2);
    ext.click(ext.row(2));
    ext.click(ext.row(4));
    QCOMPARE(selectedItems(ext), QList<int>{4});
    // The modifiers come from the key events, not from the press.
    QTest::keyPress(&ext, Qt::Key_Control);
    ext.click(ext.row(7));
    QCOMPARE(selectedItems(ext), (QList<int>{4, 7}));
    QCOMPARE(ext.SelCount(), 2);
    ext.click(ext.row(4));
    QCOMPARE(selectedItems(ext), QList<int>{7});
    QCOMPARE(ext.SelCount(), 1);
    QTest::keyRelease(&ext, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyPress(&ext, Qt::Key_Shift); // anchors at the focus item, 4
    ext.click(ext.row(8));
    QCOMPARE(selectedItems(ext), (QList<int>{4, 5, 6, 7, 8}));
    QCOMPARE(ext.SelCount(), 5);
    QTest::keyRelease(&ext, Qt::Key_Shift, Qt::ShiftModifier);
    ext.click(ext.row(0));
    QCOMPARE(selectedItems(ext), QList<int>{0});
    QCOMPARE(ext.SelCount(), 1);
}

void TstMorphListBoxInput::disabledRaisesOnlyMouseMove()
{
    Box box(20);
    box.focus(true);
    box.setEnabled(false);
    QSignalSpy down(&box, &MorphListBox::MouseDown), up(&box, &MorphListBox::MouseUp),
        move(&box, &MorphListBox::MouseMove), click(&box, &MorphListBox::Click),
        keyDown(&box, &MorphListBox::KeyDown), keyUp(&box, &MorphListBox::KeyUp),
        enter(&box, &MorphListBox::MouseEnter), leave(&box, &MorphListBox::MouseLeave);
    box.click(box.row(3));
    box.click(box.downButton());
    box.key(Qt::Key_Down);
    QCOMPARE(move.count(), 2);
    QCOMPARE(down.count() + up.count() + click.count() + keyDown.count() + keyUp.count(), 0);
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.TopIndex(), 0);
    QCOMPARE(enter.count(), 0);
    QEvent leaving(QEvent::Leave);
    QCoreApplication::sendEvent(&box, &leaving);
    QCOMPARE(leave.count(), 1);
}

void TstMorphListBoxInput::enterAndLeave()
{
    Box box(5);
    QSignalSpy enter(&box, &MorphListBox::MouseEnter), leave(&box, &MorphListBox::MouseLeave);
    box.move(box.row(1));
    box.move(box.row(2));
    QCOMPARE(enter.count(), 1);
    QCOMPARE(leave.count(), 0);
    QEvent leaving(QEvent::Leave);
    QCoreApplication::sendEvent(&box, &leaving);
    QCOMPARE(leave.count(), 1);
    box.move(box.row(3));
    QCOMPARE(enter.count(), 2);
}

void TstMorphListBoxInput::wheelStepsOneRow()
{
    Box box(100);
    box.wheel(-120);
    QCOMPARE(box.TopIndex(), 0); // no focus: nothing
    box.focus(true);
    box.wheel(-120);
    QCOMPARE(box.TopIndex(), 1);
    box.wheel(-360);
    QCOMPARE(box.TopIndex(), 2);
    box.wheel(240);
    QCOMPARE(box.TopIndex(), 1);
    QCOMPARE(box.ListIndex(), -1); // no selection changes
    QVERIFY(!box.loopsRunning());
    box.focus(false);
    box.wheel(-120);
    QCOMPARE(box.TopIndex(), 1);
}

void TstMorphListBoxInput::arrowAndTrackPresses()
{
    Box box(100);
    box.click(box.downButton());
    QCOMPARE(box.TopIndex(), 1);
    box.click(box.upButton());
    QCOMPARE(box.TopIndex(), 0);
    box.click(box.upButton()); // at the start: nothing
    QCOMPARE(box.TopIndex(), 0);
    box.click(box.track(box.height() - 20)); // below the thumb: a page down
    QCOMPARE(box.TopIndex(), 9);
    QCOMPARE(box.BottomIndex(), 18);
    box.click(box.track(box.BorderWidth() + 17)); // above it: a page up
    QCOMPARE(box.TopIndex(), 0);
    for (int i = 0; i < 20; ++i)
        box.click(box.track(box.height() - 20));
    QCOMPARE(box.TopIndex(), 90); // settled at the end
    QCOMPARE(box.BottomIndex(), 99);
    QCOMPARE(box.ListIndex(), -1);
}

void TstMorphListBoxInput::holdDownArrow()
{
    Box box(100);
    box.move(box.downButton());
    box.press(box.downButton());
    QCOMPARE(box.TopIndex(), 1); // at the press
    QVERIFY(box.loopsRunning());
    box.advance(425);
    QCOMPARE(box.TopIndex(), 1); // the first delay
    box.advance(24);
    QCOMPARE(box.TopIndex(), 1);
    box.advance(1); // 450 ms
    QCOMPARE(box.TopIndex(), 2);
    box.tickLoops(); // no time passed: no step
    QCOMPARE(box.TopIndex(), 2);
    box.advance(49);
    QCOMPARE(box.TopIndex(), 2);
    box.advance(1);
    QCOMPARE(box.TopIndex(), 3);
    box.advance(50 * 86);
    QCOMPARE(box.TopIndex(), 89);
    box.advance(50);
    QCOMPARE(box.TopIndex(), 90);
    QCOMPARE(box.BottomIndex(), 99);
    box.advance(100);
    QCOMPARE(box.TopIndex(), 90);
    QVERIFY(!box.loopsRunning()); // the last item is in view
    box.release(box.downButton());
    QCOMPARE(box.input().PressAction, 0);
}

void TstMorphListBoxInput::repeatRunsOnTheRealTimer()
{
    Box box(100);
    box.setClock({}); // the monotonic clock and the 25 ms timer
    box.move(box.downButton());
    box.press(box.downButton());
    QCOMPARE(box.TopIndex(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(box.TopIndex() >= 3, 5000);
    box.release(box.downButton());
    QVERIFY(!box.loopsRunning());
}

void TstMorphListBoxInput::repeatPausesOffTheBar()
{
    Box box(100);
    box.move(box.downButton());
    box.press(box.downButton());
    box.advance(450);
    QCOMPARE(box.TopIndex(), 2);
    box.move(box.row(4)); // off the scroll bar, button still held
    box.advance(500);
    QCOMPARE(box.TopIndex(), 2);
    QCOMPARE(box.ListIndex(), -1);
    box.move(box.downButton());
    box.advance(50);
    QCOMPARE(box.TopIndex(), 3);
    box.release(box.downButton());
    box.advance(200);
    QCOMPARE(box.TopIndex(), 3);
    QVERIFY(!box.loopsRunning());
}

void TstMorphListBoxInput::focusLossStopsARepeat()
{
    Box box(100);
    box.focus(true);
    box.move(box.downButton());
    box.press(box.downButton());
    box.advance(500);
    QCOMPARE(box.TopIndex(), 3);
    box.focus(false);
    QCOMPARE(box.input().PressAction, 0);
    QVERIFY(!box.loopsRunning());
    box.advance(500);
    QCOMPARE(box.TopIndex(), 3);
}

void TstMorphListBoxInput::grabLossAndDisabledReleaseEndThePress()
{
    Box box(100);
    box.move(box.downButton());
    box.press(box.downButton());
    QEvent ungrab(QEvent::UngrabMouse);
    QCoreApplication::sendEvent(&box, &ungrab);
    QVERIFY(!box.loopsRunning());
    box.advance(600);
    QCOMPARE(box.TopIndex(), 1);

    box.press(box.downButton());
    QCOMPARE(box.TopIndex(), 2);
    box.setEnabled(false); // during the press
    QSignalSpy up(&box, &MorphListBox::MouseUp);
    box.release(box.downButton());
    QCOMPARE(up.count(), 0);
    QCOMPARE(box.input().PressAction, 0);
    box.advance(600);
    QCOMPARE(box.TopIndex(), 2);
}

void TstMorphListBoxInput::trackPagingStopsAtThePointer()
{
    Box box(100);
    const float y = box.height() / 2.0f + 10;
    box.move(box.track(y));
    box.press(box.track(y));
    QCOMPARE(box.TopIndex(), 9);
    box.advance(2000);
    QVERIFY(!box.loopsRunning());
    QVERIFY(box.TopIndex() < 90); // stopped before the end
    QVERIFY(box.TopIndex() > 9);
    QVERIFY(box.surface().IsAboveThumb(y)); // the thumb has reached the pointer
    const int stoppedAt = box.TopIndex();
    box.release(box.track(y));
    QCOMPARE(box.TopIndex(), stoppedAt);

    // Near the end the paging ends as soon as the last item shows.
    box.DisplayFrom(75);
    const float low = box.height() - 20;
    box.move(box.track(low));
    box.press(box.track(low));
    box.advance(1000);
    QCOMPARE(box.TopIndex(), 90);
    QVERIFY(!box.loopsRunning());
    box.release(box.track(low));
}

void TstMorphListBoxInput::thumbDrag()
{
    Box box(100);
    const QPointF start = box.thumb();
    box.move(start);
    box.press(start);
    QCOMPARE(box.input().PressAction, 6);
    QVERIFY(box.input().ThumbDragging);
    const int travel = box.surface().ThumbTravelBottom - box.surface().ThumbTravelTop + 1;
    // Less than a row of travel is kept until it adds up.
    const float small = travel / 100.0f * 0.4f;
    box.move(start + QPointF(0, small));
    box.advance(25);
    QCOMPARE(box.TopIndex(), 0);
    box.move(start + QPointF(0, 10));
    box.advance(25);
    const int expected = MorphListBoxNearest(10.0 / travel * 100);
    QVERIFY(expected > 0);
    QCOMPARE(box.TopIndex(), expected);
    // Onto the down button: the end of the list.
    box.move(box.downButton());
    box.advance(25);
    QCOMPARE(box.TopIndex(), 90);
    QCOMPARE(box.BottomIndex(), 99);
    // Back onto the track: the list moves from where the thumb now is.
    box.move(box.track(box.height() / 2.0f));
    box.advance(25);
    QVERIFY(box.TopIndex() > 0);
    QVERIFY(box.TopIndex() < 90);
    // Onto the up button: the start.
    box.move(box.upButton());
    box.advance(25);
    QCOMPARE(box.TopIndex(), 0);
    box.release(box.upButton());
    QVERIFY(!box.input().ThumbDragging);
    QVERIFY(!box.loopsRunning());
    QCOMPARE(box.ListIndex(), -1);
}

void TstMorphListBoxInput::edgeScroll()
{
    Box box(100);
    box.move(box.row(2));
    box.press(box.row(2));
    QCOMPARE(box.ListIndex(), 2);
    box.move(QPointF(60, box.height() + 30)); // below the list
    QVERIFY(box.input().EdgeScrolling);
    box.advance(25);
    QCOMPARE(box.TopIndex(), 0); // no first delay, but 50 ms between steps
    box.advance(25);
    QCOMPARE(box.TopIndex(), 1);
    QCOMPARE(box.ListIndex(), 10); // the selection follows the rows
    box.advance(100);
    QCOMPARE(box.TopIndex(), 3);
    QCOMPARE(box.ListIndex(), 12);
    QCOMPARE(box.SelCount(), 1);
    box.move(box.row(5)); // back inside: the edge scroll ends
    QVERIFY(!box.input().EdgeScrolling);
    box.advance(200);
    QCOMPARE(box.TopIndex(), 3);
    QCOMPARE(box.ListIndex(), 8);
    box.move(QPointF(60, -20)); // above
    box.advance(200);
    QCOMPARE(box.TopIndex(), 0);
    QCOMPARE(box.ListIndex(), 0);
    QVERIFY(!box.loopsRunning());
    box.release(QPointF(60, -20));
}

void TstMorphListBoxInput::keys_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("start"); // ListIndex before the key; -1 none
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<QList<int>>("selected");

    const int End = Qt::Key_End, Home = Qt::Key_Home, PgDn = Qt::Key_PageDown, PgUp = Qt::Key_PageUp,
              Down = Qt::Key_Down, Up = Qt::Key_Up, Right = Qt::Key_Right, Left = Qt::Key_Left,
              Space = Qt::Key_Space;
    using L = QList<int>;
    QTest::newRow("single End of 25") << 25 << 0 << 0 << 0 << End << 15 << 24 << 24 << L{24};
    QTest::newRow("single Home") << 25 << 0 << 0 << 20 << Home << 0 << 9 << 0 << L{0};
    QTest::newRow("single PgDn from 3") << 100 << 0 << 0 << 3 << PgDn << 3 << 12 << 12 << L{12};
    QTest::newRow("single PgDn near the end") << 100 << 0 << 0 << 95 << PgDn << 90 << 99 << 99 << L{99};
    QTest::newRow("single PgUp from 50") << 100 << 0 << 0 << 50 << PgUp << 41 << 50 << 41 << L{41};
    QTest::newRow("single first Down selects the focus") << 25 << 0 << 0 << -1 << Down << 0 << 9 << 0 << L{0};
    QTest::newRow("single Down") << 25 << 0 << 0 << 4 << Down << 0 << 9 << 5 << L{5};
    QTest::newRow("single Right") << 25 << 0 << 0 << 4 << Right << 0 << 9 << 5 << L{5};
    QTest::newRow("single Down scrolls") << 25 << 0 << 0 << 9 << Down << 1 << 10 << 10 << L{10};
    QTest::newRow("single Down at the end") << 25 << 0 << 0 << 24 << Down << 15 << 24 << 24 << L{24};
    QTest::newRow("single Up") << 25 << 0 << 0 << 4 << Up << 0 << 9 << 3 << L{3};
    QTest::newRow("single Left at the start") << 25 << 0 << 0 << 0 << Left << 0 << 9 << 0 << L{0};
    QTest::newRow("single Space") << 25 << 0 << 0 << 4 << Space << 0 << 9 << 4 << L{4};
    QTest::newRow("check End") << 25 << 1 << 0 << 0 << End << 15 << 24 << 24 << L{};
    QTest::newRow("check PgDn") << 100 << 1 << 0 << 3 << PgDn << 3 << 12 << 12 << L{};
    QTest::newRow("check Down") << 25 << 1 << 0 << 4 << Down << 0 << 9 << 5 << L{};
    QTest::newRow("check Up at the start") << 25 << 1 << 0 << 0 << Up << 0 << 9 << 0 << L{};
    QTest::newRow("check Space") << 25 << 1 << 0 << 4 << Space << 0 << 9 << 4 << L{4};
    QTest::newRow("simple Down moves the focus only") << 25 << 0 << 1 << 4 << Down << 0 << 9 << 5 << L{4};
    QTest::newRow("simple End") << 25 << 0 << 1 << 4 << End << 15 << 24 << 24 << L{4};
    QTest::newRow("simple PgDn") << 100 << 0 << 1 << 3 << PgDn << 3 << 12 << 12 << L{3};
    QTest::newRow("simple Space deselects") << 25 << 0 << 1 << 4 << Space << 0 << 9 << 4 << L{};
    QTest::newRow("extended Down") << 25 << 0 << 2 << 4 << Down << 0 << 9 << 5 << L{5};
    QTest::newRow("extended Up at 0") << 25 << 0 << 2 << 0 << Up << 0 << 9 << 0 << L{0};
    QTest::newRow("extended End") << 25 << 0 << 2 << 4 << End << 15 << 24 << 24 << L{24};
    QTest::newRow("extended PgDn") << 100 << 0 << 2 << 3 << PgDn << 3 << 12 << 12 << L{12};
    QTest::newRow("extended Space") << 25 << 0 << 2 << 4 << Space << 0 << 9 << 4 << L{4};
}

void TstMorphListBoxInput::keys()
{
    QFETCH(int, count);
    QFETCH(int, style);
    QFETCH(int, mode);
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(QList<int>, selected);
    Box box(count, style, mode);
    if (start >= 0)
        box.click(box.row(0)); // a caret and a selection to start from
    if (start > 0) {
        box.DisplayFrom(std::max(0, start - 9)); // the item on the last row
        box.setListIndex(start);
        box.model().CaretIndex = start;
        if (style != 1) {
            box.model().clearFlags();
            box.model().setFlag(start, true);
            box.model().RecountSelected();
        }
    }
    if (style == 1 && start >= 0)
        box.model().clearFlags(), box.model().RecountSelected();
    box.key(Qt::Key(key));
    QTEST(box.TopIndex(), "top");
    QTEST(box.BottomIndex(), "bottom");
    QTEST(box.ListIndex(), "listIndex");
    QCOMPARE(selectedItems(box), selected);
    QCOMPARE(box.SelCount(), int(selected.size()));
    QCOMPARE(box.model().FocusIndex, box.ListIndex());
}

void TstMorphListBoxInput::extendedKeysWithShift()
{
    Box box(100, 0, 2);
    box.click(box.row(3));
    box.key(Qt::Key_Down, Qt::ShiftModifier);
    box.key(Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(selectedItems(box), (QList<int>{3, 4, 5}));
    QCOMPARE(box.SelCount(), 3);
    box.key(Qt::Key_Up, Qt::ShiftModifier); // adds, never removes
    QCOMPARE(selectedItems(box), (QList<int>{3, 4, 5}));
    QCOMPARE(box.ListIndex(), 4);
    box.key(Qt::Key_PageDown, Qt::ShiftModifier); // fills from the anchor
    QCOMPARE(box.ListIndex(), 13);
    QCOMPARE(box.SelCount(), 11);
    box.key(Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(box.SelCount(), 97);
    box.key(Qt::Key_Home);
    QCOMPARE(selectedItems(box), QList<int>{0});
    QCOMPARE(box.TopIndex(), 0);
    // Space with Shift on an item that is already selected counts it once.
    box.key(Qt::Key_Space, Qt::ShiftModifier);
    QCOMPARE(selectedItems(box), QList<int>{0});
    QCOMPARE(box.SelCount(), 1);
}

void TstMorphListBoxInput::everyKeyOnAnEmptyList_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("mode");
    for (int variant = 0; variant < 4; ++variant) {
        const int style = variant == 0 ? 1 : 0, mode = variant == 0 ? 0 : variant - 1;
        QTest::addRow("empty, variant %d", variant) << 0 << 10 << style << mode;
        QTest::addRow("no rows, variant %d", variant) << 5 << 0 << style << mode;
    }
}

void TstMorphListBoxInput::everyKeyOnAnEmptyList()
{
    QFETCH(int, count);
    QFETCH(int, rows);
    QFETCH(int, style);
    QFETCH(int, mode);
    Box box(count, style, mode, rows);
    QCOMPARE(box.model().VisibleRows, rows);
    const int top = box.TopIndex(), bottom = box.BottomIndex(), index = box.ListIndex();
    QSignalSpy keyDown(&box, &MorphListBox::KeyDown);
    QTest::keyPress(&box, Qt::Key_Shift); // a modifier of its own raises KeyDown as well
    for (Qt::Key k : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home, Qt::Key_Space, Qt::Key_Up,
                      Qt::Key_Left, Qt::Key_Down, Qt::Key_Right}) {
        box.key(k);
        box.key(k, Qt::ShiftModifier);
    }
    QTest::keyRelease(&box, Qt::Key_Shift);
    int navigation = 0;
    for (const QList<QVariant> &args : keyDown)
        navigation += args.at(0).toInt() != 16;
    QCOMPARE(navigation, 18);
    QCOMPARE(box.TopIndex(), top);
    QCOMPARE(box.BottomIndex(), bottom);
    QCOMPARE(box.ListIndex(), index);
    QCOMPARE(box.SelCount(), 0);
}

void TstMorphListBoxInput::keysWaitWhileAButtonIsHeld()
{
    Box box(100);
    box.click(box.row(2));
    box.move(box.downButton());
    box.press(box.downButton());
    QSignalSpy keyDown(&box, &MorphListBox::KeyDown);
    box.key(Qt::Key_Down);
    box.key(Qt::Key_End);
    QCOMPARE(keyDown.count(), 2);
    QCOMPARE(box.ListIndex(), 2);
    QCOMPARE(box.TopIndex(), 1);
    box.release(box.downButton());
    box.key(Qt::Key_Down);
    QCOMPARE(box.ListIndex(), 3);
}

void TstMorphListBoxInput::keyEvents()
{
    Box box(10);
    QSignalSpy keyDown(&box, &MorphListBox::KeyDown), keyPress(&box, &MorphListBox::KeyPress),
        keyUp(&box, &MorphListBox::KeyUp);
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(keyDown.count(), 2); // Ctrl, then A
    QCOMPARE(keyDown.at(0).at(0).toInt(), 17);
    QCOMPARE(keyDown.at(1).at(0).toInt(), 65);
    QCOMPARE(keyDown.at(1).at(1).toInt(), 2);
    QCOMPARE(keyUp.count(), 2);
    QCOMPARE(keyUp.at(0).at(0).toInt(), 65);
    QCOMPARE(keyUp.at(1).at(0).toInt(), 17);
    QCOMPARE(keyUp.at(1).at(1).toInt(), 0);
    QTest::keyClick(&box, Qt::Key_B);
    QCOMPARE(keyPress.count() >= 1, true);
    QCOMPARE(keyPress.last().at(0).toInt(), int('b'));
    QTest::keyClick(&box, Qt::Key_PageDown, Qt::ShiftModifier);
    QCOMPARE(keyDown.last().at(0).toInt(), 34);
    QCOMPARE(keyDown.last().at(1).toInt(), 1);
    // The release of Shift itself leaves no Shift behind.
    QTest::keyPress(&box, Qt::Key_Shift);
    QVERIFY(box.input().ShiftDown);
    QTest::keyRelease(&box, Qt::Key_Shift, Qt::ShiftModifier);
    QVERIFY(!box.input().ShiftDown);
    QCOMPARE(keyUp.last().at(1).toInt(), 0);
}

void TstMorphListBoxInput::focusFrameFollowsFocus()
{
    Box box(10);
    box.click(box.row(2));
    QVERIFY(!box.input().HasFocus);
    box.focus(true);
    QVERIFY(box.input().HasFocus);
    const QImage framed = box.hdc().copy();
    box.focus(false);
    QVERIFY(!box.input().HasFocus);
    QVERIFY(box.hdc() != framed); // the frame is gone
    box.focus(true);
    QCOMPARE(box.hdc(), framed);
    box.setEnabled(false);
    box.focus(false);
    box.focus(true); // a disabled list does not take the focus look
    QVERIFY(!box.input().HasFocus);
}

void TstMorphListBoxInput::rowsRepaintAsTheSelectionMoves_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("mode");
    QTest::newRow("single") << 0 << 0;
    QTest::newRow("check boxes") << 1 << 0;
    QTest::newRow("extended") << 0 << 2;
}

// What the surface shows follows the pointer and the keys: a row that loses
// the selection (or the caret bar) looks as it did before it had it.
void TstMorphListBoxInput::rowsRepaintAsTheSelectionMoves()
{
    QFETCH(int, style);
    QFETCH(int, mode);
    Box box(8, style, mode);
    box.click(box.row(7, box.width() - 40)); // somewhere to start from
    const QImage before = box.hdc().copy();
    auto same = [&](int row) {
        const int x = box.width() - 20, y = int(box.rowY(row));
        return box.hdc().pixel(x, y) == before.pixel(x, y);
    };
    QVERIFY(same(3) && same(5));
    box.click(box.row(3, box.width() - 40));
    QVERIFY(!same(3));
    box.click(box.row(5, box.width() - 40));
    QVERIFY(same(3));
    QVERIFY(!same(5));
    box.key(Qt::Key_Down);
    QVERIFY(same(5));
    QVERIFY(!same(6));
    box.key(Qt::Key_Home);
    QVERIFY(same(6));
    QVERIFY(!same(0));
}

void TstMorphListBoxInput::extendedEdgeScrollExtendsTheRange()
{
    Box box(100, 0, 2);
    box.move(box.row(4));
    box.press(box.row(4));
    box.move(QPointF(60, box.height() + 10));
    box.advance(150); // three rows
    QCOMPARE(box.TopIndex(), 3);
    QCOMPARE(box.ListIndex(), 12);
    QCOMPARE(box.SelCount(), 9);
    QCOMPARE(selectedItems(box).first(), 4);
    QCOMPARE(selectedItems(box).last(), 12);
    box.release(QPointF(60, box.height() + 10));
    QVERIFY(!box.loopsRunning());
    QCOMPARE(box.SelCount(), 9);
}

void TstMorphListBoxInput::trackPagingUpStopsAtThePointer()
{
    Box box(100);
    box.key(Qt::Key_End);
    QCOMPARE(box.TopIndex(), 90);
    const float y = box.height() / 2.0f - 10;
    box.move(box.track(y));
    box.press(box.track(y));
    QCOMPARE(box.TopIndex(), 81);
    box.advance(2000);
    QVERIFY(!box.loopsRunning());
    QVERIFY(box.TopIndex() > 0);
    QVERIFY(box.TopIndex() < 81);
    QVERIFY(!box.surface().IsAboveThumb(y)); // the thumb has come up to the pointer
    box.release(box.track(y));
}

namespace {

enum class Press { Thumb, TrackDown, TrackUp, DownArrow, UpArrow, EdgeDown, EdgeUp };
enum class Change { Cleared, Shortened, Refilled, RefilledHeld };

// Starts a press of the given kind on a list of 100 in the middle of its
// scrolling (the window at 50 for the upward ones), and lets it run.
void startPress(Box &box, Press kind)
{
    const bool upward = kind == Press::TrackUp || kind == Press::UpArrow || kind == Press::EdgeUp;
    if (upward)
        box.DisplayFrom(50);
    QPointF at;
    switch (kind) {
    case Press::Thumb: at = box.thumb(); break;
    case Press::TrackDown: at = box.track(box.height() - 20); break;
    case Press::TrackUp: at = box.track(box.BorderWidth() + 17); break;
    case Press::DownArrow: at = box.downButton(); break;
    case Press::UpArrow: at = box.upButton(); break;
    case Press::EdgeDown:
    case Press::EdgeUp: at = box.row(3); break;
    }
    box.move(at);
    box.press(at);
    if (kind == Press::Thumb)
        box.move(at + QPointF(0, 8));
    else if (kind == Press::EdgeDown)
        box.move(QPointF(60, box.height() + 30));
    else if (kind == Press::EdgeUp)
        box.move(QPointF(60, -20));
    box.advance(500);
}

// The list holds what it says and shows from an item; nothing names an item
// that is not there.
void checkWindow(Box &box)
{
    const int count = box.ListCount();
    const MorphListBoxModel &m = box.model();
    if (count > 0) {
        QVERIFY2(box.TopIndex() >= 0, qPrintable(QString::number(box.TopIndex())));
        QVERIFY(box.TopIndex() <= count - 1);
        QVERIFY(box.BottomIndex() <= count);
    } else {
        QCOMPARE(m.CaretIndex, -1);
    }
    QVERIFY(m.CaretIndex >= -1 && m.CaretIndex < std::max(count, 1));
    QVERIFY(box.ListIndex() >= -1 && box.ListIndex() < std::max(count, 1));
    QVERIFY(box.SelCount() >= 0 && box.SelCount() <= count);
}

} // namespace

void TstMorphListBoxInput::itemsChangeUnderAPress_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("change");
    QTest::addColumn<int>("size");
    const std::pair<Press, const char *> kinds[] = {
        {Press::Thumb, "thumb"},          {Press::TrackDown, "track down"}, {Press::TrackUp, "track up"},
        {Press::DownArrow, "down arrow"}, {Press::UpArrow, "up arrow"},     {Press::EdgeDown, "edge down"},
        {Press::EdgeUp, "edge up"}};
    const std::pair<Change, const char *> changes[] = {{Change::Shortened, "shortened"},
                                                       {Change::Refilled, "refilled"},
                                                       {Change::RefilledHeld, "refilled, drawing held"}};
    for (const auto &[kind, kindName] : kinds) {
        QTest::addRow("%s, cleared", kindName) << int(kind) << int(Change::Cleared) << 0;
        // Sizes around the window's ten rows.
        for (const auto &[change, changeName] : changes)
            for (int size = 8; size <= 12; ++size)
                QTest::addRow("%s, %s to %d", kindName, changeName, size) << int(kind) << int(change) << size;
    }
}

// Whatever happens to the items under a held button, the press ends, the
// list keeps showing from an item, it stops scrolling at once and the next
// click and key act on it as on any list.
void TstMorphListBoxInput::itemsChangeUnderAPress()
{
    QFETCH(int, kind);
    QFETCH(int, change);
    QFETCH(int, size);
    Box box(100);
    startPress(box, Press(kind));
    QVERIFY(box.input().PressAction != 0);
    switch (Change(change)) {
    case Change::Cleared:
        box.Clear();
        break;
    case Change::Shortened:
        while (box.ListCount() > size)
            box.RemoveItem(box.ListCount() > 50 ? 0 : box.ListCount() - 1);
        break;
    case Change::Refilled:
    case Change::RefilledHeld: {
        const bool held = Change(change) == Change::RefilledHeld;
        if (held)
            box.holdDrawing();
        box.Clear();
        for (int i = 0; i < size; ++i)
            box.AddItem(QStringLiteral("new %1").arg(i));
        if (held)
            box.releaseDrawing();
        break;
    }
    }
    QCOMPARE(box.input().PressAction, 0);
    QVERIFY(!box.input().ThumbDragging);
    QVERIFY(!box.input().EdgeScrolling);
    QVERIFY(!box.loopsRunning());
    checkWindow(box);

    // The button is still down: the pointer goes everywhere a player could
    // take it, and then lets go.
    const int *refreshes = box.countRefreshes();
    const QPointF places[] = {box.downButton(), box.thumb(), box.track(box.height() / 2.0f), box.upButton(),
                              QPointF(60, box.height() + 30), QPointF(60, -20), box.row(1)};
    for (const QPointF &at : places) {
        box.move(at);
        box.advance(300);
        checkWindow(box);
    }
    QCOMPARE(*refreshes, 0); // nothing scrolls or repaints on its own
    box.release(box.row(1)); // which refreshes the window once
    const int atRelease = *refreshes;
    box.advance(600);
    QVERIFY(!box.loopsRunning());
    QCOMPARE(*refreshes, atRelease);
    checkWindow(box);
    QCOMPARE(box.ListCount(), size);

    if (size == 0) {
        QCOMPARE(box.TopIndex(), -1);
        return;
    }
    // Not blank and not dead: the top row shows its item and takes a click.
    const int top = box.TopIndex();
    box.click(box.row(0));
    QCOMPARE(box.ListIndex(), top);
    const int y = box.model().RowTops[0] + 2;
    QVERIFY(box.hdc().pixel(40, y) != box.surface().backBuffer().pixel(40, y - 1)); // the selection bar
    box.key(Qt::Key_Home);
    QCOMPARE(box.ListIndex(), 0);
    QCOMPARE(box.TopIndex(), 0);
    box.key(Qt::Key_End);
    QCOMPARE(box.ListIndex(), size - 1);
    QCOMPARE(box.BottomIndex(), size - 1);
    QVERIFY(box.TopIndex() >= 0);
}

void TstMorphListBoxInput::disablingEndsAPress_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("how");
    const std::pair<Press, const char *> kinds[] = {{Press::Thumb, "thumb"},
                                                    {Press::TrackDown, "track"},
                                                    {Press::DownArrow, "down arrow"},
                                                    {Press::UpArrow, "up arrow"},
                                                    {Press::EdgeDown, "edge"}};
    for (const auto &[kind, name] : kinds)
        for (const char *how : {"container", "widget", "Enabled"})
            QTest::addRow("%s, %s", name, how) << int(kind) << QString::fromLatin1(how);
}

// A list disabled during a press (its container, the widget itself, or its
// own Enabled property) never sees the release: the press ends at once and
// nothing moves afterwards, also once it is enabled again.
void TstMorphListBoxInput::disablingEndsAPress()
{
    QFETCH(int, kind);
    QFETCH(QString, how);
    QWidget container(hostWidget());
    container.resize(300, 300);
    container.show();
    Box box(100, 0, 0, 10, &container);
    startPress(box, Press(kind));
    QVERIFY(box.input().PressAction != 0);
    QVERIFY(!box.hasFocus());
    const int top = box.TopIndex();
    auto enable = [&](bool on) {
        if (how == QLatin1String("container"))
            container.setEnabled(on);
        else if (how == QLatin1String("widget"))
            static_cast<QWidget &>(box).setEnabled(on);
        else
            box.setEnabled(on);
    };
    enable(false);
    QCOMPARE(box.input().PressAction, 0);
    QVERIFY(!box.loopsRunning());
    box.advance(600);
    QCOMPARE(box.TopIndex(), top);
    enable(true);
    box.advance(600);
    QCOMPARE(box.TopIndex(), top);
    QVERIFY(!box.loopsRunning());
    // The button came up while the list was disabled; a new press works.
    box.heldButtons = Qt::NoButton;
    box.DisplayFrom(20);
    box.move(box.downButton());
    box.press(box.downButton());
    QCOMPARE(box.TopIndex(), 21);
    box.release(box.downButton());
    QVERIFY(!box.loopsRunning());
    checkWindow(box);
}

void TstMorphListBoxInput::repeatsKeepTheirDueTimes_data()
{
    QTest::addColumn<QList<int>>("gaps"); // between the ticks, repeated
    QTest::addColumn<bool>("edge");
    QTest::newRow("on time") << QList<int>{25} << false;
    QTest::newRow("every 37 ms") << QList<int>{37} << false;
    QTest::newRow("late and uneven") << QList<int>{25, 60, 30, 95, 41} << false;
    QTest::newRow("every 75 ms") << QList<int>{75} << false;
    QTest::newRow("a busy stretch") << QList<int>{25, 25, 310, 25, 140} << false;
    QTest::newRow("edge scroll, late") << QList<int>{25, 60, 30, 95, 41} << true;
}

// A held arrow steps at the press, then at 450 ms and every 50 ms after it,
// counted from the press however late the timer's ticks come: after 1.45 s
// 22 rows have passed. An edge scroll steps every 50 ms from its start.
void TstMorphListBoxInput::repeatsKeepTheirDueTimes()
{
    QFETCH(QList<int>, gaps);
    QFETCH(bool, edge);
    Box box(200);
    qint64 start = 0;
    int first = 0;
    if (edge) {
        box.move(box.row(3));
        box.press(box.row(3));
        box.move(QPointF(60, box.height() + 30));
        QVERIFY(box.input().EdgeScrolling);
    } else {
        box.move(box.downButton());
        box.press(box.downButton());
        first = 1;
    }
    start = box.now;
    QCOMPARE(box.TopIndex(), first);
    auto expected = [&](qint64 t) {
        const qint64 since = t - start;
        if (edge)
            return first + int(since / 50);
        return since < 450 ? first : first + 1 + int((since - 450) / 50);
    };
    for (int i = 0; box.now - start < 1450; ++i) {
        box.now = std::min(box.now + gaps.at(i % gaps.size()), start + 1450);
        box.tickLoops();
        QCOMPARE(box.TopIndex(), expected(box.now));
    }
    if (!edge)
        QCOMPARE(box.TopIndex(), 22);
    box.release(edge ? QPointF(60, box.height() + 30) : box.downButton());
    QVERIFY(!box.loopsRunning());
}

// Many items added with drawing held paint the list once, when the hold ends.
void TstMorphListBoxInput::aFillDrawsOnce()
{
    Box box(5);
    const int *refreshes = box.countRefreshes();
    {
        const ListDrawingHold hold(&box);
        box.Clear();
        for (int i = 0; i < 2000; ++i)
            box.AddItem(QStringLiteral("server %1").arg(i));
        box.setListIndex(0);
        QCOMPARE(*refreshes, 0);
        const ListDrawingHold nested(&box);
        box.RemoveItem(1999);
    }
    QCOMPARE(*refreshes, 1);
    QCOMPARE(box.ListCount(), 1999);
    QCOMPARE(box.TopIndex(), 0);
    QCOMPARE(box.BottomIndex(), 9);
    QVERIFY(box.model().ScrollBarVisible);
    QCOMPARE(box.ListIndex(), 0);
    // What it shows is what painting every item would have shown.
    Box reference(0);
    for (int i = 0; i < 1999; ++i)
        reference.AddItem(QStringLiteral("server %1").arg(i));
    reference.setListIndex(0);
    QCOMPARE(box.hdc(), reference.hdc());
    // A hold over a Clear alone shows the empty list.
    {
        const ListDrawingHold hold(&box);
        box.Clear();
    }
    QCOMPARE(*refreshes, 2);
    Box empty(0);
    QCOMPARE(box.hdc(), empty.hdc());
}

QTEST_MAIN(TstMorphListBoxInput)
#include "tst_morphlistboxinput.moc"
