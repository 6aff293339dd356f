#pragma once
#include "controls/MorphListBoxHold.h"
#include "controls/MorphListBoxInput.h"
#include "controls/MorphListBoxModel.h"
#include "controls/MorphListBoxProperties.h"
#include "controls/MorphListBoxSurface.h"

#include <QTimer>
#include <QWidget>
#include <functional>

// The owner-drawn, skinnable list box: items (optionally sorted, as text or
// by number), single, simple or extended selection or a check-box list,
// angle gradients or a picture behind the rows, a gradient scroll bar of its
// own and a window with separately rounded corners.
//
// Forbidden reads and writes (a property that one mode does not allow, an
// index outside the list) change nothing and leave the platform's error
// number in LastError().
class MorphListBox : public QWidget
{
    Q_OBJECT
public:
    enum Error {
        NoError = 0,
        InvalidCall = 5,
        Overflow = 6,
        SubscriptOutOfRange = 9,
        InvalidValue = 380,
        SetNotSupportedAtRunTime = 382,
        SetNotPermitted = 387,
        GetNotSupportedAtRunTime = 393
    };

    explicit MorphListBox(QWidget *parent = nullptr);
    ~MorphListBox() override;

    // Run mode (the default) or design mode, as the container reports it.
    bool UserMode() const { return m_userMode; }
    void setUserMode(bool running) { m_userMode = running; }
    int LastError() const { return m_lastError; }

    // Methods
    void DisplayFrom(int ItemIndex);
    int FindIndex(const QString &sStringToMatch, bool CaseSensitive = false) const;
    int MouseOverIndex(float YPos) const;
    void Refresh();
    void AddItem(const QString &ItemToAdd, int Index = -1);
    void RemoveItem(int Index);
    void Clear();

    // Drawing held over a bulk change: while a hold is on, the item methods
    // (AddItem, RemoveItem, Clear, DisplayFrom, Selected, ListIndex) change
    // the list without painting, and the last release paints it once, as
    // those changes would have left it. Holds nest; input and properties
    // paint as usual.
    void holdDrawing();
    void releaseDrawing();
    bool drawingHeld() const { return m_holds > 0; }

    // Items
    QString List(int Index);
    int ItemData(int Index);
    bool setItemData(int Index, int Value);
    bool Selected(int Index);
    bool setSelected(int Index, bool Value);
    int ListIndex() const { return m_model.ListIndex(); }
    bool setListIndex(int Value);
    int ListCount() const { return m_model.ListCount(); }
    int NewIndex() const { return m_model.NewIndex(); }
    bool setNewIndex(int Value);
    int SelCount() const { return m_model.SelCount(); }
    bool setSelCount(int Value);
    int TopIndex() const { return m_model.TopIndex; }
    int BottomIndex() const { return m_model.BottomIndex; }

