#include "packs/TribeColourEditor.h"

#include "packs/TribeColourBroadcast.h"
#include "packs/TribeColours.h"
#include "packs/TribeFigure.h"
#include "packs/TribePreviews.h"

#include <QPainter>
#include <QRegularExpression>
#include <cmath>

namespace {

// Digits with an optional sign, decimal point and exponent, blanks around.
bool readNumber(const QString &text, double *value)
{
    static const QRegularExpression number(
        QStringLiteral("^ *[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)? *$"));
    if (!number.match(text).hasMatch())
        return false;
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok || std::isinf(*value);
}

bool isComponent(int component)
{
    return component >= 0 && component < 3;
}

} // namespace

TribeColourEditor::TribeColourEditor(TribeColours &colours, TribePreviews &previews,
                                     TribeColourBroadcast &broadcast, const qint16 &selectedTribe,
                                     QObject *parent)
    : QObject(parent)
    , m_colours(colours)
    , m_previews(previews)
    , m_broadcast(broadcast)
    , m_selectedTribe(selectedTribe)
{
    m_stepCommit.setSingleShot(true);
    m_stepCommit.setInterval(StepCommitMs);
    connect(&m_stepCommit, &QTimer::timeout, this, &TribeColourEditor::commit);
}

qint32 TribeColourEditor::SwatchColour(int index)
{
    static constexpr std::array<qint32, SwatchCount> swatches{
        TribeColours::rgb(51, 63, 203),  TribeColours::rgb(163, 19, 0),   TribeColours::rgb(163, 119, 19),
        TribeColours::rgb(47, 171, 99),  TribeColours::rgb(0, 0, 120),    TribeColours::rgb(0, 0, 255),
        TribeColours::rgb(0, 255, 255),  TribeColours::rgb(0, 255, 0),    TribeColours::rgb(0, 120, 0),
        TribeColours::rgb(153, 102, 0),  TribeColours::rgb(255, 255, 0),  TribeColours::rgb(255, 144, 0),
        TribeColours::rgb(255, 0, 0),    TribeColours::rgb(120, 0, 120),  TribeColours::rgb(0, 0, 0),
        TribeColours::rgb(255, 255, 255)};
    return index >= 0 && index < SwatchCount ? swatches[size_t(index)] : -1;
}

QImage TribeColourEditor::SwatchPicture(int index)
{
    QImage image(SwatchSize, SwatchSize, QImage::Format_RGB32);
    image.fill(qRgb(64, 64, 64));
    QPainter p(&image);
    p.setPen(QColor(224, 224, 224));
    p.drawRect(1, 1, SwatchSize - 3, SwatchSize - 3);
    p.end();
    const QRgb colour = TribeFigure::toRgb(qMax(0, SwatchColour(index)));
    for (int y = 2; y < SwatchSize - 2; ++y)
        for (int x = 2; x < SwatchSize - 2; ++x)
            image.setPixel(x, y, colour);
    return image;
}

QString TribeColourEditor::text(int component) const
{
    return isComponent(component) ? m_text[size_t(component)] : QString();
}

int TribeColourEditor::caret(int component) const
{
    return isComponent(component) ? m_caret[size_t(component)] : 0;
}

int TribeColourEditor::HScroll(int component) const
{
    return isComponent(component) ? m_bar[size_t(component)] : 0;
}

void TribeColourEditor::setTribeBarsEnabled(bool on)
{
    if (on == m_barsEnabled)
        return;
    if (!on)
        commit();
    m_barsEnabled = on;
}

qint32 TribeColourEditor::BarRampColour(int red, int green, int blue, int shade)
{
    const auto lift = [shade](int c) { return qMin(255, qBound(0, c, 255) + 20 * shade); };
    return TribeColours::rgb(lift(red), lift(green), lift(blue));
}

void TribeColourEditor::writeText(int component, const QString &text)
{
    // Text written by code leaves the caret at the start, and runs the change handler.
    txtChange(component, text, 0);
}

void TribeColourEditor::txtChange(int component, const QString &text, int caret)
{
    if (!isComponent(component))
        return;
    const size_t c = size_t(component);
    double value = 0;
    QString shown = text;
    if (readNumber(text, &value) && value <= 255 && std::nearbyint(value) >= 0)
        m_bar[c] = int(std::nearbyint(value));   // halves go to the even neighbour
    else
        shown = QString::number(m_bar[c]);
    shown.remove(QLatin1Char(' '));
    m_text[c] = shown;
    m_caret[c] = qBound(0, caret, int(shown.size()));
    Q_EMIT changed();
}

void TribeColourEditor::barMoved(int component, int value, bool dragging)
{
    if (!isComponent(component))
        return;
    m_bar[size_t(component)] = qBound(0, value, 255);
    Q_EMIT changed();
    HScroll_Scroll(component);
    if (dragging)
        m_stepCommit.stop();   // the release sends
    else if (m_unsent)
        m_stepCommit.start();  // a run of steps sends once it pauses
}

void TribeColourEditor::barReleased()
{
    commit();
}

void TribeColourEditor::HScroll_Scroll(int /*index*/)
{
    if (!m_barsEnabled)
        return;
    for (int i = 0; i < 3; ++i)
        writeText(i, QString::number(m_bar[size_t(i)]));
    const int tribe = m_selectedTribe;
    if (!TribeColours::isTribe(tribe))
        return;   // nothing to send either
    for (int k = 0; k < TribeColours::ShadeCount; ++k)
        m_colours.setColour(tribe, k, BarRampColour(m_bar[0], m_bar[1], m_bar[2], k));
    m_previews.RecolourAll();
    m_unsent = true;
}

void TribeColourEditor::PickTribeColour(int index)
{
    const qint32 colour = SwatchColour(index);
    if (colour >= 0) {
        writeText(Red, QString::number(colour & 0xFF));
        writeText(Green, QString::number((colour >> 8) & 0xFF));
        writeText(Blue, QString::number((colour >> 16) & 0xFF));
        if (index < RampSwatches) {
            if (TribeColours::isTribe(m_selectedTribe))
                m_colours.setRamp(m_selectedTribe, index);
        } else {
            HScroll_Scroll(0);
        }
    }
    // One command for the whole pick, whatever the bars derived above.
    m_unsent = true;
    commit();
}

void TribeColourEditor::commit()
{
    m_stepCommit.stop();
    if (!m_unsent)
        return;
    m_unsent = false;
    m_broadcast.SendTribeColours();
}
