#pragma once
#include "controls/MorphListBoxInput.h"
#include "controls/MorphListBoxScrollBar.h"

#include <QImage>
#include <QPalette>
#include <QRegion>
#include <QSize>
#include <functional>

class MorphListBoxModel;
struct MorphListBoxProperties;

// The drawing side of a MorphListBox, without a window: a persistent
// surface image, the back buffer that unselected rows are restored from, the
// six gradient bitmaps, the row layout, the scroll bar and the window shape.
// The control shows the surface and takes the shape as its mask.
class MorphListBoxSurface
{
public:
    MorphListBoxSurface(MorphListBoxProperties &properties, MorphListBoxModel &model,
                        const MorphListBoxInput &input);

    // Asked for after each paint pass (the window repaints from the image)
    // and whenever the window shape is built.
    std::function<void()> onRefresh;
    std::function<void(const QRegion &)> onShape;

    // The palette that system colours are taken from.
    void setPalette(const QPalette &palette) { m_palette = palette; }

    // The first full build, and every later change of size, list font,
    // border or background: row height, layout, back buffer and gradients
    // are rebuilt for the current size; Redraw follows when asked for.
    void InitialiseDrawing(QSize size);
    void Rebuild(QSize size, bool redraw);

    void ComputeLayout();
    void Redraw();
    void PaintList(float grabOffset = -1);
    void PaintItem(int index, bool state, bool withFocus);
    void DrawBackground();
    // The border ring goes back over a fresh background: the window shape
    // with a picture, the ring alone without one.
    void RestoreBorder();
    void ApplyShape();
    void Refresh();

    void RebuildGradients();
    void BuildBackGradient();
    void BuildSelectionGradient();
    void BuildTrackGradients();
    void BuildTrackClickGradient();
    void BuildButtonGradient();
    void BuildThumbGradient();

    void PaintScrollBar(float grabOffset);
    void PaintTrack();
    void PaintArrowButton(int button); // 1 up, 2 down
    void PaintThumb(float grabOffset);
    // The track painted again with the thumb where it is shown now.
    void RepaintTrack();
    bool IsAboveThumb(float y) const { return y < ThumbRect.top; }

    // The item area of the hit test (bounds included).
    bool InItemArea(float x, float y) const;

    qint32 translate(qint32 colour) const;

    const QImage &image() const { return m_surface; }
    const QImage &backBuffer() const { return m_back; }
    int width() const { return m_surface.width(); }
    int height() const { return m_surface.height(); }

    int RowHeight = 0;
    int TextLeft = 0;
    int TrackHeight = 0;
    int ThumbHeight = -1;
    int ThumbTop = 0;
    int ThumbTravelTop = 0;
    int ThumbTravelBottom = 0;
    MorphListBoxRect UpButtonRect, DownButtonRect, TrackRect, ThumbRect;
    QRegion WindowRegion;

    QImage BackGradient, SelectionGradient, TrackGradient, TrackClickGradient, ButtonGradient,
        ThumbGradient;

private:
    void measureRowHeight();
    void refillBackBuffer();
    void drawPicture(QImage &target);
    void fillBorderRing(QImage &target, QRegion *outer = nullptr);
    void drawCheckBox(int row, bool checked);
    void drawFocusFrame(int row);
    void drawFrame(int x1, int y1, int x2, int y2, qint32 colour);
    void drawArrowGlyph(int button);
    void paintThumbAt(int top);
    void computeThumbHeight();
    int bw() const;
    int pitch() const;

    MorphListBoxProperties &m_props;
    MorphListBoxModel &m_model;
    const MorphListBoxInput &m_input;
    QPalette m_palette;
    QImage m_surface;
    QImage m_back;
};

// Pixel copies onto an image, clipped to both images. The stretch reads its
// source rectangle from the bottom-left corner of the source (the gradient
// bitmaps are bottom-up) and samples the nearest source pixel.
void MorphListBoxCopy(QImage &target, int dx, int dy, int w, int h, const QImage &source, int sx, int sy);
void MorphListBoxStretch(QImage &target, int dx, int dy, int dw, int dh, const QImage &source,
                         int sx, int syFromBottom, int sw, int sh);
