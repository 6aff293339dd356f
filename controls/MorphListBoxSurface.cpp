#include "controls/MorphListBoxSurface.h"

#include "controls/MorphListBoxGradient.h"
#include "controls/MorphListBoxModel.h"
#include "controls/MorphListBoxProperties.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <array>

namespace {

constexpr qint32 ButtonFace = qint32(0x8000000F);

// Check marks as runs of pixels: (row below the box top, first and last
// column counted from the mark's own left edge).
struct Run
{
    int d, from, to;
};
constexpr std::array<Run, 11> tickRuns{{{3, 9, 12}, {4, 8, 11}, {5, 7, 10}, {6, 1, 2}, {6, 6, 9},
                                        {7, 1, 3}, {7, 5, 8}, {8, 1, 7}, {9, 2, 6}, {10, 3, 5},
                                        {11, 4, 4}}};
constexpr std::array<Run, 11> crossRuns{{{4, 1, 2}, {4, 6, 7}, {5, 1, 3}, {5, 5, 7}, {6, 2, 6},
                                         {7, 3, 5}, {8, 2, 6}, {9, 1, 3}, {9, 5, 7}, {10, 1, 2},
                                         {10, 6, 7}}};

void fillRegion(QImage &target, const QRegion &region, const QColor &colour)
{
    QPainter p(&target);
    for (const QRect &r : region)
        p.fillRect(r, colour);
}

void fillPixels(QImage &target, int x, int y, int w, int h, const QColor &colour)
{
    const QRect r = QRect(x, y, w, h) & target.rect();
    const QRgb rgb = colour.rgb();
    for (int yy = r.top(); yy <= r.bottom(); ++yy) {
        auto *line = reinterpret_cast<QRgb *>(target.scanLine(yy));
        std::fill(line + r.left(), line + r.left() + r.width(), rgb);
    }
}

} // namespace

void MorphListBoxCopy(QImage &target, int dx, int dy, int w, int h, const QImage &source, int sx, int sy)
{
    for (int y = 0; y < h; ++y) {
        const int ty = dy + y, syy = sy + y;
        if (ty < 0 || ty >= target.height() || syy < 0 || syy >= source.height())
            continue;
        auto *to = reinterpret_cast<QRgb *>(target.scanLine(ty));
        const auto *from = reinterpret_cast<const QRgb *>(source.constScanLine(syy));
        for (int x = 0; x < w; ++x) {
            const int tx = dx + x, sxx = sx + x;
            if (tx >= 0 && tx < target.width() && sxx >= 0 && sxx < source.width())
                to[tx] = from[sxx];
        }
    }
}

void MorphListBoxStretch(QImage &target, int dx, int dy, int dw, int dh, const QImage &source,
                         int sx, int syFromBottom, int sw, int sh)
{
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || source.isNull())
        return;
    const int sourceTop = source.height() - syFromBottom - sh;
    for (int y = 0; y < dh; ++y) {
        const int ty = dy + y;
        const int syy = sourceTop + int((2 * qint64(y) + 1) * sh / (2 * qint64(dh)));
        if (ty < 0 || ty >= target.height() || syy < 0 || syy >= source.height())
            continue;
        auto *to = reinterpret_cast<QRgb *>(target.scanLine(ty));
        const auto *from = reinterpret_cast<const QRgb *>(source.constScanLine(syy));
        for (int x = 0; x < dw; ++x) {
            const int tx = dx + x;
            const int sxx = sx + int((2 * qint64(x) + 1) * sw / (2 * qint64(dw)));
            if (tx >= 0 && tx < target.width() && sxx >= 0 && sxx < source.width())
                to[tx] = from[sxx] | 0xFF000000u;
        }
    }
}

MorphListBoxSurface::MorphListBoxSurface(MorphListBoxProperties &properties, MorphListBoxModel &model,
                                         const MorphListBoxInput &input)
    : m_props(properties)
    , m_model(model)
    , m_input(input)
{
}

int MorphListBoxSurface::bw() const
{
    return m_props.BorderWidth;
}

qint32 MorphListBoxSurface::translate(qint32 colour) const
{
    return TranslateMorphListBoxColour(colour, m_palette);
}

void MorphListBoxSurface::measureRowHeight()
{
    const QImage device(1, 1, QImage::Format_RGB32);
    const QFontMetricsF metrics(m_props.ListFont, &device);
    RowHeight = MorphListBoxNearest(metrics.size(Qt::TextSingleLine, QStringLiteral("^j")).height());
}

