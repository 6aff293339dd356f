#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Names that come from archives, manifests and journals are confined to the
// folder they are meant for. '\' and '/' both separate parts. Refused:
// an empty name, absolute paths ("/x", "\x"), drive letters ("C:\x", "C:x"),
// UNC paths ("\\s\x"), "." and ".." parts, ':' anywhere, NUL and control
// characters. "foo..bar" is an ordinary name.
namespace ConfinedName {

// The checked parts of a relative name, or nullopt when it is refused.
// Bytes are code-page text; parts come back as host (Unicode) names.
std::optional<QStringList> relativeParts(const QByteArray &name);
std::optional<QStringList> relativeParts(const QString &name);

// One safe name part (no separators at all).
bool isSafePart(const QString &part);

// `folder` joined with `parts`, refused (nullopt) when an existing part of
// the result below `folder` is a symbolic link or the canonical result would
// lie outside `folder`.
std::optional<QString> joinInside(const QString &folder, const QStringList &parts);

// True when `path` (existing or not) lies inside `folder` once the existing
// part of it is resolved through any symbolic links.
bool liesInside(const QString &folder, const QString &path);

} // namespace ConfinedName
