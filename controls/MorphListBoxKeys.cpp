// The keyboard side of MorphListBox: the seven navigation keys in their
// four variants and the key events.
#include "controls/MorphListBox.h"
#include "controls/MorphListBoxSteps.h"

#include <QKeyEvent>

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

// ---- key events ------------------------------------------------------------

void MorphListBox::keyPressEvent(QKeyEvent *event)
{
    if (!m_props.Enabled) {
        event->ignore();
        return;
    }
    const int shift = MorphListBoxShiftCode(event->modifiers());
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
    const int shift = MorphListBoxShiftCode(event->modifiers());
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
