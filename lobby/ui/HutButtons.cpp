#include "lobby/ui/HutButtons.h"

#include "core/HostOptions.h"
#include "core/HutHosting.h"
#include "core/HutPanels.h"

#include <QHBoxLayout>
#include <QPushButton>

HutButtons::HutButtons(HutHosting &hosting, HostOptions &options, HutPanels &panels, QWidget *parent)
    : QWidget(parent)
    , m_panels(panels)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    cmdHost = new QPushButton(tr("Host"), this);
    cmdHost->setObjectName(QStringLiteral("cmdHost"));
    cmdlaunch = new QPushButton(tr("Launch"), this);
    cmdlaunch->setObjectName(QStringLiteral("cmdlaunch"));
    layout->addWidget(cmdHost);
    layout->addWidget(cmdlaunch);
    layout->addStretch();
    connect(cmdHost, &QPushButton::clicked, this, [&hosting] { hosting.cmdHost_Click(); });
    connect(cmdlaunch, &QPushButton::clicked, this, [&options] { options.cmdlaunch_Click(); });
    connect(&panels, &HutPanels::changed, this, &HutButtons::refresh);
    refresh();
}

void HutButtons::refresh()
{
    const HutPanels::State &s = m_panels.state();
    cmdlaunch->setEnabled(s.cmdlaunchEnabled);
    cmdlaunch->setVisible(s.cmdlaunchVisible);
}
