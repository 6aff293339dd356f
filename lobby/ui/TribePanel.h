#pragma once
#include <QWidget>
#include <array>

class HutPanels;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class TribeColourEditor;
class TribeColours;
class TribePreviews;

// FraTribePal: the 32 colour boxes (one row of eight per tribe, blue, red,
// yellow, green from the top), the tribe previews, the arrow at the own tribe,
// and the colour editor: the swatches imgTribe (0 to 3 on Picture5, 4 to 15
// in two rows on Picture6), the component bars HScroll and their number boxes
// txtRed, txtGreen, txtBlue. A view of the tribe colour model and the editor.
class TribePanel : public QWidget
{
    Q_OBJECT
public:
    TribePanel(TribeColours &colours, TribePreviews &previews, TribeColourEditor &editor, HutPanels &panels,
               QWidget *parent = nullptr);

    // Box `shade` of `tribe` (tribe numbers, not the rows' picture names).
    QLabel *box(int tribe, int shade) const { return m_boxes[size_t(tribe)][size_t(shade)]; }
    QLabel *preview(int tribe) const { return m_previews[size_t(tribe)]; }
    QLabel *Arrow(int tribe) const { return m_arrows[size_t(tribe)]; }
    QLabel *imgTribe(int index) const { return m_swatches[size_t(index)]; }
    QScrollBar *HScroll(int component) const { return m_bars[size_t(component)]; }
    QLineEdit *txt(int component) const { return m_texts[size_t(component)]; }
    QLineEdit *txtRed() const { return m_texts[0]; }
    QLineEdit *txtGreen() const { return m_texts[1]; }
    QLineEdit *txtBlue() const { return m_texts[2]; }
    QFrame *Picture5 = nullptr;
    QFrame *Picture6 = nullptr;
    QPushButton *closeButton = nullptr;

    void imgTribe_Click(int index);
    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *createEditor();
    void refreshBoxes(int tribe);
    void refreshPreview(int tribe);
    void refreshPanels();
    void refreshEditor();

    TribeColours &m_colours;
    TribePreviews &m_previewImages;
    TribeColourEditor &m_editor;
    HutPanels &m_panels;
    QWidget *m_content = nullptr;
    std::array<std::array<QLabel *, 8>, 4> m_boxes {};
    std::array<QLabel *, 4> m_previews {};
    std::array<QLabel *, 4> m_arrows {};
    std::array<QLabel *, 16> m_swatches {};
    std::array<QScrollBar *, 3> m_bars {};
    std::array<QLineEdit *, 3> m_texts {};
};
