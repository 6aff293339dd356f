#include "lobby/ui/LobbyIcons.h"

#include "lobby/ImageKeys.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace LobbyIcons {
namespace {

constexpr int Size = 16;

QColor tribeColour(const QByteArray &key)
{
    if (key.startsWith("blue"))
        return QColor(40, 90, 230);
    if (key.startsWith("red"))
        return QColor(210, 40, 40);
    if (key.startsWith("yellow"))
        return QColor(230, 200, 40);
    if (key.startsWith("green"))
        return QColor(40, 170, 60);
    return QColor(150, 150, 150);
}

void drawHut(QPainter &p, const QColor &fill, bool warp, bool locked)
{
    QPainterPath roof;
    roof.moveTo(1, 8);
    roof.lineTo(8, 1);
    roof.lineTo(15, 8);
    roof.closeSubpath();
    p.setPen(QPen(QColor(40, 30, 20), 1));
    p.setBrush(warp ? QColor(120, 80, 200) : QColor(150, 100, 50));
    p.drawPath(roof);
    p.setBrush(fill);
    p.drawRect(3, 8, 10, 7);
    if (locked) {
        p.setBrush(QColor(230, 200, 60));
        p.drawRect(6, 10, 4, 4);
        p.setBrush(Qt::NoBrush);
        p.drawArc(6, 7, 4, 5, 0, 180 * 16);
    } else {
        p.setBrush(QColor(30, 20, 10));
        p.drawRect(7, 11, 2, 4);
    }
}

void drawBadge(QPainter &p, const QColor &fill, const QString &letter)
{
    p.setPen(QPen(fill.darker(170), 1));
    p.setBrush(fill);
    p.drawEllipse(1, 1, 14, 14);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, Size, Size), Qt::AlignCenter, letter);
}

void drawFigure(QPainter &p, const QColor &fill, const QString &letter)
{
    p.setPen(QPen(fill.darker(170), 1));
    p.setBrush(fill);
    p.drawEllipse(5, 1, 6, 6);
    p.drawRoundedRect(3, 7, 10, 8, 2, 2);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(7);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(3, 7, 10, 8), Qt::AlignCenter, letter);
}

QPixmap draw(const QByteArray &key)
{
    QPixmap pm(Size, Size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (key == "emptyhut" || key == "fullhut" || key == "lockedhut" || key == "emptywarp"
        || key == "lockedwarp") {
        const bool warp = key.endsWith("warp");
        const bool locked = key.startsWith("locked");
        const QColor fill = key == "fullhut" ? QColor(200, 60, 50) : QColor(230, 210, 160);
        drawHut(p, fill, warp, locked);
    } else if (key == "black") {
        p.fillRect(pm.rect(), Qt::black);
    } else if (key == "blocked") {
        p.setPen(QPen(QColor(200, 30, 30), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(2, 2, 12, 12);
        p.drawLine(4, 12, 12, 4);
    } else if (key == "admin") {
        drawBadge(p, QColor(200, 150, 20), QStringLiteral("A"));
    } else if (key == "mod") {
        drawBadge(p, QColor(40, 120, 200), QStringLiteral("M"));
    } else if (key == "mapmanager") {
        drawBadge(p, QColor(40, 150, 110), QStringLiteral("P"));
    } else if (key == "helper") {
        drawBadge(p, QColor(90, 160, 60), QStringLiteral("H"));
    } else if (key == "chatbot") {
        drawBadge(p, QColor(110, 110, 130), QStringLiteral("B"));
    } else if (key == "gicon" || key == "aod" || key == "special1" || key == "special2"
               || key == "quillmark") {
        drawBadge(p, QColor(150, 60, 160), QString(QChar::fromLatin1(char(key.at(0) - 32))));
    } else if (key.endsWith("brave")) {
        drawFigure(p, tribeColour(key), QStringLiteral("b"));
    } else if (key.endsWith("firewarrior")) {
        drawFigure(p, tribeColour(key), QStringLiteral("f"));
    } else if (key.endsWith("warrior")) {
        drawFigure(p, key == "blackwarrior" ? QColor(30, 30, 30) : tribeColour(key), QStringLiteral("w"));
    } else if (key.endsWith("priest")) {
        drawFigure(p, tribeColour(key), QStringLiteral("p"));
    } else if (key.endsWith("shaman")) {
        drawFigure(p, tribeColour(key), QStringLiteral("s"));
    } else if (key.endsWith("spy")) {
        drawFigure(p, tribeColour(key), QStringLiteral("y"));
    } else {
        // "unknown" and anything else.
        drawBadge(p, QColor(120, 120, 120), QStringLiteral("?"));
    }
    return pm;
}

} // namespace

QPixmap picture(const QByteArray &rawKey)
{
    static QHash<QByteArray, QPixmap> cache;
    const QByteArray key = ImageKeys::GetImageIndex(rawKey);
    auto it = cache.constFind(key);
    if (it != cache.cend())
        return *it;
    const QString resource = QStringLiteral(":/lobby/") + QString::fromLatin1(key) + QStringLiteral(".png");
    QPixmap pm;
    if (!QFile::exists(resource) || !pm.load(resource))
        pm = draw(key);
    cache.insert(key, pm);
    return pm;
}

QIcon icon(const QByteArray &key)
{
    static QHash<QByteArray, QIcon> cache;
    const QByteArray k = ImageKeys::GetImageIndex(key);
    auto it = cache.constFind(k);
    if (it != cache.cend())
        return *it;
    const QIcon i(picture(k));
    cache.insert(k, i);
    return i;
}

} // namespace LobbyIcons
