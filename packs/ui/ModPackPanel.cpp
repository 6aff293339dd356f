#include "packs/ui/ModPackPanel.h"

#include "core/ui/PackListBox.h"
#include "core/util/CodePage.h"
#include "packs/InstalledPacks.h"
#include "packs/PackFileReader.h"
#include "packs/ui/PackPanelLooks.h"
#include "packs/ui/PicturePreview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ModPackPanel::ModPackPanel(const GameSetup &setup, const InstalledPacks &installed,
                           std::function<void()> rescan, QWidget *parent)
    : QWidget(parent)
    , m_model(setup, installed)
    , m_rescan(std::move(rescan))
{
    setObjectName(QStringLiteral("ModPackPanel"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto *left = new QVBoxLayout;
    LstMods = PackPanelLooks::packList(QStringLiteral("LstMods"), PackPanelLooks::Packs, this);
    LstMods->setMinimumWidth(2775 / 15);
    left->addWidget(LstMods, 1);
    cmdmodsRefresh = new QPushButton(tr("Refresh"), this);
    cmdmodsRefresh->setObjectName(QStringLiteral("cmdmodsRefresh"));
    left->addWidget(cmdmodsRefresh, 0, Qt::AlignLeft);
    layout->addLayout(left);

    auto *middle = new QVBoxLayout;
    PreviewMods = new PicturePreview(this);
    PreviewMods->setObjectName(QStringLiteral("PreviewMods"));
    middle->addWidget(PreviewMods, 1);
    lblModName = PackPanelLooks::label(QStringLiteral("lblModName"), this);
    QFont bold = lblModName->font();
    bold.setBold(true);
    lblModName->setFont(bold);
    lblModCreator = PackPanelLooks::label(QStringLiteral("lblModCreator"), this);
    middle->addWidget(lblModName);
    middle->addWidget(lblModCreator);
    layout->addLayout(middle, 1);

    txtModDesc = new QPlainTextEdit(this);
    txtModDesc->setObjectName(QStringLiteral("txtModDesc"));
    txtModDesc->setReadOnly(true);
    // Word-boundary wrapping of one long line costs far more than the line.
    txtModDesc->setWordWrapMode(QTextOption::WrapAnywhere);
    txtModDesc->setMinimumWidth(2895 / 15);
    QPalette p = txtModDesc->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, QColor(200, 214, 222));
    txtModDesc->setPalette(p);
    layout->addWidget(txtModDesc);

    connect(&installed, &InstalledPacks::ModpacksChanged, this, &ModPackPanel::fillModList);
    connect(cmdmodsRefresh, &QPushButton::clicked, this, &ModPackPanel::RefreshModList);
    connect(LstMods, &PackListBox::Click, this, &ModPackPanel::ShowModPreview);
    fillModList();
}

void ModPackPanel::fillModList()
{
    const ListDrawingHold hold(LstMods); // drawn once, emptied and refilled
    LstMods->Clear();
    const QList<InstalledPack> &packs = m_model.fillModList();
    for (int k = 0; k < packs.size(); ++k) {
        LstMods->AddItem(packs.at(k).DisplayName());
        LstMods->setItemData(LstMods->NewIndex(), k);
    }
}

void ModPackPanel::RefreshModList()
{
    cmdmodsRefresh->setEnabled(false);
    if (m_rescan)
        m_rescan();
    cmdmodsRefresh->setEnabled(true);
}

void ModPackPanel::ShowModPreview()
{
    if (LstMods->ListCount() == 0)
        return;
    const int row = LstMods->ListIndex();
    if (row < 0)
        return;
    const std::optional<ModPreview> mod = m_model.ShowModPreview(LstMods->ItemData(row));
    if (!mod)
        return;
    PreviewMods->setPictureData(mod->Picture);
    lblModCreator->setText(CodePage::toUnicode(mod->CreatorText()));
    lblModName->setText(CodePage::toUnicode(mod->Title));
    // Shown with line breaks of its own; the text keeps its final one.
    QString text = CodePage::toUnicode(PackText::breakLongLines(mod->Description));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtModDesc->setPlainText(text);
}
