#include "packs/ui/MapPreview.h"

#include "packs/LevelPicture.h"

#include <QFile>
#include <QPainter>

MapPreview::MapPreview(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MapPreview"));
    setMinimumSize(LevelPicture::Side, LevelPicture::Side);
}

void MapPreview::ResetPreview()
{
    m_picture = QImage();
    m_showing = Showing::Nothing;
    update();
}

void MapPreview::ShowLevel(const QString &levelFile)
{
    QByteArray data;
    QFile file(levelFile);
    if (file.open(QIODevice::ReadOnly))
        data = file.read(LevelPicture::Bytes); // all that is drawn
    file.close();
    ShowLevelData(data);
}

void MapPreview::ShowLevelData(const QByteArray &levelData)
{
    m_picture = LevelPicture::render(levelData);
    m_showing = m_picture.isNull() ? Showing::NoPreview : Showing::Level;
    update();
}

QRect MapPreview::pictureRect() const
{
    const int side = qMin(width(), height());
    return QRect((width() - side) / 2, (height() - side) / 2, side, side);
}

void MapPreview::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    switch (m_showing) {
    case Showing::Nothing:
        break;
    case Showing::Level:
        p.drawImage(pictureRect(), m_picture);
        break;
    case Showing::NoPreview: {
        const QRect box = pictureRect().adjusted(8, 8, -8, -8);
        p.setPen(QColor(90, 100, 110));
        p.drawRect(box);
        p.setPen(QColor(150, 160, 170));
        p.drawText(box, Qt::AlignCenter, tr("no preview"));
        break;
    }
    }
}
