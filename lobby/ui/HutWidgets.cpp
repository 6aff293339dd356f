#include "lobby/ui/HutWidgets.h"

#include "core/Huts.h"
#include "lobby/ui/CreateHutPanel.h"
#include "lobby/ui/GamePanel.h"
#include "lobby/ui/HutButtons.h"
#include "lobby/ui/HutDetailsView.h"
#include "lobby/ui/HutPackPanel.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/PanelScroll.h"
#include "lobby/ui/TribePanel.h"

#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace {

QPixmap exitHutPicture()
{
    QPixmap pixmap(30, 30);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(156, 173, 173), 2));
    p.setBrush(QColor(41, 49, 57));
    p.drawRect(4, 3, 13, 24);                       // the door
    p.setPen(QPen(QColor(240, 192, 64), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(12, 15, 26, 15);                     // the way out
    p.drawLine(21, 10, 26, 15);
    p.drawLine(21, 20, 26, 15);
    return pixmap;
}

} // namespace

HutWidgets::HutWidgets(LobbyForm &form, Huts &huts, const InstalledPacks &packs)
{
    buttons = new HutButtons(huts.hosting, huts.options, huts.panels);
    form.place(LobbyForm::Place::HutButtons, buttons);

    createHut = new CreateHutPanel(huts.hosting, huts.panels);
    form.place(LobbyForm::Place::CreateHutPanel, createHut);

    game = new GamePanel(huts.options, huts.panels, packs, form.hutDetails());
    // In a small window the hut's table and its menu scroll inside the area.
    scrollContents(game);
    form.place(LobbyForm::Place::GamePanel, game);

    tribes = new TribePanel(huts.colours, huts.previews, huts.editor, huts.panels);
    form.place(LobbyForm::Place::TribePanel, tribes);

    mapDownload = new HutPackPanel(HutPackPanel::Kind::Mappack, huts.panels);
    form.place(LobbyForm::Place::MapDownloadPanel, mapDownload);
    modDownload = new HutPackPanel(HutPackPanel::Kind::Modpack, huts.panels);
    form.place(LobbyForm::Place::ModDownloadPanel, modDownload);

    // A small square picture under the huts list: a door with an arrow out.
    picExitHut = new QPushButton;
    picExitHut->setObjectName(QStringLiteral("picExitHut"));
    picExitHut->setToolTip(QObject::tr("Leave hut"));
    picExitHut->setAccessibleName(QObject::tr("Leave hut"));
    picExitHut->setIcon(QIcon(exitHutPicture()));
    picExitHut->setIconSize(QSize(30, 30));
    picExitHut->setFlat(true);
    form.place(LobbyForm::Place::ExitHutButton, picExitHut);
    Huts *h = &huts;
    QObject::connect(picExitHut, &QPushButton::clicked, picExitHut, [h] { h->hosting.picExitHut_Click(); });

    QObject::connect(&form, &LobbyForm::FrameMainClicked, createHut, [h] { h->panels.FrameMain_Click(); });
    QObject::connect(&form, &LobbyForm::hutNodeDoubleClicked, game,
                     [h](bool valid, bool hasChildren, const QByteArray &key, const QByteArray &parentKey,
                         const QByteArray &tag) {
                         h->hosting.lstHuts_DblClick({valid, hasChildren, key, parentKey, tag});
                     });
}
