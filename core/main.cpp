#include "core/ui/ClientApp.h"
#include "core/ui/RealPlatform.h"
#include "core/util/Files.h"
#include "core/api/ChatOutput.h"
#include "platform/TerminationSignals.h"
#include "updater/StartRecovery.h"

#include <QApplication>
#include <QFile>

#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    // Which program runs, first of all: an install may rename a new release
    // over this one's name at any moment, and the running image still tells.
    const QString self = Files::ProgramFile();
    const StartRecovery::Program running = StartRecovery::Program::running();
    // The arguments as given, for a start of the program put back below.
    std::vector<char *> arguments(argv, argv + argc + 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorbel1"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    // The client ends through ExitClient only: hiding the splash or the login
    // window on the way to the lobby must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (self.isEmpty() || Files::ProgramFolder().isEmpty()) {
        StartRecovery::tellNoFolder();
        return 1;
    }

    // Before anything reads the program folder: the client takes its hold of
    // the folder for its whole run (or waits while an update is installed),
    // and a release install that was cut short is put back whole, so this
    // start never runs a mixed release.
    const bool afterUpdate = qEnvironmentVariableIsSet(StartRecovery::AfterUpdateVariable);
    qunsetenv(StartRecovery::AfterUpdateVariable); // not for the programs this one starts
    const StartRecovery recovery
        = StartRecovery::run(Files::ProgramFolder(), UpdateLock::waitMs(), {running, self, afterUpdate});
    switch (recovery.outcome) {
    case StartRecovery::Outcome::Run:
        break;
    case StartRecovery::Outcome::Replaced:
        // The new release's client runs in this process's place, and gives
        // way to the one the updater starts if that one comes first.
        qputenv(StartRecovery::AfterUpdateVariable, "1");
        ::execv(QFile::encodeName(self).constData(), arguments.data());
        return 1;
    case StartRecovery::Outcome::ClientRuns:
        return 0;
    case StartRecovery::Outcome::Busy:
        StartRecovery::tellBusy();
        return 0;
    }
    // The install was cut short after this very program was moved in: the
    // folder is the earlier release again, and so must the program be. The
    // client put back runs in this process's place (its own recovery finds
    // nothing left to do).
    if (recovery.putBack && StartRecovery::replaced(running, self)) {
        recovery.letGo();
        ::execv(QFile::encodeName(self).constData(), arguments.data());
    }

    RealPlatform platform(Files::ProgramFolder());
    ClientApp client(platform.services());
    TerminationSignals endSignals; // a logout, Ctrl+C: the exit a window's close takes
    QObject::connect(&endSignals, &TerminationSignals::received, &client, &ClientApp::endRequested);
    for (const QByteArray &line : recovery.statusLines)
        client.addStartupStatus(line);
    if (!client.Main())
        return 0;
    return app.exec();
}
