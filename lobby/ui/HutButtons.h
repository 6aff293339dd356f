#pragma once
#include <QWidget>

class HostOptions;
class HutHosting;
class HutPanels;
class QPushButton;

// cmdHost and cmdlaunch, in the lobby panel's bottom row.
class HutButtons : public QWidget
{
    Q_OBJECT
public:
    HutButtons(HutHosting &hosting, HostOptions &options, HutPanels &panels, QWidget *parent = nullptr);

    QPushButton *cmdHost = nullptr;
    QPushButton *cmdlaunch = nullptr;

private:
    void refresh();
    HutPanels &m_panels;
};
