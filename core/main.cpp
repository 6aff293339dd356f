#include "core/ui/ClientApp.h"
#include "core/ui/RealPlatform.h"
#include "core/util/Files.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorbel1"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    // The client ends through ExitClient only: hiding the splash or the login
    // window on the way to the lobby must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    RealPlatform platform(Files::ProgramFolder());
    ClientApp client(platform.services());
    if (!client.Main())
        return 0;
    return app.exec();
}