int MorphListBoxSurface::pitch() const
{
    if (m_props.Style != 1)
        return std::max(RowHeight, 1);
    return RowHeight >= 13 ? RowHeight + 2 : 15; // a check box needs 13 pixels
}

void MorphListBoxSurface::ComputeLayout()
{
    const int avail = MorphListBoxNearest(height() - 10 - 2.0 * bw());
    const int rows = int(std::floor(double(avail) / pitch()));
    m_model.VisibleRows = std::clamp(rows, 0, int(MorphListBoxModel::MaxRows));
    TextLeft = bw() + (m_props.Style == 1 ? 23 : 3);
    m_model.RowTops.fill(0);
    for (int i = 0; i < m_model.VisibleRows; ++i)
        m_model.RowTops[i] = bw() + 5 + i * pitch();
}

void MorphListBoxSurface::InitialiseDrawing(QSize size)
{
    m_surface = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_surface.fill(MorphListBoxQColor(translate(ButtonFace)));
    measureRowHeight();
    // A fresh control shows nothing until its first item; a control that is
    // loaded again while it holds items keeps showing them.
    m_model.TopIndex = m_model.ListCount() > 0 ? 0 : -1;
    m_model.BottomIndex = -1;
    ComputeLayout();
    RebuildGradients();
    refillBackBuffer();
    if (!m_props.HasPicture()) {
        MorphListBoxCopy(m_surface, 0, 0, width(), height(), m_back, 0, 0);
        ApplyShape();
    } else {
        drawPicture(m_surface);
        ApplyShape();
    }
}

void MorphListBoxSurface::Rebuild(QSize size, bool redraw)
{
    size = size.expandedTo(QSize(1, 1));
    if (size != m_surface.size()) {
        // The surface keeps what it showed where the old and the new size meet.
        QImage resized(size, QImage::Format_RGB32);
        resized.fill(MorphListBoxQColor(translate(ButtonFace)));
        MorphListBoxCopy(resized, 0, 0, width(), height(), m_surface, 0, 0);
        m_surface = resized;
    }
    measureRowHeight();
    ComputeLayout();
    RebuildGradients();
    refillBackBuffer();
    m_model.LayoutDirty = true;
    if (redraw)
        Redraw();
}

void MorphListBoxSurface::refillBackBuffer()
{
    m_back = QImage(m_surface.size(), QImage::Format_RGB32);
    if (!m_props.HasPicture()) {
        MorphListBoxStretch(m_back, 0, 0, width(), height(), BackGradient, 0, 0, width(), height());
        fillBorderRing(m_back); // rows restored near a rounded corner keep its ring
    } else {
        m_back.fill(MorphListBoxQColor(translate(ButtonFace)));
        drawPicture(m_back);
        fillBorderRing(m_back);
    }
}

void MorphListBoxSurface::Redraw()
{
    if (!m_props.RedrawFlag)
        return;
    DrawBackground();
    ApplyShape();
    PaintList(-1);
}

void MorphListBoxSurface::Refresh()
{
    if (onRefresh)
        onRefresh();
}

void MorphListBoxSurface::RebuildGradients()
{
    BuildBackGradient();
    BuildSelectionGradient();
    BuildTrackGradients();
    BuildButtonGradient();
    BuildThumbGradient();
}

void MorphListBoxSurface::BuildBackGradient()
{
    BuildMorphListBoxGradient(BackGradient, width(), height(), translate(m_props.BackColor1),
                              translate(m_props.BackColor2), m_props.BackAngle, m_props.BackMiddleOut);
}

void MorphListBoxSurface::BuildSelectionGradient()
{
    BuildMorphListBoxGradient(SelectionGradient, width() - 2 * bw(), RowHeight,
                              translate(m_props.SelColor1), translate(m_props.SelColor2), 90, true);
}

void MorphListBoxSurface::BuildTrackGradients()
{
    TrackHeight = MorphListBoxTrackHeight(height(), bw());
    BuildMorphListBoxGradient(TrackGradient, width() - 15, TrackHeight,
                              translate(m_props.TrackBarColor1), translate(m_props.TrackBarColor2), 180,
                              true);
    BuildTrackClickGradient();
}

void MorphListBoxSurface::BuildTrackClickGradient()
{
    TrackHeight = MorphListBoxTrackHeight(height(), bw());
    BuildMorphListBoxGradient(TrackClickGradient, width() - 15, TrackHeight,
                              translate(m_props.TrackClickColor1), translate(m_props.TrackClickColor2),
                              180, true);
}

