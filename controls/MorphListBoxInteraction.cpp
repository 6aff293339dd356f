// The input half of MorphListBox: pointer, keyboard, focus, wheel, the
// selection operations they share and the timed loops of a held button.
#include "controls/MorphListBox.h"
#include "controls/MorphListBoxSteps.h"

#include <QElapsedTimer>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

namespace {

using Input = MorphListBoxInput;
namespace Steps = MorphListBoxSteps;

enum VirtualKey {
    VkSpace = 32,
    VkPageUp = 33,
    VkPageDown = 34,
    VkEnd = 35,
    VkHome = 36,
    VkLeft = 37,
    VkUp = 38,
    VkRight = 39,
    VkDown = 40
};

constexpr qint64 FirstRepeatDelay = 400;
constexpr qint64 RepeatSpacing = 50;

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int buttonsCode(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
        | (buttons & Qt::MiddleButton ? 4 : 0);
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0);
}

// The key codes of the events; 0 for a key that has none.
int virtualKey(int key)
{
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key; // the same numbers
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Space: return VkSpace;
    case Qt::Key_PageUp: return VkPageUp;
    case Qt::Key_PageDown: return VkPageDown;
    case Qt::Key_End: return VkEnd;
    case Qt::Key_Home: return VkHome;
    case Qt::Key_Left: return VkLeft;
    case Qt::Key_Up: return VkUp;
    case Qt::Key_Right: return VkRight;
    case Qt::Key_Down: return VkDown;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

bool isNavigationKey(int code)
{
    return code == VkSpace || (code >= VkPageUp && code <= VkDown);
}

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

void MorphListBox::endPress()
{
    const int action = m_input.PressAction;
    m_input.PressAction = Input::NoPress;
    m_input.ThumbDragging = false;
    m_input.ThumbLoopActive = false;
    m_input.EdgeScrolling = false;
    m_repeat = RepeatLoop();
    m_loopTimer.stop();
    // The pressed look of the arrows and the track, and a dragged thumb,
    // go back to normal.
    if (action >= Input::PagingUp && action <= Input::ThumbPress && m_model.ScrollBarVisible) {
        m_surface.PaintScrollBar(-1);
        m_surface.Refresh();
    }
}

// ---- hit regions --------------------------------------------------------------

bool MorphListBox::inScrollColumn(float x) const
{
    return x >= m_surface.TrackRect.left && x <= m_surface.TrackRect.right;
}

void MorphListBox::HitTest(float x, float y)
{
    const bool bar = m_model.ScrollBarVisible;
    int region = Input::NoRegion;
    if (m_surface.InItemArea(x, y))
        region = Input::ItemArea;
    else if (bar && m_surface.ThumbRect.contains(x, y))
        region = Input::Thumb;
    else if (bar && m_surface.TrackRect.contains(x, y))
        region = Input::Track;
    else if (bar && inScrollColumn(x) && y >= m_surface.UpButtonRect.top && y <= m_surface.UpButtonRect.bottom)
        region = Input::UpButton;
    else if (bar && inScrollColumn(x) && y >= m_surface.DownButtonRect.top
             && y <= m_surface.DownButtonRect.bottom)
        region = Input::DownButton;
    m_input.HitRegion = region;
    if (m_props.Style == 1 && region == Input::ItemArea) {
        const int bw = m_props.BorderWidth;
        m_input.OnCheckBox = x >= bw + 3 && x <= bw + 18;
    }
}

// ---- presses ------------------------------------------------------------------

void MorphListBox::press(int button, int shift, float x, float y)
{
    // A press is judged where it happened, not where the pointer last moved.
    m_input.MouseX = x;
    m_input.MouseY = y;
    HitTest(x, y);
    m_props.DragEnabled = false;
    m_pressSeen = true;
    if (button == 2) {
        m_input.RightPressed = true;
        Q_EMIT MouseDown(button, shift, x, y);
        return;
    }
    m_input.RightPressed = false;
    switch (m_input.HitRegion) {
    case Input::ItemArea: {
        const int index = MouseOverIndex(y);
        if (index == -1)
            break;
        m_props.DragEnabled = m_input.StoredDragEnabled;
        m_input.PressAction = Input::ItemPress;
        if (m_props.Style == 1)
            PressItemCheckStyle(index);
        else if (m_props.MultiSelect == 0)
            PressItemSingle(index);
        else if (m_props.MultiSelect == 1)
            PressItemSimple(index);
        else if (m_props.MultiSelect == 2)
            PressItemExtended(index);
        break;
    }
    case Input::UpButton:
        m_input.PressAction = Input::UpButtonHeld;
        m_surface.PaintScrollBar(-1); // pressed look, also when nothing scrolls
        LineUp();
        break;
    case Input::DownButton:
        m_input.PressAction = Input::DownButtonHeld;
        m_surface.PaintScrollBar(-1);
        LineDown();
        break;
    case Input::Track:
        if (m_surface.IsAboveThumb(y)) {
            m_input.PressAction = Input::PagingUp;
            m_surface.PaintScrollBar(-1);
            PageUpByTrack();
        } else {
            m_input.PressAction = Input::PagingDown;
            m_surface.PaintScrollBar(-1);
            PageDownByTrack();
        }
        break;
    case Input::Thumb:
        m_input.PressAction = Input::ThumbPress;
        m_input.ThumbDragging = true;
        m_input.ThumbGrabY = y;
        ThumbDrag();
        break;
    default:
        break;
    }
    m_surface.Refresh();
    Q_EMIT MouseDown(button, shift, x, y);
}

void MorphListBox::PressItemCheckStyle(int index)
{
    MorphListBoxModel &m = m_model;
    if (m.CaretIndex == -1) {
        m.CaretIndex = m.FocusIndex = index;
        m.setListIndexValue(index);
    }
    if (m_input.OnCheckBox || index == m.CaretIndex) {
        if (index != m.CaretIndex)
            PaintItem(m.CaretIndex, false, false);
        m.toggleFlag(index);
    } else {
        PaintItem(m.CaretIndex, false, false);
    }
    m.CaretIndex = m.FocusIndex = m.LastDragIndex = index;
    m.setListIndexValue(index);
    PaintItem(index, true, true);
    m_surface.Refresh();
}

void MorphListBox::PressItemSingle(int index)
{
    RepaintCaretChange(0);
    m_model.CaretIndex = m_model.LastDragIndex = index;
    SelectCaret();
}

void MorphListBox::PressItemSimple(int index)
{
    MorphListBoxModel &m = m_model;
    RepaintCaretChange(-1);
    m.CaretIndex = m.FocusIndex = m.LastDragIndex = index;
    m.setListIndexValue(index);
    m.toggleFlag(index);
    paintRow(index, true);
    m_surface.Refresh();
}

void MorphListBox::PressItemExtended(int index)
{
    MorphListBoxModel &m = m_model;
    const bool shift = m_input.ShiftDown, ctrl = m_input.CtrlDown;
    m.CaretIndex = m.FocusIndex = index;
    m.setListIndexValue(index);
    if (!ctrl && !shift)
        m.clearFlags();
    m.DragAnchor = m.DragEnd = index;
    const bool now = ctrl ? !m.Selected(index) : true;
    m.setFlag(index, now);
    if (shift) {
        m.FillSelected(m.ShiftAnchor >= 0 ? m.ShiftAnchor : index, m.FocusIndex, true);
        m.RecountSelected();
    } else if (ctrl) {
        m.setSelCountValue(m.SelCount() + (now ? 1 : -1));
    } else {
        m.setSelCountValue(1);
    }
    m.LastDragIndex = index;
    m_surface.PaintList(-1);
}

void MorphListBox::DragSelect()
{
    MorphListBoxModel &m = m_model;
    int index = MouseOverIndex(m_input.MouseY);
    if (index == -1)
        index = m.ListCount() - 1; // below the last item
    if (index < 0 || index == m.LastDragIndex)
        return;
    m.LastDragIndex = index;
    if (m_props.Style == 1) {
        PaintItem(m.CaretIndex, false, false);
        m.CaretIndex = m.FocusIndex = index;
        m.setListIndexValue(index);
        PaintItem(index, true, true);
        m_surface.Refresh();
    } else if (m_props.MultiSelect == 0) {
        PaintItem(m.CaretIndex, false, false);
        m.CaretIndex = index;
        SelectCaret();
    } else if (m_props.MultiSelect == 1) {
        paintRow(m.FocusIndex, false);
        m.FocusIndex = index;
        m.setListIndexValue(index);
        paintRow(index, true);
        m_surface.Refresh();
    } else if (m_props.MultiSelect == 2) {
        const bool modifier = m_input.ShiftDown || m_input.CtrlDown;
        if (!modifier)
            m.clearFlags();
        m.CaretIndex = m.FocusIndex = m.DragEnd = index;
        m.setListIndexValue(index);
        if (m.DragAnchor < 0)
            m.DragAnchor = index;
        m.FillSelected(m.DragAnchor, m.DragEnd, true);
        if (modifier)
            m.RecountSelected();
        else
            m.setSelCountValue(std::abs(m.DragEnd - m.DragAnchor) + 1);
        m_surface.PaintList(-1);
    }
}

void MorphListBox::RepaintCaretChange(int mode)
{
    const MorphListBoxModel &m = m_model;
    if (m.CaretIndex != -1 && m.IsIndexVisible(m.CaretIndex)) {
        if (mode == -1)
            paintRow(m.CaretIndex, false);
        else
            PaintItem(m.CaretIndex, false, false);
    }
    if (m.FocusIndex != m.CaretIndex)
        paintRow(m.FocusIndex, false);
}

void MorphListBox::paintRow(int index, bool withFocus)
{
    PaintItem(index, m_model.Selected(index), withFocus);
}

// ---- line and page steps ------------------------------------------------------

void MorphListBox::LineDown()
{
    if (!Steps::LineDown(m_model))
        return;
    m_surface.PaintList(-1);
    RepeatScroll(1);
}

void MorphListBox::LineUp()
{
    if (!Steps::LineUp(m_model))
        return;
    m_surface.PaintList(-1);
    RepeatScroll(-1);
}

void MorphListBox::PageUpByTrack()
{
    if (!Steps::PageUpByTrack(m_model))
        return;
    m_surface.PaintList(-1);
    RepeatScroll(-m_model.VisibleRows);
}

void MorphListBox::PageDownByTrack()
{
    if (!Steps::PageDownByTrack(m_model))
        return;
    m_surface.PaintList(-1);
    RepeatScroll(m_model.VisibleRows);
}

// ---- timed loops ----------------------------------------------------------------

void MorphListBox::RepeatScroll(int step)
{
    if (m_input.PressAction == Input::NoPress)
        return; // a wheel notch: one step only
    m_repeat.active = true;
    m_repeat.delaying = !m_input.EdgeScrolling;
    m_repeat.step = step;
    m_repeat.since = m_clock();
    if (!m_loopTimer.isActive())
        m_loopTimer.start();
}

void MorphListBox::repeatRound()
{
    MorphListBoxModel &m = m_model;
    const qint64 now = m_clock();
    if (m_repeat.delaying) {
        if (now - m_repeat.since < FirstRepeatDelay)
            return;
        m_repeat.delaying = false;
        m_repeat.since = now;
        return;
    }
    const int step = m_repeat.step;
    const int endItem = step >= 1 ? m.ListCount() - 1 : 0;
    if (m.IsIndexVisible(endItem) || m.VisibleRows < 1) {
        m_repeat.active = false;
        m_input.EdgeScrolling = false;
        return;
    }
    // Holding the button with the pointer off the scroll bar pauses.
    const int region = m_input.HitRegion;
    if (!m_input.EdgeScrolling && region != Input::Track && region != Input::UpButton
        && region != Input::DownButton)
        return;
    if (now - m_repeat.since < RepeatSpacing)
        return;
    Steps::RepeatStep(m, step);
    if (std::abs(step) > 1) {
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
    m_surface.PaintList(-1);
    m_repeat.since = now;
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

// ---- keyboard -------------------------------------------------------------------------

void MorphListBox::navigate(int keyCode)
{
    // Keys wait while a mouse button holds an arrow, the track, the thumb or
    // an item; a list without items or rows has nothing to move.
    if (m_input.PressAction != Input::NoPress)
        return;
    if (m_model.ListCount() == 0 || m_model.VisibleRows < 1 || m_model.TopIndex < 0)
        return;
    switch (keyCode) {
    case VkPageDown:
        pageKey(true);
        break;
    case VkPageUp:
        pageKey(false);
        break;
    case VkEnd:
        endKey(true);
        break;
    case VkHome:
        endKey(false);
        break;
    case VkUp:
    case VkLeft:
        arrowKey(-1);
        break;
    case VkDown:
    case VkRight:
        arrowKey(1);
        break;
    case VkSpace:
        spaceKey();
        break;
    default:
        break;
    }
}

void MorphListBox::pageKey(bool down)
{
    MorphListBoxModel &m = m_model;
    const bool check = m_props.Style == 1;
    const int mode = m_props.MultiSelect;
    if (!check && (mode < 0 || mode > 2))
        return;
    if (down)
        Steps::PageWindowDown(m);
    else
        Steps::PageWindowUp(m);
    const int target = down ? m.BottomIndex : m.TopIndex;
    if (check) {
        m.CaretIndex = m.FocusIndex = target;
        m.setListIndexValue(target);
    } else if (mode == 0) {
        m.CaretIndex = target;
        SelectCaret();
    } else if (mode == 1) {
        m.FocusIndex = target;
        m.setListIndexValue(target);
    } else {
        const bool shift = m_input.ShiftDown;
        if (!shift)
            m.clearFlags();
        m.CaretIndex = target;
        SelectCaretExtended(false);
        if (shift) {
            m.FillSelected(m.ShiftAnchor >= 0 ? m.ShiftAnchor : target, m.FocusIndex, true);
            m.RecountSelected();
        } else {
            m.setSelCountValue(1);
        }
    }
    m_surface.PaintList(-1);
}

void MorphListBox::endKey(bool end)
{
    MorphListBoxModel &m = m_model;
    const bool check = m_props.Style == 1;
    const int mode = m_props.MultiSelect;
    const int target = end ? m.ListCount() - 1 : 0;
    auto moveWindow = [&] {
        if (end)
            Steps::EndWindow(m);
        else
            Steps::HomeWindow(m);
    };
    if (check) {
        if (m.CaretIndex == target)
            return;
        m.CaretIndex = m.FocusIndex = target;
        m.setListIndexValue(target);
        moveWindow();
    } else if (mode == 0) {
        if (m.CaretIndex == target)
            return;
        RepaintCaretChange(0);
        moveWindow();
        m.CaretIndex = target;
        SelectCaret();
    } else if (mode == 1) {
        if (m.FocusIndex == target)
            return;
        paintRow(m.FocusIndex, false);
        moveWindow();
        if (end)
            m.CaretIndex = target;
        m.FocusIndex = target;
        m.setListIndexValue(target);
    } else if (mode == 2) {
        if (m_input.ShiftDown) {
            if (end)
                m.FillSelected(m.FocusIndex, target, true);
            else
                m.FillSelected(0, m.FocusIndex, true);
            m.RecountSelected();
        } else {
            m.clearFlags();
            m.setSelCountValue(1);
        }
        if (m.CaretIndex != target)
            RepaintCaretChange(0);
        m.CaretIndex = target;
        SelectCaretExtended(false);
        moveWindow();
    } else {
        return;
    }
    m_surface.PaintList(-1);
}

void MorphListBox::spaceKey()
{
    MorphListBoxModel &m = m_model;
    const int mode = m_props.MultiSelect;
    if (m_props.Style == 1) {
        if (!m.toggleFlag(m.CaretIndex))
            return;
        PaintItem(m.CaretIndex, true, true);
        m_surface.Refresh();
    } else if (mode == 0) {
        m.CaretIndex = m.FocusIndex;
        SelectCaret();
    } else if (mode == 1) {
        if (m.Selected(m.FocusIndex)) {
            m.toggleFlag(m.FocusIndex);
            m.setListIndexValue(m.FocusIndex);
            PaintItem(m.FocusIndex, false, true);
            m_surface.Refresh();
        } else {
            m.CaretIndex = m.FocusIndex;
            SelectCaretSimple();
        }
    } else if (mode == 2) {
        const int before = m.SelCount();
        if (!m_input.ShiftDown) {
            m.clearFlags();
            m.setSelCountValue(0);
        }
        m.CaretIndex = m.FocusIndex;
        SelectCaretExtended(true);
        EnsureFocusVisible();
        if (before > 1)
            m_surface.PaintList(-1);
        else
            PaintItem(m.FocusIndex, true, true);
        m_surface.Refresh();
    }
}

void MorphListBox::arrowKey(int step)
{
    MorphListBoxModel &m = m_model;
    const bool up = step < 0;
    const int mode = m_props.MultiSelect;
    auto atEnd = [&](int index) { return up ? index < 1 : index >= m.ListCount() - 1; };
    auto atWindowEdge = [&](int index) { return index == (up ? m.TopIndex : m.BottomIndex); };
    if (m_props.Style == 1) {
        if (atEnd(m.CaretIndex))
            return;
        if (!atWindowEdge(m.CaretIndex))
            PaintItem(m.CaretIndex, false, false);
        m.CaretIndex = std::max(m.CaretIndex + step, 0);
        m.FocusIndex = m.CaretIndex;
        m.setListIndexValue(m.CaretIndex);
        EnsureFocusVisible();
        PaintItem(m.CaretIndex, true, true);
        m_surface.Refresh();
    } else if (mode == 0) {
        if (m.SelCount() == 0) {
            // The first key only selects the focus item.
            m.CaretIndex = m.FocusIndex;
            SelectCaret();
            EnsureFocusVisible();
            return;
        }
        if (atEnd(m.CaretIndex))
            return;
        if (!atWindowEdge(m.FocusIndex))
            RepaintCaretChange(0);
        m.CaretIndex = std::max(m.CaretIndex + step, 0);
        SelectCaret();
        EnsureFocusVisible();
    } else if (mode == 1) {
        if (atEnd(m.FocusIndex))
            return;
        paintRow(m.FocusIndex, false);
        m.FocusIndex += step;
        m.setListIndexValue(m.FocusIndex);
        EnsureFocusVisible();
        paintRow(m.FocusIndex, true);
        m_surface.Refresh();
    } else if (mode == 2) {
        if (!up && m.CaretIndex >= m.ListCount() - 1)
            return;
        const int before = m.SelCount();
        const bool shift = m_input.ShiftDown;
        if (!shift)
            m.clearFlags();
        if (!atWindowEdge(m.FocusIndex))
            paintRow(m.FocusIndex, false);
        if (!up)
            m.CaretIndex = std::max(m.CaretIndex + 1, 0);
        else if (m.CaretIndex > 0)
            --m.CaretIndex;
        else
            m.CaretIndex = 0;
        SelectCaretExtended(false);
        if (shift)
            m.RecountSelected();
        else
            m.setSelCountValue(1);
        EnsureFocusVisible();
        if (before > 1)
            m_surface.PaintList(-1);
        else
            paintRow(m.FocusIndex, true);
        m_surface.Refresh();
    }
}

// ---- window events ------------------------------------------------------------------------

bool MorphListBox::event(QEvent *event)
{
    // A lost grab or a hidden list ends the press like a release would.
    if ((event->type() == QEvent::UngrabMouse || event->type() == QEvent::Hide)
        && m_input.PressAction != Input::NoPress)
        endPress();
    return QWidget::event(event);
}

void MorphListBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (!m_props.Enabled)
        return;
    const QPointF p = event->position();
    press(buttonCode(event->button()), shiftCode(event->modifiers()), float(p.x()), float(p.y()));
}

void MorphListBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = event->position();
    m_input.MouseX = float(p.x());
    m_input.MouseY = float(p.y());
    HitTest(m_input.MouseX, m_input.MouseY);
    if (!EdgeAutoScroll() && !ThumbBeyondEnds()) {
        if (m_input.PressAction != Input::NoPress && m_input.ThumbDragging && !m_input.ThumbLoopActive)
            ThumbDrag();
        else if (m_input.PressAction == Input::ItemPress && m_input.HitRegion == Input::ItemArea
                 && !m_props.DragEnabled)
            DragSelect();
    }
    Q_EMIT MouseMove(buttonsCode(event->buttons()), shiftCode(event->modifiers()), m_input.MouseX,
                     m_input.MouseY);
    if (m_props.Enabled && !m_input.MouseInside) {
        m_input.MouseInside = true;
        Q_EMIT MouseEnter();
    }
}

void MorphListBox::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const int button = buttonCode(event->button());
    const QPointF p = event->position();
    if (!m_props.Enabled) {
        // Disabled during a press: the press still ends, silently.
        if (button != 2)
            endPress();
        m_pressSeen = false;
        return;
    }
    if (button != 2) {
        const int action = m_input.PressAction;
        endPress();
        if (action < Input::PagingUp || action > Input::UpButtonHeld)
            m_props.DragEnabled = false;
        m_surface.Refresh();
    }
    Q_EMIT MouseUp(button, shiftCode(event->modifiers()), float(p.x()), float(p.y()));
    const bool click = button == 1 && m_pressSeen && !m_input.RightPressed && rect().contains(p.toPoint());
    m_pressSeen = false;
    if (click)
        Q_EMIT Click();
}

void MorphListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    const QPointF p = event->position();
    m_input.MouseX = float(p.x());
    m_input.MouseY = float(p.y());
    HitTest(m_input.MouseX, m_input.MouseY);
    if (event->button() == Qt::LeftButton && m_surface.InItemArea(m_input.MouseX, m_input.MouseY)
        && m_props.DblClickBehavior != 1 && m_props.Style != 1) {
        Q_EMIT DblClick();
        return;
    }
    // Elsewhere the second click acts as a press of its own: a second step
    // on an arrow or the track, a second toggle in a check-box list.
    if (m_props.Enabled && !m_input.RightPressed)
        press(buttonCode(event->button()), shiftCode(event->modifiers()), m_input.MouseX, m_input.MouseY);
}

void MorphListBox::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (!m_input.HasFocus || delta == 0) {
        event->ignore();
        return;
    }
    // One row per notch, whatever its size.
    if (delta < 0)
        LineDown();
    else
        LineUp();
    event->accept();
}

void MorphListBox::leaveEvent(QEvent *event)
{
    m_input.MouseInside = false;
    Q_EMIT MouseLeave();
    QWidget::leaveEvent(event);
}

void MorphListBox::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    if (!m_props.Enabled)
        return;
    m_input.HasFocus = true;
    PaintItem(m_model.FocusIndex, m_props.Style == 1 || m_model.Selected(m_model.FocusIndex), true);
    m_surface.Refresh();
}

