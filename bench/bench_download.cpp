// The DownLoad control fetching 256 MiB from a loopback HTTP server, against
// curl fetching the same file from the same server in the same run, three
// times each, interleaved. The server is a child process (this program with
// --serve) that sends the file with sendfile(), so neither client waits for
// it. Prints both rates, "ratio (ours / curl): X" (median against median) and
// how much the client's peak resident size grew during its downloads.
#include "controls/DownLoad.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 FileBytes = qint64(256) << 20;

int serve(const char *path)
{
    const int file = ::open(path, O_RDONLY);
    struct stat st {};
    if (file < 0 || ::fstat(file, &st) != 0)
        return 1;
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(listener, 8) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
        return 1;
    ::printf("%d\n", ntohs(addr.sin_port));
    ::fflush(stdout);
    for (;;) {
        const int c = ::accept(listener, nullptr, nullptr);
        if (c < 0)
            continue;
        QByteArray head;
        char buf[4096];
        while (!head.contains("\r\n\r\n")) {
            const ssize_t n = ::read(c, buf, sizeof buf);
            if (n <= 0)
                break;
            head.append(buf, n);
        }
        const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
            + QByteArray::number(qint64(st.st_size)) + "\r\nConnection: close\r\n\r\n";
        if (::write(c, answer.constData(), size_t(answer.size())) == answer.size()) {
            off_t offset = 0;
            while (offset < st.st_size) {
                if (::sendfile(c, file, &offset, size_t(st.st_size - offset)) <= 0)
                    break;
            }
        }
        ::shutdown(c, SHUT_WR);
        while (::read(c, buf, sizeof buf) > 0) {
        }
        ::close(c);
    }
}

qint64 statusKilobytes(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--serve") == 0)
        return serve(argv[2]);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    {
        QFile f(source);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (qint64 i = 0; i < FileBytes / block.size(); ++i) {
            for (int j = 0; j < block.size(); j += 4)
                *reinterpret_cast<quint32 *>(block.data() + j) = quint32(i * 2654435761u + quint32(j) * 40503u);
            f.write(block);
        }
    }
    QProcess server;
    server.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--serve"), source});
    if (!server.waitForReadyRead(10000))
        return 1;
    const QByteArray port = server.readLine().trimmed();
    const QString url = QStringLiteral("http://127.0.0.1:%1/file").arg(QString::fromLatin1(port));
    const QString ours = dir.filePath(QStringLiteral("ours.bin"));
    const QString theirs = dir.filePath(QStringLiteral("curl.bin"));
    const double mib = double(FileBytes) / (1 << 20);

    auto runOurs = [&](qint32 chunk, qint64 *growthKiB) {
        QFile::remove(ours);
        DownLoad dl;
        dl.setCHUNK(chunk);
        dl.setUrl(url);
        dl.setSaveLocation(ours);
        resetPeak();
        const qint64 before = statusKilobytes("VmRSS:");
        QElapsedTimer t;
        t.start();
        dl.GetFileInformation();
        dl.DownLoadFile();
        const double s = t.nsecsElapsed() / 1e9;
        *growthKiB = statusKilobytes("VmHWM:") - before;
        return QFileInfo(ours).size() == FileBytes ? mib / s : 0.0;
    };
    auto runCurl = [&] {
        QFile::remove(theirs);
        QElapsedTimer t;
        t.start();
        const int rc = QProcess::execute(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), theirs, url});
        const double s = t.nsecsElapsed() / 1e9;
        return rc == 0 && QFileInfo(theirs).size() == FileBytes ? mib / s : 0.0;
    };

    QList<double> oursRates;
    QList<double> curlRates;
    qint64 growth = 0;
    for (int round = 0; round < 3; ++round) {
        qint64 g = 0;
        oursRates << runOurs(64 * 1024, &g);
        growth = qMax(growth, g);
        curlRates << runCurl();
        out << "round " << round + 1 << ": ours " << QString::number(oursRates.last(), 'f', 0) << " MiB/s, curl "
            << QString::number(curlRates.last(), 'f', 0) << " MiB/s, peak growth " << g << " KiB" << Qt::endl;
    }
    qint64 g = 0;
    const double smallChunks = runOurs(1024, &g);
    growth = qMax(growth, g);
    out << "ours with the 1 KiB default CHUNK: " << QString::number(smallChunks, 'f', 0) << " MiB/s" << Qt::endl;
    out << "ours (64 KiB CHUNK, median): " << QString::number(median(oursRates), 'f', 0) << " MiB/s" << Qt::endl;
    out << "curl (median): " << QString::number(median(curlRates), 'f', 0) << " MiB/s" << Qt::endl;
    out << "ratio (ours / curl): " << QString::number(median(oursRates) / median(curlRates), 'f', 2) << Qt::endl;
    out << "peak resident growth during a download: " << QString::number(growth / 1024.0, 'f', 1) << " MiB"
        << Qt::endl;
    server.kill();
    server.waitForFinished();
    return 0;
}