void MorphListBoxSurface::BuildButtonGradient()
{
    BuildMorphListBoxGradient(ButtonGradient, width() - 15, 15, translate(m_props.ButtonColor1),
                              translate(m_props.ButtonColor2), 180, true);
}

void MorphListBoxSurface::BuildThumbGradient()
{
    BuildMorphListBoxGradient(ThumbGradient, width() - 15, TrackHeight, translate(m_props.ThumbColor1),
                              translate(m_props.ThumbColor2), 180, true);
}

void MorphListBoxSurface::drawPicture(QImage &target)
{
    const QImage picture = m_props.Picture.convertToFormat(QImage::Format_RGB32);
    const int W = width(), H = height(), BW = bw();
    switch (m_props.PictureMode) {
    case 0: {
        // The surface's own background: the picture at its natural size in
        // the top-left corner, the control's face colour around it.
        target.fill(MorphListBoxQColor(translate(ButtonFace)));
        MorphListBoxCopy(target, 0, 0, picture.width(), picture.height(), picture, 0, 0);
        break;
    }
    case 1:
        // Runs under the right and bottom border, which the shape paints over.
        MorphListBoxStretch(target, BW, BW, W - BW, H - BW, picture, 0, 0, picture.width(),
                            picture.height());
        break;
    case 2: {
        QPainter p(&target);
        p.setBrushOrigin(BW, BW);
        p.fillRect(QRect(QPoint(BW, BW), QPoint(W - BW - 1, H - BW - 1)), QBrush(picture));
        break;
    }
    default:
        break;
    }
}

void MorphListBoxSurface::DrawBackground()
{
    if (!m_props.HasPicture()) {
        const int BW = bw();
        MorphListBoxStretch(m_surface, BW, BW, width() - 2 * BW, height() - 2 * BW, BackGradient, BW, BW,
                            width() - 2 * BW, height() - 2 * BW);
    } else {
        drawPicture(m_surface);
    }
}

void MorphListBoxSurface::fillBorderRing(QImage &target, QRegion *outerOut)
{
    const int W = width(), H = height(), BW = bw();
    const QRegion outer = MorphListBoxShapeRegion(0, 0, W, H, m_props.CurveTopLeft, m_props.CurveTopRight,
                                                  m_props.CurveBottomLeft, m_props.CurveBottomRight);
    const QRegion inner = MorphListBoxShapeRegion(BW, BW, W - BW, H - BW, m_props.CurveTopLeft,
                                                  m_props.CurveTopRight, m_props.CurveBottomLeft,
                                                  m_props.CurveBottomRight);
    fillRegion(target, outer - inner, MorphListBoxQColor(translate(m_props.BorderColor)));
    if (outerOut)
        *outerOut = outer;
}

// The background covers the rounded parts of the border ring inside the
// frame's rectangle, so every background paint puts the ring back on top.
void MorphListBoxSurface::RestoreBorder()
{
    if (m_props.HasPicture())
        ApplyShape();
    else
        fillBorderRing(m_surface);
}

void MorphListBoxSurface::ApplyShape()
{
    QRegion outer;
    fillBorderRing(m_surface, &outer);
    WindowRegion = outer;
    if (onShape)
        onShape(outer);
}

void MorphListBoxSurface::PaintList(float grabOffset)
{
    m_model.settleWindow();
    DrawBackground();
    RestoreBorder();
    if (m_model.TopIndex == -1) {
        Refresh();
        return;
    }
    for (int i = m_model.TopIndex; i <= m_model.BottomIndex; ++i)
        PaintItem(i, m_model.Selected(i), false);
    if (m_props.Style == 1) {
        if (m_model.CaretIndex == -1 && m_model.ListCount() > 0) {
            m_model.CaretIndex = 0;
            m_model.FocusIndex = 0;
            m_model.setListIndex(0);
        }
        PaintItem(m_model.FocusIndex, true, true);
    } else {
        PaintItem(m_model.FocusIndex, m_model.Selected(m_model.FocusIndex), true);
    }
    if (m_model.ScrollBarVisible)
        PaintScrollBar(grabOffset);
    Refresh();
}

