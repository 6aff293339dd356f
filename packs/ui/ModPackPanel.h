#pragma once
#include "packs/ModPackPreview.h"

#include <QWidget>
#include <functional>

class InstalledPacks;
class PackListBox;
class PicturePreview;
class QLabel;
class QPlainTextEdit;
class QPushButton;
struct GameSetup;

// The installed mod packs on the mods tab: LstMods (in the order of the
// installed list, refilled whenever the mod packs are scanned), the refresh
// button, and the chosen pack's picture, creator, title and description.
class ModPackPanel : public QWidget
{
    Q_OBJECT
public:
    // `rescan` scans the mod pack folder again (BuildModpackCrcList).
    ModPackPanel(const GameSetup &setup, const InstalledPacks &installed, std::function<void()> rescan,
                 QWidget *parent = nullptr);

    void RefreshModList();   // cmdmodsRefresh_Click
    void ShowModPreview();   // LstMods_Click

    PackListBox *LstMods = nullptr;
    QPushButton *cmdmodsRefresh = nullptr;
    PicturePreview *PreviewMods = nullptr;
    QLabel *lblModCreator = nullptr;
    QLabel *lblModName = nullptr;
    QPlainTextEdit *txtModDesc = nullptr;

private:
    void fillModList();

    ModPackPreview m_model;
    std::function<void()> m_rescan;
};
