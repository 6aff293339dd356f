// The selection operations that the pointer and the keys share, and the
// timed loops of a held button: the arrow and track repeat, the edge scroll
// and the thumb drag. They poll on a timer instead of holding the event loop.
#include "controls/MorphListBox.h"
#include "controls/MorphListBoxSteps.h"

#include <QElapsedTimer>
#include <cmath>

namespace {

using Input = MorphListBoxInput;
namespace Steps = MorphListBoxSteps;

constexpr qint64 FirstRepeatDelay = 400;
constexpr qint64 RepeatSpacing = 50;

} // namespace

// ---- clock and loops --------------------------------------------------------

void MorphListBox::setClock(std::function<qint64()> clock)
{
    if (!clock) {
        QElapsedTimer started;
        started.start();
        clock = [started] { return started.elapsed(); };
    }
    m_clock = std::move(clock);
}

void MorphListBox::tickLoops()
{
    endPressOnShrink();
    if (m_input.PressAction == Input::NoPress) {
        endPress();
        return;
    }
    if (m_repeat.active)
        repeatRound();
    if (m_input.ThumbLoopActive)
        thumbRound();
    stopLoopsIfIdle();
}

void MorphListBox::stopLoopsIfIdle()
{
    if (!m_repeat.active && !m_input.ThumbLoopActive)
        m_loopTimer.stop();
}

void MorphListBox::endPressOnShrink()
{
    if (m_input.PressAction != Input::NoPress && m_model.ListCount() < m_pressItems)
        endPress();
}

void MorphListBox::endPress(bool repaint)
{
    const int action = m_input.PressAction;
    m_input.PressAction = Input::NoPress;
    m_input.ThumbDragging = false;
    m_input.ThumbLoopActive = false;
    m_input.EdgeScrolling = false;
    m_repeat = RepeatLoop();
    m_loopTimer.stop();
    m_pressItems = 0;
    // The pressed look of the arrows and the track, and a dragged thumb,
    // go back to normal.
    if (repaint && !drawingHeld() && action >= Input::PagingUp && action <= Input::ThumbPress
        && m_model.ScrollBarVisible) {
        m_surface.PaintScrollBar(-1);
        m_surface.Refresh();
    }
}

// ---- timed loops ----------------------------------------------------------------

void MorphListBox::RepeatScroll(int step)
{
    if (m_input.PressAction == Input::NoPress)
        return; // a wheel notch: one step only
    m_repeat.active = true;
    m_repeat.resync = false;
    m_repeat.step = step;
    // An edge scroll has no first delay.
    m_repeat.due = m_clock() + (m_input.EdgeScrolling ? 0 : FirstRepeatDelay) + RepeatSpacing;
    if (!m_loopTimer.isActive())
        m_loopTimer.start();
}

void MorphListBox::repeatRound()
{
    MorphListBoxModel &m = m_model;
    const qint64 now = m_clock();
    const int step = m_repeat.step;
    const int endItem = step >= 1 ? m.ListCount() - 1 : 0;
    auto finished = [&] {
        return m.ListCount() == 0 || m.VisibleRows < 1 || m.TopIndex < 0 || m.IsIndexVisible(endItem);
    };
    if (finished()) {
        m_repeat.active = false;
        m_input.EdgeScrolling = false;
        return;
    }
    if (now < m_repeat.due)
        return; // the first delay, or the spacing to the next step
    // Holding the button with the pointer off the scroll bar pauses.
    const int region = m_input.HitRegion;
    if (!m_input.EdgeScrolling && region != Input::Track && region != Input::UpButton
        && region != Input::DownButton) {
        m_repeat.resync = true;
        return;
    }
    // Every step that has fallen due is taken, counted from its due time
    // rather than from when this tick ran; the list is painted once.
    bool stepped = false;
    const bool paging = std::abs(step) > 1;
    while (now >= m_repeat.due && !finished()) {
        if (stepped && paging)
            m_surface.PaintList(-1); // each page is judged against the thumb the one before left
        Steps::RepeatStep(m, step);
        stepped = true;
        m_repeat.due = (m_repeat.resync ? now : m_repeat.due) + RepeatSpacing;
        m_repeat.resync = false;
        if (paging) {
            // Paging stops once the thumb has reached the pointer.
            const bool above = m_surface.IsAboveThumb(m_input.MouseY);
            if ((above && m_input.PressAction == Input::PagingDown)
                || (!above && m_input.PressAction == Input::PagingUp)) {
                m_repeat.active = false;
                m_surface.PaintList(-1);
                return;
            }
        }
        if (m_input.EdgeScrolling) {
            if (m_props.MultiSelect != 1)
                m.CaretIndex = step > 0 ? m.BottomIndex : m.TopIndex;
            DragSelect();
        }
    }
    if (stepped)
        m_surface.PaintList(-1);
}

