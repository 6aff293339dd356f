#include "lobby/Smileys.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace Smileys {

const QList<QString> &tags()
{
    static const QList<QString> table = {
        QStringLiteral(":@"),     QStringLiteral("|:/"),    QStringLiteral("-_-"),
        QStringLiteral(":p"),     QStringLiteral(":lol:"),  QStringLiteral(">:("),
        QStringLiteral(":x"),     QStringLiteral(":i9:"),   QStringLiteral("8)"),
        QStringLiteral("->"),     QStringLiteral("[h]"),    QStringLiteral("[!]"),
        QStringLiteral("[?]"),    QStringLiteral(":D"),     QStringLiteral(":i16:"),
        QStringLiteral(";)"),     QStringLiteral(";p"),     QStringLiteral(":i20:"),
        QStringLiteral(":')"),    QStringLiteral(":'("),    QStringLiteral(":idea:"),
        QStringLiteral(":|"),     QStringLiteral(":i26:"),  QStringLiteral(":hide:"),
        QStringLiteral(":glass:"), QStringLiteral(":?"),    QStringLiteral("|D"),
        QStringLiteral("|:|"),    QStringLiteral("8|"),     QStringLiteral(":woot:"),
        QStringLiteral(":i34:"),  QStringLiteral(":i37:"),  QStringLiteral(":i38:"),
        QStringLiteral(":s"),     QStringLiteral("X|"),     QStringLiteral(":roll:"),
        QStringLiteral(":i43:"),  QStringLiteral(":i45:"),  QStringLiteral(":-/"),
        QStringLiteral("(:"),     QStringLiteral("<:o"),    QStringLiteral(":{}"),
        QStringLiteral("8O"),     QStringLiteral("8X"),     QStringLiteral("8S"),
        QStringLiteral(":yawn:"), QStringLiteral(":)"),     QStringLiteral(":("),
        QStringLiteral(":o"),
    };
    return table;
}

qsizetype maxTagLength()
{
    static const qsizetype longest = [] {
        qsizetype n = 0;
        for (const QString &t : tags())
            n = std::max(n, t.size());
        return n;
    }();
    return longest;
}

QList<Match> find(const QString &text)
{
    // A replaced occurrence is one picture in the log: masking its characters
    // with a character no tag holds keeps later tags from matching across it.
    static const QChar barrier = QChar::ObjectReplacementCharacter;
    QString work = text;
    QList<Match> matches;
    const QList<QString> &table = tags();
    for (int i = 0; i < table.size(); ++i) {
        const QString &tag = table[i];
        qsizetype from = 0;
        for (;;) {
            const qsizetype at = work.indexOf(tag, from, Qt::CaseSensitive);
            if (at < 0)
                break;
            matches.append({at, tag.size(), i});
            for (qsizetype k = 0; k < tag.size(); ++k)
                work[at + k] = barrier;
            from = at + tag.size();
        }
    }
    std::sort(matches.begin(), matches.end(),
              [](const Match &a, const Match &b) { return a.position < b.position; });
    return matches;
}

QString resourceName(int index)
{
    return QStringLiteral("smiley:%1").arg(index + 1);
}

