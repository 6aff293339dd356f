#include "core/util/Files.h"
#include "platform/TerminationSignals.h"
#include "platform/ui/WidgetDialogs.h"
#include "updater/StartRecovery.h"
#include "updater/UpdaterRun.h"
#include "updater/frmMain.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // The download's wait holds back window input, a close of the window among
    // it, and the run lets it in now and then (UpdaterRun). Under the GLib
    // event loop such held-back X events stay held until another one comes;
    // Qt's own loop delivers them, so that a close ends the download at once.
    qputenv("QT_NO_GLIB", "1");
    // Taken before anything else (see the client's main): a release may
    // bring a new updater under this one's name.
    const QString folder = Files::ProgramFolder();
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Update Tool"));
    if (folder.isEmpty()) {
        StartRecovery::tellNoFolder();
        return 1;
    }
    // A closed window cancels the run, which then still puts the old files
    // back and starts the old client before the program ends.
    QApplication::setQuitOnLastWindowClosed(false);

    frmMain window;
    TerminationSignals endSignals; // a logout, Ctrl+C: as a close of the window
    QObject::connect(&endSignals, &TerminationSignals::received, &window, &QWidget::close);
    WidgetDialogs dialogs(&window);
    UpdaterRun run(dialogs, folder);
    window.follow(run);
    switch (run.run()) {
    case UpdaterRun::Outcome::Done:
    case UpdaterRun::Outcome::AlreadyDone:
        return 0;
    case UpdaterRun::Outcome::Busy:
        return 3;
    case UpdaterRun::Outcome::Cancelled:
        return 4;
    default:
        return 1;
    }
}
