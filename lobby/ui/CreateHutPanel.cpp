#include "lobby/ui/CreateHutPanel.h"

#include "core/HutHosting.h"
#include "core/HutPanels.h"
#include "core/util/CodePage.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CreateHutPanel::CreateHutPanel(HutHosting &hosting, HutPanels &panels, QWidget *parent)
    : QWidget(parent)
    , m_panels(panels)
{
    setObjectName(QStringLiteral("fraCreateHut"));
    setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    const char *captions[3] = {"2 Players", "3 Players", "4 Players"};
    for (int i = 0; i < 3; ++i) {
        Player[i] = new QPushButton(tr(captions[i]), this);
        Player[i]->setObjectName(QStringLiteral("Player%1").arg(i));
        Player[i]->setFlat(true);
        layout->addWidget(Player[i]);
        connect(Player[i], &QPushButton::clicked, this, [this, &hosting, i] {
            hosting.Player_Click(i, CodePage::fromUnicode(txtPassw->text()));
        });
    }
    auto *caption = new QLabel(tr("Password:"), this);
    caption->setTextFormat(Qt::PlainText);
    layout->addWidget(caption);
    txtPassw = new QLineEdit(this);
    txtPassw->setObjectName(QStringLiteral("txtPassw"));
    layout->addWidget(txtPassw);
    connect(&panels, &HutPanels::changed, this, &CreateHutPanel::refresh);
    refresh();
}

void CreateHutPanel::refresh()
{
    setVisible(m_panels.state().fraCreateHutVisible);
    if (isVisible())
        raise();
}
