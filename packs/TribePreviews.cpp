#include "packs/TribePreviews.h"

#include "packs/TribeColours.h"
#include "packs/TribeFigure.h"

TribePreviews::TribePreviews(const TribeColours &colours, QObject *parent)
    : QObject(parent)
    , m_colours(colours)
{
    for (int t = 0; t < TribeColours::TribeCount; ++t) {
        m_reference[t] = TribeFigure::draw(t);
        m_preview[t] = m_reference[t].copy();
    }
}

void TribePreviews::RecolourTribePreview(int tribe)
{
    if (!TribeColours::isTribe(tribe))
        return;
    const QImage &ref = m_reference[tribe];
    QImage &out = m_preview[tribe];
    QRgb from[TribeColours::ShadeCount];
    QRgb to[TribeColours::ShadeCount];
    for (int s = 0; s < TribeColours::ShadeCount; ++s) {
        from[s] = TribeFigure::toRgb(m_colours.TribeShade(tribe, s));
        to[s] = TribeFigure::toRgb(m_colours.colour(tribe, s));
    }
    for (int y = 0; y < ref.height(); ++y) {
        const QRgb *src = reinterpret_cast<const QRgb *>(ref.constScanLine(y));
        QRgb *dst = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < ref.width(); ++x) {
            const QRgb c = src[x] | 0xFF000000u;
            for (int s = 0; s < TribeColours::ShadeCount; ++s) {
                if (c == from[s]) {
                    dst[x] = to[s];
                    break;
                }
            }
        }
    }
    Q_EMIT previewRepainted(tribe);
}

void TribePreviews::RecolourAll()
{
    for (int t = 0; t < TribeColours::TribeCount; ++t)
        RecolourTribePreview(t);
}

const QImage &TribePreviews::preview(int tribe) const
{
    return TribeColours::isTribe(tribe) ? m_preview[tribe] : m_empty;
}

const QImage &TribePreviews::reference(int tribe) const
{
    return TribeColours::isTribe(tribe) ? m_reference[tribe] : m_empty;
}
