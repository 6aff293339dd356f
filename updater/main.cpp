#include "core/util/Files.h"
#include "platform/ui/WidgetDialogs.h"
#include "updater/UpdaterRun.h"
#include "updater/frmMain.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Update Tool"));
    // A closed window cancels the run, which then still puts the old files
    // back and starts the old client before the program ends.
    QApplication::setQuitOnLastWindowClosed(false);

    frmMain window;
    WidgetDialogs dialogs(&window);
    UpdaterRun run(dialogs, Files::ProgramFolder());
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
