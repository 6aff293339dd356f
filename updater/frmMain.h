#pragma once
#include <QWidget>

class QCheckBox;
class QLabel;
class UpdaterRun;

// The updater's one window: the caption line and three steps the user
// watches while the run goes on. Closing it stops the run (UpdaterRun::cancel):
// the old files stay whole and the old client starts again.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);

    // Follows the run's signals, and cancels it when the window is closed.
    void follow(UpdaterRun &run);

    QLabel *lblApp = nullptr;
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check3 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QCheckBox *addRow(class QGridLayout *rows, int row, const QString &text);

    UpdaterRun *m_run = nullptr;
};