void MorphListBox::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    // Every held-button loop, edge scroll and thumb drag ends with the focus,
    // also on a list that was disabled during the press.
    endPress();
    m_input.HasFocus = false;
    m_input.ShiftDown = false;
    m_input.CtrlDown = false;
    PaintItem(m_model.FocusIndex, m_props.Style == 1 || m_model.Selected(m_model.FocusIndex), false);
    m_surface.Refresh();
}

void MorphListBox::keyPressEvent(QKeyEvent *event)
{
    if (!m_props.Enabled) {
        event->ignore();
        return;
    }
    const int shift = shiftCode(event->modifiers());
    const int code = virtualKey(event->key());
    m_input.ShiftDown = shift & 1;
    if (m_input.ShiftDown)
        m_model.ShiftAnchor = m_model.FocusIndex;
    m_input.CtrlDown = shift & 2;
    if (isNavigationKey(code))
        navigate(code);
    if (code != 0)
        Q_EMIT KeyDown(code, shift);
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).unicode() < 256)
        Q_EMIT KeyPress(text.at(0).unicode());
    if (isNavigationKey(code))
        event->accept();
    else
        event->ignore();
}

void MorphListBox::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_props.Enabled || event->isAutoRepeat()) {
        event->ignore();
        return;
    }
    // (Qt already gives a modifier key's own events the state after it.)
    const int shift = shiftCode(event->modifiers());
    m_input.ShiftDown = shift & 1;
    m_input.CtrlDown = shift & 2;
    const int code = virtualKey(event->key());
    if (code != 0)
        Q_EMIT KeyUp(code, shift);
    if (isNavigationKey(code))
        event->accept();
    else
        event->ignore();
}
