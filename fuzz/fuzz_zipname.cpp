// The entry name check of the unzip engine: a name it accepts lies inside
// the folder, whatever its bytes.
#include "fuzz/FuzzSupport.h"
#include "updater/unzip/ConfinedName.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString folder = QStringLiteral("/srv/zorbel/out");
    for (const std::optional<QStringList> &parts :
         {ConfinedName::relativeParts(input), ConfinedName::relativeParts(QString::fromUtf8(input))}) {
        if (!parts)
            continue;
        Fuzz::check(!parts->isEmpty(), "accepted name has parts", input);
        for (const QString &p : *parts) {
            Fuzz::check(ConfinedName::isSafePart(p), "accepted part is safe", p.toUtf8());
            Fuzz::check(p != QLatin1String(".") && p != QLatin1String("..") && !p.contains(QLatin1Char('/'))
                            && !p.contains(QLatin1Char('\\')) && !p.contains(QChar(0)),
                        "accepted part names no folder step", p.toUtf8());
        }
        const std::optional<QString> joined = ConfinedName::joinInside(folder, *parts);
        if (joined) {
            Fuzz::check(ConfinedName::liesInside(folder, *joined), "joined path lies inside", joined->toUtf8());
            Fuzz::check(QDir::cleanPath(*joined).startsWith(folder + QLatin1Char('/')), "clean path inside",
                        joined->toUtf8());
        }
    }
    ConfinedName::liesInside(folder, QString::fromUtf8(input));
    return 0;
}
