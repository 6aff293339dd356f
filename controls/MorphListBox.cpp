#include "controls/MorphListBox.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <limits>
#include <utility>

MorphListBox::MorphListBox(QWidget *parent)
    : QWidget(parent)
    , m_model(m_props)
    , m_surface(m_props, m_model, m_input)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_surface.setPalette(palette());
    m_surface.onRefresh = [this] { update(); };
    m_surface.onShape = [this](const QRegion &region) { takeShape(region); };
    setMouseTracking(true); // MouseMove, hit regions and MouseEnter without a button
    setClock({});
    m_loopTimer.setInterval(25);
    connect(&m_loopTimer, &QTimer::timeout, this, &MorphListBox::tickLoops);
    // An instance made in code is loaded from an empty store: every
    // property has its default and the drawing is built once.
    ReadProperties(MorphListBoxStore());
}

MorphListBox::~MorphListBox() = default;

QFont MorphListBox::containerFont() const
{
    return parentWidget() ? parentWidget()->font() : font();
}

bool MorphListBox::fail(Error error)
{
    m_lastError = error;
    return false;
}

void MorphListBox::mark(const char *name)
{
    Q_EMIT PropertyChanged(QLatin1String(name));
}

void MorphListBox::redrawAndRefresh()
{
    m_surface.Redraw();
    m_surface.Refresh();
}

void MorphListBox::takeShape(const QRegion &region)
{
    if (region != mask())
        setMask(region);
}

// ---- methods ------------------------------------------------------------

void MorphListBox::DisplayFrom(int ItemIndex)
{
    if (m_model.DisplayFrom(ItemIndex))
        paintItems(true);
}

int MorphListBox::FindIndex(const QString &sStringToMatch, bool CaseSensitive) const
{
    return m_model.FindIndex(sStringToMatch, CaseSensitive);
}

int MorphListBox::MouseOverIndex(float YPos) const
{
    return m_model.MouseOverIndex(YPos, m_surface.InItemArea(m_input.MouseX, m_input.MouseY),
                                  m_input.EdgeScrolling);
}

void MorphListBox::Refresh()
{
    update();
}

void MorphListBox::AddItem(const QString &ItemToAdd, int Index)
{
    bool badIndex = false;
    if (m_model.AddItem(ItemToAdd, Index, &badIndex)) {
        m_pressItems = std::max(m_pressItems, m_model.ListCount());
        paintItems(false);
    } else if (badIndex) {
        fail(InvalidCall);
    }
}

void MorphListBox::RemoveItem(int Index)
{
    if (!m_model.RemoveItem(Index))
        return;
    endPress(false);
    paintItems(false);
}

void MorphListBox::Clear()
{
    m_model.Clear();
    endPress(false);
    if (drawingHeld())
        m_heldClear = true;
    else
        paintCleared();
}

void MorphListBox::paintItems(bool always)
{
    if (drawingHeld())
        (always ? m_heldForced : m_heldItems) = true;
    else if (always || m_props.RedrawFlag)
        m_surface.PaintList(-1);
}

void MorphListBox::paintCleared()
{
    m_surface.DrawBackground();
    m_surface.RestoreBorder();
    m_surface.Refresh();
}

void MorphListBox::holdDrawing()
{
    ++m_holds;
}

void MorphListBox::releaseDrawing()
{
    if (m_holds == 0 || --m_holds > 0)
        return;
    const bool items = std::exchange(m_heldItems, false);
    const bool forced = std::exchange(m_heldForced, false);
    const bool cleared = std::exchange(m_heldClear, false);
    if (forced || (items && m_props.RedrawFlag))
        m_surface.PaintList(-1);
    else if (cleared)
        paintCleared();
}

// ---- items ----------------------------------------------------------------

QString MorphListBox::List(int Index)
{
    bool ok = true;
    const QString text = m_model.List(Index, &ok);
    if (!ok)
        fail(SubscriptOutOfRange);
    return text;
}

int MorphListBox::ItemData(int Index)
{
    bool ok = true;
    const int value = m_model.ItemData(Index, &ok);
    if (!ok)
        fail(SubscriptOutOfRange);
    return value;
}

bool MorphListBox::setItemData(int Index, int Value)
{
    return m_model.setItemData(Index, Value) || fail(SubscriptOutOfRange);
}

bool MorphListBox::Selected(int Index)
{
    bool ok = true;
    const bool value = m_model.Selected(Index, &ok);
    if (!ok)
        fail(SubscriptOutOfRange);
    return value;
}

bool MorphListBox::setSelected(int Index, bool Value)
{
    if (!m_model.setSelected(Index, Value))
        return fail(SubscriptOutOfRange);
    paintItems(true);
    return true;
}

bool MorphListBox::setListIndex(int Value)
{
    if (!m_userMode)
        return fail(SetNotPermitted);
    if (!m_model.setListIndex(Value))
        return fail(InvalidValue);
    paintItems(true);
    mark("ListIndex");
    return true;
}

bool MorphListBox::setNewIndex(int Value)
{
    if (!m_userMode)
        return fail(SetNotPermitted);
    m_model.setNewIndex(Value);
    mark("NewIndex");
    return true;
}

