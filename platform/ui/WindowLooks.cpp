#include "platform/ui/WindowLooks.h"

#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

QColor ColourFromBgr(qint32 bgr)
{
    const quint32 v = static_cast<quint32>(bgr);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

bool SetWindowAlpha(QWidget *window, qint16 opacity)
{
    if (!window || opacity < 0 || opacity > 255)
        return false;
    window->setWindowOpacity(opacity / 255.0);
    return true;
}

void SetTreeViewBackColor(QTreeView *tree, qint32 colour)
{
    if (!tree)
        return;
    QPalette palette = tree->palette();
    palette.setColor(QPalette::Base, ColourFromBgr(colour));
    tree->setPalette(palette);
    tree->viewport()->update();
}

void SetTreeViewBackColor(QTreeWidget *tree, qint32 colour)
{
    if (!tree)
        return;
    SetTreeViewBackColor(static_cast<QTreeView *>(tree), colour);
    const QBrush brush(ColourFromBgr(colour));
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        for (int c = 0; c < tree->columnCount(); ++c)
            (*it)->setBackground(c, brush);
    }
}
