#include "lobby/ui/TrimStrip.h"

#include <QPainter>

namespace {

const QColor Light(99, 107, 115);
const QColor Mid(82, 90, 99);
const QColor Dark(41, 49, 57);
const QColor Shade(57, 74, 74);
const QColor CaptionText(156, 173, 173);

QString captionOf(int index)
{
    switch (index) {
    case 4: return QStringLiteral("Users");
    case 5: return QStringLiteral("Rooms");
    case 30: return QStringLiteral("Huts");
    default: return QString();
    }
}

} // namespace

TrimStrip::TrimStrip(int index, QWidget *parent)
    : QWidget(parent), m_index(index), m_kind(kindOf(index)), m_caption(captionOf(index))
{
    setObjectName(QStringLiteral("Trim%1").arg(index));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

const QList<int> &TrimStrip::indexes()
{
    static const QList<int> list = [] {
        QList<int> l;
        for (int i = 0; i <= 30; ++i) {
            if (i != 19 && i != 24)
                l.append(i);
        }
        return l;
    }();
    return list;
}

TrimStrip::Kind TrimStrip::kindOf(int index)
{
    switch (index) {
    case 0: case 2: case 6: case 9: case 12: case 22: case 23: case 25: case 27:
        return Kind::HorizontalEdge;
    case 1: case 3: case 7: case 8: case 11: case 21: case 26: case 29:
        return Kind::VerticalEdge;
    case 4: case 5: case 30:
        return Kind::Caption;
    case 10:
        return Kind::Plate;
    default:
        return Kind::Corner;
    }
}

void TrimStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width();
    const int h = height();
    switch (m_kind) {
    case Kind::HorizontalEdge:
        p.fillRect(0, 0, w, h, Dark);
        p.fillRect(0, 0, w, qMax(1, h / 3), Light);
        p.fillRect(0, h - qMax(1, h / 3), w, qMax(1, h / 3), Shade);
        break;
    case Kind::VerticalEdge:
        p.fillRect(0, 0, w, h, Dark);
        p.fillRect(0, 0, qMax(1, w / 3), h, Light);
        p.fillRect(w - qMax(1, w / 3), 0, qMax(1, w / 3), h, Shade);
        break;
    case Kind::Corner:
        p.fillRect(0, 0, w, h, Dark);
        p.fillRect(1, 1, qMax(1, w - 2), qMax(1, h - 2), Mid);
        break;
    case Kind::Plate:
        p.fillRect(0, 0, w, h, Dark);
        p.setPen(Light);
        p.drawRect(0, 0, w - 1, h - 1);
        break;
    case Kind::Caption: {
        // A black tab with a slanted right end over a thin rule, as the
        // framed option panels draw theirs.
        const int rule = h - 2;
        QPolygon tab;
        const int right = qMax(10, w - h);
        tab << QPoint(0, 0) << QPoint(right, 0) << QPoint(right + rule, rule) << QPoint(0, rule);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawPolygon(tab);
        p.fillRect(0, rule, w, 2, Mid);
        p.setPen(CaptionText);
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(qBound(8, rule - 8, 14));
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(4, 0, right, rule), Qt::AlignVCenter | Qt::AlignLeft, m_caption);
        break;
    }
    }
}