bool MorphListBox::EdgeAutoScroll()
{
    const float y = m_input.MouseY;
    const float scaleHeight = float(height());
    if (y >= 0 && y <= scaleHeight && m_input.EdgeScrolling) {
        // Back inside: the edge scroll ends until the pointer leaves again.
        m_input.EdgeScrolling = false;
        m_repeat.active = false;
        stopLoopsIfIdle();
        return false;
    }
    if (m_input.PressAction != Input::ItemPress || m_input.ThumbDragging || m_input.EdgeScrolling)
        return false;
    const int step = y > scaleHeight ? 1 : y < 0 ? -1 : 0;
    if (step == 0)
        return false;
    m_input.EdgeScrolling = true;
    RepeatScroll(step);
    return true;
}

bool MorphListBox::ThumbBeyondEnds()
{
    if (!m_input.ThumbDragging)
        return false;
    const float y = m_input.MouseY;
    if (y <= m_props.BorderWidth + 15)
        Steps::JumpToStart(m_model);
    else if (y >= m_surface.DownButtonRect.top)
        Steps::JumpToEnd(m_model);
    else
        return false;
    m_surface.PaintList(-1);
    // The grab point goes with the thumb, so that coming back onto the
    // track moves the list from where the thumb now is.
    m_input.ThumbGrabY = m_surface.ThumbRect.top + m_input.ThumbGrabOffset;
    return true;
}

void MorphListBox::ThumbDrag()
{
    m_input.ThumbGrabOffset = m_input.MouseY - m_surface.ThumbRect.top;
    if (m_input.PressAction == Input::NoPress)
        return;
    m_input.ThumbLoopActive = true;
    if (!m_loopTimer.isActive())
        m_loopTimer.start();
}

void MorphListBox::thumbRound()
{
    MorphListBoxModel &m = m_model;
    if (!m_input.ThumbDragging) {
        m_input.ThumbLoopActive = false;
        return;
    }
    const float y = m_input.MouseY;
    const int bw = m_props.BorderWidth;
    const bool toEnd = y > height() - bw - 15;
    if (toEnd || y <= bw + 15) {
        if (toEnd)
            Steps::JumpToEnd(m);
        else
            Steps::JumpToStart(m);
        m_surface.PaintList(-1);
        m_input.ThumbGrabY = m_surface.ThumbRect.top + m_input.ThumbGrabOffset;
        m_input.ThumbLoopActive = false;
        return;
    }
    const int travel = m_surface.ThumbTravelBottom - m_surface.ThumbTravelTop + 1;
    const int rows = Steps::ThumbRows(y - m_input.ThumbGrabY, travel, m.ListCount());
    if (rows == 0)
        return; // kept until the pointer has travelled a whole row
    Steps::ThumbMove(m, rows);
    m_surface.PaintList(m_input.ThumbGrabOffset);
    m_input.ThumbGrabY = y;
    m_input.ThumbGrabOffset = y - m_surface.ThumbRect.top;
}

// ---- selection operations ---------------------------------------------------------

void MorphListBox::SelectCaret()
{
    if (m_props.MultiSelect == 0)
        SelectCaretSingle();
    else if (m_props.MultiSelect == 1)
        SelectCaretSimple();
    else if (m_props.MultiSelect == 2)
        SelectCaretExtended(true);
}

void MorphListBox::SelectCaretSingle()
{
    MorphListBoxModel &m = m_model;
    if (!m.isItem(m.CaretIndex))
        return;
    m.clearFlags();
    m.FocusIndex = m.CaretIndex;
    m.setListIndexValue(m.CaretIndex);
    m.setFlag(m.CaretIndex, true);
    m.setSelCountValue(1);
    PaintItem(m.CaretIndex, true, true);
    m_surface.Refresh();
}

void MorphListBox::SelectCaretSimple()
{
    SelectCaretExtended(true);
}

// Only an item that was not selected yet adds to the count.
void MorphListBox::SelectCaretExtended(bool count)
{
    MorphListBoxModel &m = m_model;
    if (!m.isItem(m.CaretIndex))
        return;
    const bool was = m.Selected(m.CaretIndex);
    m.FocusIndex = m.CaretIndex;
    m.setListIndexValue(m.CaretIndex);
    m.setFlag(m.CaretIndex, true);
    if (count && !was)
        m.setSelCountValue(m.SelCount() + 1);
    PaintItem(m.CaretIndex, true, true);
    m_surface.Refresh();
}

void MorphListBox::EnsureFocusVisible()
{
    if (Steps::EnsureFocusVisible(m_model))
        m_surface.PaintList(-1);
}
