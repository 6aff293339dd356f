#include "updater/unzip/ConfinedName.h"

#include "core/util/CodePage.h"

#include <QDir>
#include <QFileInfo>

namespace ConfinedName {

namespace {

bool isSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

// Windows drops trailing dots and blanks from a name, so "..." or ". ." would
// act as "." or ".." there; none of them is a usable name anywhere.
bool onlyDotsAndBlanks(const QString &part)
{
    for (QChar c : part) {
        if (c != QLatin1Char('.') && c != QLatin1Char(' '))
            return false;
    }
    return true;
}

} // namespace

bool isSafePart(const QString &part)
{
    if (part.isEmpty() || onlyDotsAndBlanks(part))
        return false;
    for (QChar c : part) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QLatin1Char(':') || isSeparator(c))
            return false;
    }
    return true;
}

std::optional<QStringList> relativeParts(const QString &name)
{
    if (name.isEmpty() || isSeparator(name.at(0)))
        return std::nullopt; // absolute, UNC ("\\server\share") or rooted
    QStringList out;
    QString part;
    for (int i = 0; i <= name.size(); ++i) {
        if (i == name.size() || isSeparator(name.at(i))) {
            if (!part.isEmpty()) {
                if (!isSafePart(part))
                    return std::nullopt;
                out.append(part);
            }
            part.clear();
            continue;
        }
        const QChar c = name.at(i);
        // ':' covers drive letters ("C:\x", "C:x") and alternate data streams.
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QLatin1Char(':'))
            return std::nullopt;
        part.append(c);
    }
    if (out.isEmpty())
        return std::nullopt;
    return out;
}

std::optional<QStringList> relativeParts(const QByteArray &name)
{
    // Checked on the bytes too: a NUL must not vanish in a conversion.
    if (name.contains('\0'))
        return std::nullopt;
    return relativeParts(CodePage::toUnicode(name));
}

bool liesInside(const QString &folder, const QString &path)
{
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return false;
    // Resolve the longest existing prefix of `path`, keep the rest as given.
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    while (!existing.isEmpty() && !QFileInfo::exists(existing)) {
        const int cut = existing.lastIndexOf(QLatin1Char('/'));
        if (cut < 0)
            return false;
        const QString last = existing.mid(cut + 1);
        if (last == QLatin1String("..") || last == QLatin1String("."))
            return false;
        rest = rest.isEmpty() ? last : last + QLatin1Char('/') + rest;
        existing = cut == 0 ? QStringLiteral("/") : existing.left(cut);
    }
    QString resolved = QFileInfo(existing).canonicalFilePath();
    if (resolved.isEmpty())
        return false;
    if (!rest.isEmpty())
        resolved = QDir::cleanPath(resolved + QLatin1Char('/') + rest);
    if (resolved == root)
        return true;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return resolved.startsWith(prefix);
}

std::optional<QString> joinInside(const QString &folder, const QStringList &parts)
{
    QString path = QDir::cleanPath(folder);
    for (const QString &part : parts) {
        if (!isSafePart(part))
            return std::nullopt;
        path += QLatin1Char('/') + part;
        // A link below the folder could point anywhere; never write through one.
        if (QFileInfo(path).isSymLink())
            return std::nullopt;
    }
    if (!liesInside(folder, path))
        return std::nullopt;
    return path;
}

} // namespace ConfinedName
