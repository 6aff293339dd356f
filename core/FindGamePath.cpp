#include "core/FindGamePath.h"

#include "core/api/GameSetup.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"

#include <QVariant>

namespace {

QByteArray textOf(const QVariant &v)
{
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    if (v.typeId() == QMetaType::Int)
        return QByteArray::number(v.toInt());
    return QByteArray();
}

} // namespace

QString GameNotInstalledMessage()
{
    return QStringLiteral("Populous: The Beginning not installed or install path not found.\r\n"
                          "You wont be able to host or join games.");
}

GameInstallation FindGamePath(const Registry &registry, Dialogs &dialogs)
{
    GameInstallation found;
    const QByteArray key = GamePathKeys::GameKey;
    if (registry.RegKeyExists(Registry::HKEY_LOCAL_MACHINE, key)) {
        // A number stored as installpath is no folder; only a string counts.
        const QVariant path = registry.RegGetString(Registry::HKEY_LOCAL_MACHINE, key, "installpath");
        QByteArray windowsPath = path.typeId() == QMetaType::QByteArray ? path.toByteArray().trimmed()
                                                                        : QByteArray();
        while (windowsPath.size() > 3 && (windowsPath.endsWith('\\') || windowsPath.endsWith('/')))
            windowsPath.chop(1);
        const QString host = windowsPath.isEmpty() ? QString() : registry.hostPath(windowsPath);
        if (!host.isEmpty()) {
            found.GameInstalled = true;
            found.InstallPath = windowsPath;
            found.HostPath = host;
            found.Version = textOf(registry.RegGetString(Registry::HKEY_LOCAL_MACHINE, key, "version"));
            return found;
        }
    }
    dialogs.message(GameNotInstalledMessage(), QString(), Dialogs::Buttons::Ok);
    return found;
}

void FindGamePath(const Registry &registry, Dialogs &dialogs, GameSetup &setup, QByteArray *version)
{
    const GameInstallation found = FindGamePath(registry, dialogs);
    setup.GameInstalled = found.GameInstalled;
    setup.GamePath = found.HostPath;
    setup.GamePathWindows = found.InstallPath;
    setup.GameVersion = found.Version;
    if (version)
        *version = found.Version;
}
