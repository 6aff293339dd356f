#pragma once
#include "platform/GameProcess.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QProcess;

// Starts the game with QProcess: the launcher's program and arguments, then
// the executable and its switches. The QProcess of the last start is the
// handle the game watch asks; its start time guards against a reused pid.
class LinuxGameStarter : public QObject, public GameStarter
{
    Q_OBJECT
public:
    // `launcher` is split into a program and its arguments (no shell);
    // an empty text runs the executable directly.
    explicit LinuxGameStarter(const QString &launcher, QObject *parent = nullptr);
    ~LinuxGameStarter() override;

    // The launcher set in qx.ini ("paths", "launcher"): "wine" when the key
    // is missing, the empty text when the key is present with no value.
    static QString launcherFromSettings(const QString &qxIni);

    Started start(const QString &executable, const QStringList &arguments,
                  const QString &workingFolder) override;
    bool isRunning(qint64 pid) const override;

private:
    QStringList m_launcher;
    QPointer<QProcess> m_process;
    qint64 m_pid = 0;
    QByteArray m_startTime;   // /proc/<pid>/stat field 22 at the start
};