bool MorphListBox::setSelCount(int)
{
    return fail(m_userMode ? SetNotSupportedAtRunTime : SetNotPermitted);
}

// ---- properties -----------------------------------------------------------

// Size, border, font and background all reach the layout, the gradients
// and the back buffer that rows are restored from: all three are rebuilt.
void MorphListBox::rebuiltChange(const char *name)
{
    mark(name);
    m_surface.Rebuild(size(), false);
    redrawAndRefresh();
}

void MorphListBox::setColour(qint32 &field, qint32 value, const char *name)
{
    field = value;
    mark(name);
    redrawAndRefresh();
}

void MorphListBox::setGradientColour(qint32 &field, qint32 value, const char *name,
                                     void (MorphListBoxSurface::*rebuild)(), Repaint repaint)
{
    field = value;
    mark(name);
    (m_surface.*rebuild)();
    if (repaint == Repaint::All)
        m_surface.Redraw();
    else if (repaint == Repaint::Track)
        m_surface.RepaintTrack();
    m_surface.Refresh();
}

void MorphListBox::setBackAngle(float value)
{
    m_props.BackAngle = value > 360 ? 360.0f : value >= 0 ? value : 0.0f; // not a number gives 0
    rebuiltChange("BackAngle");
}

void MorphListBox::setBackColor1(qint32 value)
{
    m_props.BackColor1 = value;
    rebuiltChange("BackColor1");
}

void MorphListBox::setBackColor2(qint32 value)
{
    m_props.BackColor2 = value;
    rebuiltChange("BackColor2");
}

void MorphListBox::setBackMiddleOut(bool value)
{
    m_props.BackMiddleOut = value;
    rebuiltChange("BackMiddleOut");
}

void MorphListBox::setBorderColor(qint32 value)
{
    setColour(m_props.BorderColor, value, "BorderColor");
}

bool MorphListBox::setBorderWidth(int value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return fail(Overflow);
    m_props.BorderWidth = qint16(value);
    rebuiltChange("BorderWidth");
    return true;
}

void MorphListBox::setCurveBottomLeft(qint32 value)
{
    setColour(m_props.CurveBottomLeft, value, "CurveBottomLeft");
}

void MorphListBox::setCurveBottomRight(qint32 value)
{
    setColour(m_props.CurveBottomRight, value, "CurveBottomRight");
}

void MorphListBox::setCurveTopLeft(qint32 value)
{
    setColour(m_props.CurveTopLeft, value, "CurveTopLeft");
}

void MorphListBox::setCurveTopRight(qint32 value)
{
    setColour(m_props.CurveTopRight, value, "CurveTopRight");
}

void MorphListBox::setEnabled(bool value)
{
    m_props.Enabled = value;
    mark("Enabled");
    // A disabled list sees no release: the press ends here.
    if (!value)
        endPress();
}

void MorphListBox::setPicture(const QImage &picture)
{
    m_props.Picture = picture;
    rebuiltChange("Picture");
}

void MorphListBox::setListFont(const QFont &font)
{
    m_props.ListFont = font;
    rebuiltChange("ListFont");
}

void MorphListBox::setSorted(bool value)
{
    m_props.Sorted = value;
    mark("Sorted");
}

bool MorphListBox::setRedrawFlag(bool value)
{
    if (!m_userMode)
        return fail(SetNotPermitted);
    m_props.RedrawFlag = value;
    mark("RedrawFlag");
    m_surface.Redraw();
    return true;
}

void MorphListBox::setTextColor(qint32 value)
{
    setColour(m_props.TextColor, value, "TextColor");
}

void MorphListBox::setSelColor1(qint32 value)
{
    setGradientColour(m_props.SelColor1, value, "SelColor1", &MorphListBoxSurface::BuildSelectionGradient, Repaint::All);
}

void MorphListBox::setSelColor2(qint32 value)
{
    setGradientColour(m_props.SelColor2, value, "SelColor2", &MorphListBoxSurface::BuildSelectionGradient, Repaint::All);
}

void MorphListBox::setSelTextColor(qint32 value)
{
    setColour(m_props.SelTextColor, value, "SelTextColor");
}

bool MorphListBox::setMultiSelect(qint32 value)
{
    if (m_userMode)
        return fail(SetNotSupportedAtRunTime);
    m_props.MultiSelect = value;
    mark("MultiSelect");
    return true;
}

bool MorphListBox::setStyle(qint32 value)
{
    if (m_userMode)
        return fail(SetNotSupportedAtRunTime);
    m_props.Style = value;
    rebuiltChange("Style"); // check boxes change the row pitch and the text edge
    return true;
}

void MorphListBox::setTrackBarColor1(qint32 value)
{
    setGradientColour(m_props.TrackBarColor1, value, "TrackBarColor1", &MorphListBoxSurface::BuildTrackGradients, Repaint::None);
}

void MorphListBox::setTrackBarColor2(qint32 value)
{
    setGradientColour(m_props.TrackBarColor2, value, "TrackBarColor2", &MorphListBoxSurface::BuildTrackGradients, Repaint::None);
}

