#include "controls/MorphListBoxSteps.h"

#include "controls/MorphListBoxModel.h"

#include <algorithm>
#include <cmath>

namespace MorphListBoxSteps {

namespace {
int lastItem(const MorphListBoxModel &m)
{
    return m.ListCount() - 1;
}

// No step on an empty list or a window without rows.
bool canScroll(const MorphListBoxModel &m)
{
    return m.ListCount() > 0 && m.VisibleRows > 0 && m.TopIndex >= 0;
}

// The mouse's end of the list: one row past the last item. A list that has
// become shorter than its window under a held button starts at its first
// item, never at -1, which would stand for "no items" and blank the list.
int pastEndTop(const MorphListBoxModel &m)
{
    return std::max(m.ListCount() - m.VisibleRows + 1, 0);
}
} // namespace

bool LineDown(MorphListBoxModel &m)
{
    if (!canScroll(m) || m.IsIndexVisible(lastItem(m)))
        return false;
    ++m.TopIndex;
    ++m.BottomIndex;
    return true;
}

bool LineUp(MorphListBoxModel &m)
{
    if (!canScroll(m) || m.IsIndexVisible(0))
        return false;
    --m.TopIndex;
    --m.BottomIndex;
    return true;
}

bool PageUpByTrack(MorphListBoxModel &m)
{
    if (!canScroll(m) || m.IsIndexVisible(0))
        return false;
    m.TopIndex = std::max(m.TopIndex - m.VisibleRows + 1, 0);
    m.BottomIndex = std::min(m.TopIndex + m.VisibleRows - 1, lastItem(m));
    return true;
}

bool PageDownByTrack(MorphListBoxModel &m)
{
    if (!canScroll(m) || m.IsIndexVisible(lastItem(m)))
        return false;
    m.TopIndex = m.BottomIndex;
    if (m.TopIndex + m.VisibleRows - 1 > lastItem(m))
        m.TopIndex = pastEndTop(m);
    m.BottomIndex = std::min(m.TopIndex + m.VisibleRows, lastItem(m));
    return true;
}

void RepeatStep(MorphListBoxModel &m, int step)
{
    if (!canScroll(m))
        return;
    m.TopIndex = std::max(m.TopIndex + step, 0);
    m.BottomIndex = std::min(m.BottomIndex + step, lastItem(m));
    if (std::abs(step) > 1 && m.TopIndex + m.VisibleRows - 1 > m.ListCount())
        m.TopIndex = pastEndTop(m);
}

void PageWindowUp(MorphListBoxModel &m)
{
    if (m.FocusIndex - m.VisibleRows + 1 < 0) {
        m.TopIndex = 0;
        m.BottomIndex = m.ListCount() < m.VisibleRows ? lastItem(m) : m.VisibleRows - 1;
    } else {
        m.BottomIndex = m.FocusIndex;
        m.TopIndex = m.FocusIndex - m.VisibleRows + 1;
    }
}

void PageWindowDown(MorphListBoxModel &m)
{
    if (m.FocusIndex + m.VisibleRows - 1 >= m.ListCount()) {
        m.BottomIndex = lastItem(m);
        m.TopIndex = m.ListCount() < m.VisibleRows ? 0 : m.ListCount() - m.VisibleRows;
    } else {
        m.TopIndex = m.FocusIndex;
        m.BottomIndex = m.FocusIndex + m.VisibleRows - 1;
    }
}

void HomeWindow(MorphListBoxModel &m)
{
    m.TopIndex = 0;
    m.BottomIndex = m.ListCount() >= m.VisibleRows ? m.VisibleRows - 1 : lastItem(m);
}

void EndWindow(MorphListBoxModel &m)
{
    m.BottomIndex = lastItem(m);
    m.TopIndex = m.ListCount() < m.VisibleRows ? 0 : m.ListCount() - m.VisibleRows;
}

bool EnsureFocusVisible(MorphListBoxModel &m)
{
    if (m.FocusIndex < m.TopIndex) {
        m.TopIndex = m.FocusIndex;
        m.BottomIndex = m.TopIndex + m.VisibleRows - 1;
        if (m.BottomIndex > m.ListCount())
            m.BottomIndex = lastItem(m);
        return true;
    }
    if (m.FocusIndex > m.BottomIndex) {
        m.BottomIndex = m.FocusIndex;
        m.TopIndex = std::max(m.FocusIndex - m.VisibleRows + 1, 0);
        return true;
    }
    return false;
}

int ThumbRows(float dy, int travel, int listCount)
{
    if (travel < 1)
        return 0;
    const int pixels = MorphListBoxNearest(dy);
    const float share = float(std::abs(pixels)) / float(travel) * float(listCount);
    const int rows = MorphListBoxNearest(share);
    return pixels < 0 ? -rows : rows;
}

void ThumbMove(MorphListBoxModel &m, int rows)
{
    if (!canScroll(m))
        return;
    m.TopIndex = std::max(m.TopIndex + rows, 0);
    if (m.TopIndex + m.VisibleRows - 1 > m.ListCount())
        m.TopIndex = pastEndTop(m);
    m.BottomIndex = std::min(m.TopIndex + m.VisibleRows - 1, m.ListCount());
}

void JumpToStart(MorphListBoxModel &m)
{
    if (!canScroll(m))
        return;
    m.TopIndex = 0;
    m.BottomIndex = std::min(m.VisibleRows - 1, m.ListCount());
}

void JumpToEnd(MorphListBoxModel &m)
{
    if (!canScroll(m))
        return;
    m.BottomIndex = lastItem(m);
    m.TopIndex = pastEndTop(m);
}

} // namespace MorphListBoxSteps
