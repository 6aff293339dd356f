#include "platform/LinuxGameStarter.h"

#include "core/util/Files.h"
#include "core/util/Ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

// Field 22 of /proc/<pid>/stat (start time in clock ticks since boot) and the
// state letter; together they tell our child from a process that got its pid.
bool readStat(qint64 pid, QByteArray *startTime, char *state)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return false;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    // After the command name come fields 3 (state) onwards.
    if (fields.size() < 20)
        return false;
    if (state)
        *state = fields[0].isEmpty() ? '?' : fields[0][0];
    if (startTime)
        *startTime = fields[19];
    return true;
}

} // namespace

LinuxGameStarter::LinuxGameStarter(const QString &launcher, QObject *parent)
    : QObject(parent), m_launcher(QProcess::splitCommand(launcher))
{
}

LinuxGameStarter::~LinuxGameStarter()
{
    // A game that has ended but not been reaped yet is collected quietly.
    if (m_process && m_process->state() != QProcess::NotRunning && !isRunning(m_pid))
        m_process->waitForFinished(1000);
}

QString LinuxGameStarter::launcherFromSettings(const QString &qxIni)
{
    const QByteArray unset("\x01");
    const QByteArray value = Ini::ReadIni(qxIni, "paths", "launcher", unset);
    if (value != unset)
        return QString::fromLocal8Bit(value);
    // ReadIni gives the default for a missing key and for an empty one alike;
    // an empty launcher means "run the executable directly", so look for it.
    const QList<QByteArray> lines = Files::ReadAll(qxIni).split('\n');
    bool inPaths = false;
    for (QByteArray line : lines) {
        line = line.trimmed();
        const QByteArray upper = line.toUpper();
        if (upper.startsWith("[SECTION=")) {
            inPaths = upper == "[SECTION=PATHS]";
            continue;
        }
        if (upper == "[EOS]") {
            inPaths = false;
            continue;
        }
        if (inPaths && upper == "LAUNCHER=")
            return QString();
    }
    return QStringLiteral("wine");
}

GameStarter::Started LinuxGameStarter::start(const QString &executable, const QStringList &arguments,
                                             const QString &workingFolder)
{
    Started result;
    if (executable.isEmpty() || !QFileInfo(executable).isFile()) {
        result.error = QStringLiteral("no such file");
        return result;
    }
    QString program = executable;
    QStringList args = arguments;
    if (!m_launcher.isEmpty()) {
        program = m_launcher.first();
        args = m_launcher.mid(1) + QStringList{executable} + arguments;
    }

    auto *process = new QProcess(this);
    process->setProgram(program);
    process->setArguments(args);
    process->setWorkingDirectory(workingFolder);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(10000)) {
        result.error = process->errorString();
        process->kill();
        process->waitForFinished(1000);
        delete process;
        return result;
    }

    // An earlier game that somehow still runs keeps going until it ends.
    if (m_process && m_process->state() != QProcess::NotRunning)
        QObject::connect(m_process.data(), &QProcess::finished, m_process.data(),
                         &QObject::deleteLater);
    else
        delete m_process.data();
    m_process = process;
    m_pid = process->processId();
    m_startTime.clear();
    readStat(m_pid, &m_startTime, nullptr);
    result.ok = true;
    result.pid = m_pid;
    return result;
}

bool LinuxGameStarter::isRunning(qint64 pid) const
{
    if (pid <= 0 || !m_process || pid != m_pid)
        return false;
    if (m_process->state() != QProcess::Running)
        return false;
    // QProcess learns of the exit only in the event loop; the kernel may have
    // reaped the child and handed its pid on already.
    QByteArray startTime;
    char state = '?';
    if (!readStat(pid, &startTime, &state))
        return false;
    if (state == 'Z' || state == 'X')
        return false;
    return m_startTime.isEmpty() || startTime == m_startTime;
}
