#include "updater/frmMain.h"

#include "updater/UpdaterRun.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

frmMain::frmMain(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Update Tool"));
    auto *layout = new QVBoxLayout(this);
    lblApp = new QLabel(this);
    lblApp->setTextFormat(Qt::PlainText);
    layout->addWidget(lblApp);
    auto *rows = new QGridLayout;
    Check1 = addRow(rows, 0, QStringLiteral("Downloading..."));
    Check2 = addRow(rows, 1, QStringLiteral("Installing..."));
    Check3 = addRow(rows, 2, QStringLiteral("Running..."));
    layout->addLayout(rows);
    setMinimumWidth(320);
}

QCheckBox *frmMain::addRow(QGridLayout *rows, int row, const QString &text)
{
    auto *box = new QCheckBox(this);
    // Shows progress only; the user cannot tick it.
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    auto *label = new QLabel(text, this);
    label->setTextFormat(Qt::PlainText);
    rows->addWidget(box, row, 0);
    rows->addWidget(label, row, 1);
    rows->setColumnStretch(1, 1);
    return box;
}

void frmMain::follow(UpdaterRun &run)
{
    m_run = &run;
    connect(&run, &UpdaterRun::started, this, [this](const QString &caption) {
        lblApp->setText(caption);
        show();
        repaint();
    });
    connect(&run, &UpdaterRun::downloaded, this, [this] {
        Check1->setChecked(true);
        repaint();
    });
    connect(&run, &UpdaterRun::installed, this, [this] {
        Check2->setChecked(true);
        repaint();
    });
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // The run notices at its next step and ends by itself; the window goes now.
    if (m_run)
        m_run->cancel();
    event->accept();
}
