#pragma once
#include <QImage>
#include <QWidget>

// A picture box that shows its picture as large as fits, centred, keeping
// its proportions; empty shows the background alone.
class PicturePreview : public QWidget
{
    Q_OBJECT
public:
    // Pictures larger than this on either side are not decoded.
    static constexpr int MaxSide = 4096;

    explicit PicturePreview(QWidget *parent = nullptr);

    // Decodes `bytes` (any format the platform reads, whatever the file name
    // says); false, and no picture, when they are not a picture.
    bool setPictureData(const QByteArray &bytes);
    void clearPicture();
    const QImage &picture() const { return m_picture; }
    QRect pictureRect() const;

    QSize sizeHint() const override { return {520, 420}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
};
