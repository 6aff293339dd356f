#pragma once
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <array>

class QLabel;

// The splash window shown while the client starts: an animated picture and
// the caption of the step under way.
class frmStartup : public QWidget
{
    Q_OBJECT
public:
    explicit frmStartup(QWidget *parent = nullptr);

    void setCaption(const QByteArray &text);   // lblStart
    QString caption() const;
    // The frame on show: 0 at first, then 1, 2, 3, 4 over and over.
    int frame() const { return m_shown; }

    QLabel *Sham = nullptr;
    QLabel *lblStart = nullptr;
    QLabel *lblmappack = nullptr;
    QTimer Animate;
    void Animate_Timer();   // one tick of Animate

private:
    void showFrame(int index);

    std::array<QPixmap, 5> m_frames;   // the store window's Image1(0) to Image1(4)
    qint16 m_frame = 0;   // the counter; back to 0 once it reaches 4
    int m_shown = 0;
};
