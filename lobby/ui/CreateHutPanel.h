#pragma once
#include <QWidget>
#include <array>

class HutHosting;
class HutPanels;
class QLineEdit;
class QPushButton;

// fraCreateHut: the hut size choices Player(0..2) and the password box
// txtPassw. Shown and hidden through the hut panels' state.
class CreateHutPanel : public QWidget
{
    Q_OBJECT
public:
    CreateHutPanel(HutHosting &hosting, HutPanels &panels, QWidget *parent = nullptr);

    std::array<QPushButton *, 3> Player {};
    QLineEdit *txtPassw = nullptr;

private:
    void refresh();
    HutPanels &m_panels;
};
