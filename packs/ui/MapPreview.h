#pragma once
#include <QImage>
#include <QString>
#include <QWidget>

// The map preview control of the maps tab, with the three members its owner
// drives: BasePath, ResetPreview and ShowLevel. It draws a level's height map
// (LevelPicture) as large as fits, centred; a level file too short or
// unreadable shows "no preview". It never keeps a file open.
class MapPreview : public QWidget
{
    Q_OBJECT
public:
    explicit MapPreview(QWidget *parent = nullptr);

    QString BasePath() const { return m_basePath; }
    void setBasePath(const QString &folder) { m_basePath = folder; }

    void ResetPreview();                       // nothing on show
    void ShowLevel(const QString &levelFile);  // reads the file at once, then closes it
    void ShowLevelData(const QByteArray &levelData);

    enum class Showing { Nothing, Level, NoPreview };
    Showing showing() const { return m_showing; }
    const QImage &picture() const { return m_picture; }
    // Where the picture is drawn, in widget pixels.
    QRect pictureRect() const;

    QSize sizeHint() const override { return {400, 400}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_basePath;
    QImage m_picture;
    Showing m_showing = Showing::Nothing;
};
