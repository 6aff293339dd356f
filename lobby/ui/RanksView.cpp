#include "lobby/ui/RanksView.h"

#include "core/ClientState.h"
#include "core/util/CodePage.h"
#include "lobby/ColourValue.h"
#include "lobby/ImageKeys.h"
#include "lobby/Rankings.h"
#include "lobby/ui/LobbyIcons.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

RanksView::RanksView(Rankings &ranks, const ClientOptions &options, QTreeWidget *lstRanks,
                     QLabel *lblYourRank, QObject *parent)
    : QObject(parent)
    , m_ranks(ranks)
    , m_options(options)
    , m_list(lstRanks)
    , m_yourRank(lblYourRank)
{
    m_list->setIconSize(QSize(16, 16));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_yourRank->setTextFormat(Qt::PlainText);
    connect(&m_ranks, &Rankings::changed, this, &RanksView::refresh);
    applyColours();
    refresh();
}

void RanksView::applyColours()
{
    const QColor back = ColourValue::toColor(m_options.ListBackColor);
    const QColor fore = ColourValue::toColor(m_options.ListForeColor);
    QPalette p = m_list->palette();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::AlternateBase, QPalette::Window})
        p.setColor(role, back);
    p.setColor(QPalette::Text, fore);
    p.setColor(QPalette::WindowText, fore);
    p.setColor(QPalette::Highlight, fore.darker(260));
    p.setColor(QPalette::HighlightedText, fore.lighter(130));
    m_list->setPalette(p);
    m_list->setAutoFillBackground(true);
    // The header in the list's colours, a shade darker, so it reads as a header.
    m_list->header()->setStyleSheet(
        QStringLiteral("QHeaderView { background-color: %1; }"
                       " QHeaderView::section { background-color: %1; color: %2; border: 0px;"
                       " border-right: 1px solid %3; border-bottom: 1px solid %3; padding: 2px 4px; }")
            .arg(back.darker(140).name(), fore.name(), back.lighter(180).name()));
}

void RanksView::refresh()
{
    m_list->clear();
    QList<QTreeWidgetItem *> items;
    for (const RankRow &r : m_ranks.rows()) {
        auto *item = new QTreeWidgetItem;
        item->setIcon(0, LobbyIcons::icon(ImageKeys::GetImageIndex(r.IconKey)));
        const QByteArray texts[6] = {r.Place, r.Name, r.Lost, r.Won, r.Played, r.Rating};
        for (int c = 0; c < 6; ++c)
            item->setText(c + 1, CodePage::toUnicode(texts[c]));
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    m_yourRank->setText(CodePage::toUnicode(m_ranks.YourRank()));
}