void MorphListBoxSurface::PaintItem(int index, bool state, bool withFocus)
{
    if (!m_model.IsIndexVisible(index))
        return;
    const int row = index - m_model.TopIndex;
    if (row < 0 || row >= m_model.VisibleRows)
        return;
    const int W = width(), BW = bw();
    const int top = m_model.RowTops[row];
    const int sb = m_model.ScrollBarVisible ? 15 : 0;
    const bool checkBoxes = m_props.Style == 1;
    // A row past the last item (a window that ran one row beyond the end)
    // shows the background only.
    const bool isItem = m_model.isItem(index);
    const bool selectedLook = isItem && state && (!checkBoxes || index == m_model.CaretIndex);

    qint32 textColour;
    if (!selectedLook) {
        textColour = translate(m_props.TextColor);
        // The strip comes from one pixel higher in the back buffer.
        MorphListBoxCopy(m_surface, BW, top, W - 2 * BW - sb, RowHeight + 1, m_back, BW, top - 1);
    } else {
        if (checkBoxes) {
            const int boxTop = RowHeight < 14 ? top : MorphListBoxNearest(top + (RowHeight - 13) / 2.0);
            MorphListBoxCopy(m_surface, BW, boxTop, BW + 16, 13, m_back, BW, boxTop);
        }
        textColour = translate(m_props.SelTextColor);
        const int off = checkBoxes ? 21 : 1;
        MorphListBoxStretch(m_surface, BW + off, top, W - 2 * BW - sb - off, RowHeight, SelectionGradient,
                            0, 0, W - 2 * BW, RowHeight);
    }
    if (!isItem)
        return;

    {
        QPainter p(&m_surface);
        const QRect box(QPoint(TextLeft, top), QPoint(W - BW - sb - 1, top + RowHeight - 1));
        p.setClipRect(box);
        p.setFont(m_props.ListFont);
        p.setPen(MorphListBoxQColor(textColour));
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_model.List(index));
    }
    if (checkBoxes)
        drawCheckBox(row, m_model.Selected(index));
    if (withFocus && m_input.HasFocus)
        drawFocusFrame(row);
}

void MorphListBoxSurface::drawFrame(int x1, int y1, int x2, int y2, qint32 colour)
{
    const QRegion outer(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                              QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1)));
    QRegion inner;
    if (x2 - x1 > 2 && y2 - y1 > 2)
        inner = QRegion(x1 + 1, y1 + 1, x2 - x1 - 2, y2 - y1 - 2);
    fillRegion(m_surface, outer.xored(inner), MorphListBoxQColor(translate(colour)));
}

void MorphListBoxSurface::drawCheckBox(int row, bool checked)
{
    const int BW = bw();
    const int t = m_model.RowTops[row];
    const int y = RowHeight < 14 ? t : MorphListBoxNearest(t + (RowHeight - 13) / 2.0);
    drawFrame(BW + 4, y, BW + 18, y + 14, m_props.CheckBoxColor);
    if (!checked)
        return;
    const QColor mark = MorphListBoxQColor(translate(m_props.CheckboxArrowColor));
    switch (m_props.CheckStyle) {
    case 0:
        // Six strokes of a two-pixel pen, 10 down to 0 pixels long: a
        // triangle pointing right.
        for (int k = 0; k <= 5; ++k)
            fillPixels(m_surface, BW + 9 + k - 1, y + 2 + k, 2, 10 - 2 * k, mark);
        break;
    case 1:
        for (const Run &r : tickRuns)
            fillPixels(m_surface, BW + 5 + r.from, y + r.d, r.to - r.from + 1, 1, mark);
        break;
    case 2:
        for (const Run &r : crossRuns)
            fillPixels(m_surface, BW + 7 + r.from, y + r.d, r.to - r.from + 1, 1, mark);
        break;
    default:
        break;
    }
}

void MorphListBoxSurface::drawFocusFrame(int row)
{
    const int BW = bw();
    const int left = BW + (m_props.Style == 1 ? 21 : 1);
    const int top = m_model.RowTops[row];
    const int right = m_model.ScrollBarVisible ? width() - BW - 15 : width() - BW;
    drawFrame(left, top, right, top + RowHeight, m_props.FocusRectColor);
}

void MorphListBoxSurface::computeThumbHeight()
{
    ThumbHeight = MorphListBoxThumbHeight(m_model.ListCount(), m_model.VisibleRows, TrackHeight);
    m_model.LayoutDirty = false;
}

