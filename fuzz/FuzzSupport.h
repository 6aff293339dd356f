#pragma once
// Shared pieces of the fuzz targets: one application object for the whole
// run, a sandbox for targets that write, and a hard stop on a broken check
// (libFuzzer records the input of any abort as a finding).
#include "core/api/ChatOutput.h"
#include "core/api/CommandSink.h"
#include "platform/Dialogs.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace Fuzz {

// Stops the run with a message: the input that got here is a finding.
[[noreturn]] inline void fail(const char *what, const QByteArray &detail = QByteArray())
{
    std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.constData());
    std::abort();
}

inline void check(bool ok, const char *what, const QByteArray &detail = QByteArray())
{
    if (!ok)
        fail(what, detail);
}

// Text documents, fonts and pictures need a GUI application; the offscreen
// platform needs no display. The application lives until the process ends
// (libFuzzer leaves through exit(), after which Qt must not be torn down).
inline void guiApp()
{
    static QGuiApplication *app = nullptr;
    if (!app) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        app = new QGuiApplication(argc, argv);
    }
}

inline void coreApp()
{
    static QCoreApplication *app = nullptr;
    if (!app && !QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        app = new QCoreApplication(argc, argv);
    }
}

// Sandboxes live in memory when the machine has /dev/shm: the writes under
// test flush to disk, which on a disk would cost more than the rest.
inline QString sandboxTemplate()
{
    const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                            : QDir::tempPath();
    return base + QStringLiteral("/zorbel-fuzz-XXXXXX");
}

// Every file and link below `root` with its bytes (links by their target).
inline QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = path.mid(root.size());
        if (info.isSymLink()) {
            out.insert(name, "link:" + QFile::encodeName(info.symLinkTarget()));
        } else if (info.isDir()) {
            out.insert(name, "dir");
        } else {
            QFile f(path);
            out.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unreadable"));
        }
    }
    return out;
}

// A fresh folder for one input: `work()` is where the target may write;
// beside it lies a folder the target must never touch, and links planted
// inside the work folder point out to it (a folder and a file).
class Sandbox
{
public:
    Sandbox() : m_dir(sandboxTemplate())
    {
        check(m_dir.isValid(), "no temporary folder");
        QDir().mkpath(outside() + QStringLiteral("/deep"));
        QDir().mkpath(work());
        writeFile(outside() + QStringLiteral("/keep.txt"), "outside");
        writeFile(outside() + QStringLiteral("/deep/keep.dat"), "outside too");
        plantLinks(work());
        m_before = snapshot(outside());
    }

    // A link to the folder outside ("out") and one to a file there ("keep.txt").
    void plantLinks(const QString &folder) const
    {
        QFile::link(outside(), folder + QStringLiteral("/out"));
        QFile::link(outside() + QStringLiteral("/keep.txt"), folder + QStringLiteral("/keep.txt"));
    }
    ~Sandbox() { checkOutside(); }

    QString work() const { return m_dir.path() + QStringLiteral("/work"); }
    QString outside() const { return m_dir.path() + QStringLiteral("/outside"); }

    void checkOutside() const
    {
        const QMap<QString, QByteArray> after = snapshot(outside());
        if (after != m_before) {
            for (auto it = after.cbegin(); it != after.cend(); ++it) {
                if (m_before.value(it.key()) != it.value())
                    fail("changed outside the work folder:", QFile::encodeName(it.key()));
            }
            fail("removed outside the work folder");
        }
    }

    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    }

private:
    QTemporaryDir m_dir;
    QMap<QString, QByteArray> m_before;
};

// Splits an input into pieces at a separator byte, for targets that take
// several texts or a list of operations.
inline QList<QByteArray> pieces(const QByteArray &input, char separator, int maxPieces)
{
    QList<QByteArray> out;
    qsizetype from = 0;
    while (out.size() < maxPieces - 1) {
        const qsizetype at = input.indexOf(separator, from);
        if (at < 0)
            break;
        out.append(input.mid(from, at - from));
        from = at + 1;
    }
    out.append(input.mid(from));
    return out;
}

// Boxes answered from a byte of the input, never blocking.
class AnswerDialogs : public Dialogs
{
public:
    explicit AnswerDialogs(quint8 seed = 0) : m_seed(seed) {}
    Answer message(const QString &, const QString &, Buttons buttons, Icon) override
    {
        ++m_asked;
        const quint8 pick = quint8(m_seed + m_asked);
        switch (buttons) {
        case Buttons::YesNo: return pick & 1 ? Answer::Yes : Answer::No;
        case Buttons::YesNoCancel: return pick % 3 == 0 ? Answer::Yes : pick % 3 == 1 ? Answer::No : Answer::Cancel;
        case Buttons::OkCancel: return pick & 1 ? Answer::Ok : Answer::Cancel;
        case Buttons::RetryCancel: return Answer::Cancel;
        case Buttons::Ok: break;
        }
        return Answer::Ok;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &defaultText) override
    {
        ++m_asked;
        const quint8 pick = quint8(m_seed + m_asked);
        if (pick % 3 == 0)
            return std::nullopt;
        return pick % 3 == 1 ? QStringLiteral("secret") : defaultText;
    }
    // A box shown without waiting stays open for the rest of the input.
    void open(const QString &, const QString &, Buttons, Icon, Answered) override { ++m_asked; }

private:
    quint8 m_seed;
    int m_asked = 0;
};

class NullSink : public CommandSink
{
public:
    void SendCommand(const QByteArray &) override {}
};

class NullChat : public ChatOutput
{
public:
    void AddSystemMessage(const QByteArray &) override {}
    void AddLogRTF(const QByteArray &, qint16, qint32, const QByteArray &, qint32, bool, bool) override {}
    qint16 RoomFocus() const override { return 0; }
};

} // namespace Fuzz
