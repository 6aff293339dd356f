#pragma once
#include <QString>

class CatalogPanel;
class CoolProgressBar;
class Dialogs;
class HutPackPanel;
class HutPanels;
class LobbyForm;
class PackDownloads;
class QPushButton;
class QWidget;

// Puts the pack download widgets on the lobby window: the catalogue panels
// with their open buttons on the right of the Maps and Mods tabs, and the
// download button and progress bar of each hut pack into the hut's download
// areas (PBMapDL, PBModDL). The form owns the widgets.
struct PackDownloadWidgets
{
    PackDownloadWidgets(LobbyForm &form, PackDownloads &downloads, HutPanels &panels, HutPackPanel *mapArea,
                        HutPackPanel *modArea, Dialogs *dialogs);

    // The skin's button pictures (downloadmappacks.gif and the rest).
    void setSkinPictures(const QString &skinFolder);

    CatalogPanel *mapCatalog = nullptr;   // picDLMapsMenu
    CatalogPanel *modCatalog = nullptr;   // framoddownload
    QPushButton *cmdDownloadQX = nullptr; // opens the map catalogue (cmdMapCatalog)
    QPushButton *cmdRefreshQX = nullptr;  // a picture only
    QPushButton *cmdmodsDownload = nullptr;
    QPushButton *cmdDLMAP = nullptr;
    QPushButton *cmdDLMOD = nullptr;
    QPushButton *AbortModpackDL = nullptr;
    CoolProgressBar *PBDl = nullptr;
    CoolProgressBar *PBMDL = nullptr;
};
