#pragma once
#include <QWidget>

class CatalogDownload;
class CoolProgressBar;
class Dialogs;
class QLabel;
class QListWidget;
class QPushButton;

// The map pack catalogue panel (picDLMapsMenu) or the mod pack one
// (framoddownload): the catalogue list, select all / none, close, cancel,
// download, the status label and the progress bar. A view of CatalogDownload.
// The map panel's controls are placed by the lobby window's layout; the mod
// panel lays its own out, apart from its progress bar, which the window's
// layout puts on the mods tab.
class CatalogPanel : public QWidget
{
    Q_OBJECT
public:
    CatalogPanel(CatalogDownload &run, Dialogs *dialogs, QWidget *parent = nullptr);

    QListWidget *list = nullptr;        // lstMapPacks / lstmodPacks
    QPushButton *selectAll = nullptr;   // cmdSelectAll / modsselectall
    QPushButton *selectNone = nullptr;  // cmdSelectNone / modsselectnone
    QPushButton *done = nullptr;        // cmdDoneMaps / ModDownloadClose
    QPushButton *cancel = nullptr;      // CancelDLMaps / modsdlcancel
    QPushButton *download = nullptr;    // cmdDownloadMappacksM / cmdDownloadMods
    QLabel *status = nullptr;           // lblStat / lblStatMods
    CoolProgressBar *bar = nullptr;     // PBMapsDownloadM / PBModsDL

    // The rows the user picked, in list order.
    QList<int> selectedRows() const;
    // SelectAllMappacks / SelectNoMappacks (and the mod twins).
    void selectRows(bool all);

private:
    void fillList();
    void refresh();

    CatalogDownload &m_run;
};

// A skin picture on a button; a picture that does not load keeps the caption.
void setButtonPicture(QPushButton *button, const QString &file);