namespace {

enum class Eyes { Dots, Wide, Closed, Wink, Glasses, Angry, Tear, Rolled, Crossed, Brow };
enum class Mouth { Smile, Grin, Frown, Flat, Open, Tongue, Wavy, Slant, Zip, Yawn, Teeth, Upside };
enum class Extra { None, Hat, Hand };
enum class Kind { Face, Arrow, Heart, Exclaim, Question, Bulb };

struct Art
{
    Kind kind;
    QRgb face;
    Eyes eyes;
    Mouth mouth;
    Extra extra;
};

constexpr QRgb Yellow = 0xFFFFD23C;

const Art &art(int index)
{
    static const Art table[Count] = {
        {Kind::Face, 0xFFE8503A, Eyes::Angry, Mouth::Frown, Extra::None},    // :@
        {Kind::Face, Yellow, Eyes::Brow, Mouth::Slant, Extra::None},         // |:/
        {Kind::Face, Yellow, Eyes::Closed, Mouth::Flat, Extra::None},        // -_-
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Tongue, Extra::None},        // :p
        {Kind::Face, Yellow, Eyes::Closed, Mouth::Grin, Extra::None},        // :lol:
        {Kind::Face, 0xFFF07830, Eyes::Angry, Mouth::Frown, Extra::None},    // >:(
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Zip, Extra::None},           // :x
        {Kind::Face, 0xFF8CD25A, Eyes::Dots, Mouth::Smile, Extra::None},     // :i9:
        {Kind::Face, Yellow, Eyes::Glasses, Mouth::Smile, Extra::None},      // 8)
        {Kind::Arrow, 0xFF5AA0F0, Eyes::Dots, Mouth::Flat, Extra::None},     // ->
        {Kind::Heart, 0xFFE0304A, Eyes::Dots, Mouth::Flat, Extra::None},     // [h]
        {Kind::Exclaim, 0xFFF0C030, Eyes::Dots, Mouth::Flat, Extra::None},   // [!]
        {Kind::Question, 0xFF60A0E0, Eyes::Dots, Mouth::Flat, Extra::None},  // [?]
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Grin, Extra::None},          // :D
        {Kind::Face, 0xFF78B4F0, Eyes::Dots, Mouth::Open, Extra::None},      // :i16:
        {Kind::Face, Yellow, Eyes::Wink, Mouth::Smile, Extra::None},         // ;)
        {Kind::Face, Yellow, Eyes::Wink, Mouth::Tongue, Extra::None},        // ;p
        {Kind::Face, 0xFFB48CE6, Eyes::Dots, Mouth::Smile, Extra::None},     // :i20:
        {Kind::Face, Yellow, Eyes::Tear, Mouth::Smile, Extra::None},         // :')
        {Kind::Face, Yellow, Eyes::Tear, Mouth::Frown, Extra::None},         // :'(
        {Kind::Bulb, 0xFFFFF080, Eyes::Dots, Mouth::Flat, Extra::None},      // :idea:
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Flat, Extra::None},          // :|
        {Kind::Face, 0xFFFFA040, Eyes::Wide, Mouth::Flat, Extra::None},      // :i26:
        {Kind::Face, Yellow, Eyes::Wide, Mouth::Flat, Extra::Hand},          // :hide:
        {Kind::Face, Yellow, Eyes::Glasses, Mouth::Flat, Extra::None},       // :glass:
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Wavy, Extra::None},          // :?
        {Kind::Face, Yellow, Eyes::Brow, Mouth::Grin, Extra::None},          // |D
        {Kind::Face, Yellow, Eyes::Brow, Mouth::Flat, Extra::None},          // |:|
        {Kind::Face, Yellow, Eyes::Wide, Mouth::Flat, Extra::None},          // 8|
        {Kind::Face, Yellow, Eyes::Wide, Mouth::Grin, Extra::None},          // :woot:
        {Kind::Face, 0xFFF0A0C8, Eyes::Closed, Mouth::Smile, Extra::None},   // :i34:
        {Kind::Face, 0xFF70DCDC, Eyes::Wink, Mouth::Grin, Extra::None},      // :i37:
        {Kind::Face, 0xFFB4B4B4, Eyes::Dots, Mouth::Frown, Extra::None},     // :i38:
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Wavy, Extra::Hand},          // :s
        {Kind::Face, Yellow, Eyes::Crossed, Mouth::Flat, Extra::None},       // X|
        {Kind::Face, Yellow, Eyes::Rolled, Mouth::Flat, Extra::None},        // :roll:
        {Kind::Face, 0xFF64C878, Eyes::Wide, Mouth::Open, Extra::None},      // :i43:
        {Kind::Face, 0xFFD2B478, Eyes::Closed, Mouth::Flat, Extra::None},    // :i45:
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Slant, Extra::None},         // :-/
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Upside, Extra::None},        // (:
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Open, Extra::Hat},           // <:o
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Teeth, Extra::None},         // :{}
        {Kind::Face, Yellow, Eyes::Wide, Mouth::Open, Extra::None},          // 8O
        {Kind::Face, Yellow, Eyes::Wide, Mouth::Zip, Extra::None},           // 8X
        {Kind::Face, Yellow, Eyes::Wide, Mouth::Wavy, Extra::None},          // 8S
        {Kind::Face, Yellow, Eyes::Closed, Mouth::Yawn, Extra::None},        // :yawn:
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Smile, Extra::None},         // :)
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Frown, Extra::None},         // :(
        {Kind::Face, Yellow, Eyes::Dots, Mouth::Open, Extra::None},          // :o
    };
    return table[index];
}

const QColor Ink(60, 40, 20);

