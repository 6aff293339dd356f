#pragma once
#include "packs/MapPackPreview.h"

#include <QWidget>

class InstalledPacks;
class MapPreview;
class MorphListBox;
class QLabel;
struct GameSetup;

// The installed map packs on the maps tab: lstPacks (the packs, sorted by
// name), lstMaps (the levels of the chosen pack, in manifest order), the map
// preview control and the level's name, creator, players and land texture.
class MapPackPanel : public QWidget
{
    Q_OBJECT
public:
    MapPackPanel(const GameSetup &setup, const InstalledPacks &installed, QWidget *parent = nullptr);

    void FillMapPackList();   // ShowLobby and the maps tab
    void LoadMapPackInfo();   // lstPacks_Click
    void ShowMapPreview();    // lstMaps_Click, lstMaps_KeyUp

    MorphListBox *lstPacks = nullptr;
    MorphListBox *lstMaps = nullptr;
    MapPreview *mapPreview = nullptr;   // MapPreview
    QLabel *lblMapName = nullptr;
    QLabel *lblMapCreator = nullptr;
    QLabel *lblhdrs = nullptr;
    QLabel *lbltxture = nullptr;

    const MapPackPreview &model() const { return m_model; }

private:
    void clearLevel();

    const GameSetup &m_setup;
    MapPackPreview m_model;
};
