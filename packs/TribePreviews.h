#pragma once
#include <QImage>
#include <QObject>
#include <array>

class TribeColours;

// The four tribe preview pictures. Each tribe has a reference figure drawn in
// its reference shades (read only) and a preview that RecolourTribePreview
// repaints from the current colour boxes. The figures are our own 64 x 64
// artwork, drawn by TribeFigure.
class TribePreviews : public QObject
{
    Q_OBJECT
public:
    static constexpr int Size = 64;

    // The recolouring compares with the reference shades of `colours`, so it
    // changes nothing until InitTribeShades has run.
    explicit TribePreviews(const TribeColours &colours, QObject *parent = nullptr);

    // Repaints one tribe's preview from its reference picture: a pixel whose
    // reference colour is shade s of that tribe takes the colour of box s;
    // every other pixel keeps what it holds. A tribe outside 0 to 3 does nothing.
    void RecolourTribePreview(int tribe);
    void RecolourAll(); // tribes 0, 1, 2, 3 in that order

    const QImage &preview(int tribe) const;
    const QImage &reference(int tribe) const;

Q_SIGNALS:
    void previewRepainted(int tribe); // once per RecolourTribePreview

private:
    const TribeColours &m_colours;
    std::array<QImage, 4> m_reference;
    std::array<QImage, 4> m_preview;
    QImage m_empty;
};
