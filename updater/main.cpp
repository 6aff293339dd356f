#include "core/util/Files.h"
#include "platform/ui/WidgetDialogs.h"
#include "updater/UpdaterRun.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace {

// The updater's one window: the caption line and three steps the user
// watches while the run goes on.
class frmMain : public QWidget
{
public:
    frmMain()
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

    QLabel *lblApp = nullptr;
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check3 = nullptr;

private:
    QCheckBox *addRow(QGridLayout *rows, int row, const QString &text)
    {
        auto *box = new QCheckBox(this);
        // Shows progress only; the user cannot tick it.
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        box->setFocusPolicy(Qt::NoFocus);
        auto *label = new QLabel(text, this);
        rows->addWidget(box, row, 0);
        rows->addWidget(label, row, 1);
        rows->setColumnStretch(1, 1);
        return box;
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Update Tool"));

    frmMain window;
    WidgetDialogs dialogs(&window);
    UpdaterRun run(dialogs, Files::ProgramFolder());
    QObject::connect(&run, &UpdaterRun::started, &window, [&window](const QString &caption) {
        window.lblApp->setText(caption);
        window.show();
        window.repaint();
    });
    QObject::connect(&run, &UpdaterRun::downloaded, &window, [&window] {
        window.Check1->setChecked(true);
        window.repaint();
    });
    QObject::connect(&run, &UpdaterRun::installed, &window, [&window] {
        window.Check2->setChecked(true);
        window.repaint();
    });
    return run.run() == UpdaterRun::Outcome::Done ? 0 : 1;
}
