#include "packs/ui/PicturePreview.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

PicturePreview::PicturePreview(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(64, 64);
}

bool PicturePreview::setPictureData(const QByteArray &bytes)
{
    m_picture = QImage();
    if (!bytes.isEmpty()) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        // A hostile header could ask for gigabytes: check before decoding.
        if (size.isValid() && size.width() <= MaxSide && size.height() <= MaxSide)
            m_picture = reader.read();
    }
    update();
    return !m_picture.isNull();
}

void PicturePreview::clearPicture()
{
    m_picture = QImage();
    update();
}

QRect PicturePreview::pictureRect() const
{
    if (m_picture.isNull())
        return QRect();
    const QSize fitted = m_picture.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void PicturePreview::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!m_picture.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(pictureRect(), m_picture);
    }
}
