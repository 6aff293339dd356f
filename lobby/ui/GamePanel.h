#pragma once
#include <QWidget>

class HostOptions;
class HutPanels;
class InstalledPacks;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

// frmGame: the own hut's area over the chat log. The hut details rows, the
// hut's pack lines, the tabs of the tribe colour and game settings panels and
// the host's game menu (fraGameMenu) with the host options.
class GamePanel : public QWidget
{
    Q_OBJECT
public:
    // `details` (the lobby window's hut details) is put into the panel's layout.
    GamePanel(HostOptions &options, HutPanels &panels, const InstalledPacks &packs, QWidget *details,
              QWidget *parent = nullptr);

    QPushButton *GameMenu = nullptr;
    QPushButton *lbltribepal = nullptr;   // the tribe colour tab (TabTribePal)
    QLabel *lblSettings = nullptr;        // the game settings tab
    QLabel *lblmappack = nullptr;
    QLabel *lblModPack = nullptr;

    QFrame *fraGameMenu = nullptr;
    QCheckBox *chkFriendlyGame = nullptr;
    QCheckBox *chkMappack = nullptr;
    QCheckBox *chkModPack = nullptr;
    QCheckBox *chkTribeColors = nullptr;
    QComboBox *cmbMapPack = nullptr;
    QComboBox *cmbModPack = nullptr;
    QPushButton *frmgameclose = nullptr;

    // Refills cmbMapPack / cmbModPack from the installed packs.
    void fillPackLists();

Q_SIGNALS:
    void raised();

protected:
    // A click on the hut area beside the game menu (frmGame_Click).
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void refreshPanels();
    void refreshBoxes();

    HostOptions &m_options;
    HutPanels &m_panels;
    const InstalledPacks &m_packs;
};
