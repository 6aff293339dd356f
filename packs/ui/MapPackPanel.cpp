#include "packs/ui/MapPackPanel.h"

#include "controls/MorphListBox.h"
#include "core/api/GameSetup.h"
#include "core/util/CodePage.h"
#include "packs/InstalledPacks.h"
#include "packs/ui/MapPreview.h"
#include "packs/ui/PackPanelLooks.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

MapPackPanel::MapPackPanel(const GameSetup &setup, const InstalledPacks &installed, QWidget *parent)
    : QWidget(parent)
    , m_setup(setup)
    , m_model(setup, installed)
{
    setObjectName(QStringLiteral("MapPackPanel"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto *lists = new QVBoxLayout;
    lists->setSpacing(4);
    lstPacks = PackPanelLooks::morphList(QStringLiteral("lstPacks"), PackPanelLooks::Packs, this);
    lstPacks->setSorted(true);
    lstMaps = PackPanelLooks::morphList(QStringLiteral("lstMaps"), PackPanelLooks::Maps, this);
    lstMaps->setSorted(true); // levels are appended at the end all the same
    lists->addWidget(lstPacks, 1);
    lists->addWidget(lstMaps, 1);
    lblMapName = PackPanelLooks::label(QStringLiteral("lblMapName"), this);
    lblMapCreator = PackPanelLooks::label(QStringLiteral("lblMapCreator"), this);
    lblhdrs = PackPanelLooks::label(QStringLiteral("lblhdrs"), this);
    lbltxture = PackPanelLooks::label(QStringLiteral("lbltxture"), this);
    QFont bold = lblMapName->font();
    bold.setBold(true);
    lblMapName->setFont(bold);
    for (QLabel *l : {lblMapName, lblMapCreator, lblhdrs, lbltxture})
        lists->addWidget(l);
    layout->addLayout(lists);

    mapPreview = new MapPreview(this);
    layout->addWidget(mapPreview, 1);

    // A pack downloaded or removed shows at once, as on the mods tab.
    connect(&installed, &InstalledPacks::MappacksChanged, this, &MapPackPanel::FillMapPackList);
    connect(lstPacks, &MorphListBox::Click, this, &MapPackPanel::LoadMapPackInfo);
    connect(lstMaps, &MorphListBox::Click, this, &MapPackPanel::ShowMapPreview);
    connect(lstMaps, &MorphListBox::KeyUp, this, &MapPackPanel::ShowMapPreview);
}

void MapPackPanel::FillMapPackList()
{
    mapPreview->setBasePath(m_setup.ProgramFolder);
    mapPreview->ResetPreview();
    // The levels on show belong to the list being replaced.
    lstMaps->Clear();
    clearLevel();
    const ListDrawingHold hold(lstPacks); // drawn once, emptied and refilled
    lstPacks->Clear();
    const QList<InstalledPack> &packs = m_model.FillMapPackList();
    for (int k = 0; k < packs.size(); ++k) {
        lstPacks->AddItem(packs.at(k).DisplayName());
        lstPacks->setItemData(lstPacks->NewIndex(), k);
    }
}

void MapPackPanel::LoadMapPackInfo()
{
    if (lstPacks->ListCount() == 0)
        return;
    const ListDrawingHold hold(lstMaps); // drawn once, emptied and refilled
    lstMaps->Clear();
    if (lstPacks->ListIndex() == -1)
        lstPacks->setSelected(lstPacks->NewIndex(), true);
    // A picture of the pack shown before never stands beside this pack's levels.
    mapPreview->ResetPreview();
    clearLevel();
    if (!m_model.LoadMapPackInfo(lstPacks->ItemData(lstPacks->ListIndex())))
        return;
    const QList<MappackLevel> &levels = m_model.levels();
    for (int n = 0; n < levels.size(); ++n) {
        lstMaps->AddItem(CodePage::toUnicode(levels.at(n).Name), lstMaps->ListCount());
        lstMaps->setItemData(lstMaps->NewIndex(), n);
    }
}

void MapPackPanel::ShowMapPreview()
{
    if (lstMaps->ListCount() == 0)
        return;
    const int row = lstMaps->ListIndex();
    if (row < 0)
        return;
    const std::optional<LevelPreview> level = m_model.ShowMapPreview(lstMaps->ItemData(row));
    if (!level)
        return;
    mapPreview->ResetPreview();
    mapPreview->ShowLevelData(level->LevelData);
    lblMapName->setText(lstMaps->List(row));
    lblMapCreator->setText(CodePage::toUnicode(level->CreatorText()));
    lblhdrs->setText(CodePage::toUnicode(level->PlayersText()));
    lbltxture->setText(CodePage::toUnicode(level->LandTextureText()));
}

void MapPackPanel::clearLevel()
{
    for (QLabel *l : {lblMapName, lblMapCreator, lblhdrs, lbltxture})
        l->clear();
}
