#include "lobby/ui/GamePanel.h"

#include "core/HostOptions.h"
#include "core/HutPanels.h"
#include "core/util/CodePage.h"
#include "lobby/ui/PlainLabel.h"
#include "packs/InstalledPacks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

GamePanel::GamePanel(HostOptions &options, HutPanels &panels, const InstalledPacks &packs,
                     QWidget *details, QWidget *parent)
    : QWidget(parent)
    , m_options(options)
    , m_panels(panels)
    , m_packs(packs)
{
    setObjectName(QStringLiteral("frmGame"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto *tabs = new QHBoxLayout;
    GameMenu = new QPushButton(tr("Game menu"), this);
    GameMenu->setObjectName(QStringLiteral("GameMenu"));
    lbltribepal = new QPushButton(tr("Tribe colours"), this);
    lbltribepal->setObjectName(QStringLiteral("lbltribepal"));
    lbltribepal->setFlat(true);
    lblSettings = plainLabel(this, QStringLiteral("lblSettings"));
    lblSettings->setText(tr("Game settings"));
    tabs->addWidget(GameMenu);
    tabs->addWidget(lbltribepal);
    tabs->addWidget(lblSettings);
    tabs->addStretch();
    layout->addLayout(tabs);

    if (details)
        layout->addWidget(details);
    lblmappack = plainLabel(this, QStringLiteral("lblmappack"));
    lblModPack = plainLabel(this, QStringLiteral("lblModPack"));
    layout->addWidget(lblmappack);
    layout->addWidget(lblModPack);

    fraGameMenu = new QFrame(this);
    fraGameMenu->setObjectName(QStringLiteral("fraGameMenu"));
    fraGameMenu->setFrameShape(QFrame::StyledPanel);
    auto *menu = new QGridLayout(fraGameMenu);
    chkFriendlyGame = new QCheckBox(tr("Friendly game"), fraGameMenu);
    chkMappack = new QCheckBox(tr("Mappack"), fraGameMenu);
    cmbMapPack = new QComboBox(fraGameMenu);
    chkModPack = new QCheckBox(tr("Modpack"), fraGameMenu);
    cmbModPack = new QComboBox(fraGameMenu);
    chkTribeColors = new QCheckBox(tr("Custom tribe colours"), fraGameMenu);
    frmgameclose = new QPushButton(tr("Close"), fraGameMenu);
    menu->addWidget(chkFriendlyGame, 0, 0, 1, 2);
    menu->addWidget(chkMappack, 1, 0);
    menu->addWidget(cmbMapPack, 1, 1);
    menu->addWidget(chkModPack, 2, 0);
    menu->addWidget(cmbModPack, 2, 1);
    menu->addWidget(chkTribeColors, 3, 0, 1, 2);
    menu->addWidget(frmgameclose, 4, 1, Qt::AlignRight);
    layout->addWidget(fraGameMenu);
    layout->addStretch();

    connect(GameMenu, &QPushButton::clicked, this, [&options] { options.GameMenu_Click(); });
    connect(lbltribepal, &QPushButton::clicked, this, [&options] { options.lbltribepal_Click(); });
    connect(frmgameclose, &QPushButton::clicked, this, [&options] { options.frmgameclose_Click(); });
    // A box ticks itself on the click; afterwards it shows what the options
    // made of the click (a pack box with no pack installed stays cleared),
    // also when that is what they held before.
    connect(chkFriendlyGame, &QCheckBox::clicked, this, [this](bool on) {
        m_options.chkFriendlyGame_Click(on);
        refreshBoxes();
    });
    connect(chkMappack, &QCheckBox::clicked, this, [this](bool on) {
        m_options.chkMappack_Click(on);
        refreshBoxes();
    });
    connect(chkModPack, &QCheckBox::clicked, this, [this](bool on) {
        m_options.chkModPack_Click(on);
        refreshBoxes();
    });
    connect(chkTribeColors, &QCheckBox::clicked, this, [this](bool on) {
        m_options.chkTribeColors_Click(on);
        refreshBoxes();
    });
    connect(cmbMapPack, &QComboBox::activated, this, [&options](int i) { options.cmbMapPack_Click(i); });
    connect(cmbModPack, &QComboBox::activated, this, [&options](int i) { options.cmbModPack_Click(i); });

    connect(&panels, &HutPanels::changed, this, &GamePanel::refreshPanels);
    connect(&panels, &HutPanels::gamePanelRaised, this, [this] {
        raise();
        Q_EMIT raised();
    });
    connect(&options, &HostOptions::boxesChanged, this, &GamePanel::refreshBoxes);
    connect(&packs, &InstalledPacks::MappacksChanged, this, &GamePanel::fillPackLists);
    connect(&packs, &InstalledPacks::ModpacksChanged, this, &GamePanel::fillPackLists);
    fillPackLists();
    refreshPanels();
}

void GamePanel::fillPackLists()
{
    const QSignalBlocker blockMap(cmbMapPack);
    const QSignalBlocker blockMod(cmbModPack);
    // One insertion per list: start-up fills them with every installed pack.
    const auto names = [](const QList<InstalledPack> &packs) {
        QStringList out;
        out.reserve(packs.size());
        for (const InstalledPack &p : packs)
            out.append(p.DisplayName());
        return out;
    };
    cmbMapPack->clear();
    cmbMapPack->addItems(names(m_packs.InstalledMappacks));
    cmbModPack->clear();
    cmbModPack->addItems(names(m_packs.InstalledModpacks));
    refreshBoxes();
}

void GamePanel::refreshBoxes()
{
    const HostOptions::Boxes &b = m_options.boxes();
    const QSignalBlocker b1(chkFriendlyGame), b2(chkMappack), b3(chkModPack), b4(chkTribeColors),
        b5(cmbMapPack), b6(cmbModPack);
    chkFriendlyGame->setChecked(b.chkFriendlyGame);
    chkMappack->setChecked(b.chkMappack);
    chkModPack->setChecked(b.chkModPack);
    chkTribeColors->setChecked(b.chkTribeColors);
    cmbMapPack->setEnabled(b.cmbMapPackEnabled);
    cmbModPack->setEnabled(b.cmbModPackEnabled);
    cmbMapPack->setCurrentIndex(b.cmbMapPackIndex);
    cmbModPack->setCurrentIndex(b.cmbModPackIndex);
}

void GamePanel::refreshPanels()
{
    const HutPanels::State &s = m_panels.state();
    setVisible(s.frmGameVisible);
    fraGameMenu->setVisible(s.fraGameMenuVisible);
    if (s.fraGameMenuVisible)
        fraGameMenu->raise();
    GameMenu->setEnabled(s.GameMenuEnabled);
    lbltribepal->setVisible(s.tribeTabVisible);
    lblSettings->setVisible(s.settingsTabVisible);
    lblmappack->setText(CodePage::toUnicode(s.lblmappack));
    lblModPack->setText(CodePage::toUnicode(s.lblModPack));
}

void GamePanel::mouseReleaseEvent(QMouseEvent *event)
{
    // The menu may lie in a scrolled part of the panel: its own coordinates.
    const QPoint inMenu = fraGameMenu->mapFrom(this, event->position().toPoint());
    if (!fraGameMenu->isVisible() || !fraGameMenu->rect().contains(inMenu))
        m_panels.frmGame_Click();
    QWidget::mouseReleaseEvent(event);
}
