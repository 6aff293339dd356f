#include "controls/CoolProgressBar.h"

#include "platform/Dialogs.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <limits>

namespace {

constexpr qint32 Lowest = std::numeric_limits<qint32>::min();
constexpr qint32 Highest = std::numeric_limits<qint32>::max();

int channel(qint32 colour, int shift)
{
    return (colour >> shift) & 0xFF;
}

// A colour value with the top bit set names a system colour by its index.
QColor resolve(qint32 colour, const QPalette &palette)
{
    if (colour >= 0)
        return QColor(channel(colour, 0), channel(colour, 8), channel(colour, 16));
    switch (colour & 0xFF) {
    case 5: return palette.color(QPalette::Base);            // window
    case 8: return palette.color(QPalette::Text);            // window text
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 18: return palette.color(QPalette::ButtonText);
    case 15: return palette.color(QPalette::Button);         // button face
    default: return palette.color(QPalette::Window);
    }
}

// VB mouse codes: 1 left, 2 right, 4 middle; shift 1, ctrl 2, alt 4.
qint16 buttonCode(Qt::MouseButtons buttons)
{
    return qint16((buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
                  | (buttons & Qt::MiddleButton ? 4 : 0));
}

qint16 shiftCode(Qt::KeyboardModifiers m)
{
    return qint16((m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0)
                  | (m & Qt::AltModifier ? 4 : 0));
}

} // namespace

CoolProgressBar::CoolProgressBar(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize CoolProgressBar::sizeHint() const
{
    // 255 twips high; as wide as the container makes it.
    return QSize(120, 17);
}

QRgb CoolProgressBar::stepColour(qint32 color1, qint32 color2, int step)
{
    auto mix = [&](int shift) {
        const double c1 = channel(color1, shift);
        const double c2 = channel(color2, shift);
        return int(std::nearbyint(c1 + (c2 - c1) * step / 256.0));
    };
    return qRgb(mix(0), mix(8), mix(16));
}

int CoolProgressBar::filledLength(int length, qint32 min, qint32 max, qint32 value)
{
    const double span = double(max) - double(min);
    if (span <= 0)
        return 0;
    const double n = std::nearbyint(length / span * (double(value) - double(min)));
    return int(qBound(0.0, n, double(length)));
}

QRect CoolProgressBar::inner() const
{
    return m_borderStyle == 1 ? rect().adjusted(1, 1, -1, -1) : rect();
}

void CoolProgressBar::buildBuffer()
{
    const QRect area = inner();
    // The 256 steps are held whole, then the first 255 stretched over the area.
    QImage line(m_orientation == 1 ? 1 : 256, m_orientation == 1 ? 256 : 1, QImage::Format_RGB32);
    for (int s = 0; s < 256; ++s) {
        if (m_orientation == 1)
            line.setPixel(0, s, stepColour(m_color1, m_color2, 255 - s));
        else
            line.setPixel(s, 0, stepColour(m_color1, m_color2, s));
    }
    if (area.width() > 0 && area.height() > 0 && (m_orientation == 0 || m_orientation == 1)) {
        const QImage part = m_orientation == 1 ? line.copy(0, 0, 1, 255) : line.copy(0, 0, 255, 1);
        m_buffer = part.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    } else {
        m_buffer = QImage();
    }
    m_built = true;
}

void CoolProgressBar::paintEvent(QPaintEvent *)
{
    if (!m_built)
        buildBuffer();
    QPainter p(this);
    p.fillRect(rect(), resolve(m_backColor, palette()));
    const QRect area = inner();
    if (m_borderStyle == 1) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (m_buffer.isNull())
        return;
    if (m_orientation == 0) {
        const int w = filledLength(area.width(), m_min, m_max, m_value);
        p.drawImage(area.topLeft(), m_buffer, QRect(0, 0, w, area.height()));
    } else if (m_orientation == 1) {
        // The empty part, from the top.
        const int e = area.height() - filledLength(area.height(), m_min, m_max, m_value);
        p.drawImage(area.topLeft() + QPoint(0, e), m_buffer, QRect(0, e, area.width(), area.height() - e));
    }
}

void CoolProgressBar::resizeEvent(QResizeEvent *)
{
    if (m_built) {
        buildBuffer();
        update();
    }
}

void CoolProgressBar::changed(const char *name, bool rebuild, bool paint)
{
    if (rebuild)
        buildBuffer();
    if (paint)
        update();
    Q_EMIT PropertyChanged(QString::fromLatin1(name));
}

void CoolProgressBar::rangeError(const QString &text)
{
    if (m_dialogs)
        m_dialogs->message(text, QStringLiteral("Error"));
}

void CoolProgressBar::setBackColor(qint32 colour)
{
    m_backColor = colour;
    changed("BackColor", true, true);
}

void CoolProgressBar::setEnabledProperty(bool enabled)
{
    setEnabled(enabled);
    changed("Enabled", false, false);
}

void CoolProgressBar::setBorderStyle(qint16 style)
{
    m_borderStyle = style;
    changed("BorderStyle", false, false);
}

void CoolProgressBar::setColor2(qint32 colour)
{
    m_color2 = colour;
    changed("Color2", true, true);
}

void CoolProgressBar::setColor1(qint32 colour)
{
    m_color1 = colour;
    changed("Color1", true, true);
}

void CoolProgressBar::setOrientation(qint16 orientation)
{
    m_orientation = (orientation == 0 || orientation == 1) ? orientation : 0;
    changed("Orientation", true, true);
}

void CoolProgressBar::setValue(qint32 value)
{
    m_value = qBound(m_min, value, m_max);
    changed("Value", false, true);
}

void CoolProgressBar::setMin(qint32 min)
{
    m_min = min;
    if (m_min >= m_max) {
        rangeError(QStringLiteral("\"Min\" must be smaller than \"Max\"."));
        // At the bottom of the range the top moves instead.
        if (m_max == Lowest)
            m_max = Lowest + 1, m_min = Lowest;
        else
            m_min = m_max - 1;
    }
    m_value = qBound(m_min, m_value, m_max);
    changed("Min", true, true);
}

void CoolProgressBar::setMax(qint32 max)
{
    m_max = max;
    if (m_max <= m_min) {
        rangeError(QStringLiteral("\"Max\" must be greater than \"Min\"."));
        if (m_min == Highest)
            m_min = Highest - 1, m_max = Highest;
        else
            m_max = m_min + 1;
    }
    m_value = qBound(m_min, m_value, m_max);
    changed("Max", true, true);
}

void CoolProgressBar::ReadProperties(const QVariantMap &bag)
{
    auto get = [&](const char *key, qint32 fallback) {
        const QVariant v = bag.value(QString::fromLatin1(key));
        bool ok = false;
        const qint32 n = v.toInt(&ok);
        return ok ? n : fallback;
    };
    m_backColor = get("BackColor", DefaultBackColor);
    setEnabled(bag.value(QStringLiteral("Enabled"), true).toBool());
    m_borderStyle = qint16(get("BorderStyle", 0));
    m_color2 = get("Color2", DefaultColor2);
    m_color1 = get("Color1", DefaultColor1);
    const qint32 orientation = get("Orientation", 0);
    m_orientation = qint16(orientation == 1 ? 1 : 0);
    m_min = get("Min", 0);
    m_max = get("Max", 100);
    // A stored range that is empty or inverted would divide by zero when painted.
    if (m_min >= m_max) {
        if (m_min == Highest)
            m_min = Highest - 1;
        m_max = m_min + 1;
    }
    m_value = qBound(m_min, get("Value", 100), m_max);
    m_built = false;
    update();
}

QVariantMap CoolProgressBar::WriteProperties() const
{
    QVariantMap bag;
    auto put = [&](const char *key, qint32 value, qint32 fallback) {
        if (value != fallback)
            bag.insert(QString::fromLatin1(key), value);
    };
    put("BackColor", m_backColor, DefaultBackColor);
    if (!isEnabled())
        bag.insert(QStringLiteral("Enabled"), false);
    put("BorderStyle", m_borderStyle, 0);
    put("Color2", m_color2, DefaultColor2);
    put("Color1", m_color1, DefaultColor1);
    put("Orientation", m_orientation, 0);
    put("Value", m_value, 100);
    put("Min", m_min, 0);
    put("Max", m_max, 100);
    return bag;
}

void CoolProgressBar::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    Q_EMIT MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), float(event->position().x()),
                     float(event->position().y()));
}

void CoolProgressBar::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT MouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()), float(event->position().x()),
                     float(event->position().y()));
}

void CoolProgressBar::mouseReleaseEvent(QMouseEvent *event)
{
    Q_EMIT MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), float(event->position().x()),
                   float(event->position().y()));
    if (m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Click();
    m_pressed = false;
}

void CoolProgressBar::mouseDoubleClickEvent(QMouseEvent *)
{
    Q_EMIT DblClick();
}
