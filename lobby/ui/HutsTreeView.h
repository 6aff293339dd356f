#pragma once
#include <QByteArray>
#include <QTreeView>

class HutsTreeModel;

// lstHuts: the huts tree. Hut nodes are kept expanded; a double-click
// reports the node under it (key, its parent's key, tag) for joining.
class HutsTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit HutsTreeView(HutsTreeModel &model, QWidget *parent = nullptr);

    // The node data a double-click reports, for the node at `index`.
    void reportDoubleClick(const QModelIndex &index);

Q_SIGNALS:
    void hutNodeDoubleClicked(bool valid, bool hasChildren, const QByteArray &key,
                              const QByteArray &parentKey, const QByteArray &tag);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    HutsTreeModel &m_model;
};