void drawEyes(QPainter &p, Eyes eyes)
{
    p.setPen(QPen(Ink, 1.2));
    p.setBrush(Ink);
    switch (eyes) {
    case Eyes::Dots:
    case Eyes::Tear:
    case Eyes::Brow:
    case Eyes::Angry:
        p.drawEllipse(QPointF(6.5, 7), 1.1, 1.5);
        p.drawEllipse(QPointF(11.5, 7), 1.1, 1.5);
        if (eyes == Eyes::Tear) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(80, 160, 255));
            p.drawEllipse(QPointF(5.5, 10), 1, 1.4);
        } else if (eyes == Eyes::Brow) {
            p.drawLine(QPointF(4.5, 4.5), QPointF(8, 4));
            p.drawLine(QPointF(10, 3.5), QPointF(13.5, 4.5));
        } else if (eyes == Eyes::Angry) {
            p.drawLine(QPointF(4.5, 4), QPointF(8, 5.5));
            p.drawLine(QPointF(10, 5.5), QPointF(13.5, 4));
        }
        break;
    case Eyes::Wide:
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(6.5, 6.5), 2.2, 2.5);
        p.drawEllipse(QPointF(11.5, 6.5), 2.2, 2.5);
        p.setBrush(Ink);
        p.drawEllipse(QPointF(6.5, 7), 0.8, 0.8);
        p.drawEllipse(QPointF(11.5, 7), 0.8, 0.8);
        break;
    case Eyes::Closed:
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 5.5, 4, 3), 0, 180 * 16);
        p.drawArc(QRectF(9.5, 5.5, 4, 3), 0, 180 * 16);
        break;
    case Eyes::Wink:
        p.drawEllipse(QPointF(6.5, 7), 1.1, 1.5);
        p.drawLine(QPointF(10, 7), QPointF(13.5, 7));
        break;
    case Eyes::Glasses:
        p.setBrush(QColor(20, 20, 30));
        p.drawRoundedRect(QRectF(3.5, 5, 4.5, 3.5), 1, 1);
        p.drawRoundedRect(QRectF(10, 5, 4.5, 3.5), 1, 1);
        p.drawLine(QPointF(8, 6), QPointF(10, 6));
        break;
    case Eyes::Rolled:
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(6.5, 7), 2, 2.2);
        p.drawEllipse(QPointF(11.5, 7), 2, 2.2);
        p.setBrush(Ink);
        p.drawEllipse(QPointF(7.2, 5.6), 0.8, 0.8);
        p.drawEllipse(QPointF(12.2, 5.6), 0.8, 0.8);
        break;
    case Eyes::Crossed:
        p.drawLine(QPointF(5, 5.5), QPointF(8, 8.5));
        p.drawLine(QPointF(8, 5.5), QPointF(5, 8.5));
        p.drawLine(QPointF(10, 5.5), QPointF(13, 8.5));
        p.drawLine(QPointF(13, 5.5), QPointF(10, 8.5));
        break;
    }
}

void drawMouth(QPainter &p, Mouth mouth)
{
    p.setPen(QPen(Ink, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    switch (mouth) {
    case Mouth::Smile:
        p.drawArc(QRectF(5, 7.5, 8, 5.5), 200 * 16, 140 * 16);
        break;
    case Mouth::Upside:
        p.drawArc(QRectF(4, 8.5, 8, 5), 200 * 16, 140 * 16);
        break;
    case Mouth::Grin: {
        QPainterPath path;
        path.moveTo(4.5, 10);
        path.lineTo(13.5, 10);
        path.arcTo(QRectF(4.5, 6.5, 9, 7.5), 0, -180);
        p.setBrush(QColor(120, 20, 20));
        p.drawPath(path);
        break;
    }
    case Mouth::Teeth:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 10, 8, 3));
        p.drawLine(QPointF(7.5, 10), QPointF(7.5, 13));
        p.drawLine(QPointF(10.5, 10), QPointF(10.5, 13));
        break;
    case Mouth::Frown:
        p.drawArc(QRectF(5, 11, 8, 5), 20 * 16, 140 * 16);
        break;
    case Mouth::Flat:
        p.drawLine(QPointF(6, 12), QPointF(12, 12));
        break;
    case Mouth::Slant:
        p.drawLine(QPointF(6, 13), QPointF(12, 11));
        break;
    case Mouth::Open:
        p.setBrush(QColor(120, 20, 20));
        p.drawEllipse(QPointF(9, 12), 1.8, 2);
        break;
    case Mouth::Yawn:
        p.setBrush(QColor(120, 20, 20));
        p.drawEllipse(QPointF(9, 12), 2.8, 3);
        break;
    case Mouth::Tongue:
        p.drawLine(QPointF(5.5, 11), QPointF(12.5, 11));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 90, 110));
        p.drawEllipse(QRectF(8, 11, 3.5, 3.5));
        break;
    case Mouth::Wavy: {
        QPainterPath path;
        path.moveTo(5, 12);
        path.cubicTo(6.5, 10.5, 7.5, 13.5, 9, 12);
        path.cubicTo(10.5, 10.5, 11.5, 13.5, 13, 12);
        p.drawPath(path);
        break;
    }
    case Mouth::Zip:
        p.drawLine(QPointF(5.5, 12), QPointF(12.5, 12));
        for (double x = 6.5; x < 12.5; x += 2)
            p.drawLine(QPointF(x, 11), QPointF(x, 13));
        break;
    }
}

