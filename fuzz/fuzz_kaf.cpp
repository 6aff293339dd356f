// The .kaf reader and every operation on an archive from the network: the
// table is checked on opening, every stored file extracts inside the work
// folder, and additions, deletions and the compaction keep the archive
// readable with the files they promise. Stored names never reach a path:
// links planted in the folder point out of it, and nothing outside may change.
#include "fuzz/FuzzSupport.h"
#include "packs/KAFHandler.h"

#include <QDir>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::coreApp();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    // The archive, then a script of operations, one byte each with the
    // bytes of their argument up to the next 0x01.
    const QList<QByteArray> parts = Fuzz::pieces(input, '\0', 2);
    Fuzz::Sandbox box;
    const QString kaf = box.work() + QStringLiteral("/pack.kaf");
    Fuzz::Sandbox::writeFile(kaf, parts.value(0));
    QDir().mkpath(box.work() + QStringLiteral("/x"));

    KAFHandler k;
    const bool opened = k.OpenFile(kaf);
    Fuzz::check(readAll(kaf) == parts.value(0), "opening never writes");
    if (opened) {
        const QList<QByteArray> names = k.FileNames();
        for (const QByteArray &name : names) {
            Fuzz::check(KAFHandler::IsSafeStoredName(name), "listed names are safe", name);
            Fuzz::check(k.Contains(name), "listed name is contained", name);
        }
        for (qint32 i = -1; i <= std::min(k.getNumFileInfos() + 1, 64); ++i) {
            k.GetFileName(i);
            k.getOffset(i);
            k.getSize(i);
            k.getDateAdded(i);
            k.getTimeAdded(i);
        }
        int n = 0;
        for (const QByteArray &name : names) {
            if (++n > 16)
                break;
            k.ExtractFile(name, box.work() + QStringLiteral("/x/") + QString::number(n));
        }
        Fuzz::check(readAll(kaf) == parts.value(0), "extracting never writes");
    }

    const QList<QByteArray> ops = Fuzz::pieces(parts.value(1), '\x01', 12);
    int step = 0;
    for (const QByteArray &op : ops) {
        if (op.isEmpty())
            continue;
        const QByteArray arg = op.mid(1);
        ++step;
        switch (quint8(op.at(0)) % 6) {
        case 0: { // add a file of that name (a name after the last separator)
            const QByteArray name = KAFHandler::getRealFileName(QString::fromLatin1(arg));
            if (!KAFHandler::IsSafeStoredName(name) || name.contains('\x01'))
                break;
            const QString source = box.work() + QStringLiteral("/x/") + QString::fromLatin1(name);
            if (!Fuzz::Sandbox::writeFile(source, "data " + QByteArray::number(step)))
                break;
            if (k.AddFile(source)) {
                KAFHandler again;
                Fuzz::check(again.OpenFile(kaf), "archive opens after an addition", again.lastError().toUtf8());
                Fuzz::check(again.Contains(name), "added name is there", name);
                const QString out = box.work() + QStringLiteral("/x/extracted");
                Fuzz::check(again.ExtractFile(name, out), "added file extracts", name);
                Fuzz::check(readAll(out) == "data " + QByteArray::number(step), "added bytes come back", name);
            }
            break;
        }
        case 1: // delete
            if (k.DeleteFile(arg)) {
                KAFHandler again;
                Fuzz::check(again.OpenFile(kaf), "archive opens after a deletion", again.lastError().toUtf8());
                Fuzz::check(!again.Contains(arg), "deleted name is gone", arg);
            }
            break;
        case 2: { // compact
            const QList<QByteArray> before = k.FileNames();
            if (k.Reorganise()) {
                KAFHandler again;
                Fuzz::check(again.OpenFile(kaf), "archive opens after compaction", again.lastError().toUtf8());
                for (const QByteArray &name : before)
                    Fuzz::check(again.Contains(name), "compaction keeps every file", name);
            }
            break;
        }
        case 3: // a new table
            if (k.CreateFile(kaf, qint32(arg.isEmpty() ? 0 : quint8(arg.at(0))) % 40)) {
                KAFHandler again;
                Fuzz::check(again.OpenFile(kaf), "new archive opens", again.lastError().toUtf8());
            }
            break;
        case 4: // extract by any name, to any name inside
            k.ExtractFile(arg, box.work() + QStringLiteral("/x/any"));
            break;
        case 5: // add the folder's files
            if (step < 3)
                k.AddDirectory(box.work() + QStringLiteral("/x"));
            break;
        }
    }
    return 0;
}
