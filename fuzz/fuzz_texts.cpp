// The server list (servers.txt), the release list (version.txt) with the
// version comparison, and updater.cfg as the client writes it and the
// updater reads it.
#include "core/ServerList.h"
#include "core/VersionCheck.h"
#include "fuzz/FuzzSupport.h"
#include "updater/UpdaterConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    const ServerList::Parsed servers = ServerList::parse(input);
    for (const ServerEntry &e : servers.entries) {
        const int port = e.Port.toInt();
        Fuzz::check(!e.Host.isEmpty() && port >= 1 && port <= 65535, "server entry kept", e.Host + ' ' + e.Port);
    }

    const QList<QByteArray> parts = Fuzz::pieces(input, '\0', 3);
    const QByteArray product = parts.value(0);
    const QByteArray text = parts.value(1);
    VersionCheck::Release release;
    if (VersionCheck::findRelease(text, product, &release)) {
        const int forward = VersionCheck::compareVersions(release.version, VersionCheck::OwnVersion);
        const int backward = VersionCheck::compareVersions(VersionCheck::OwnVersion, release.version);
        Fuzz::check((forward > 0) == (backward < 0) && (forward == 0) == (backward == 0),
                    "version comparison is antisymmetric", release.version);
        Fuzz::check(VersionCheck::compareVersions(release.version, release.version) == 0,
                    "a version equals itself", release.version);
        const QByteArray cfg = VersionCheck::updaterConfig(release, QStringLiteral("/opt/zorbel/Zorbel1"));
        const std::optional<UpdaterConfig> read = UpdaterConfig::parse(cfg);
        if (read) {
            Fuzz::check(read->UpdateUrl == release.archiveUrl, "updater.cfg keeps the address", cfg);
        }
    }
    UpdaterConfig::parse(parts.value(2));
    UpdaterConfig::parse(input);
    return 0;
}
