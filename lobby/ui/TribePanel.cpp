#include "lobby/ui/TribePanel.h"

#include "core/HutPanels.h"
#include "packs/TribeColours.h"
#include "packs/TribeFigure.h"
#include "packs/TribePreviews.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

TribePanel::TribePanel(TribeColours &colours, TribePreviews &previews, HutPanels &panels, QWidget *parent)
    : QWidget(parent)
    , m_colours(colours)
    , m_previewImages(previews)
    , m_panels(panels)
{
    setObjectName(QStringLiteral("FraTribePal"));
    setAutoFillBackground(true);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(3);
    for (int t = 0; t < TribeColours::TribeCount; ++t) {
        m_arrows[t] = new QLabel(QStringLiteral("\u25B6"), this);
        m_arrows[t]->setTextFormat(Qt::PlainText);
        m_arrows[t]->setObjectName(QStringLiteral("Arrow%1").arg(t));
        grid->addWidget(m_arrows[t], t, 0);
        for (int s = 0; s < TribeColours::ShadeCount; ++s) {
            auto *b = new QLabel(this);
            b->setFixedSize(25, 33);
            b->setAutoFillBackground(true);
            m_boxes[t][s] = b;
            grid->addWidget(b, t, 1 + s);
        }
        m_previews[t] = new QLabel(this);
        m_previews[t]->setFixedSize(TribePreviews::Size, TribePreviews::Size);
        grid->addWidget(m_previews[t], t, 1 + TribeColours::ShadeCount);
        refreshBoxes(t);
        refreshPreview(t);
    }
    closeButton = new QPushButton(tr("Close"), this);
    grid->addWidget(closeButton, TribeColours::TribeCount, 1 + TribeColours::ShadeCount, Qt::AlignRight);
    connect(closeButton, &QPushButton::clicked, this,
            [this] { m_panels.update([](HutPanels::State &s) { s.FraTribePalVisible = false; }); });
    connect(&colours, &TribeColours::coloursChanged, this, &TribePanel::refreshBoxes);
    connect(&previews, &TribePreviews::previewRepainted, this, &TribePanel::refreshPreview);
    connect(&panels, &HutPanels::changed, this, &TribePanel::refreshPanels);
    connect(&panels, &HutPanels::tribePanelRaised, this, [this] { raise(); });
    refreshPanels();
}

void TribePanel::refreshBoxes(int tribe)
{
    if (!TribeColours::isTribe(tribe))
        return;
    for (int s = 0; s < TribeColours::ShadeCount; ++s) {
        QPalette p = m_boxes[tribe][s]->palette();
        p.setColor(QPalette::Window, QColor(TribeFigure::toRgb(m_colours.colour(tribe, s))));
        m_boxes[tribe][s]->setPalette(p);
    }
}

void TribePanel::refreshPreview(int tribe)
{
    if (!TribeColours::isTribe(tribe))
        return;
    m_previews[tribe]->setPixmap(QPixmap::fromImage(m_previewImages.preview(tribe)));
}

void TribePanel::refreshPanels()
{
    const HutPanels::State &s = m_panels.state();
    setVisible(s.FraTribePalVisible);
    for (int t = 0; t < TribeColours::TribeCount; ++t)
        m_arrows[t]->setVisible(s.ArrowVisible[size_t(t)]);
}
