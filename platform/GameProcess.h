#pragma once
#include <QString>
#include <QStringList>

// Starting the game: the configured launcher (wine on Linux; empty runs the
// executable directly) with an argument list, never a shell, in the game folder.
class GameStarter
{
public:
    struct Started
    {
        bool ok = false;
        qint64 pid = 0;
        QString error;
    };
    virtual ~GameStarter() = default;
    virtual Started start(const QString &executable, const QStringList &arguments,
                          const QString &workingFolder) = 0;
    // True while the process started last runs; it never answers for a
    // process id that has been reused by another program.
    virtual bool isRunning(qint64 pid) const = 0;
};