void drawFace(QPainter &p, const Art &a)
{
    p.setPen(QPen(Ink, 1));
    QRadialGradient shade(QPointF(7, 6), 9);
    shade.setColorAt(0, QColor(a.face).lighter(125));
    shade.setColorAt(1, QColor(a.face));
    p.setBrush(shade);
    p.drawEllipse(QRectF(1, 1.5, 16, 15.5));
    drawEyes(p, a.eyes);
    drawMouth(p, a.mouth);
    if (a.extra == Extra::Hat) {
        QPolygonF hat({QPointF(5, 3), QPointF(13, 3), QPointF(9, -1.5)});
        p.setPen(QPen(Ink, 0.8));
        p.setBrush(QColor(80, 150, 240));
        p.drawPolygon(hat);
    } else if (a.extra == Extra::Hand) {
        p.setPen(QPen(Ink, 0.8));
        p.setBrush(QColor(a.face).darker(115));
        p.drawRoundedRect(QRectF(9.5, 9.5, 7, 6), 2.5, 2.5);
    }
}

void drawSymbol(QPainter &p, const Art &a)
{
    p.setPen(QPen(Ink, 1));
    switch (a.kind) {
    case Kind::Arrow: {
        QPolygonF arrow({QPointF(1.5, 7), QPointF(9.5, 7), QPointF(9.5, 3.5), QPointF(16.5, 9),
                         QPointF(9.5, 14.5), QPointF(9.5, 11), QPointF(1.5, 11)});
        p.setBrush(QColor(a.face));
        p.drawPolygon(arrow);
        break;
    }
    case Kind::Heart: {
        QPainterPath heart;
        heart.moveTo(9, 16);
        heart.cubicTo(-1, 9, 2, 1, 9, 5.5);
        heart.cubicTo(16, 1, 19, 9, 9, 16);
        p.setBrush(QColor(a.face));
        p.drawPath(heart);
        break;
    }
    case Kind::Exclaim:
    case Kind::Question:
        p.setBrush(QColor(a.face));
        p.drawRoundedRect(QRectF(1.5, 1.5, 15, 15), 3, 3);
        p.setPen(QPen(QColor(30, 30, 30), 2, Qt::SolidLine, Qt::RoundCap));
        if (a.kind == Kind::Exclaim) {
            p.drawLine(QPointF(9, 4.5), QPointF(9, 10.5));
        } else {
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(6, 3.5, 6, 5), -60 * 16, 240 * 16);
            p.drawLine(QPointF(10.5, 8.3), QPointF(9, 10.5));
        }
        p.drawPoint(QPointF(9, 13.5));
        break;
    case Kind::Bulb:
        p.setBrush(QColor(a.face));
        p.drawEllipse(QRectF(3.5, 1, 11, 11));
        p.setBrush(QColor(150, 150, 160));
        p.drawRect(QRectF(6.5, 11.5, 5, 4.5));
        p.drawLine(QPointF(6.5, 13.5), QPointF(11.5, 13.5));
        break;
    case Kind::Face:
        break;
    }
}

QImage draw(int index)
{
    QImage image(PictureSize, PictureSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const Art &a = art(index);
    if (a.kind == Kind::Face)
        drawFace(p, a);
    else
        drawSymbol(p, a);
    p.end();
    return image;
}

} // namespace

QImage picture(int index)
{
    if (index < 0 || index >= Count)
        return QImage();
    static QList<QImage> cache(Count);
    if (cache[index].isNull())
        cache[index] = draw(index);
    return cache[index];
}

QImage buttonPicture(bool pickerOpen)
{
    QImage image(PictureSize, PictureSize + 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (pickerOpen) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 70));
        p.drawRoundedRect(QRectF(0, 0, PictureSize, PictureSize + 1), 3, 3);
    }
    p.drawImage(QPointF(0, pickerOpen ? 1 : 0), picture(46));
    p.end();
    return image;
}

} // namespace Smileys