    // Properties (stored with the container's design)
    float BackAngle() const { return m_props.BackAngle; }
    void setBackAngle(float value);
    qint32 BackColor1() const { return m_props.BackColor1; }
    void setBackColor1(qint32 value);
    qint32 BackColor2() const { return m_props.BackColor2; }
    void setBackColor2(qint32 value);
    bool BackMiddleOut() const { return m_props.BackMiddleOut; }
    void setBackMiddleOut(bool value);
    qint32 BorderColor() const { return m_props.BorderColor; }
    void setBorderColor(qint32 value);
    int BorderWidth() const { return m_props.BorderWidth; }
    bool setBorderWidth(int value);
    qint32 CurveBottomLeft() const { return m_props.CurveBottomLeft; }
    void setCurveBottomLeft(qint32 value);
    qint32 CurveBottomRight() const { return m_props.CurveBottomRight; }
    void setCurveBottomRight(qint32 value);
    qint32 CurveTopLeft() const { return m_props.CurveTopLeft; }
    void setCurveTopLeft(qint32 value);
    qint32 CurveTopRight() const { return m_props.CurveTopRight; }
    void setCurveTopRight(qint32 value);
    // The control's own Enabled: a disabled list keeps its look and still
    // sees the pointer; it only refuses changes by the user and AddItem /
    // RemoveItem. It hides QWidget's, which would grey the list out.
    bool Enabled() const { return m_props.Enabled; }
    void setEnabled(bool value);
    quintptr hwnd() const { return quintptr(effectiveWinId()); }
    const QImage &hdc() const { return m_surface.image(); }
    const QImage &Picture() const { return m_props.Picture; }
    void setPicture(const QImage &picture);
    const QFont &ListFont() const { return m_props.ListFont; }
    void setListFont(const QFont &font);
    bool Sorted() const { return m_props.Sorted; }
    void setSorted(bool value);
    bool RedrawFlag() const { return m_props.RedrawFlag; }
    bool setRedrawFlag(bool value);
    qint32 TextColor() const { return m_props.TextColor; }
    void setTextColor(qint32 value);
    qint32 SelColor1() const { return m_props.SelColor1; }
    void setSelColor1(qint32 value);
    qint32 SelColor2() const { return m_props.SelColor2; }
    void setSelColor2(qint32 value);
    qint32 SelTextColor() const { return m_props.SelTextColor; }
    void setSelTextColor(qint32 value);
    qint32 MultiSelect() const { return m_props.MultiSelect; }
    bool setMultiSelect(qint32 value);
    qint32 Style() const { return m_props.Style; }
    bool setStyle(qint32 value);
    qint32 TrackBarColor1() const { return m_props.TrackBarColor1; }
    void setTrackBarColor1(qint32 value);
    qint32 TrackBarColor2() const { return m_props.TrackBarColor2; }
    void setTrackBarColor2(qint32 value);
    qint32 ButtonColor1() const { return m_props.ButtonColor1; }
    void setButtonColor1(qint32 value);
    qint32 ButtonColor2() const { return m_props.ButtonColor2; }
    void setButtonColor2(qint32 value);
    qint32 ThumbColor1() const { return m_props.ThumbColor1; }
    void setThumbColor1(qint32 value);
    qint32 ThumbColor2() const { return m_props.ThumbColor2; }
    void setThumbColor2(qint32 value);
    qint32 ThumbBorderColor() const { return m_props.ThumbBorderColor; }
    void setThumbBorderColor(qint32 value);
    qint32 ArrowUpColor() const { return m_props.ArrowUpColor; }
    void setArrowUpColor(qint32 value);
    qint32 ArrowDownColor() const { return m_props.ArrowDownColor; }
    void setArrowDownColor(qint32 value);
    qint32 CheckboxArrowColor() const { return m_props.CheckboxArrowColor; }
    void setCheckboxArrowColor(qint32 value);
    qint32 CheckBoxColor() const { return m_props.CheckBoxColor; }
    void setCheckBoxColor(qint32 value);
    qint32 FocusRectColor() const { return m_props.FocusRectColor; }
    void setFocusRectColor(qint32 value);
    qint32 DblClickBehavior() const { return m_props.DblClickBehavior; }
    bool setDblClickBehavior(qint32 value);
    // Design mode only (read and write).
    qint32 PictureMode();
    bool setPictureMode(qint32 value);
    qint32 CheckStyle() const { return m_props.CheckStyle; }
    void setCheckStyle(qint32 value);
    bool DragEnabled() const { return m_props.DragEnabled; }
    void setDragEnabled(bool value);
    qint32 TrackClickColor1() const { return m_props.TrackClickColor1; }
    void setTrackClickColor1(qint32 value);
    qint32 TrackClickColor2() const { return m_props.TrackClickColor2; }
    void setTrackClickColor2(qint32 value);
    qint32 Theme() const { return m_props.Theme; }
    void setTheme(qint32 value);
    bool SortAsNumeric() const { return m_props.SortAsNumeric; }
    void setSortAsNumeric(bool value);

    // The container's requests: defaults for a new instance, load of the
    // stored settings when the window is created, save of its design.
    void InitProperties();
    void ReadProperties(const MorphListBoxStore &store);
    void WriteProperties(MorphListBoxStore &store) const;

