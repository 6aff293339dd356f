#pragma once
#include <QWidget>
#include <array>

class HutPanels;
class QLabel;
class QPushButton;
class TribeColours;
class TribePreviews;

// FraTribePal: the 32 colour boxes (one row of eight per tribe, blue, red,
// yellow, green from the top), the tribe previews and the arrow at the own
// tribe. A view of the tribe colour model; the picker and the editor are not
// part of it.
class TribePanel : public QWidget
{
    Q_OBJECT
public:
    TribePanel(TribeColours &colours, TribePreviews &previews, HutPanels &panels, QWidget *parent = nullptr);

    // Box `shade` of `tribe` (tribe numbers, not the rows' picture names).
    QLabel *box(int tribe, int shade) const { return m_boxes[size_t(tribe)][size_t(shade)]; }
    QLabel *preview(int tribe) const { return m_previews[size_t(tribe)]; }
    QLabel *Arrow(int tribe) const { return m_arrows[size_t(tribe)]; }
    QPushButton *closeButton = nullptr;

private:
    void refreshBoxes(int tribe);
    void refreshPreview(int tribe);
    void refreshPanels();

    TribeColours &m_colours;
    TribePreviews &m_previewImages;
    HutPanels &m_panels;
    std::array<std::array<QLabel *, 8>, 4> m_boxes {};
    std::array<QLabel *, 4> m_previews {};
    std::array<QLabel *, 4> m_arrows {};
};
