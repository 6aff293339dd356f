#include "packs/ui/MapPreview.h"

#include "packs/LevelPicture.h"

#include <QFile>
#include <QPainter>
#include <QPaintEvent>

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
    // The level's captions, when the window puts them on the preview, stand
    // in a band at its top: the picture fills what is below them.
    int band = 0;
    for (const QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isHidden())
            band = qMax(band, child->geometry().bottom() + 1);
    }
    const QRect area = rect().adjusted(0, band, 0, 0);
    const int side = qMax(0, qMin(area.width(), area.height()));
    return QRect(area.left() + (area.width() - side) / 2, area.top() + (area.height() - side) / 2, side, side);
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
