// Start-up with many packs, measured as a player's machine runs it: the
// client program (Zorbel1, started as a process with its folder in
// ZORBEL_HOME and the game in a Wine prefix) runs its start-up sequence until
// it asks the lobby web host for the server list; the time from the process
// start to that request is taken, then the client is ended. Three cases, each
// in a folder of its own, their runs interleaved: no packs; 500 map packs of
// 200 KB whose .kaf.crc caches are present (warm); the same packs without
// caches (cold: every pack is read and its cache written). The packs stay in
// the page cache throughout. Release build only.
//
// Prints the median time of each case, on the wall clock and in processor
// time of the client, and "ratio warm/none" and "ratio cold/none"; the aim is
// at most 1.2 and 3. The same three cases run
// in this process too (the client composed as main() does, boxes and sound
// answered quietly), which leaves out the program's own start and shows the
// packs' share more sharply.
// "bench_startup cold|warm|none N" runs N in-process starts of one case, for
// a profiler.
#include "bench/BenchStandIns.h"
#include "core/ui/ClientApp.h"
#include "core/util/Ini.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace bench;

constexpr int PackCount = 500;
constexpr int PackSize = 200 * 1024;
constexpr int Rounds = 11;

// Milliseconds from the start to the server-list request: on the wall clock,
// and of processor time used by the client (on a machine shared with other
// work the second varies far less).
struct Timing
{
    double wallMs = 0;
    double cpuMs = 0;
};

// Processor time of a process (all its threads) in milliseconds.
double cpuMsOf(qint64 pid)
{
    double ns = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (stat.open(QIODevice::ReadOnly))
            ns += stat.readAll().split(' ').value(0).toDouble();
    }
    return ns / 1e6;
}

double ownCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// One program folder with its skin, settings and Wine prefix (the game is
// installed there), and `packs` map packs.
QString makeHome(const QString &parent, const char *name, int packs, const QByteArray &webHost)
{
    const QString home = QDir(parent).filePath(QLatin1String(name));
    QDir().mkpath(home);
    QFile::link(QStringLiteral(ZORBEL_SOURCE_DIR "/assets/skins"), home + QStringLiteral("/skins"));
    Ini::WriteIni(home + QStringLiteral("/qx.ini"), "general", "webhost", webHost);
    QDir().mkpath(home + QStringLiteral("/prefix/drive_c/Games/Populous"));
    writeFile(home + QStringLiteral("/prefix/system.reg"), bench::GameRegistry);
    QByteArray bytes(PackSize, '\0');
    for (int i = 0; i < packs; ++i) {
        for (int b = 0; b < PackSize; b += 4096)
            bytes[b] = char(i * 31 + b);
        writeFile(home + QStringLiteral("/mappacks/pack%1.kaf").arg(i, 3, 10, QLatin1Char('0')), bytes);
    }
    return home;
}

void dropCaches(const QString &home)
{
    QDir packs(home + QStringLiteral("/mappacks"));
    for (const QString &name : packs.entryList({QStringLiteral("*.crc")}, QDir::Files))
        packs.remove(name);
}

// One start in this process.
Timing startOnce(const QString &home, WebHost &web)
{
    Machine machine(home + QStringLiteral("/prefix"));
    qputenv("ZORBEL_HOME", home.toLocal8Bit());
    QElapsedTimer clock;
    web.clock = &clock;
    web.listAskedAt = -1;
    double cpuAtList = 0;
    web.listAsked = [&cpuAtList] { cpuAtList = ownCpuMs(); };
    const double cpuAtStart = ownCpuMs();
    clock.start();
    {
        ClientApp app(machine.platform());
        if (!app.Main())
            qFatal("start-up ended early");
    }
    web.listAsked = nullptr;
    qunsetenv("ZORBEL_HOME");
    if (web.listAskedAt < 0)
        qFatal("the server list was never asked for");
    return {double(web.listAskedAt) / 1e6, cpuAtList - cpuAtStart};
}

// One start of the client program, which is ended once it has asked.
Timing startProgram(const QString &home, WebHost &web)
{
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZORBEL_HOME"), home);
    env.insert(QStringLiteral("WINEPREFIX"), home + QStringLiteral("/prefix"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    client.setProcessEnvironment(env);
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QEventLoop wait;
    QTimer::singleShot(60000, &wait, &QEventLoop::quit);
    QObject::connect(&client, &QProcess::finished, &wait, &QEventLoop::quit);
    QElapsedTimer clock;
    web.clock = &clock;
    web.listAskedAt = -1;
    double cpu = 0;
    web.listAsked = [&] {
        cpu = cpuMsOf(client.processId());
        wait.quit();
    };
    clock.start();
    client.start(QStringLiteral(ZORBEL_CLIENT_PATH), QStringList());
    wait.exec();
    web.listAsked = nullptr;
    client.kill();
    client.waitForFinished();
    if (web.listAskedAt < 0)
        qFatal("the client never asked for the server list");
    return {double(web.listAskedAt) / 1e6, cpu};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The folders go below the current folder, not /tmp: a /tmp that many
    // programs churn can make every file creation slow, which is not what is
    // measured here.
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench_startup-XXXXXX")));
    WebHost web;
    const QString none = makeHome(dir.path(), "none", 0, web.hostAndPort());
    const QString packs = makeHome(dir.path(), "packs", PackCount, web.hostAndPort());

    if (argc >= 3) {
        const QByteArray which = argv[1];
        const int n = QByteArray(argv[2]).toInt();
        startOnce(which == "none" ? none : packs, web); // caches made, files read once
        double total = 0;
        for (int i = 0; i < n; ++i) {
            if (which == "cold")
                dropCaches(packs);
            total += startOnce(which == "none" ? none : packs, web).wallMs;
        }
        std::printf("%s: %.1f ms a start\n", which.constData(), total / n);
        return 0;
    }

    auto run = [&](const char *name, Timing (*start)(const QString &, WebHost &)) {
        std::vector<Timing> tNone, tWarm, tCold;
        // One start of each first: the pack files and the program are in memory.
        start(none, web);
        start(packs, web);
        for (int round = 0; round < Rounds; ++round) {
            tNone.push_back(start(none, web));
            tWarm.push_back(start(packs, web));
            dropCaches(packs);
            tCold.push_back(start(packs, web));
        }
        const auto med = [](const std::vector<Timing> &t, double Timing::*field) {
            std::vector<double> v;
            for (const Timing &x : t)
                v.push_back(x.*field);
            return median(v);
        };
        std::printf("%s, start-up to the server-list request (median of %d):\n", name, Rounds);
        std::printf("                            wall clock   processor\n");
        const char *labels[3] = {"no packs", "500 packs, caches (warm)", "500 packs, no caches (cold)"};
        const std::vector<Timing> *cases[3] = {&tNone, &tWarm, &tCold};
        double wall[3], cpu[3];
        for (int i = 0; i < 3; ++i) {
            wall[i] = med(*cases[i], &Timing::wallMs);
            cpu[i] = med(*cases[i], &Timing::cpuMs);
            std::printf("  %-27s %7.1f ms  %7.1f ms\n", labels[i], wall[i], cpu[i]);
        }
        std::printf("  ratio warm/none            %7.2f     %7.2f     (aim at most 1.2)\n", wall[1] / wall[0],
                    cpu[1] / cpu[0]);
        std::printf("  ratio cold/none            %7.2f     %7.2f     (aim at most 3)\n", wall[2] / wall[0],
                    cpu[2] / cpu[0]);
        std::fflush(stdout);
    };
    run("the client program", startProgram);
    run("in this process", startOnce);
    return 0;
}
