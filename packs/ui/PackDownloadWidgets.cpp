#include "packs/ui/PackDownloadWidgets.h"

#include "controls/CoolProgressBar.h"
#include "core/HutPanels.h"
#include "core/util/WinPath.h"
#include "lobby/ui/HutPackPanel.h"
#include "lobby/ui/LobbyForm.h"
#include "packs/download/PackDownloads.h"
#include "packs/ui/CatalogPanel.h"

#include <QBoxLayout>
#include <QPushButton>

namespace {

QPushButton *button(const QString &caption, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// The download button and progress bar inside a hut pack's download area.
CoolProgressBar *hutRow(HutPackPanel *area, QPushButton *download, QPushButton *extra, const char *barName,
                        Dialogs *dialogs)
{
    auto *bar = new CoolProgressBar;
    bar->setObjectName(QString::fromLatin1(barName));
    bar->setDialogs(dialogs);
    bar->hide();
    if (!area)
        return bar;
    auto *row = new QHBoxLayout;
    row->addWidget(download);
    row->addWidget(bar, 1);
    if (extra)
        row->addWidget(extra);
    if (auto *box = qobject_cast<QBoxLayout *>(area->layout()))
        box->insertLayout(qMax(0, box->count() - 1), row);
    return bar;
}

void showBar(CoolProgressBar *bar, const HutPackDownload::State &s)
{
    bar->setVisible(s.barVisible);
    bar->setMax(s.barMax);
    bar->setValue(s.barValue);
}

} // namespace

PackDownloadWidgets::PackDownloadWidgets(LobbyForm &form, PackDownloads &downloads, HutPanels &panels,
                                         HutPackPanel *mapArea, HutPackPanel *modArea, Dialogs *dialogs)
{
    // Straight on the tabs: the window's layout places the panels over the
    // previews and the buttons under the lists.
    mapCatalog = new CatalogPanel(downloads.mapRun, dialogs, form.FrameMaps());
    modCatalog = new CatalogPanel(downloads.modRun, dialogs, form.FrameMods());
    cmdDownloadQX = button(QObject::tr("Download map packs"), "cmdDownloadQX", form.FrameMaps());
    cmdRefreshQX = button(QObject::tr("Refresh"), "cmdRefreshQX", form.FrameMaps());
    cmdmodsDownload = button(QObject::tr("Download mod packs"), "cmdmodsDownload", form.FrameMods());
    for (QPushButton *b : {cmdDownloadQX, cmdRefreshQX, cmdmodsDownload})
        b->show();
    form.layoutPass();
    PackDownloads *d = &downloads;
    QObject::connect(cmdDownloadQX, &QPushButton::clicked, mapCatalog, [d] { d->mapRun.Open(); });
    QObject::connect(cmdmodsDownload, &QPushButton::clicked, modCatalog, [d] { d->modRun.Open(); });

    cmdDLMAP = button(QObject::tr("Download"), "cmdDLMAP", nullptr);
    cmdDLMOD = button(QObject::tr("Download"), "cmdDLMOD", nullptr);
    AbortModpackDL = button(QObject::tr("Leave hut"), "AbortModpackDL", nullptr);
    PBDl = hutRow(mapArea, cmdDLMAP, nullptr, "PBDl", dialogs);
    PBMDL = hutRow(modArea, cmdDLMOD, AbortModpackDL, "PBMDL", dialogs);
    QObject::connect(cmdDLMAP, &QPushButton::clicked, cmdDLMAP, [d] { d->hutMappack.Start(); });
    QObject::connect(cmdDLMOD, &QPushButton::clicked, cmdDLMOD, [d] { d->hutModpack.Start(); });
    QObject::connect(AbortModpackDL, &QPushButton::clicked, AbortModpackDL,
                     [d] { d->hutModpack.AbortModpackDL_Click(); });
    CoolProgressBar *mapBar = PBDl;
    CoolProgressBar *modBar = PBMDL;
    QObject::connect(&downloads.hutMappack, &HutPackDownload::changed, mapBar,
                     [mapBar, d] { showBar(mapBar, d->hutMappack.state()); });
    QObject::connect(&downloads.hutModpack, &HutPackDownload::changed, modBar,
                     [modBar, d] { showBar(modBar, d->hutModpack.state()); });
    QPushButton *mapButton = cmdDLMAP;
    QPushButton *modButton = cmdDLMOD;
    auto enable = [mapButton, modButton, p = &panels] {
        mapButton->setEnabled(p->state().cmdDLMAPEnabled);
        modButton->setEnabled(p->state().cmdDLMODEnabled);
    };
    QObject::connect(&panels, &HutPanels::changed, mapButton, enable);
    enable();
}

void PackDownloadWidgets::setSkinPictures(const QString &skinFolder)
{
    auto file = [&](const char *name) { return WinPath::join(skinFolder, QByteArray(name)); };
    setButtonPicture(cmdDownloadQX, file("downloadmappacks.gif"));
    setButtonPicture(cmdRefreshQX, file("refreshbttn.gif"));
    setButtonPicture(cmdmodsDownload, file("downloadmodpacks.gif"));
    for (CatalogPanel *panel : {mapCatalog, modCatalog}) {
        setButtonPicture(panel->selectNone, file("selectnone.gif"));
        setButtonPicture(panel->selectAll, file("selectall.gif"));
        setButtonPicture(panel->download, file("download.gif"));
    }
}
