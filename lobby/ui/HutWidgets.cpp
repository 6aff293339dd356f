#include "lobby/ui/HutWidgets.h"

#include "core/Huts.h"
#include "lobby/ui/CreateHutPanel.h"
#include "lobby/ui/GamePanel.h"
#include "lobby/ui/HutButtons.h"
#include "lobby/ui/HutDetailsView.h"
#include "lobby/ui/HutPackPanel.h"
#include "lobby/ui/LobbyForm.h"
#include "lobby/ui/TribePanel.h"

#include <QPushButton>

HutWidgets::HutWidgets(LobbyForm &form, Huts &huts, const InstalledPacks &packs)
{
    buttons = new HutButtons(huts.hosting, huts.options, huts.panels);
    form.place(LobbyForm::Place::HutButtons, buttons);

    createHut = new CreateHutPanel(huts.hosting, huts.panels);
    form.place(LobbyForm::Place::CreateHutPanel, createHut);

    game = new GamePanel(huts.options, huts.panels, packs, form.hutDetails());
    form.place(LobbyForm::Place::GamePanel, game);

    tribes = new TribePanel(huts.colours, huts.previews, huts.panels);
    form.place(LobbyForm::Place::TribePanel, tribes);

    mapDownload = new HutPackPanel(HutPackPanel::Kind::Mappack, huts.panels);
    form.place(LobbyForm::Place::MapDownloadPanel, mapDownload);
    modDownload = new HutPackPanel(HutPackPanel::Kind::Modpack, huts.panels);
    form.place(LobbyForm::Place::ModDownloadPanel, modDownload);

    picExitHut = new QPushButton(QObject::tr("Leave hut"));
    picExitHut->setObjectName(QStringLiteral("picExitHut"));
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
