#pragma once
#include <QWidget>

class HutPanels;
class QLabel;

// PBMapDL / PBModDL: the download area of a hut pack that is missing here,
// with the pack's download address (lblMappackURL / lblmodpackurl).
class HutPackPanel : public QWidget
{
    Q_OBJECT
public:
    enum class Kind { Mappack, Modpack };
    HutPackPanel(Kind kind, HutPanels &panels, QWidget *parent = nullptr);

    QLabel *caption = nullptr;
    QLabel *url = nullptr;

private:
    void refresh();
    Kind m_kind;
    HutPanels &m_panels;
};
