#include "lobby/ui/FlatPanel.h"

#include "core/util/CodePage.h"
#include "lobby/ColourValue.h"
#include "lobby/FlatPanelDrawing.h"

#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr double TwipsPerPixel = 15.0;

int px(int twips)
{
    return int(twips / TwipsPerPixel);
}

} // namespace

FlatPanel::FlatPanel(const QByteArray &tag, const std::array<qint32, 4> &borders, QWidget *parent)
    : QWidget(parent)
    , m_tag(tag)
    , m_borders(borders)
    , m_contents(new QWidget(this))
{
    auto *layout = new QVBoxLayout(this);
    // Below the caption tab (225 twips) and inside the rings (45 twips).
    layout->setContentsMargins(px(45) + 2, px(225) + 3, px(45) + 2, px(45) + 2);
    layout->addWidget(m_contents);
}

void FlatPanel::setBorders(const std::array<qint32, 4> &borders)
{
    m_borders = borders;
    update();
}

QColor FlatPanel::interiorColour() const
{
    return ColourValue::toColor(m_borders[3]);
}

void FlatPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const auto steps = FlatPanelDrawing::DrawFlatPanel(width() * TwipsPerPixel, height() * TwipsPerPixel,
                                                       m_tag, m_borders);
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(8);
    p.setFont(f);
    for (const auto &s : steps) {
        const QColor c = ColourValue::toColor(s.colour);
        switch (s.kind) {
        case FlatPanelDrawing::Step::Box:
            p.fillRect(QRect(QPoint(px(s.x1), px(s.y1)), QPoint(px(s.x2), px(s.y2))), c);
            break;
        case FlatPanelDrawing::Step::Line:
            p.setPen(c);
            p.drawLine(px(s.x1), px(s.y1), px(s.x2), px(s.y2));
            break;
        case FlatPanelDrawing::Step::Point:
            p.setPen(c);
            p.drawPoint(px(s.x1), px(s.y1));
            break;
        case FlatPanelDrawing::Step::Text: {
            p.setPen(c);
            const QFontMetrics fm(f);
            p.drawText(QPoint(px(s.x1), px(s.y1) + fm.ascent()), CodePage::toUnicode(s.text));
            break;
        }
        }
    }
}
