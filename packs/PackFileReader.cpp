#include "packs/PackFileReader.h"

#include "core/util/CodePage.h"
#include "packs/KAFHandler.h"

#include <QFile>

bool ReadPackFile(const KAFHandler &kaf, const QByteArray &name, QByteArray *bytes,
                  QString *error, qint64 limit)
{
    const QByteArray wanted = CodePage::toLower(name);
    for (qint32 i = 0; i <= kaf.getNumFileInfos(); ++i) {
        if (CodePage::toLower(kaf.GetFileName(i)) != wanted)
            continue;
        // The first record of that name, as ExtractFile picks it.
        const qint32 offset = kaf.getOffset(i);
        const qint32 size = kaf.getSize(i);
        if (size <= 0 || offset < 1) {
            if (error)
                *error = CodePage::toUnicode(name) + QStringLiteral(": empty in the pack");
            return false;
        }
        QFile file(kaf.getCurrentFile());
        if (!file.open(QIODevice::ReadOnly) || !file.seek(offset - 1)) {
            if (error)
                *error = kaf.getCurrentFile() + QStringLiteral(": ") + file.errorString();
            return false;
        }
        const qint64 wanted = limit >= 0 ? qMin<qint64>(size, limit) : size;
        *bytes = file.read(wanted);
        if (bytes->size() != wanted) {
            if (error)
                *error = kaf.getCurrentFile() + QStringLiteral(": the pack is cut short");
            return false;
        }
        return true;
    }
    if (error)
        *error = CodePage::toUnicode(name) + QStringLiteral(": not in the pack");
    return false;
}

QByteArray ReadSmallPackFile(const KAFHandler &kaf, const QByteArray &name, qint64 limit)
{
    QByteArray bytes;
    if (!ReadPackFile(kaf, name, &bytes, nullptr, limit + 1) || bytes.size() > limit)
        return QByteArray();
    return bytes;
}
