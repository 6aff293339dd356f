#pragma once
#include <QString>

class MorphListBox;
class PackListBox;
class QLabel;
class QWidget;

// The looks the pack tabs share: the pack and level lists in the colours the
// window's design gives them (black, teal text, a teal selection), and the
// plain-text labels in the lobby's light grey.
namespace PackPanelLooks {

enum ListLook { Packs, Maps };

PackListBox *packList(const QString &name, ListLook look, QWidget *parent);
// The skinned pack and level lists of the maps tab, in their stored looks.
MorphListBox *morphList(const QString &name, ListLook look, QWidget *parent);
QLabel *label(const QString &name, QWidget *parent);

} // namespace PackPanelLooks
