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

// The right-hand side of a tab: the catalogue panel above, its buttons below.
QWidget *side(QWidget *frame, CatalogPanel *panel, const QList<QPushButton *> &buttons)
{
    auto *box = qobject_cast<QBoxLayout *>(frame->layout());
    if (!box)
        box = new QHBoxLayout(frame);
    auto *holder = new QWidget(frame);
    holder->setObjectName(panel->objectName() + QStringLiteral("Side"));
    auto *column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);
    panel->setParent(holder);
    column->addWidget(panel, 1);
    column->addStretch(0);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton *b : buttons) {
        b->setParent(holder);
        row->addWidget(b);
    }
    column->addLayout(row);
    box->addWidget(holder, 1);
    return holder;
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
    mapCatalog = new CatalogPanel(downloads.mapRun, dialogs);
    modCatalog = new CatalogPanel(downloads.modRun, dialogs);
    cmdDownloadQX = button(QObject::tr("Download map packs"), "cmdDownloadQX", nullptr);
    cmdRefreshQX = button(QObject::tr("Refresh"), "cmdRefreshQX", nullptr);
    cmdmodsDownload = button(QObject::tr("Download mod packs"), "cmdmodsDownload", nullptr);
    side(form.FrameMaps(), mapCatalog, {cmdDownloadQX, cmdRefreshQX});
    side(form.FrameMods(), modCatalog, {cmdmodsDownload});
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
