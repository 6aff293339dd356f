// The pointer side of MorphListBox: hit regions, presses, drag selection,
// line and page steps, and the window's pointer, wheel and focus events.
#include "controls/MorphListBox.h"
#include "controls/MorphListBoxSteps.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

namespace {

using Input = MorphListBoxInput;
namespace Steps = MorphListBoxSteps;

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

} // namespace

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
    m_pressItems = m_model.ListCount();
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

// ---- window events ---------------------------------------------------------

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
    press(buttonCode(event->button()), MorphListBoxShiftCode(event->modifiers()), float(p.x()), float(p.y()));
}

void MorphListBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = event->position();
    m_input.MouseX = float(p.x());
    m_input.MouseY = float(p.y());
    HitTest(m_input.MouseX, m_input.MouseY);
    endPressOnShrink();
    if (!EdgeAutoScroll() && !ThumbBeyondEnds()) {
        if (m_input.PressAction != Input::NoPress && m_input.ThumbDragging && !m_input.ThumbLoopActive)
            ThumbDrag();
        else if (m_input.PressAction == Input::ItemPress && m_input.HitRegion == Input::ItemArea
                 && !m_props.DragEnabled)
            DragSelect();
    }
    Q_EMIT MouseMove(buttonsCode(event->buttons()), MorphListBoxShiftCode(event->modifiers()), m_input.MouseX,
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
    Q_EMIT MouseUp(button, MorphListBoxShiftCode(event->modifiers()), float(p.x()), float(p.y()));
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
        press(buttonCode(event->button()), MorphListBoxShiftCode(event->modifiers()), m_input.MouseX, m_input.MouseY);
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
