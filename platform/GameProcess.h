#pragma once
#include <QString>
#include <QStringList>

// Starting the game: the configured launcher (wine on Linux; empty runs the
// executable directly) with an argument list, never a shell, in the game folder.
// The client's own working folder never changes.
class GameStarter
{
public:
    struct Started
    {
        bool ok = false;
        qint64 pid = 0;
        QString error;   // why the start failed, for the status line
    };
    virtual ~GameStarter() = default;
    // `executable` is the host path of the game's .exe; `arguments` are the
    // game's own switches (the launcher, if any, goes in front of both).
    virtual Started start(const QString &executable, const QStringList &arguments,
                          const QString &workingFolder) = 0;
    // True while the process started last runs; it never answers for a
    // process id that has been reused by another program, so a caller that
    // checks it right before touching the process's memory never reads a
    // stranger.
    virtual bool isRunning(qint64 pid) const = 0;
};
