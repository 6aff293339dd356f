#include "packs/ui/CatalogPanel.h"

#include "controls/CoolProgressBar.h"
#include "core/util/CodePage.h"
#include "packs/PackCatalog.h"
#include "packs/download/CatalogDownload.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

void setButtonPicture(QPushButton *button, const QString &file)
{
    const QPixmap picture(file);
    if (picture.isNull())
        return;
    // The button keeps the size the window's layout gives it.
    button->setIcon(picture);
    button->setIconSize(picture.size());
    button->setText(QString());
    button->setFlat(true);
}

CatalogPanel::CatalogPanel(CatalogDownload &run, Dialogs *dialogs, QWidget *parent)
    : QWidget(parent)
    , m_run(run)
{
    const bool map = run.maps();
    auto named = [](QWidget *w, const char *mapName, const char *modName, bool isMap) {
        w->setObjectName(QString::fromLatin1(isMap ? mapName : modName));
    };
    named(this, "picDLMapsMenu", "framoddownload", map);
    setAutoFillBackground(true);
    auto *title = new QLabel(map ? tr("Map packs to download") : tr("Mod packs to download"), this);
    named(title, "lblDLMapsMenu", "lblDLModsMenu", map);
    title->setTextFormat(Qt::PlainText);
    list = new QListWidget(this);
    named(list, "lstMapPacks", "lstmodPacks", map);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    selectAll = new QPushButton(tr("All"), this);
    named(selectAll, "cmdSelectAll", "modsselectall", map);
    selectNone = new QPushButton(tr("None"), this);
    named(selectNone, "cmdSelectNone", "modsselectnone", map);
    done = new QPushButton(tr("Close"), this);
    named(done, "cmdDoneMaps", "ModDownloadClose", map);
    cancel = new QPushButton(tr("Cancel"), this);
    named(cancel, "CancelDLMaps", "modsdlcancel", map);
    download = new QPushButton(tr("Download"), this);
    named(download, "cmdDownloadMappacksM", "cmdDownloadMods", map);
    status = new QLabel(this);
    named(status, "lblStat", "lblStatMods", map);
    status->setTextFormat(Qt::PlainText);
    bar = new CoolProgressBar(this);
    named(bar, "PBMapsDownloadM", "PBModsDL", map);
    bar->setDialogs(dialogs);

    if (!map) {
        // The mod panel's controls are its own (the lobby window's layout
        // places the panel and, on the tab, its progress bar): the buttons
        // at the top, where the bar standing on the panel's lower edge
        // during a run never covers them.
        auto *layout = new QVBoxLayout(this);
        auto *top = new QHBoxLayout;
        top->addWidget(title, 1);
        top->addWidget(done);
        layout->addLayout(top);
        auto *buttons = new QHBoxLayout;
        for (QPushButton *b : {selectAll, selectNone})
            buttons->addWidget(b);
        buttons->addStretch(1);
        buttons->addWidget(cancel);
        buttons->addWidget(download);
        layout->addLayout(buttons);
        layout->addWidget(status);
        layout->addWidget(list, 1);
    }
    // The map panel has no Qt layout: the window's layout places each of its
    // controls.

    connect(selectAll, &QPushButton::clicked, this, [this] { selectRows(true); });
    connect(selectNone, &QPushButton::clicked, this, [this] { selectRows(false); });
    connect(done, &QPushButton::clicked, this, [this] { m_run.Close(); });
    connect(cancel, &QPushButton::clicked, this, [this] { m_run.CancelDownload(); });
    connect(download, &QPushButton::clicked, this, [this] { m_run.cmdDownload_Click(selectedRows()); });
    connect(&run.catalog(), &PackCatalog::listChanged, this, &CatalogPanel::fillList);
    connect(&run, &CatalogDownload::changed, this, &CatalogPanel::refresh);
    fillList();
    refresh();
}

QList<int> CatalogPanel::selectedRows() const
{
    QList<int> rows;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected())
            rows << i;
    }
    return rows;
}

void CatalogPanel::selectRows(bool all)
{
    if (list->count() == 0)
        return;
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(all);
    list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void CatalogPanel::fillList()
{
    list->clear();
    for (const QByteArray &row : m_run.catalog().rows())
        list->addItem(CodePage::toUnicode(row));
}

void CatalogPanel::refresh()
{
    const CatalogDownload::State &s = m_run.state();
    setVisible(s.panelVisible);
    if (s.panelVisible)
        raise();   // over the preview it covers
    list->setEnabled(s.listEnabled);
    download->setEnabled(s.downloadEnabled);
    selectAll->setEnabled(s.selectEnabled);
    selectNone->setEnabled(s.selectEnabled);
    cancel->setVisible(s.cancelVisible);
    bar->setVisible(s.barVisible);
    if (bar->parentWidget() != this)
        bar->raise();   // on the tab, beside the panel: never under it
    bar->setMax(s.barMax);
    bar->setValue(s.barValue);
    status->setText(CodePage::toUnicode(s.status));
    if (s.currentRow >= 0 && s.currentRow < list->count())
        list->setCurrentRow(s.currentRow, QItemSelectionModel::NoUpdate);
}
