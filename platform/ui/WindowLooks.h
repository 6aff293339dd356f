#pragma once
#include <QColor>
#include <QtGlobal>

class QTreeView;
class QTreeWidget;
class QWidget;

// Window appearance in Qt terms. Colours are 0x00BBGGRR, as the skin files
// and the game store them.

QColor ColourFromBgr(qint32 bgr);

// The window's opacity, 0 (clear) to 255 (solid). A value outside that range
// changes nothing and gives false.
bool SetWindowAlpha(QWidget *window, qint16 opacity);

// The tree's background: the view's base colour, and for a tree widget every
// item's background too.
void SetTreeViewBackColor(QTreeView *tree, qint32 colour);
void SetTreeViewBackColor(QTreeWidget *tree, qint32 colour);
