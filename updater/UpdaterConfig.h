#pragma once
#include <QByteArray>
#include <optional>

// updater.cfg, the hand-over file the client writes beside the updater: four
// lines (CR LF or LF), kept as the bytes they are. Lines after the fourth are
// ignored.
struct UpdaterConfig
{
    QByteArray UpdateName;     // product word, shown in the caption line
    QByteArray UpdateVersion;  // the new version, shown in the caption line
    QByteArray UpdateUrl;      // the release archive on the lobby web host
    QByteArray RestartCommand; // the client to start again at the end

    // nullopt for fewer than four lines, or when the address or the program to
    // start again is empty: such a file cannot drive an update.
    static std::optional<UpdaterConfig> parse(const QByteArray &text);
};