void MorphListBoxSurface::PaintScrollBar(float grabOffset)
{
    // The thumb is sized before it is placed, so a list that just changed
    // length never shows a thumb of the old size at the new place.
    computeThumbHeight();
    PaintTrack();
    PaintArrowButton(1);
    PaintArrowButton(2);
    PaintThumb(grabOffset);
    const MorphListBoxScrollRects rects = MorphListBoxScrollBarRects(width(), height(), bw());
    UpButtonRect = rects.up;
    DownButtonRect = rects.down;
    TrackRect = rects.track;
}

void MorphListBoxSurface::PaintTrack()
{
    if (!m_model.ScrollBarVisible)
        return;
    if (ThumbHeight < 0)
        computeThumbHeight();
    const int W = width(), H = height(), BW = bw();
    const MorphListBoxThumbPlace place =
        MorphListBoxThumbPosition(H, BW, ThumbHeight, m_model.TopIndex, m_model.BottomIndex,
                                  m_model.ListCount(), m_model.VisibleRows);
    ThumbTop = place.top;
    ThumbTravelTop = place.travelTop;
    ThumbTravelBottom = place.travelBottom;
    const int x = W - 15 - BW;
    MorphListBoxStretch(m_surface, x, BW + 15, 15, TrackHeight, TrackGradient, 0, 0, x, TrackHeight);
    if (m_input.PressAction == MorphListBoxInput::PagingDown)
        MorphListBoxStretch(m_surface, x, ThumbTop + ThumbHeight, 15, H - ThumbTop - ThumbHeight - 15,
                            TrackClickGradient, 0, 0, x, TrackHeight);
    else if (m_input.PressAction == MorphListBoxInput::PagingUp)
        MorphListBoxStretch(m_surface, x, BW + 15, 15, ThumbTop - (BW + 15), TrackClickGradient, 0, 0, x,
                            TrackHeight);
}

void MorphListBoxSurface::PaintArrowButton(int button)
{
    if (button != 1 && button != 2)
        return;
    const int x = width() - 15 - bw();
    const int y = button == 1 ? bw() : height() - bw() - 15;
    MorphListBoxStretch(m_surface, x, y, 15, 15, ButtonGradient, 0, 0, x, 15);
    drawArrowGlyph(button);
}

void MorphListBoxSurface::drawArrowGlyph(int button)
{
    const bool held = (button == 1 && m_input.PressAction == MorphListBoxInput::UpButtonHeld)
                      || (button == 2 && m_input.PressAction == MorphListBoxInput::DownButtonHeld);
    const QColor colour =
        MorphListBoxQColor(translate(held ? m_props.ArrowDownColor : m_props.ArrowUpColor));
    const int x0 = width() - 15 - bw() + 3;
    const int y0 = button == 1 ? bw() + 9 : height() - bw() - 15 + 6;
    for (int k = 0; k <= 4; ++k)
        fillPixels(m_surface, x0 + k, button == 1 ? y0 - k : y0 + k, 9 - 2 * k, 1, colour);
}

void MorphListBoxSurface::PaintThumb(float grabOffset)
{
    int top = ThumbTop;
    if (grabOffset != -1) {
        top = MorphListBoxNearest(double(m_input.MouseY) - grabOffset);
        if (top + ThumbHeight > DownButtonRect.top)
            top = DownButtonRect.top - ThumbHeight;
        if (top < UpButtonRect.bottom)
            top = UpButtonRect.bottom + 1;
    }
    paintThumbAt(top);
}

void MorphListBoxSurface::RepaintTrack()
{
    if (!m_model.ScrollBarVisible)
        return;
    PaintTrack();
    // The track runs under the thumb: the thumb goes back where it shows,
    // also in the middle of a drag.
    paintThumbAt(ThumbRect.top);
}

void MorphListBoxSurface::paintThumbAt(int top)
{
    const int left = width() - 15 - bw();
    ThumbRect = {left, top, left + 14, top + ThumbHeight - 1};
    if (ThumbHeight <= 0)
        return;
    MorphListBoxStretch(m_surface, left, top, 15, ThumbHeight, ThumbGradient, 0, 0, left, ThumbHeight);
    drawFrame(ThumbRect.left + 1, ThumbRect.top, ThumbRect.right, ThumbRect.bottom, m_props.ThumbBorderColor);
}

bool MorphListBoxSurface::InItemArea(float x, float y) const
{
    const int BW = bw();
    const int right = m_model.ScrollBarVisible ? width() - BW - 16 : width() - BW - 1;
    return x >= BW && x <= right && y >= BW && y <= height() - BW;
}
