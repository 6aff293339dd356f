#include "core/util/WinPath.h"

#include "core/util/CodePage.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace WinPath {

QStringList parts(const QString &windowsName)
{
    static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
    QStringList out;
    for (const QString &p : windowsName.split(separators))
        if (!p.isEmpty())
            out.append(p);
    return out;
}

QString join(const QString &folder, const QString &windowsName)
{
    QString out = folder;
    while (out.size() > 1 && out.endsWith(QLatin1Char('/')))
        out.chop(1);
    for (const QString &p : parts(windowsName)) {
        if (!out.isEmpty() && !out.endsWith(QLatin1Char('/')))
            out += QLatin1Char('/');
        out += p;
    }
    return out;
}

QString join(const QString &folder, const QByteArray &windowsName)
{
    return join(folder, CodePage::toUnicode(windowsName));
}

} // namespace WinPath

namespace GameFolder {

QString resolve(const QString &folder, const QString &windowsName)
{
    QString current = WinPath::join(folder, QString());
    bool found = true;
    for (const QString &part : WinPath::parts(windowsName)) {
        // "." and ".." name nothing inside the folder; they are dropped so the
        // result cannot climb out of it.
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            continue;
        QString name = part;
        if (found) {
            const QString exact = WinPath::join(current, part);
            if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink()) {
                name = part;
            } else {
                found = false;
                const QStringList entries = QDir(current).entryList(
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDir::Name);
                for (const QString &entry : entries) {
                    if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                        name = entry;
                        found = true;
                        break;
                    }
                }
            }
        }
        current = WinPath::join(current, name);
    }
    return current;
}

QString resolve(const QString &folder, const QByteArray &windowsName)
{
    return resolve(folder, CodePage::toUnicode(windowsName));
}

} // namespace GameFolder
