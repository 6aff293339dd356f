#pragma once
#include <QtCore/qnamespace.h>

// Pointer and key state of a MorphListBox that painting reads and the input
// handlers keep: where the pointer was last seen, what the current press
// does, the modifier keys, focus and the timed loops' flags.
struct MorphListBoxInput
{
    enum Region { NoRegion = 0, ItemArea = 1, UpButton = 2, DownButton = 3, Track = 4, Thumb = 5 };
    enum Action {
        NoPress = 0,
        ItemPress = 1,
        PagingUp = 2,
        PagingDown = 3,
        DownButtonHeld = 4,
        UpButtonHeld = 5,
        ThumbPress = 6
    };

    float MouseX = 0;
    float MouseY = 0;
    int HitRegion = NoRegion;
    bool OnCheckBox = false;
    int PressAction = NoPress;
    bool RightPressed = false;
    bool ShiftDown = false;
    bool CtrlDown = false;
    bool StoredDragEnabled = false;
    bool ThumbDragging = false;
    float ThumbGrabY = 0;
    bool ThumbLoopActive = false;
    float ThumbGrabOffset = 0;
    bool EdgeScrolling = false;
    bool MouseInside = false;
    bool HasFocus = false;
};

// The Shift argument of the events: 1 Shift, 2 Ctrl, 4 Alt.
inline int MorphListBoxShiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0);
}
