#pragma once

class MorphListBoxModel;

// Moves of the visible window shared by the mouse, the wheel, the keyboard
// and the timed loops. None of them paints; the ones that may refuse return
// false when they changed nothing.
//
// The mouse steps (page, thumb, jumps to the end) may leave the window one
// row past the last item; the next full repaint pins it back to the end.
namespace MorphListBoxSteps {

// One row; nothing when the end in that direction is already in view.
bool LineDown(MorphListBoxModel &m);
bool LineUp(MorphListBoxModel &m);
// One window less one row, from the track.
bool PageUpByTrack(MorphListBoxModel &m);
bool PageDownByTrack(MorphListBoxModel &m);
// A further step of a held button, track or edge scroll.
void RepeatStep(MorphListBoxModel &m, int step);

// The keyboard's windows: they end exactly at the last item.
void PageWindowUp(MorphListBoxModel &m);
void PageWindowDown(MorphListBoxModel &m);
void HomeWindow(MorphListBoxModel &m);
void EndWindow(MorphListBoxModel &m);

// Brings the focus item into the window; false when it was already there.
bool EnsureFocusVisible(MorphListBoxModel &m);

// The thumb: rows moved by a pointer travel of dy pixels along a travel of
// the given length over the whole list (nearest whole row, halves to even;
// 0 for a travel shorter than a pixel).
int ThumbRows(float dy, int travel, int listCount);
// The window moved by that many rows (never above the start).
void ThumbMove(MorphListBoxModel &m, int rows);
void JumpToStart(MorphListBoxModel &m);
void JumpToEnd(MorphListBoxModel &m);

} // namespace MorphListBoxSteps
