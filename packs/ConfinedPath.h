#pragma once
#include <QString>

// Journal records name files by full host path, and a journal is a file that
// anyone can edit. Before a restore copies over or deletes a file it checks
// that the path lies where the client itself would have put it.
namespace ConfinedPath {

// `path` is absolute, already clean (no "." or ".." parts, no doubled
// separators), free of control characters, and lies strictly below `folder`.
// Only the text is looked at.
bool isBelow(const QString &folder, const QString &path);

enum class Where {
    Inside,     // below the folder, also after following symbolic links
    Outside,    // the text, a symbolic link or the last part leaves the folder
    Unreachable // below the folder by its text, but its parent folder is gone
};

// isBelow, then the parent folder of `path` resolved through symbolic links
// must still lie in (or be) the resolved `folder`, and `path` itself must not
// be a symbolic link.
Where locate(const QString &folder, const QString &path);

} // namespace ConfinedPath
