#include "controls/MorphListBoxPresets.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace MorphListBoxPresets {

QFont ListFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}

QImage ServerListPicture()
{
    // Deep teal with a soft glow and faint scan lines, in the colours of the
    // list's text and selection.
    QImage image(282, 232, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient base(0, 0, 0, 232);
    base.setColorAt(0, QColor(0, 48, 56));
    base.setColorAt(1, QColor(0, 14, 20));
    p.fillRect(image.rect(), base);
    QRadialGradient glow(200, 60, 150);
    glow.setColorAt(0, QColor(0, 110, 120, 110));
    glow.setColorAt(1, QColor(0, 110, 120, 0));
    p.fillRect(image.rect(), glow);
    p.setPen(QColor(0, 70, 80, 70));
    for (int y = 0; y < 232; y += 3)
        p.drawLine(0, y, 281, y);
    p.setPen(QColor(0, 128, 128, 60));
    for (int x = -232; x < 282; x += 24)
        p.drawLine(x, 232, x + 232, 0);
    return image;
}

namespace {

QVariantMap commonLook(qint32 textColor, qint32 sel1, qint32 sel2, qint32 selText)
{
    return {
        {QStringLiteral("listfont"), ListFont()},
        {QStringLiteral("textcolor"), textColor},
        {QStringLiteral("selcolor1"), sel1},
        {QStringLiteral("selcolor2"), sel2},
        {QStringLiteral("seltextcolor"), selText},
    };
}

} // namespace

MorphListBoxStore lstservers()
{
    QVariantMap values = commonLook(0xC0C000, 0x404000, 0x404000, 0x808000);
    values.insert(QStringLiteral("picture"), ServerListPicture());
    values.insert(QStringLiteral("sorted"), false);
    values.insert(QStringLiteral("backcolor1"), 0x404000);
    values.insert(QStringLiteral("backcolor2"), 0xC0C000);
    values.insert(QStringLiteral("bordercolor"), 0x808000);
    return MorphListBoxStore(values);
}

MorphListBoxStore lstMaps()
{
    QVariantMap values = commonLook(0xC0C000, 0x404000, 0x808000, 0xFFFF00);
    values.insert(QStringLiteral("backcolor1"), 0);
    values.insert(QStringLiteral("backcolor2"), 0);
    return MorphListBoxStore(values);
}

MorphListBoxStore lstPacks()
{
    QVariantMap values = commonLook(0xC0C000, 0x808000, 0x808000, 0xFFFF00);
    values.insert(QStringLiteral("backcolor1"), 0);
    values.insert(QStringLiteral("backcolor2"), 0);
    return MorphListBoxStore(values);
}

} // namespace MorphListBoxPresets