    // For the input side and for tests: the parts of the control.
    MorphListBoxModel &model() { return m_model; }
    MorphListBoxSurface &surface() { return m_surface; }
    MorphListBoxInput &input() { return m_input; }
    const MorphListBoxProperties &properties() const { return m_props; }
    void PaintList(float grabOffset = -1) { m_surface.PaintList(grabOffset); }
    void PaintItem(int index, bool state, bool withFocus) { m_surface.PaintItem(index, state, withFocus); }

    // The timed loops (a held arrow or track, an item press dragged past an
    // edge, a thumb press) poll every 25 ms on a timer and read the time from
    // this clock (milliseconds; monotonic by default). Tests replace the
    // clock and call tickLoops() themselves.
    void setClock(std::function<qint64()> clock);
    void tickLoops();
    bool loopsRunning() const { return m_loopTimer.isActive(); }

Q_SIGNALS:
    // The events of the control.
    void Click();
    void DblClick();
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    void Resize();
    void MouseEnter();
    void MouseLeave();
    // A stored property changed: the container's design is due to be saved.
    void PropertyChanged(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    QFont containerFont() const;
    bool fail(Error error);
    void mark(const char *name);
    void setColour(qint32 &field, qint32 value, const char *name);
    // A gradient's colour: that gradient is rebuilt, then the whole list,
    // only the track, or nothing is painted again before the refresh.
    enum class Repaint { All, Track, None };
    void setGradientColour(qint32 &field, qint32 value, const char *name,
                           void (MorphListBoxSurface::*rebuild)(), Repaint repaint);
    void rebuiltChange(const char *name);
    void redrawAndRefresh();
    void takeShape(const QRegion &region);

    // Pointer: hit regions, presses, drag selection, line and page steps.
    void HitTest(float x, float y);
    bool inScrollColumn(float x) const;
    void press(int button, int shift, float x, float y);
    void PressItemCheckStyle(int index);
    void PressItemSingle(int index);
    void PressItemSimple(int index);
    void PressItemExtended(int index);
    void DragSelect();
    void LineDown();
    void LineUp();
    void PageUpByTrack();
    void PageDownByTrack();
    void RepaintCaretChange(int mode);
    // Ends the current press and every loop it runs; the scroll bar gets
    // its normal look back unless the caller paints the whole list itself.
    void endPress(bool repaint = true);
    // Items went away under a press: it ends, as its rows may be gone.
    void endPressOnShrink();
    void paintCleared();
    // The list painted after an item method, or later when drawing is
    // held; "always" for the methods that paint whatever RedrawFlag says.
    void paintItems(bool always);

    // Keyboard: one dispatcher per key, the variant by style and mode.
    void navigate(int keyCode);
    void pageKey(bool down);
    void endKey(bool end);
    void spaceKey();
    void arrowKey(int step);

    // Selection operations and the timed loops.
    void SelectCaret();
    void SelectCaretSingle();
    void SelectCaretSimple();
    void SelectCaretExtended(bool count);
    void EnsureFocusVisible();
    void RepeatScroll(int step);
    bool EdgeAutoScroll();
    bool ThumbBeyondEnds();
    void ThumbDrag();
    void repeatRound();
    void thumbRound();
    void paintRow(int index, bool withFocus); // its own selected look
    void stopLoopsIfIdle();

    // A held button's steps fall due at fixed times (the first delay, then
    // one spacing after another), so a late tick never pushes the later
    // steps back; after a pause off the bar the rhythm starts again.
    struct RepeatLoop {
        bool active = false;
        bool resync = false;
        int step = 0;
        qint64 due = 0;
    };

    MorphListBoxProperties m_props;
    MorphListBoxModel m_model;
    MorphListBoxInput m_input;
    MorphListBoxSurface m_surface;
    bool m_userMode = true;
    std::function<qint64()> m_clock;
    QTimer m_loopTimer;
    RepeatLoop m_repeat;
    bool m_pressSeen = false;
    int m_pressItems = 0; // the items a running press was started over
    int m_holds = 0;
    bool m_heldItems = false;
    bool m_heldForced = false;
    bool m_heldClear = false;
    mutable int m_lastError = NoError;
};
