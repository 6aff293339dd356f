#include "updater/UpdaterConfig.h"

#include <QList>

std::optional<UpdaterConfig> UpdaterConfig::parse(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    // A final line end closes the last line; it does not open another one.
    if (text.endsWith('\n'))
        lines.removeLast();
    if (lines.size() < 4)
        return std::nullopt;
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    UpdaterConfig config{lines[0], lines[1], lines[2], lines[3]};
    if (config.UpdateUrl.isEmpty() || config.RestartCommand.isEmpty())
        return std::nullopt;
    return config;
}
