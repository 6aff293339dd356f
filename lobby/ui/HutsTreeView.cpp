#include "lobby/ui/HutsTreeView.h"

#include "lobby/HutsTreeModel.h"
#include "lobby/ui/LobbyIcons.h"

#include <QMouseEvent>

HutsTreeView::HutsTreeView(HutsTreeModel &model, QWidget *parent)
    : QTreeView(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("lstHuts"));
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(false);
    setItemsExpandable(false);
    setIndentation(14);
    setIconSize(QSize(16, 16));
    m_model.setIconProvider(&LobbyIcons::icon);
    setModel(&m_model);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &QTreeView::expandAll);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &parent, int first, int last) {
                if (parent.isValid())
                    return;
                for (int r = first; r <= last; ++r)
                    expand(m_model.index(r, 0));
            });
    expandAll();
}

void HutsTreeView::reportDoubleClick(const QModelIndex &index)
{
    if (!index.isValid()) {
        Q_EMIT hutNodeDoubleClicked(false, false, {}, {}, {});
        return;
    }
    const QModelIndex parent = index.parent();
    Q_EMIT hutNodeDoubleClicked(true, m_model.rowCount(index) > 0,
                                index.data(HutsTreeModel::KeyRole).toByteArray(),
                                parent.isValid() ? parent.data(HutsTreeModel::KeyRole).toByteArray()
                                                 : QByteArray(),
                                index.data(HutsTreeModel::TagRole).toByteArray());
}

void HutsTreeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid())
            setCurrentIndex(index);
        reportDoubleClick(index.isValid() ? index : currentIndex());
        event->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}