void MorphListBox::setButtonColor1(qint32 value)
{
    setGradientColour(m_props.ButtonColor1, value, "ButtonColor1", &MorphListBoxSurface::BuildButtonGradient, Repaint::All);
}

void MorphListBox::setButtonColor2(qint32 value)
{
    setGradientColour(m_props.ButtonColor2, value, "ButtonColor2", &MorphListBoxSurface::BuildButtonGradient, Repaint::All);
}

void MorphListBox::setThumbColor1(qint32 value)
{
    setGradientColour(m_props.ThumbColor1, value, "ThumbColor1", &MorphListBoxSurface::BuildThumbGradient, Repaint::None);
}

void MorphListBox::setThumbColor2(qint32 value)
{
    setGradientColour(m_props.ThumbColor2, value, "ThumbColor2", &MorphListBoxSurface::BuildThumbGradient, Repaint::None);
}

void MorphListBox::setThumbBorderColor(qint32 value)
{
    setColour(m_props.ThumbBorderColor, value, "ThumbBorderColor");
}

void MorphListBox::setArrowUpColor(qint32 value)
{
    setColour(m_props.ArrowUpColor, value, "ArrowUpColor");
}

void MorphListBox::setArrowDownColor(qint32 value)
{
    setColour(m_props.ArrowDownColor, value, "ArrowDownColor");
}

void MorphListBox::setCheckboxArrowColor(qint32 value)
{
    setColour(m_props.CheckboxArrowColor, value, "CheckboxArrowColor");
}

void MorphListBox::setCheckBoxColor(qint32 value)
{
    setColour(m_props.CheckBoxColor, value, "CheckBoxColor");
}

void MorphListBox::setFocusRectColor(qint32 value)
{
    setColour(m_props.FocusRectColor, value, "FocusRectColor");
}

bool MorphListBox::setDblClickBehavior(qint32 value)
{
    if (m_userMode)
        return fail(SetNotSupportedAtRunTime);
    m_props.DblClickBehavior = value;
    mark("DblClickBehavior");
    return true;
}

qint32 MorphListBox::PictureMode()
{
    if (m_userMode) {
        fail(GetNotSupportedAtRunTime);
        return 0;
    }
    return m_props.PictureMode;
}

bool MorphListBox::setPictureMode(qint32 value)
{
    if (m_userMode)
        return fail(SetNotSupportedAtRunTime);
    m_props.PictureMode = value;
    rebuiltChange("PictureMode");
    return true;
}

void MorphListBox::setCheckStyle(qint32 value)
{
    m_props.CheckStyle = value;
    mark("CheckStyle");
}

void MorphListBox::setDragEnabled(bool value)
{
    m_props.DragEnabled = value;
    mark("DragEnabled");
}

void MorphListBox::setTrackClickColor1(qint32 value)
{
    setGradientColour(m_props.TrackClickColor1, value, "TrackClickColor1", &MorphListBoxSurface::BuildTrackClickGradient, Repaint::Track);
}

void MorphListBox::setTrackClickColor2(qint32 value)
{
    setGradientColour(m_props.TrackClickColor2, value, "TrackClickColor2", &MorphListBoxSurface::BuildTrackClickGradient, Repaint::Track);
}

void MorphListBox::setTheme(qint32 value)
{
    m_props.applyTheme(value);
    rebuiltChange("Theme");
}

void MorphListBox::setSortAsNumeric(bool value)
{
    m_props.SortAsNumeric = value;
    mark("SortAsNumeric");
}

// ---- stored settings ------------------------------------------------------

void MorphListBox::InitProperties()
{
    m_props = MorphListBoxProperties();
    m_props.ListFont = containerFont();
    m_model.loadCounters(0, -1, -1);
}

void MorphListBox::ReadProperties(const MorphListBoxStore &store)
{
    MorphListBoxStoredCounters counters;
    LoadMorphListBoxProperties(m_props, counters, store, containerFont());
    m_model.loadCounters(counters.SelCount, counters.NewIndex, counters.ListIndex);
    m_input.StoredDragEnabled = m_props.DragEnabled;
    m_surface.InitialiseDrawing(size());
    update();
}

void MorphListBox::WriteProperties(MorphListBoxStore &store) const
{
    MorphListBoxStoredCounters counters;
    counters.SelCount = m_model.SelCount();
    counters.NewIndex = m_model.NewIndex();
    counters.ListIndex = m_model.ListIndex();
    SaveMorphListBoxProperties(m_props, counters, store, containerFont());
}

// ---- window ---------------------------------------------------------------

void MorphListBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, m_surface.image());
}

void MorphListBox::resizeEvent(QResizeEvent *)
{
    m_surface.Rebuild(size(), true);
    m_surface.Refresh();
    Q_EMIT Resize();
}

void MorphListBox::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange) {
        m_surface.setPalette(palette());
        m_surface.Rebuild(size(), true);
    }
    // Disabled through a container (or QWidget's own switch): no release
    // reaches the list any more, so the press ends now.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        endPress();
    QWidget::changeEvent(event);
}
