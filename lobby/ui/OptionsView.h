#pragma once
#include "lobby/OptionsPanel.h"

#include <QObject>
#include <array>

class LobbyForm;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;

// The options tab's controls, in the framed sub-panels of the lobby window.
// A thin view over OptionsPanel: it shows the panel's states and forwards
// what the user changes; the buttons the panel has no work for only show.
class OptionsView : public QObject
{
    Q_OBJECT
public:
    OptionsView(LobbyForm &form, OptionsPanel &panel, QObject *parent = nullptr);

    // Shows the panel's states again (after it changed them itself).
    void refresh();
    // The three sound boxes take the skin's colours as it loads.
    void colourSoundBoxes(qint32 backColour, qint32 foreColour);

    QCheckBox *box(OptionsPanel::Box which) const { return m_boxes[size_t(which)]; }
    QRadioButton *optGraphicMode(int index) const { return m_modes[size_t(index & 1)]; }
    QScrollBar *scrTransparency = nullptr;
    QPushButton *CmdTransparencyRefresh = nullptr;
    QPushButton *cmdEditFilter = nullptr;
    QComboBox *cmbFont = nullptr;
    QLineEdit *txtFilePort = nullptr;
    QLineEdit *txtwid = nullptr;
    QLineEdit *txthei = nullptr;
    QPushButton *cmdRes = nullptr;
    QListWidget *lstskinslist = nullptr;
    QPushButton *cmdRefreshSkinsList = nullptr;
    QPushButton *cmdApplySkin = nullptr;

Q_SIGNALS:
    // "Edit" beside the language filter: the bad-word editor is wanted.
    void editFilterRequested();

private:
    void build(LobbyForm &form);
    void fillSkinList();

    OptionsPanel &m_panel;
    std::array<QCheckBox *, OptionsPanel::BoxCount> m_boxes{};
    std::array<QRadioButton *, 2> m_modes{};
    QButtonGroup *m_modeGroup = nullptr;
    QList<QByteArray> m_skinsShown;
    QStringList m_fontsShown;
    QString m_fontTextShown;
};
