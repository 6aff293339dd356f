#include "core/ui/ClientApp.h"
#include "core/ui/RealPlatform.h"
#include "core/util/Files.h"
#include "core/api/ChatOutput.h"
#include "updater/StartRecovery.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorbel1"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    // The client ends through ExitClient only: hiding the splash or the login
    // window on the way to the lobby must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Before anything reads the program folder: a release install that was
    // cut short is put back whole, so this start never runs a mixed release.
    const StartRecovery recovery = StartRecovery::run(Files::ProgramFolder());

    RealPlatform platform(Files::ProgramFolder());
    ClientApp client(platform.services());
    for (const QByteArray &line : recovery.statusLines)
        client.addStartupStatus(line);
    if (!client.Main())
        return 0;
    return app.exec();
}
