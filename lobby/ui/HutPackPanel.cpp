#include "lobby/ui/HutPackPanel.h"

#include "core/HutPanels.h"
#include "core/util/CodePage.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

HutPackPanel::HutPackPanel(Kind kind, HutPanels &panels, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_panels(panels)
{
    const bool map = kind == Kind::Mappack;
    setObjectName(map ? QStringLiteral("PBMapDL") : QStringLiteral("PBModDL"));
    setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(this);
    caption = new QLabel(map ? tr("The hut's mappack is not installed.") : tr("The hut's modpack is not installed."),
                         this);
    caption->setTextFormat(Qt::PlainText);
    url = new QLabel(this);
    url->setObjectName(map ? QStringLiteral("lblMappackURL") : QStringLiteral("lblmodpackurl"));
    url->setTextFormat(Qt::PlainText);
    url->setTextInteractionFlags(Qt::TextSelectableByMouse);
    url->setWordWrap(true);
    auto *close = new QPushButton(tr("Close"), this);
    layout->addWidget(caption);
    layout->addWidget(url);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, [this] {
        m_panels.update([this](HutPanels::State &s) {
            (m_kind == Kind::Mappack ? s.PBMapDLVisible : s.PBModDLVisible) = false;
        });
    });
    connect(&panels, &HutPanels::changed, this, &HutPackPanel::refresh);
    refresh();
}

void HutPackPanel::refresh()
{
    const HutPanels::State &s = m_panels.state();
    const bool map = m_kind == Kind::Mappack;
    setVisible(map ? s.PBMapDLVisible : s.PBModDLVisible);
    url->setText(CodePage::toUnicode(map ? s.lblMappackURL : s.lblmodpackurl));
    url->setVisible(map ? s.lblMappackURLVisible : s.lblmodpackurlVisible);
}
