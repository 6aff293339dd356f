// CGUnzipFiles against Debian's unzip on one generated archive: 200 MiB in
// 2,000 entries. Prints both times and the ratio (unzip time / ours).
#include "tests/fixtures/ZipBuilder.h"
#include "updater/unzip/CGUnzipFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Compressible like game data: runs of a few symbols with some noise.
QByteArray entryData(int index, qsizetype size)
{
    QRandomGenerator rng(quint32(index) * 2654435761u);
    QByteArray out(size, Qt::Uninitialized);
    qsizetype i = 0;
    while (i < size) {
        const char c = char(rng.bounded(8) == 0 ? rng.bounded(256) : 'a' + rng.bounded(6));
        const qsizetype run = qMin<qsizetype>(size - i, 1 + rng.bounded(6));
        for (qsizetype k = 0; k < run; ++k)
            out[i++] = c;
    }
    return out;
}

double best(int rounds, const std::function<bool()> &prepare, const std::function<bool()> &run)
{
    double bestSeconds = 1e9;
    for (int r = 0; r < rounds; ++r) {
        if (!prepare())
            return -1;
        QElapsedTimer t;
        t.start();
        if (!run())
            return -1;
        bestSeconds = qMin(bestSeconds, double(t.nsecsElapsed()) / 1e9);
    }
    return bestSeconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString unzipTool = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    if (unzipTool.isEmpty()) {
        std::fprintf(stderr, "Debian's unzip is not installed\n");
        return 2;
    }
    QTemporaryDir work;
    const QString zip = work.filePath(QStringLiteral("bench.zip"));
    const int entries = 2000;
    const qsizetype total = qsizetype(200) << 20;
    QList<ZipEntry> list;
    for (int i = 0; i < entries; ++i) {
        const qsizetype size = total / entries + (i < total % entries ? 1 : 0);
        list.append(ZipEntry("dir" + QByteArray::number(i / 100) + "/file" + QByteArray::number(i) + ".dat",
                             entryData(i, size)).fast());
    }
    QString error;
    if (!buildZip(zip, list, &error)) {
        std::fprintf(stderr, "cannot build the archive: %s\n", qPrintable(error));
        return 2;
    }
    list.clear();
    std::printf("archive: %d entries, %.0f MiB unpacked, %.1f MiB packed\n", entries,
                double(total) / (1 << 20), double(QFileInfo(zip).size()) / (1 << 20));

    const QString ours = work.filePath(QStringLiteral("ours"));
    const QString theirs = work.filePath(QStringLiteral("theirs"));
    auto fresh = [](const QString &folder) {
        QDir(folder).removeRecursively();
        return QDir().mkpath(folder);
    };
    const double oursSeconds = best(3, [&] { return fresh(ours); }, [&] {
        CGUnzipFiles z;
        return z.Unzip(zip, ours) == 0;
    });
    const double theirSeconds = best(3, [&] { return fresh(theirs); }, [&] {
        return QProcess::execute(unzipTool, {QStringLiteral("-qq"), QStringLiteral("-o"), zip,
                                             QStringLiteral("-d"), theirs}) == 0;
    });
    if (oursSeconds < 0 || theirSeconds < 0) {
        std::fprintf(stderr, "an extraction failed\n");
        return 1;
    }
    const double mib = double(total) / (1 << 20);
    std::printf("CGUnzipFiles: %.3f s (%.1f MiB/s)\n", oursSeconds, mib / oursSeconds);
    std::printf("unzip:        %.3f s (%.1f MiB/s)\n", theirSeconds, mib / theirSeconds);
    std::printf("ratio (unzip time / ours): %.2f\n", theirSeconds / oursSeconds);
    return 0;
}
