#include "packs/ui/PackPanelLooks.h"

#include "controls/MorphListBox.h"
#include "controls/MorphListBoxPresets.h"
#include "core/ui/PackListBox.h"
#include "lobby/ui/PlainLabel.h"

#include <QLabel>

namespace PackPanelLooks {

PackListBox *packList(const QString &name, ListLook look, QWidget *parent)
{
    auto *list = new PackListBox(parent);
    list->setObjectName(name);
    QPalette p = list->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::Text, QColor(0, 192, 192));
    p.setColor(QPalette::Highlight, look == Packs ? QColor(0, 128, 128) : QColor(0, 96, 96));
    p.setColor(QPalette::HighlightedText, QColor(0, 255, 255));
    p.setColor(QPalette::WindowText, QColor(0, 128, 128)); // the frame
    list->setPalette(p);
    list->setFrameShape(QFrame::Box);
    list->setFrameShadow(QFrame::Plain);
    list->setMinimumWidth(3015 / 15);
    return list;
}

MorphListBox *morphList(const QString &name, ListLook look, QWidget *parent)
{
    auto *list = new MorphListBox(parent);
    list->setObjectName(name);
    list->ReadProperties(look == Packs ? MorphListBoxPresets::lstPacks() : MorphListBoxPresets::lstMaps());
    list->setMinimumWidth(3015 / 15);
    return list;
}

QLabel *label(const QString &name, QWidget *parent)
{
    QLabel *l = plainLabel(parent, name);
    // A pack's text never widens the panel: laying the panel out again for
    // a long name costs far more than showing it, cut at the panel's edge.
    l->setSizePolicy(QSizePolicy::Ignored, l->sizePolicy().verticalPolicy());
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(200, 214, 222));
    l->setPalette(p);
    return l;
}

} // namespace PackPanelLooks
