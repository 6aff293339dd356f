#include "packs/ConfinedPath.h"

#include <QDir>
#include <QFileInfo>

namespace ConfinedPath {

bool isBelow(const QString &folder, const QString &path)
{
    if (folder.isEmpty() || path.isEmpty() || !QDir::isAbsolutePath(path))
        return false;
    for (const QChar c : path) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    if (QDir::cleanPath(path) != path)
        return false;
    const QString base = QDir::cleanPath(folder);
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    return path.size() > prefix.size() && path.startsWith(prefix);
}

Where locate(const QString &folder, const QString &path)
{
    if (!isBelow(folder, path))
        return Where::Outside;
    const QString realFolder = QFileInfo(folder).canonicalFilePath();
    if (realFolder.isEmpty())
        return Where::Unreachable;
    const QFileInfo info(path);
    if (info.isSymLink())
        return Where::Outside;
    const QString realParent = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (realParent.isEmpty())
        return Where::Unreachable;
    const QString prefix = realFolder.endsWith(QLatin1Char('/')) ? realFolder
                                                                 : realFolder + QLatin1Char('/');
    if (realParent != realFolder && !realParent.startsWith(prefix))
        return Where::Outside;
    return Where::Inside;
}

} // namespace ConfinedPath
